#pragma once

#include <array>
#include <string_view>

// Every text the game writes, byte for byte. "%d" marks where a number goes.
// A text that ends in "\n" was a puts() line: the break is part of it.
namespace trovelin::textos {

inline constexpr std::array<std::string_view, 7> kMenu = {
    "\n-----------------------------",
    "\nEMPRESA ZORVEL 1.0",
    "\nGAME TROVELIN: 2.0",
    "\n1.Jogar",
    "\n2.Ver regras do jogo",
    "\n3.Sair",
    "\nSelecione uma opcao:",
};
inline constexpr std::string_view kDespedida = "\nObrigada por jogar! Ate a proxima";
inline constexpr std::string_view kOpcaoInvalida = "\nOpcao invalida! Tente novamente.\n";

inline constexpr std::string_view kSorteando = "\nSorteando numero entre 1 e 100:... - ....\n";
inline constexpr std::string_view kPedirPalpite =
    "\nTentativa %d de 5. Digite um numero de 1 a 100:";
inline constexpr std::string_view kForaDoIntervalo = "\nValor fora do intervalo especificado.";
inline constexpr std::string_view kNumeroMenor = "\nNumero menor que o valor lido!!! %d";
inline constexpr std::string_view kNumeroMaior = "\nNumero maior que o valor lido!!! %d";
inline constexpr std::string_view kAcertou = "\nParabens! Voce acertou o numero sorteado %d\n";
inline constexpr std::string_view kEsgotadas = "\nQue pena!!! Tentativas esgotadas.Numero era: %d";
inline constexpr std::string_view kHistoricoTitulo = "\n ---- Historico de chutes -----";
inline constexpr std::string_view kHistoricoLinha = "Tentativa : %d %d\n ";
inline constexpr std::string_view kHistoricoFim = "\n----------------";

inline constexpr std::array<std::string_view, 6> kRegras = {
    "\n-----REGRAS DO JOGO-------------\n",
    "\n1.Digite um numero entre 1 e 100",
    "\n2.Voce tem 5 chances de acertar",
    "\n3.A cada tentaiva, o sistema dira se o numero secreto eh maior ou menor que o digitado",
    "\n4.Seus palpites serao salvos e mostrados ao final",
    "\n-------------------------------------------------",
};

// Written when input runs out, so that the shell's prompt starts on a line of its own.
inline constexpr std::string_view kQuebraDeLinha = "\n";

// Standard error's one line when the game could not go on; the system's
// description of the error follows.
inline constexpr std::string_view kErroDeEscrita = "trovelin: erro de escrita: ";
inline constexpr std::string_view kErroDeLeitura = "trovelin: erro de leitura: ";

}  // namespace trovelin::textos
