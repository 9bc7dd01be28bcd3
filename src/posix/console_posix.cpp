// The game on a POSIX terminal (or pipe): read(2) and write(2) on the
// standard descriptors, colours as the terminal can show them.
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "sistema.hpp"
#include "terminal.hpp"

namespace trovelin {
namespace {

// Whoever started us may have left a descriptor non-blocking (an event-loop
// parent, a terminal after some other program): wait for it instead of
// taking "not yet" for the end or for an error.
bool ehPreciso(int erro) { return erro == EAGAIN || erro == EWOULDBLOCK; }

// Waits until the descriptor is ready or `prazo` ms have passed (-1: no limit).
void esperar(int descritor, short evento, int prazo = -1) {
  pollfd alvo{descritor, evento, 0};
  while (::poll(&alvo, 1, prazo) < 0 && errno == EINTR) {
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
  struct stat entrada {};
  struct stat saida {};
  return ::isatty(STDIN_FILENO) == 1 && ::fstat(STDIN_FILENO, &entrada) == 0 &&
         ::fstat(STDOUT_FILENO, &saida) == 0 && entrada.st_rdev == saida.st_rdev;
}

// The terminal's input without line editing or echo, for reading its answers,
// while it lasts; Ctrl+C and the like wait until the player's settings are back.
class ModoCru {
 public:
  ModoCru() {
    sigset_t sinais;
    sigemptyset(&sinais);
    for (const int sinal : {SIGINT, SIGQUIT, SIGTSTP, SIGHUP, SIGTERM}) {
      sigaddset(&sinais, sinal);
    }
    ::sigprocmask(SIG_BLOCK, &sinais, &mascara_);
    ativo_ = ::tcgetattr(STDIN_FILENO, &original_) == 0;
    termios cru = original_;
    cru.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    cru.c_cc[VMIN] = 0;
    cru.c_cc[VTIME] = 0;
    ativo_ = ativo_ && ::tcsetattr(STDIN_FILENO, TCSANOW, &cru) == 0;
  }
  ModoCru(const ModoCru&) = delete;
  ModoCru& operator=(const ModoCru&) = delete;
  ~ModoCru() {
    if (ativo_) {
      ::tcsetattr(STDIN_FILENO, TCSANOW, &original_);
    }
    ::sigprocmask(SIG_SETMASK, &mascara_, nullptr);
  }

  bool ativo() const { return ativo_; }

 private:
  termios original_{};
  sigset_t mascara_{};
  bool ativo_ = false;
};

// A terminal that answers nothing at all is given this long.
constexpr std::chrono::milliseconds kPrazoDaResposta{1000};

class ConsolePosix final : public ConsoleDeFluxo {
 public:
  // The base calls `ler` only once a prompt asks for input, after construction.
  explicit ConsolePosix(Sorteio sorteio)
      : ConsoleDeFluxo([this](std::span<char> bytes) { return ler(bytes); }, gravarSaida,
                       std::move(sorteio)) {}

  void mudarCores(AtributoDeCor atributo) override {
    if (!pintura_) {
      pintura_ = descobrirPintura();
    }
    cores_ = sequenciaDeCores(*pintura_, atributo);
    escrever(cores_);
  }

 private:
  void dormir(std::chrono::milliseconds duracao) override { std::this_thread::sleep_for(duracao); }

  bool pintaSoOTexto() const {
    return pintura_ == Pintura::textoRgb || pintura_ == Pintura::texto256;
  }

  Lidos ler(std::span<char> bytes) {
    if (!digitado_.empty()) {
      const std::size_t n = std::min(bytes.size(), digitado_.size());
      std::memcpy(bytes.data(), digitado_.data(), n);
      digitado_.erase(0, n);
      return {n, 0};
    }
    if (!pintaSoOTexto() || cores_.empty()) {
      return lerEntrada(bytes);
    }
    gravarSaida(kCoresDoTerminal);
    const Lidos lidos = lerEntrada(bytes);
    escrever(cores_);
    return lidos;
  }

  Pintura descobrirPintura() {
    if (::isatty(STDOUT_FILENO) != 1) {
      return Pintura::nenhuma;  // piped output gets the plain texts only
    }
    const char* const term = std::getenv("TERM");
    const std::string_view nome = term == nullptr ? "" : term;
    const Pintura peloNome = pinturaPeloNome(nome);
    if (peloNome == Pintura::nenhuma || !mesmoTerminal() || esvaziar() != 0) {
      return peloNome;
    }
    return perguntarAoTerminal(nome).value_or(peloNome);
  }

  std::optional<Pintura> perguntarAoTerminal(std::string_view term) {
    const ModoCru cru;
    if (!cru.ativo() || gravarSaida(kPerguntaAoTerminal) != 0) {
      return std::nullopt;
    }
    const auto limite = std::chrono::steady_clock::now() + kPrazoDaResposta;
    std::string recebido;
    RespostaDoTerminal resposta;
    while (!(resposta = lerResposta(term, recebido)).completa) {
      const auto falta = std::chrono::duration_cast<std::chrono::milliseconds>(
          limite - std::chrono::steady_clock::now());
      if (falta.count() <= 0) {
        break;
      }
      esperar(STDIN_FILENO, POLLIN, static_cast<int>(falta.count()));
      std::array<char, 256> bloco{};
      const ssize_t lidos = ::read(STDIN_FILENO, bloco.data(), bloco.size());
      if (lidos > 0) {
        recebido.append(bloco.data(), static_cast<std::size_t>(lidos));
      } else if (lidos == 0 || !(ehPreciso(errno) || errno == EINTR)) {
        break;
      }
    }
    digitado_ += resposta.digitado;
    return resposta.completa ? std::optional(resposta.pintura) : std::nullopt;
  }

  std::optional<Pintura> pintura_;  // decided at the first change of colours
  std::string cores_;               // the scheme now in force
  std::string digitado_;            // typed ahead while the terminal was asked
};

}  // namespace

void prepararProcesso() {
  std::signal(SIGPIPE, SIG_IGN);  // a closed pipe: write(2) fails with EPIPE
  std::signal(SIGXFSZ, SIG_IGN);  // past the file-size limit: write(2) fails with EFBIG
}

std::string fonteDeEntropia() { return "default"; }

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema(Sorteio sorteio) {
  return std::make_unique<ConsolePosix>(std::move(sorteio));
}

}  // namespace trovelin
