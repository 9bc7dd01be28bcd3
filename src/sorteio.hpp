#pragma once

#include <functional>
#include <vector>

namespace trovelin {

// Draws a whole number in [minimo, maximo].
using Sorteio = std::function<int(int minimo, int maximo)>;

// The generator of a run: seeded once, from the clock and the words the
// system's entropy source gave (none if it failed: the clock alone then).
Sorteio sorteioSemeado(std::vector<unsigned> entropia);

}  // namespace trovelin
