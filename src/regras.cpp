#include <string_view>

#include "textos.hpp"
#include "trovelin.hpp"

namespace trovelin {

void exibirRegras(Console& console) {
  for (const std::string_view linha : textos::kRegras) {
    console.escrever(linha);
  }
}

}  // namespace trovelin
