#include "pergunta_ao_terminal.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace trovelin {
namespace {

// Every terminal answers the device attributes; one that has not within this
// long after the question (a link that lost them) is given up on, and the
// game's first prompt comes no more than a moment later.
constexpr std::chrono::milliseconds kLimiteDaResposta{3300};

}  // namespace

ModoCru::ModoCru() {
  sigset_t sinais;
  sigemptyset(&sinais);
  for (const int sinal : {SIGINT, SIGQUIT, SIGTSTP, SIGHUP, SIGTERM}) {
    sigaddset(&sinais, sinal);
  }
  ::sigprocmask(SIG_BLOCK, &sinais, &mascara_);
  ativo_ = ::tcgetattr(STDIN_FILENO, &original_) == 0;
  termios cru = original_;
  cru.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  cru.c_lflag |= NOFLSH;  // Ctrl+C, Ctrl+Z, Ctrl+\ keep what was typed ahead
  cru.c_cc[VMIN] = 0;
  cru.c_cc[VTIME] = 0;
  ativo_ = ativo_ && ::tcsetattr(STDIN_FILENO, TCSANOW, &cru) == 0;
}

ModoCru::~ModoCru() {
  if (ativo_) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &original_);
  }
  ::sigprocmask(SIG_SETMASK, &mascara_, nullptr);
}

bool PerguntaAoTerminal::perguntar(std::chrono::milliseconds espera, const Gravar& gravar) {
  cru_.emplace();
  if (!cru_->ativo() || gravar(kPerguntaAoTerminal) != 0) {
    cru_.reset();
    return false;
  }
  const auto agora = Relogio::now();
  limite_ = agora + kLimiteDaResposta;
  if (lerAte(agora + espera)) {
    encerrar();
  }
  return true;
}

void PerguntaAoTerminal::aguardar() {
  if (esperando()) {
    lerAte(limite_);
    encerrar();
  }
}

// Reads answers until they are complete (true) or `ate` has passed.
bool PerguntaAoTerminal::lerAte(Relogio::time_point ate) {
  for (;;) {
    if (lerResposta(term_, recebido_).completa) {
      return true;
    }
    const auto falta = std::chrono::ceil<std::chrono::milliseconds>(ate - Relogio::now());
    if (falta.count() <= 0) {
      return false;
    }
    pollfd entrada{STDIN_FILENO, POLLIN, 0};
    ::poll(&entrada, 1, static_cast<int>(falta.count()));
    std::array<char, 256> bloco{};
    const ssize_t lidos = ::read(STDIN_FILENO, bloco.data(), bloco.size());
    if (lidos > 0) {
      recebido_.append(bloco.data(), static_cast<std::size_t>(lidos));
    } else if (lidos == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      return false;  // the terminal is gone: its end is for the game to read
    }
  }
}

void PerguntaAoTerminal::encerrar() {
  const RespostaDoTerminal resposta = lerResposta(term_, recebido_);
  digitado_ += resposta.digitado;
  if (resposta.completa) {
    pintura_ = resposta.pintura;
  }
  atrasada_ = !resposta.completa;
  recebido_.clear();
  cru_.reset();
}

std::size_t PerguntaAoTerminal::entregarDigitado(std::span<char> bytes) {
  const std::size_t n = std::min(bytes.size(), digitado_.size());
  std::memcpy(bytes.data(), digitado_.data(), n);
  digitado_.erase(0, n);
  return n;
}

std::size_t PerguntaAoTerminal::tirarRespostas(std::span<char> bytes, std::size_t lidos) {
  if (!atrasada_) {
    return lidos;
  }
  const RespostaDoTerminal resposta = lerResposta(term_, std::string_view(bytes.data(), lidos));
  atrasada_ = !resposta.completa;
  std::memcpy(bytes.data(), resposta.digitado.data(), resposta.digitado.size());
  return resposta.digitado.size();
}

}  // namespace trovelin
