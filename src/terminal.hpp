#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console.hpp"

namespace trovelin {

// How a text terminal can be made to show what "color XY" does.
enum class Pintura : std::uint8_t {
  nenhuma,   // not a terminal, or one that takes no escape sequences
  janela,    // the window's own colours (OSC 10/11): text already shown changes too
  textoRgb,  // 24-bit colours (SGR) for the text still to come
  texto256,  // 256-colour SGR, for multiplexers that drop 24-bit colours (GNU screen)
  paleta,    // the Linux console's palette (OSC P): text already shown changes too
};

// Colour `indice` (0 to 15) as #RRGGBB, where the exact shade is ours to
// choose: the Windows console's palette, but for a red and a yellow that read
// on each other.
std::string corDaPaleta(unsigned indice);

// What TERM alone says, for when the terminal cannot be asked. The Linux
// console is known by name only: its answers are those of other VT102s.
Pintura pinturaPeloNome(std::string_view term);

// Asks whether the terminal answers a query of its text colour (OSC 10),
// and what it is (DA2); the DA1 query last, since every terminal answers
// it, marks the end of the answers.
inline constexpr std::string_view kPerguntaAoTerminal = "\x1b]10;?\x07\x1b[>c\x1b[c";

struct RespostaDoTerminal {
  bool completa = false;  // the DA1 answer has come
  Pintura pintura = Pintura::nenhuma;
  std::string digitado;  // the player's typing ahead, with the answers taken out
};

// Reads what came back after kPerguntaAoTerminal. A terminal that answers
// OSC 10, or tmux or urxvt (which apply OSC 10/11 without answering it),
// gets the window's colours; any other gets SGR colours.
RespostaDoTerminal lerResposta(std::string_view term, std::string_view recebido);

// The escape sequence for `atributo`, digits as the Windows console's
// palette indices, shown in its colours.
std::string sequenciaDeCores(Pintura pintura, AtributoDeCor atributo);

// Back to the terminal's own colours for text, before the player types in
// SGR modes: what the terminal echoes must not paint whole lines.
inline constexpr std::string_view kCoresDoTerminal = "\x1b[39;49m";

}  // namespace trovelin
