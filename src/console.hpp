#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace trovelin {

// What one prompt got, like scanf's 1, 0 and EOF.
enum class Leitura : std::uint8_t {
  numero,     // a decimal integer within int range, stored in the destination
  naoNumero,  // a token that is not one; the destination is left alone
  fim,        // input ended (or can no longer be read or answered)
};

// Two hexadecimal digits as the Windows "color" command takes them:
// background in the high nibble, text in the low one.
using AtributoDeCor = std::uint8_t;

// Everything the game needs from the outside world but the draw, which it is
// handed apart (sorteio.hpp). The real consoles live in posix/, windows/ and
// web/, over ConsoleDeFluxo; the unit tests use one in memory
// (tests/console_de_teste.hpp), with recorded colours and pauses.
class Console {
 public:
  Console() = default;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  virtual ~Console() = default;

  // Reads the next whitespace-separated token.
  virtual Leitura lerInteiro(int& destino) = 0;
  virtual void escrever(std::string_view texto) = 0;
  // Waits, with everything written so far visible.
  virtual void pausar(std::chrono::milliseconds duracao) = 0;
  // Recolours the whole window, text already shown included.
  virtual void mudarCores(AtributoDeCor atributo) = 0;
};

}  // namespace trovelin
