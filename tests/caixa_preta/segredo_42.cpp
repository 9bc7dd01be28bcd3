// trovelin with a known secret, for tests that need to win a game on a real terminal.
#include "sistema.hpp"

int main() {
  trovelin::prepararProcesso();
  return trovelin::executarNoSistema([](int, int) { return 42; });
}
