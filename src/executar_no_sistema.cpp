#include <cstdio>
#include <cstdlib>
#include <exception>

#include "programa.hpp"
#include "sistema.hpp"

namespace trovelin {

int executarNoSistema(const Sorteio& sorteio) {
  try {
    const auto console = abrirConsoleDoSistema();
    return executarPrograma(*console, sorteio);
  } catch (const std::exception& erro) {  // out of memory: nothing else can throw
    std::fprintf(stderr, "trovelin: %s\n", erro.what());
    return EXIT_FAILURE;
  }
}

}  // namespace trovelin
