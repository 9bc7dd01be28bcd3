#include "xterm.hpp"

#include <array>
#include <string_view>

namespace trovelin {
namespace {

// The Windows console's default palette, as "rgb:RR/GG/BB".
constexpr std::array<std::string_view, 16> kPaleta = {
    "rgb:0c/0c/0c", "rgb:00/37/da", "rgb:13/a1/0e", "rgb:3a/96/dd", "rgb:c5/0f/1f", "rgb:88/17/98",
    "rgb:c1/9c/00", "rgb:cc/cc/cc", "rgb:76/76/76", "rgb:3b/78/ff", "rgb:16/c6/0c", "rgb:61/d6/d6",
    "rgb:e7/48/56", "rgb:b4/00/9e", "rgb:f9/f1/a5", "rgb:f2/f2/f2",
};

}  // namespace

std::string sequenciaDeCoresXterm(AtributoDeCor atributo) {
  const std::string_view texto = kPaleta[atributo & 0x0FU];
  const std::string_view fundo = kPaleta[(atributo >> 4U) & 0x0FU];
  std::string sequencia = "\x1b]10;";
  sequencia.append(texto).append("\x07\x1b]11;").append(fundo).append("\x07\x1b[39;49m");
  return sequencia;
}

}  // namespace trovelin
