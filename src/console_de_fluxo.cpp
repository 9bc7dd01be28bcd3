#include "console_de_fluxo.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "textos.hpp"
#include "trovelin.hpp"

namespace trovelin {

ConsoleDeFluxo::ConsoleDeFluxo(Origem origem, Destino destino, Sorteio sorteio)
    : origem_(std::move(origem)),
      destino_(std::move(destino)),
      entrada_([this](std::span<char> bytes) { return lerDaOrigem(bytes); }),
      sorteio_(std::move(sorteio)) {
  buffer_.reserve(kCapacidade);
}

// The reader calls this only once a prompt asks for input, long after construction.
std::size_t ConsoleDeFluxo::lerDaOrigem(std::span<char> bytes) {
  if (esvaziar() != 0) {
    return 0;
  }
  const Lidos lidos = origem_(bytes);
  erroDeLeitura_ = lidos.erro;
  return lidos.erro == 0 ? lidos.bytes : 0;
}

Leitura ConsoleDeFluxo::lerInteiro(int& destino) { return entrada_.ler(destino); }

void ConsoleDeFluxo::escrever(std::string_view texto) {
  if (erroDeEscrita_ != 0) {
    return;
  }
  if (buffer_.size() + texto.size() > kCapacidade) {
    esvaziar();
  }
  buffer_.append(texto);
}

void ConsoleDeFluxo::pausar(std::chrono::milliseconds duracao) {
  if (esvaziar() == 0) {
    dormir(duracao);
  }
}

int ConsoleDeFluxo::sortear(int minimo, int maximo) { return sorteio_(minimo, maximo); }

int ConsoleDeFluxo::esvaziar() {
  if (erroDeEscrita_ == 0 && !buffer_.empty()) {
    erroDeEscrita_ = destino_(buffer_);
  }
  buffer_.clear();
  return erroDeEscrita_;
}

namespace {

// Two words from the entropy source, or none if it cannot be opened or read.
std::vector<unsigned> entropia(const std::string& fonte) {
  try {
    std::random_device dispositivo(fonte);
    return {dispositivo(), dispositivo()};
  } catch (const std::exception&) {
    return {};
  }
}

int relatar(std::string_view prefixo, int erro) {
  std::fprintf(stderr, "%.*s%s\n", static_cast<int>(prefixo.size()), prefixo.data(),
               std::strerror(erro));
  return EXIT_FAILURE;
}

}  // namespace

Sorteio sorteioSemeado(const std::string& fonteDeEntropia) {
  std::vector<unsigned> semente = entropia(fonteDeEntropia);
  const auto agora =
      static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
  semente.push_back(static_cast<unsigned>(agora));
  semente.push_back(static_cast<unsigned>(agora >> 32U));
  std::seed_seq sequencia(semente.begin(), semente.end());
  return [gerador = std::mt19937(sequencia)](int minimo, int maximo) mutable {
    return std::uniform_int_distribution<int>(minimo, maximo)(gerador);
  };
}

int executarPrograma(ConsoleDeFluxo& console) {
  executarMenu(console);
  if (const int erro = console.esvaziar(); erro != 0) {
    return relatar(textos::kErroDeEscrita, erro);
  }
  if (const int erro = console.erroDeLeitura(); erro != 0) {
    return relatar(textos::kErroDeLeitura, erro);
  }
  return EXIT_SUCCESS;
}

}  // namespace trovelin
