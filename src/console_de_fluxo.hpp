#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "console.hpp"
#include "leitor.hpp"

namespace trovelin {

// Draws a whole number in [minimo, maximo].
using Sorteio = std::function<int(int minimo, int maximo)>;

// A console over a byte source and a byte sink. Output is buffered and only
// written out when the program is about to wait (for input that has not
// arrived yet, or for a pause), when the buffer is full, and at the end.
// Once a write fails, input counts as ended: nobody can see the prompts.
class ConsoleDeFluxo : public Console {
 public:
  // Writes all of the bytes; returns 0, or the errno value of the failure.
  using Destino = std::function<int(std::string_view)>;

  ConsoleDeFluxo(LeitorDeInteiros::Fonte fonte, Destino destino, Sorteio sorteio);

  Leitura lerInteiro(int& destino) final;
  void escrever(std::string_view texto) final;
  // Writes out what is buffered first, so that it shows during the pause.
  void pausar(std::chrono::milliseconds duracao) final;
  int sortear(int minimo, int maximo) final;

  // Writes out what is buffered. Returns 0, or the errno value of the first
  // write that failed.
  int esvaziar();

 protected:
  virtual void dormir(std::chrono::milliseconds duracao) = 0;

 private:
  static constexpr std::size_t kCapacidade = std::size_t{64} * 1024;

  Destino destino_;
  std::string buffer_;
  int erro_ = 0;
  LeitorDeInteiros entrada_;
  Sorteio sorteio_;
};

// The generator of a run: seeded once, from the clock and the system's entropy.
Sorteio sorteioSemeado();

}  // namespace trovelin
