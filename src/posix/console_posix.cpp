// The game on a POSIX terminal (or pipe): read(2) and write(2) on the
// standard descriptors, colours as xterm escape sequences.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <span>
#include <string_view>
#include <thread>
#include <utility>

#include "sistema.hpp"
#include "xterm.hpp"

namespace trovelin {
namespace {

std::size_t lerEntrada(std::span<char> bytes) {
  for (;;) {
    const ssize_t lidos = ::read(STDIN_FILENO, bytes.data(), bytes.size());
    if (lidos >= 0) {
      return static_cast<std::size_t>(lidos);
    }
    if (errno != EINTR) {
      return 0;  // a read error ends input like end of file does
    }
  }
}

int gravarSaida(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t gravados = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (gravados < 0 && errno != EINTR) {
      return errno;
    }
    if (gravados == 0) {
      return EIO;  // the descriptor takes nothing: retrying would spin forever
    }
    bytes.remove_prefix(gravados < 0 ? 0 : static_cast<std::size_t>(gravados));
  }
  return 0;
}

class ConsolePosix final : public ConsoleDeFluxo {
 public:
  explicit ConsolePosix(Sorteio sorteio)
      : ConsoleDeFluxo(lerEntrada, gravarSaida, std::move(sorteio)),
        terminal_(::isatty(STDOUT_FILENO) == 1) {
    // A closed pipe must show up as a failed write, not kill us silently.
    std::signal(SIGPIPE, SIG_IGN);
  }

  // Piped output gets the plain texts only.
  void mudarCores(AtributoDeCor atributo) override {
    if (terminal_) {
      escrever(sequenciaDeCoresXterm(atributo));
    }
  }

 private:
  void dormir(std::chrono::milliseconds duracao) override { std::this_thread::sleep_for(duracao); }

  bool terminal_;
};

}  // namespace

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema(Sorteio sorteio) {
  return std::make_unique<ConsolePosix>(std::move(sorteio));
}

}  // namespace trovelin
