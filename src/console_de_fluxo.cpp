#include "console_de_fluxo.hpp"

#include <chrono>
#include <random>
#include <utility>

namespace trovelin {

ConsoleDeFluxo::ConsoleDeFluxo(LeitorDeInteiros::Fonte fonte, Destino destino, Sorteio sorteio)
    : destino_(std::move(destino)),
      entrada_([this, fonte = std::move(fonte)](std::span<char> bytes) -> std::size_t {
        return esvaziar() == 0 ? fonte(bytes) : 0;
      }),
      sorteio_(std::move(sorteio)) {
  buffer_.reserve(kCapacidade);
}

Leitura ConsoleDeFluxo::lerInteiro(int& destino) { return entrada_.ler(destino); }

void ConsoleDeFluxo::escrever(std::string_view texto) {
  if (erro_ != 0) {
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
  if (erro_ == 0 && !buffer_.empty()) {
    erro_ = destino_(buffer_);
  }
  buffer_.clear();
  return erro_;
}

Sorteio sorteioSemeado() {
  std::random_device entropia;
  const auto agora = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::seed_seq semente{entropia(), entropia(), static_cast<unsigned>(agora),
                        static_cast<unsigned>(static_cast<unsigned long long>(agora) >> 32U)};
  return [gerador = std::mt19937(semente)](int minimo, int maximo) mutable {
    return std::uniform_int_distribution<int>(minimo, maximo)(gerador);
  };
}

}  // namespace trovelin
