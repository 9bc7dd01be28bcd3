#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sistema.hpp"
#include "trovelin.hpp"

int main() {
  const auto console = trovelin::abrirConsoleDoSistema();
  trovelin::executarMenu(*console);
  if (const int erro = console->esvaziar(); erro != 0) {
    std::fprintf(stderr, "trovelin: erro de escrita: %s\n", std::strerror(erro));
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
