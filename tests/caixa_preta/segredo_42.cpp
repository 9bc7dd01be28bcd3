// trovelin with a known secret, for tests that need to win a game on a real terminal.
#include "sistema.hpp"
#include "trovelin.hpp"

int main() {
  const auto console = trovelin::abrirConsoleDoSistema([](int, int) { return 42; });
  trovelin::executarMenu(*console);
  return console->esvaziar() == 0 ? 0 : 1;
}
