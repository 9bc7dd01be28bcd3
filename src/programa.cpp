#include "programa.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "textos.hpp"
#include "trovelin.hpp"

namespace trovelin {
namespace {

int relatar(std::string_view prefixo, int erro) {
  std::fprintf(stderr, "%.*s%s\n", static_cast<int>(prefixo.size()), prefixo.data(),
               std::strerror(erro));
  return EXIT_FAILURE;
}

}  // namespace

int executarPrograma(ConsoleDeFluxo& console, const Sorteio& sortear) {
  executarMenu(console, sortear);
  if (const int erro = console.esvaziar(); erro != 0) {
    return relatar(textos::kErroDeEscrita, erro);
  }
  if (const int erro = console.erroDeLeitura(); erro != 0) {
    return relatar(textos::kErroDeLeitura, erro);
  }
  return EXIT_SUCCESS;
}

}  // namespace trovelin
