#pragma once

#include <memory>
#include <vector>

#include "console_de_fluxo.hpp"
#include "sorteio.hpp"

namespace trovelin {

// The process-wide settings the console relies on, for main to make once
// before anything else: on POSIX, a closed pipe or a file-size limit must
// turn a write into an error we report, not kill us without a word.
void prepararProcesso();

// Two words from this platform's entropy source, or none if it fails.
std::vector<unsigned> entropiaDoSistema();

// The console of the machine we run on: standard input and output, the real
// clock, and the terminal's (or Windows console's) colours.
std::unique_ptr<ConsoleDeFluxo> abrirConsoleDoSistema();

// The whole program on this machine's console, with secrets from `sorteio`;
// returns the exit status. What a program's main calls, once the process is
// prepared.
int executarNoSistema(const Sorteio& sorteio);

}  // namespace trovelin
