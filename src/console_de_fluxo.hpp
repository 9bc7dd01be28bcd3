#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "console.hpp"
#include "leitor.hpp"

namespace trovelin {

// A console over a byte source and a byte sink, which a platform gives by
// filling in the three virtuals below, with mudarCores. Output is buffered and only
// written out when the program is about to wait (for input that has not
// arrived yet, or for a pause), when the buffer is full, and at the end.
// Once a write fails, input counts as ended: nobody can see the prompts.
// A read that fails ends input too, and is remembered so that it can be
// told apart from a plain end of input.
class ConsoleDeFluxo : public Console {
 public:
  // What one read gave: bytes == 0 and erro == 0 is the end of input;
  // erro is the errno value of a read that failed.
  struct Lidos {
    std::size_t bytes = 0;
    int erro = 0;
  };
  ConsoleDeFluxo();

  Leitura lerInteiro(int& destino) final;
  void escrever(std::string_view texto) final;
  // Writes out what is buffered first, so that it shows during the pause.
  void pausar(std::chrono::milliseconds duracao) final;

  // Writes out what is buffered. Returns 0, or the errno value of the first
  // write that failed.
  int esvaziar();
  // The errno value of the read that failed, or 0 if none did.
  int erroDeLeitura() const { return erroDeLeitura_; }

 protected:
  // Up to bytes.size() bytes of input, waiting for some if none has come.
  virtual Lidos lerBytes(std::span<char> bytes) = 0;
  // Writes all of the bytes; returns 0, or the errno value of the failure.
  virtual int gravarBytes(std::string_view bytes) = 0;
  virtual void dormir(std::chrono::milliseconds duracao) = 0;

 private:
  std::size_t lerDaOrigem(std::span<char> bytes);

  static constexpr std::size_t kCapacidade = std::size_t{64} * 1024;

  std::string buffer_;
  int erroDeEscrita_ = 0;
  int erroDeLeitura_ = 0;
  LeitorDeInteiros entrada_;
};

}  // namespace trovelin
