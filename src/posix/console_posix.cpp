// The game on a POSIX terminal (or pipe): read(2) and write(2) on the
// standard descriptors, colours as xterm escape sequences.
#include <poll.h>
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

// Whoever started us may have left a descriptor non-blocking (an event-loop
// parent, a terminal after some other program): wait for it instead of
// taking "not yet" for the end or for an error.
bool ehPreciso(int erro) { return erro == EAGAIN || erro == EWOULDBLOCK; }

void esperar(int descritor, short evento) {
  pollfd alvo{descritor, evento, 0};
  while (::poll(&alvo, 1, -1) < 0 && errno == EINTR) {
  }
}

ConsoleDeFluxo::Lidos lerEntrada(std::span<char> bytes) {
  for (;;) {
    const ssize_t lidos = ::read(STDIN_FILENO, bytes.data(), bytes.size());
    if (lidos >= 0) {
      return {static_cast<std::size_t>(lidos), 0};
    }
    if (ehPreciso(errno)) {
      esperar(STDIN_FILENO, POLLIN);
    } else if (errno != EINTR) {
      return {0, errno};
    }
  }
}

int gravarSaida(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t gravados = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (gravados > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(gravados));
    } else if (gravados == 0) {
      return EIO;  // the descriptor takes nothing: retrying would spin forever
    } else if (ehPreciso(errno)) {
      esperar(STDOUT_FILENO, POLLOUT);
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

class ConsolePosix final : public ConsoleDeFluxo {
 public:
  explicit ConsolePosix(Sorteio sorteio)
      : ConsoleDeFluxo(lerEntrada, gravarSaida, std::move(sorteio)),
        terminal_(::isatty(STDOUT_FILENO) == 1) {}

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

void prepararProcesso() {
  std::signal(SIGPIPE, SIG_IGN);  // a closed pipe: write(2) fails with EPIPE
  std::signal(SIGXFSZ, SIG_IGN);  // past the file-size limit: write(2) fails with EFBIG
}

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema(Sorteio sorteio) {
  return std::make_unique<ConsolePosix>(std::move(sorteio));
}

}  // namespace trovelin
