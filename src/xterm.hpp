#pragma once

#include <string>

#include "console.hpp"

namespace trovelin {

// What "color XY" does, for an xterm-compatible terminal: sets the window's
// default text (OSC 10) and background (OSC 11) colours, which repaints text
// already shown, then sends later text back to those defaults (SGR 39;49).
// The digits are Windows console palette indices, shown in its colours.
std::string sequenciaDeCoresXterm(AtributoDeCor atributo);

}  // namespace trovelin
