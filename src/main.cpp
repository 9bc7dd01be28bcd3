#include <cstdio>
#include <cstdlib>
#include <exception>

#include "sistema.hpp"

int main() {
  trovelin::prepararProcesso();
  try {
    const auto console = trovelin::abrirConsoleDoSistema();
    return trovelin::executarPrograma(*console);
  } catch (const std::exception& erro) {  // out of memory: nothing else can throw
    std::fprintf(stderr, "trovelin: %s\n", erro.what());
    return EXIT_FAILURE;
  }
}
