#pragma once

#include <fstream>
#include <initializer_list>
#include <map>
#include <string>

namespace trovelin::teste {

// The expected texts, from the file that the black-box scripts read too.
inline const std::map<std::string, std::string>& textosEsperados() {
  static const std::map<std::string, std::string> textos = [] {
    std::map<std::string, std::string> lidos;
    std::ifstream arquivo(TROVELIN_TEXTOS_ESPERADOS);
    std::string linha;
    while (std::getline(arquivo, linha)) {
      const std::size_t tab = linha.find('\t');
      if (linha.starts_with('#') || tab == std::string::npos) {
        continue;
      }
      std::string texto;
      for (std::size_t i = tab + 1; i < linha.size(); ++i) {
        const bool quebra = linha.compare(i, 2, "\\n") == 0;
        texto += quebra ? '\n' : linha[i];
        i += quebra ? 1 : 0;
      }
      lidos.emplace(linha.substr(0, tab), texto);
    }
    return lidos;
  }();
  return textos;
}

// The text called `nome`, with each %d replaced by the next of `numeros`.
inline std::string esperado(const std::string& nome, std::initializer_list<int> numeros = {}) {
  std::string texto = textosEsperados().at(nome);
  for (const int numero : numeros) {
    texto.replace(texto.find("%d"), 2, std::to_string(numero));
  }
  return texto;
}

}  // namespace trovelin::teste
