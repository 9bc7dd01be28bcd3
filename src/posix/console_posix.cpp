// The game on a POSIX terminal (or pipe): read(2) and write(2) on the
// standard descriptors, colours as the terminal can show them.
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "pergunta_ao_terminal.hpp"
#include "sistema.hpp"
#include "terminal.hpp"

namespace trovelin {
namespace {

// Whoever started us may have left a descriptor non-blocking (an event-loop
// parent, a terminal after some other program): wait for it instead of
// taking "not yet" for the end or for an error.
bool ehPreciso(int erro) { return erro == EAGAIN || erro == EWOULDBLOCK; }

// Waits until the descriptor is ready.
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

// Standard input and output are the same terminal, so that it can be asked.
bool mesmoTerminal() {
  struct stat entrada = {};
  struct stat saida = {};
  return ::isatty(STDIN_FILENO) == 1 && ::fstat(STDIN_FILENO, &entrada) == 0 &&
         ::fstat(STDOUT_FILENO, &saida) == 0 && entrada.st_rdev == saida.st_rdev;
}

// How long the game waits for the terminal's answers before it goes on
// writing: a local terminal answers within milliseconds. Answers that come
// later, over a slow link, are awaited during the pause after the draw.
constexpr std::chrono::milliseconds kEsperaCurta{150};

class ConsolePosix final : public ConsoleDeFluxo {
 public:
  void mudarCores(AtributoDeCor atributo) override {
    atributo_ = atributo;
    if (!pintura_ && !pergunta_) {
      pintura_ = descobrirPintura();
    }
    if (pintura_) {
      cores_ = sequenciaDeCores(*pintura_, atributo_);
      escrever(cores_);
    }
  }

 private:
  void dormir(std::chrono::milliseconds duracao) override {
    const auto fim = std::chrono::steady_clock::now() + duracao;
    ouvirOTerminal();
    std::this_thread::sleep_until(fim);
  }

  // The terminal's answers, if still awaited, decide the colours now.
  void ouvirOTerminal() {
    if (!pergunta_ || !pergunta_->esperando()) {
      return;
    }
    pergunta_->aguardar();
    pintura_ = pergunta_->pintura().value_or(pinturaPeloNome(term_));
    mudarCores(atributo_);
    esvaziar();
  }

  bool pintaSoOTexto() const {
    return pintura_ == Pintura::textoRgb || pintura_ == Pintura::texto256;
  }

  int gravarBytes(std::string_view bytes) override { return gravarSaida(bytes); }

  Lidos lerBytes(std::span<char> bytes) override {
    ouvirOTerminal();
    if (pergunta_) {
      if (const std::size_t n = pergunta_->entregarDigitado(bytes); n > 0) {
        return {n, 0};
      }
    }
    if (!pintaSoOTexto() || cores_.empty()) {
      return lerDoJogador(bytes);
    }
    gravarSaida(kCoresDoTerminal);
    const Lidos lidos = lerDoJogador(bytes);
    escrever(cores_);
    return lidos;
  }

  // Standard input, less any answer of the terminal's that came too late.
  Lidos lerDoJogador(std::span<char> bytes) {
    for (;;) {
      Lidos lidos = lerEntrada(bytes);
      if (!pergunta_ || lidos.bytes == 0) {
        return lidos;
      }
      lidos.bytes = pergunta_->tirarRespostas(bytes, lidos.bytes);
      if (lidos.bytes > 0) {
        return lidos;
      }
    }
  }

  // Decided at the first change of colours; none while the terminal is asked.
  std::optional<Pintura> descobrirPintura() {
    if (::isatty(STDOUT_FILENO) != 1) {
      return Pintura::nenhuma;  // piped output gets the plain texts only
    }
    const char* const term = std::getenv("TERM");
    term_ = term == nullptr ? "" : term;
    const Pintura peloNome = pinturaPeloNome(term_);
    if (peloNome == Pintura::nenhuma || peloNome == Pintura::paleta || !mesmoTerminal() ||
        esvaziar() != 0) {
      return peloNome;
    }
    pergunta_.emplace(term_);
    if (!pergunta_->perguntar(kEsperaCurta, gravarSaida)) {
      pergunta_.reset();
      return peloNome;
    }
    if (pergunta_->esperando()) {
      return std::nullopt;
    }
    return pergunta_->pintura().value_or(peloNome);
  }

  std::string term_;
  std::optional<PerguntaAoTerminal> pergunta_;
  std::optional<Pintura> pintura_;
  AtributoDeCor atributo_ = 0x07;  // the scheme asked for
  std::string cores_;              // its sequence, now in force
};

}  // namespace

void prepararProcesso() {
  std::signal(SIGPIPE, SIG_IGN);  // a closed pipe: write(2) fails with EPIPE
  std::signal(SIGXFSZ, SIG_IGN);  // past the file-size limit: write(2) fails with EFBIG
}

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema() { return std::make_unique<ConsolePosix>(); }

}  // namespace trovelin
