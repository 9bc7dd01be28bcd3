// The game on a Windows console (or pipe): the C runtime's _read and _write
// on the standard descriptors, whose text mode gives the console's own line
// ends and Ctrl+Z as end of input; colours through the console API.
#define NOMINMAX  // keep <windows.h> from defining min and max as macros
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <exception>
#include <memory>
#include <random>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "sistema.hpp"

namespace trovelin {
namespace {

constexpr int kEntrada = 0;
constexpr int kSaida = 1;
constexpr std::size_t kMaximoPorChamada = INT_MAX;  // _read and _write count in unsigned ints
constexpr DWORD kMilissegundosParaLerOFim = 2000;

ConsoleDeFluxo::Lidos lerEntrada(std::span<char> bytes) {
  const auto pedidos = static_cast<unsigned>(std::min(bytes.size(), kMaximoPorChamada));
  const int lidos = ::_read(kEntrada, bytes.data(), pedidos);
  if (lidos < 0) {
    return {0, errno};
  }
  return {static_cast<std::size_t>(lidos), 0};
}

// The C runtime reports a write to a pipe whose reader has gone as EINVAL;
// say what it is. Windows says ERROR_NO_DATA, Wine ERROR_PIPE_NOT_CONNECTED.
int erroDeGravacao() {
  switch (::GetLastError()) {
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    default:
      return errno;
  }
}

int gravarSaida(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto pedidos = static_cast<unsigned>(std::min(bytes.size(), kMaximoPorChamada));
    const int gravados = ::_write(kSaida, bytes.data(), pedidos);
    if (gravados < 0) {
      return erroDeGravacao();
    }
    if (gravados == 0) {
      return EIO;  // the descriptor takes nothing: retrying would spin forever
    }
    bytes.remove_prefix(static_cast<std::size_t>(gravados));
  }
  return 0;
}

// The console's screen buffer, or nullptr when standard output is not a console.
HANDLE telaDoConsole() {
  HANDLE saida = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD modo = 0;
  return saida != INVALID_HANDLE_VALUE && ::GetConsoleMode(saida, &modo) != 0 ? saida : nullptr;
}

// True when no other program shares our console: it was opened for us (from
// a shortcut or Explorer) and closes the moment we end.
bool consoleSoDoJogo() {
  std::array<DWORD, 2> processos{};
  return ::GetConsoleProcessList(processos.data(), static_cast<DWORD>(processos.size())) == 1;
}

class ConsoleWindows final : public ConsoleDeFluxo {
 public:
  ConsoleWindows() : tela_(telaDoConsole()) { ::SetConsoleTitleW(L"Trovelin"); }
  ConsoleWindows(const ConsoleWindows&) = delete;
  ConsoleWindows& operator=(const ConsoleWindows&) = delete;
  // In a window of its own the last text would flash away: leave it up a while.
  ~ConsoleWindows() override {
    if (tela_ != nullptr && consoleSoDoJogo()) {
      ::Sleep(kMilissegundosParaLerOFim);
    }
  }

  // What "color XY" does: every cell of the buffer, then the text still to come.
  void mudarCores(AtributoDeCor atributo) override {
    CONSOLE_SCREEN_BUFFER_INFO tela{};
    if (tela_ == nullptr || esvaziar() != 0 || ::GetConsoleScreenBufferInfo(tela_, &tela) == 0) {
      return;
    }
    const auto celulas = static_cast<DWORD>(tela.dwSize.X) * static_cast<DWORD>(tela.dwSize.Y);
    DWORD pintadas = 0;
    ::FillConsoleOutputAttribute(tela_, atributo, celulas, COORD{0, 0}, &pintadas);
    ::SetConsoleTextAttribute(tela_, atributo);
  }

 private:
  Lidos lerBytes(std::span<char> bytes) override { return lerEntrada(bytes); }
  int gravarBytes(std::string_view bytes) override { return gravarSaida(bytes); }
  void dormir(std::chrono::milliseconds duracao) override {
    ::Sleep(static_cast<DWORD>(duracao.count()));
  }

  HANDLE tela_;
};

}  // namespace

// Windows has neither SIGPIPE nor SIGXFSZ: failed writes already come back as errors.
void prepararProcesso() {}

std::vector<unsigned> entropiaDoSistema() {
  try {
    std::random_device dispositivo;  // the C runtime's rand_s
    return {dispositivo(), dispositivo()};
  } catch (const std::exception&) {
    return {};
  }
}

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema() {
  return std::make_unique<ConsoleWindows>();
}

}  // namespace trovelin
