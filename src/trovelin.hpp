#pragma once

#include "console.hpp"
#include "sorteio.hpp"

namespace trovelin {

inline constexpr AtributoDeCor kCoresNormais = 0x07;   // white on black
inline constexpr AtributoDeCor kCoresDoAcerto = 0x64;  // red on yellow

// The main menu loop: returns once the player leaves or input ends. Each
// game's secret comes from `sortear`.
void executarMenu(Console& console, const Sorteio& sortear);

// Plays one game. Returns false if input ended before the game did.
bool Jogar(Console& console, const Sorteio& sortear);

void exibirRegras(Console& console);

}  // namespace trovelin
