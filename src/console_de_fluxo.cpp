#include "console_de_fluxo.hpp"

#include <chrono>
#include <string_view>

namespace trovelin {

ConsoleDeFluxo::ConsoleDeFluxo()
    : entrada_([this](std::span<char> bytes) { return lerDaOrigem(bytes); }) {
  buffer_.reserve(kCapacidade);
}

// The reader calls this only once a prompt asks for input, long after construction.
std::size_t ConsoleDeFluxo::lerDaOrigem(std::span<char> bytes) {
  if (esvaziar() != 0) {
    return 0;
  }
  const Lidos lidos = lerBytes(bytes);
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

int ConsoleDeFluxo::esvaziar() {
  if (erroDeEscrita_ == 0 && !buffer_.empty()) {
    erroDeEscrita_ = gravarBytes(buffer_);
  }
  buffer_.clear();
  return erroDeEscrita_;
}

}  // namespace trovelin
