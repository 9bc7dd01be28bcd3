#include "leitor.hpp"

#include <cstdint>
#include <limits>
#include <utility>

namespace trovelin {
namespace {

bool ehEspaco(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool ehDigito(char c) { return c >= '0' && c <= '9'; }

// A token's value as its bytes arrive: what it takes to decide, at the end,
// whether it was a number and which.
class Numero {
 public:
  void acrescentar(char c) {
    if (!vazio_ || (c != '+' && c != '-')) {
      aceitarDigito(c);
    } else {
      negativo_ = c == '-';
    }
    vazio_ = false;
  }

  bool valido() const { return digitos_ && !invalido_ && magnitude_ <= limite(); }

  int valor() const {
    const auto com_sinal =
        negativo_ ? -static_cast<std::int64_t>(magnitude_) : static_cast<std::int64_t>(magnitude_);
    return static_cast<int>(com_sinal);
  }

 private:
  void aceitarDigito(char c) {
    if (!ehDigito(c)) {
      invalido_ = true;
      return;
    }
    digitos_ = true;
    // Past the limit the value is out of range anyway; stop growing so it cannot wrap.
    if (magnitude_ <= limite()) {
      magnitude_ = magnitude_ * 10 + static_cast<std::uint64_t>(c - '0');
    }
  }

  std::uint64_t limite() const {
    constexpr auto maximo = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    return negativo_ ? maximo + 1 : maximo;
  }

  std::uint64_t magnitude_ = 0;
  bool vazio_ = true;
  bool negativo_ = false;
  bool digitos_ = false;
  bool invalido_ = false;
};

}  // namespace

LeitorDeInteiros::LeitorDeInteiros(Fonte fonte) : fonte_(std::move(fonte)) {}

bool LeitorDeInteiros::haMaisBytes() {
  if (posicao_ < tamanho_) {
    return true;
  }
  if (!acabou_) {
    posicao_ = 0;
    tamanho_ = fonte_(buffer_);
    acabou_ = tamanho_ == 0;
  }
  return !acabou_;
}

bool LeitorDeInteiros::pularEspacos() {
  while (haMaisBytes()) {
    if (!ehEspaco(buffer_[posicao_])) {
      return true;
    }
    ++posicao_;
  }
  return false;
}

Leitura LeitorDeInteiros::ler(int& destino) {
  if (!pularEspacos()) {
    return Leitura::fim;
  }
  Numero numero;
  while (haMaisBytes() && !ehEspaco(buffer_[posicao_])) {
    numero.acrescentar(buffer_[posicao_]);
    ++posicao_;
  }
  if (!numero.valido()) {
    return Leitura::naoNumero;
  }
  destino = numero.valor();
  return Leitura::numero;
}

}  // namespace trovelin
