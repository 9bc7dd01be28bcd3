#pragma once

#include <functional>
#include <string>

namespace trovelin {

// Draws a whole number in [minimo, maximo].
using Sorteio = std::function<int(int minimo, int maximo)>;

// The generator of a run: seeded once, from the clock and the system's entropy
// source (the one `std::random_device` knows by that name). If that source
// fails, the clock alone seeds it.
Sorteio sorteioSemeado(const std::string& fonteDeEntropia = "default");

}  // namespace trovelin
