#include "sistema.hpp"

int main() {
  trovelin::prepararProcesso();
  return trovelin::executarNoSistema(trovelin::sorteioSemeado(trovelin::entropiaDoSistema()));
}
