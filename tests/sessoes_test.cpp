// Whole sessions, from the first menu to the last byte, against exact text.
#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "console_de_teste.hpp"
#include "textos_esperados.hpp"
#include "trovelin.hpp"

namespace trovelin::teste {
namespace {

const std::string kMenu = esperado("menu");
const std::string kAdeus = esperado("adeus");
const std::string kInvalida = esperado("invalida");
const std::string kRegras = esperado("regras");
const std::string kSorteio = "<cores 07>" + esperado("sorteando") + "<pausa 2000>";
const std::string kFora = esperado("fora");

std::string pedido(int n) { return esperado("pedido", {n}); }
std::string menor(int v) { return esperado("menor", {v}); }
std::string maior(int v) { return esperado("maior", {v}); }
std::string acerto(int v) { return esperado("acerto", {v}) + "<cores 64>"; }
std::string esgotadas(int v) { return esperado("esgotadas", {v}); }
std::string historico(const std::vector<int>& palpites) {
  std::string texto = esperado("historico");
  for (std::size_t k = 0; k < palpites.size(); ++k) {
    texto += esperado("historico_linha", {static_cast<int>(k) + 1, palpites[k]});
  }
  return texto + esperado("historico_fim");
}
std::string repetir(const std::string& texto, int vezes) {
  std::string todo;
  for (int i = 0; i < vezes; ++i) {
    todo += texto;
  }
  return todo;
}

struct Sessao {
  const char* nome;
  std::string entrada;
  std::vector<int> segredos;
  std::string esperado;
};

void PrintTo(const Sessao& sessao, std::ostream* saida) { *saida << sessao.nome; }

const std::vector<Sessao>& sessoes() {
  static const std::vector<Sessao> casos = {
      {"sair_logo", "3\n", {}, kMenu + kAdeus},
      {"exemplo_com_recusa",
       "1\n50\n0\n30\n42\n3\n",
       {42},
       kMenu + kSorteio + pedido(1) + menor(50) + pedido(2) + kFora + pedido(2) + maior(30) +
           pedido(3) + acerto(42) + historico({50, 30, 42}) + kMenu + kAdeus},
      {"acerto_na_primeira",
       "1 7 3",
       {7},
       kMenu + kSorteio + pedido(1) + acerto(7) + historico({7}) + kMenu + kAdeus},
      {"acerto_na_quinta",
       "1\n10\n90\n20\n80\n50\n3\n",
       {50},
       kMenu + kSorteio + pedido(1) + maior(10) + pedido(2) + menor(90) + pedido(3) + maior(20) +
           pedido(4) + menor(80) + pedido(5) + acerto(50) + historico({10, 90, 20, 80, 50}) +
           kMenu + kAdeus},
      {"cinco_erros_e_repetidos",
       "1 60 60 1 100 59 3",
       {58},
       kMenu + kSorteio + pedido(1) + menor(60) + pedido(2) + menor(60) + pedido(3) + maior(1) +
           pedido(4) + menor(100) + pedido(5) + menor(59) + esgotadas(58) +
           historico({60, 60, 1, 100, 59}) + kMenu + kAdeus},
      {"recusas_nao_contam",
       "1 0 -7 101 abc 2147483648 55 3",
       {55},
       kMenu + kSorteio + repetir(pedido(1) + kFora, 5) + pedido(1) + acerto(55) + historico({55}) +
           kMenu + kAdeus},
      {"dois_jogos_seguidos",
       "1 5 1 9 3",
       {5, 9},
       kMenu + kSorteio + pedido(1) + acerto(5) + historico({5}) + kMenu + kSorteio + pedido(1) +
           acerto(9) + historico({9}) + kMenu + kAdeus},
      {"regras_repetidas", "2 2 3", {}, kMenu + kRegras + kMenu + kRegras + kMenu + kAdeus},
      {"opcoes_invalidas", "0 4 -1 99 3", {}, repetir(kMenu + kInvalida, 4) + kMenu + kAdeus},
      {"tokens_que_nao_sao_numeros",
       "abc 12abc 1.5 0x2 + - -0 \xc3\xa9 4294967299 -2147483649 3",
       {},
       repetir(kMenu + kInvalida, 10) + kMenu + kAdeus},
      {"sinal_e_zeros_a_esquerda",
       "+2 1 +5 001 007 -0 005 003",
       {5, 5},
       kMenu + kRegras + kMenu + kSorteio + pedido(1) + acerto(5) + historico({5}) + kMenu +
           kSorteio + pedido(1) + menor(7) + pedido(2) + kFora + pedido(2) + acerto(5) +
           historico({7, 5}) + kMenu + kAdeus},
      {"muitas_opcoes_invalidas",
       repetir("9 ", 5000) + "3",
       {},
       repetir(kMenu + kInvalida, 5000) + kMenu + kAdeus},
      {"todos_os_espacos", " \t2\r\n\v\f3", {}, kMenu + kRegras + kMenu + kAdeus},
      {"fim_no_menu", "", {}, kMenu + "\n"},
      {"fim_depois_das_regras", "2", {}, kMenu + kRegras + kMenu + "\n"},
      {"fim_no_primeiro_palpite", "1", {33}, kMenu + kSorteio + pedido(1) + "\n"},
      {"fim_no_meio_do_jogo",
       "1 50 x",
       {33},
       kMenu + kSorteio + pedido(1) + menor(50) + pedido(2) + kFora + pedido(2) + "\n"},
      {"nao_numero_depois_de_opcao_valida",
       "2 abc 1 5 abc 3",
       {5},
       kMenu + kRegras + kMenu + kInvalida + kMenu + kSorteio + pedido(1) + acerto(5) +
           historico({5}) + kMenu + kInvalida + kMenu + kAdeus},
      {"fim_depois_de_token_invalido", "zz", {}, kMenu + kInvalida + kMenu + "\n"},
  };
  return casos;
}

std::string jogar(const Sessao& sessao, std::size_t pedaco) {
  ConsoleDeTeste console(sessao.entrada, pedaco);
  executarMenu(console, segredosDaLista(sessao.segredos));
  EXPECT_EQ(console.esvaziar(), 0);
  return console.transcricao();
}

class Sessoes : public ::testing::TestWithParam<Sessao> {};

TEST_P(Sessoes, TranscricaoExata) { EXPECT_EQ(jogar(GetParam(), 4096), GetParam().esperado); }

// Tokens split across reads must read as if they had come whole.
TEST_P(Sessoes, MesmaTranscricaoLendoAosPoucos) {
  for (const std::size_t pedaco : {1U, 2U, 3U, 7U}) {
    EXPECT_EQ(jogar(GetParam(), pedaco), GetParam().esperado) << "reads of " << pedaco;
  }
}

// The player must see each prompt before the game sits waiting for an answer.
TEST_P(Sessoes, CadaEsperaComOPromptJaEscrito) {
  ConsoleDeTeste console(GetParam().entrada, 1);
  executarMenu(console, segredosDaLista(GetParam().segredos));
  for (const std::string& visto : console.esperas()) {
    EXPECT_TRUE(visto.ends_with("Selecione uma opcao:") ||
                visto.ends_with("Digite um numero de 1 a 100:"))
        << visto;
  }
}

INSTANTIATE_TEST_SUITE_P(Jogo, Sessoes, ::testing::ValuesIn(sessoes()),
                         [](const auto& caso) { return std::string(caso.param.nome); });

// Output that cannot be written ends the session (instead of playing on
// blind, or forever) and is reported.
TEST(SaidaComFalha, EncerraASessaoEInformaOErro) {
  ConsoleDeTeste console(repetir("9 ", 100000) + "3");
  console.falharEscritasCom(ENOSPC);
  executarMenu(console, segredosDaLista({}));
  EXPECT_EQ(console.esvaziar(), ENOSPC);
  EXPECT_TRUE(console.esperas().empty()) << "kept reading after output failed";
  EXPECT_EQ(console.transcricao(), "");
}

}  // namespace
}  // namespace trovelin::teste
