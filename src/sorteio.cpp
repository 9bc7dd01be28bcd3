#include "sorteio.hpp"

#include <chrono>
#include <random>
#include <utility>

namespace trovelin {

Sorteio sorteioSemeado(std::vector<unsigned> entropia) {
  const auto agora =
      static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
  entropia.push_back(static_cast<unsigned>(agora));
  entropia.push_back(static_cast<unsigned>(agora >> 32U));
  std::seed_seq sequencia(entropia.begin(), entropia.end());
  return [gerador = std::mt19937(sequencia)](int minimo, int maximo) mutable {
    return std::uniform_int_distribution<int>(minimo, maximo)(gerador);
  };
}

}  // namespace trovelin
