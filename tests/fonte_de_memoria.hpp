#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <utility>

#include "leitor.hpp"

namespace trovelin {

// Input made of a string, handed out at most `pedaco` bytes per read so that
// tokens fall across reads.
inline LeitorDeInteiros::Fonte fonteDeMemoria(std::string texto, std::size_t pedaco = 4096) {
  return [texto = std::move(texto), pedaco, lido = std::size_t{0}](std::span<char> bytes) mutable {
    const std::size_t n = std::min({bytes.size(), pedaco, texto.size() - lido});
    std::memcpy(bytes.data(), texto.data() + lido, n);
    lido += n;
    return n;
  };
}

}  // namespace trovelin
