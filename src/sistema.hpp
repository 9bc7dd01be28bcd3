#pragma once

#include <memory>

#include "console_de_fluxo.hpp"

namespace trovelin {

// The console of the machine we run on: standard input and output, the real
// clock, and the terminal's (or Windows console's) colours.
std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema(Sorteio sorteio = sorteioSemeado());

}  // namespace trovelin
