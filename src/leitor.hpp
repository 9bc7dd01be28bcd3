#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>

#include "console.hpp"

namespace trovelin {

// Splits a byte stream into tokens separated by space, tab, CR, LF, VT or FF
// and reads each as a decimal int: an optional sign and digits, within int
// range. Anything else is read whole as Leitura::naoNumero. Memory stays fixed
// however long a token is.
class LeitorDeInteiros {
 public:
  // Fills the span with the next bytes and returns how many; 0 once input has ended.
  using Fonte = std::function<std::size_t(std::span<char>)>;

  explicit LeitorDeInteiros(Fonte fonte);
  Leitura ler(int& destino);

 private:
  bool haMaisBytes();  // refills the buffer when it has been used up
  bool pularEspacos();

  Fonte fonte_;
  std::array<char, std::size_t{64} * 1024> buffer_;  // not cleared: only bytes read are used
  std::size_t posicao_ = 0;
  std::size_t tamanho_ = 0;
  bool acabou_ = false;
};

}  // namespace trovelin
