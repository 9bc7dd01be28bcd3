#pragma once

#include "console_de_fluxo.hpp"
#include "sorteio.hpp"

namespace trovelin {

// Plays the whole program on `console`, with secrets from `sortear`: the menu until the player
// leaves or input ends, then the last of the output. Returns the exit status, having told standard
// error about a write or read that failed.
int executarPrograma(ConsoleDeFluxo& console, const Sorteio& sortear);

}  // namespace trovelin
