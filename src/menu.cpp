#include <string_view>

#include "textos.hpp"
#include "trovelin.hpp"

namespace trovelin {
namespace {

constexpr int kOpcaoJogar = 1;
constexpr int kOpcaoRegras = 2;
constexpr int kOpcaoSair = 3;

void escreverMenu(Console& console) {
  for (const std::string_view linha : textos::kMenu) {
    console.escrever(linha);
  }
}

// The menu loop proper: true once the player leaves, false if input ends first.
bool atenderAteSair(Console& console, const Sorteio& sortear) {
  for (;;) {
    escreverMenu(console);
    int opcao = 0;
    const Leitura lida = console.lerInteiro(opcao);
    if (lida == Leitura::fim) {
      return false;
    }
    if (lida == Leitura::naoNumero) {
      console.escrever(textos::kOpcaoInvalida);
      continue;
    }
    switch (opcao) {
      case kOpcaoJogar:
        console.mudarCores(kCoresNormais);
        if (!Jogar(console, sortear)) {
          return false;
        }
        break;
      case kOpcaoRegras:
        exibirRegras(console);
        break;
      case kOpcaoSair:
        console.escrever(textos::kDespedida);
        return true;
      default:
        console.escrever(textos::kOpcaoInvalida);
    }
  }
}

}  // namespace

void executarMenu(Console& console, const Sorteio& sortear) {
  if (!atenderAteSair(console, sortear)) {
    console.escrever(textos::kQuebraDeLinha);
  }
}

}  // namespace trovelin
