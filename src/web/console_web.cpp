// The game in a web page: the page's console (pagina.js) supplies the lines
// the player types and shows the text; the pause gives the page back to the
// browser (Asyncify) instead of freezing it.
#include <emscripten.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "sistema.hpp"
#include "terminal.hpp"

// Waits for the player's next line (Enter), then copies what fits of the
// typed bytes, keeping the rest for the next read.
EM_ASYNC_JS(int, lerDaPagina, (char* destino, int capacidade), {
  const bytes = await Module.trovelin.ler(capacidade);
  HEAPU8.set(bytes, destino);
  return bytes.length;
});
EM_JS(void, escreverNaPagina, (const char* texto, int tamanho),
      { Module.trovelin.escrever(UTF8ToString(texto, tamanho)); });
EM_JS(void, pintarPagina, (const char* texto, const char* fundo),
      { Module.trovelin.pintar(UTF8ToString(texto), UTF8ToString(fundo)); });
EM_JS(void, encerrarPagina, (), { Module.trovelin.encerrar(); });

namespace trovelin {
namespace {

ConsoleDeFluxo::Lidos lerEntrada(std::span<char> bytes) {
  const auto capacidade = static_cast<int>(std::min<std::size_t>(bytes.size(), 1U << 20U));
  const int lidos = lerDaPagina(bytes.data(), capacidade);
  return {static_cast<std::size_t>(std::max(lidos, 0)), 0};
}

int gravarSaida(std::string_view bytes) {
  escreverNaPagina(bytes.data(), static_cast<int>(bytes.size()));
  return 0;
}

class ConsoleWeb final : public ConsoleDeFluxo {
 public:
  ConsoleWeb() = default;
  ConsoleWeb(const ConsoleWeb&) = delete;
  ConsoleWeb& operator=(const ConsoleWeb&) = delete;
  // The program is over: the page keeps the last text and offers a new game.
  ~ConsoleWeb() override { encerrarPagina(); }

  // As "color" does on a console: the whole area, text already shown included.
  void mudarCores(AtributoDeCor atributo) override {
    esvaziar();
    pintarPagina(corDaPaleta(atributo & 0x0FU).c_str(),
                 corDaPaleta((atributo >> 4U) & 0x0FU).c_str());
  }

 private:
  Lidos lerBytes(std::span<char> bytes) override { return lerEntrada(bytes); }
  int gravarBytes(std::string_view bytes) override { return gravarSaida(bytes); }
  void dormir(std::chrono::milliseconds duracao) override {
    emscripten_sleep(static_cast<unsigned>(duracao.count()));
  }
};

}  // namespace

// A page has no signals to set.
void prepararProcesso() {}

std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema() { return std::make_unique<ConsoleWeb>(); }

}  // namespace trovelin
