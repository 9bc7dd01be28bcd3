#pragma once

#include <termios.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "terminal.hpp"

namespace trovelin {

// The terminal's input without line editing or echo, for reading its answers,
// while it lasts; Ctrl+C and the like wait until the player's settings are
// back, and take nothing typed with them.
class ModoCru {
 public:
  ModoCru();
  ModoCru(const ModoCru&) = delete;
  ModoCru& operator=(const ModoCru&) = delete;
  ~ModoCru();

  bool ativo() const { return ativo_; }

 private:
  termios original_{};
  sigset_t mascara_{};
  bool ativo_ = false;
};

// Asks the terminal on standard input and output which colours it can show
// (kPerguntaAoTerminal), without holding up the game: over a slow link the
// answers may come seconds later. Until they come, or the limit passes, its
// input stays raw, so that no answer is echoed or mixed into a line; what the
// player types meanwhile is kept for the game, and answers that come after
// the limit are taken out of the player's input.
class PerguntaAoTerminal {
 public:
  using Relogio = std::chrono::steady_clock;

  explicit PerguntaAoTerminal(std::string term) : term_(std::move(term)) {}

  // Writes all of the bytes to the terminal; returns 0, or the errno value.
  using Gravar = std::function<int(std::string_view)>;

  // Sends the query through `gravar` and waits `espera` for the answers; false
  // if the terminal could not be asked.
  bool perguntar(std::chrono::milliseconds espera, const Gravar& gravar);
  // Waits for the answers until they are complete or the limit has passed.
  void aguardar();
  // Answers are awaited: the input is raw.
  bool esperando() const { return cru_.has_value(); }
  // How the terminal shows colours, once it has answered.
  std::optional<Pintura> pintura() const { return pintura_; }

  // Moves into `bytes` what the player typed while the terminal was asked.
  std::size_t entregarDigitado(std::span<char> bytes);
  // Takes out of the `lidos` bytes just read whatever answer came too late.
  std::size_t tirarRespostas(std::span<char> bytes, std::size_t lidos);

 private:
  bool lerAte(Relogio::time_point ate);
  void encerrar();

  std::string term_;
  std::optional<ModoCru> cru_;
  Relogio::time_point limite_;
  std::string recebido_;  // the answers so far, and any typing among them
  std::string digitado_;
  std::optional<Pintura> pintura_;
  bool atrasada_ = false;  // asked, never answered in time: answers may still come
};

}  // namespace trovelin
