// trovelin with a known secret, for tests that need to win a game on a real terminal.
#include "sistema.hpp"

int main() {
  trovelin::prepararProcesso();
  const auto console = trovelin::abrirConsoleDoSistema([](int, int) { return 42; });
  return trovelin::executarPrograma(*console);
}
