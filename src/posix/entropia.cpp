// The secret's seed from the kernel's entropy (getrandom(2), by way of
// getentropy), or from the browser's crypto.getRandomValues in a page.
// std::random_device would do it too, but the libstdc++ linked into the
// program reaches it through glibc 2.36's arc4random.
#include <unistd.h>

#include <array>
#include <vector>

#include "sistema.hpp"

namespace trovelin {

std::vector<unsigned> entropiaDoSistema() {
  std::array<unsigned, 2> palavras{};
  if (::getentropy(palavras.data(), sizeof palavras) != 0) {
    return {};
  }
  return {palavras.begin(), palavras.end()};
}

}  // namespace trovelin
