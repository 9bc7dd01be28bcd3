#include <array>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "textos.hpp"
#include "trovelin.hpp"

namespace trovelin {
namespace {

constexpr int kMenorValor = 1;
constexpr int kMaiorValor = 100;
constexpr int kMaxTentativas = 5;
constexpr std::chrono::milliseconds kPausaDoSorteio{2000};

// Writes `modelo` with each "%d" replaced by the next of `numeros`, as printf would.
void escreverComNumeros(Console& console, std::string_view modelo,
                        std::initializer_list<int> numeros) {
  for (const int numero : numeros) {
    const std::size_t marca = modelo.find("%d");
    if (marca == std::string_view::npos) {
      break;  // more numbers than places for them: write the text as it stands
    }
    console.escrever(modelo.substr(0, marca));
    std::array<char, 16> digitos{};
    const char* const fim =
        std::to_chars(digitos.data(), digitos.data() + digitos.size(), numero).ptr;
    console.escrever({digitos.data(), static_cast<std::size_t>(fim - digitos.data())});
    modelo.remove_prefix(marca + 2);
  }
  console.escrever(modelo);
}

// Answers a counted attempt; true on a hit.
bool responder(Console& console, int numeroSecreto, int palpite) {
  if (numeroSecreto < palpite) {
    escreverComNumeros(console, textos::kNumeroMenor, {palpite});
    return false;
  }
  if (numeroSecreto > palpite) {
    escreverComNumeros(console, textos::kNumeroMaior, {palpite});
    return false;
  }
  escreverComNumeros(console, textos::kAcertou, {numeroSecreto});
  console.mudarCores(kCoresDoAcerto);
  return true;
}

void escreverHistorico(Console& console, const std::array<int, kMaxTentativas>& palpites,
                       int tentativas) {
  console.escrever(textos::kHistoricoTitulo);
  for (int k = 0; k < tentativas; ++k) {
    escreverComNumeros(console, textos::kHistoricoLinha,
                       {k + 1, palpites[static_cast<std::size_t>(k)]});
  }
  console.escrever(textos::kHistoricoFim);
}

}  // namespace

bool Jogar(Console& console, const Sorteio& sortear) {
  int tentativas = 0;
  bool acertou = false;
  std::array<int, kMaxTentativas> palpites{};

  const int numeroSecreto = sortear(kMenorValor, kMaiorValor);
  console.escrever(textos::kSorteando);
  console.pausar(kPausaDoSorteio);

  while (tentativas < kMaxTentativas && !acertou) {
    escreverComNumeros(console, textos::kPedirPalpite, {tentativas + 1});
    int palpite = 0;
    const Leitura lida = console.lerInteiro(palpite);
    if (lida == Leitura::fim) {
      return false;
    }
    if (lida == Leitura::naoNumero || palpite < kMenorValor || palpite > kMaiorValor) {
      console.escrever(textos::kForaDoIntervalo);
      continue;
    }
    palpites[static_cast<std::size_t>(tentativas)] = palpite;
    ++tentativas;
    acertou = responder(console, numeroSecreto, palpite);
  }

  if (!acertou) {
    escreverComNumeros(console, textos::kEsgotadas, {numeroSecreto});
  }
  escreverHistorico(console, palpites, tentativas);
  return true;
}

}  // namespace trovelin
