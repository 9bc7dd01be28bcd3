#include "sorteio.hpp"

#include <chrono>
#include <exception>
#include <random>
#include <vector>

namespace trovelin {
namespace {

// Two words from the entropy source, or none if it cannot be opened or read.
std::vector<unsigned> entropia(const std::string& fonte) {
  try {
    std::random_device dispositivo(fonte);
    return {dispositivo(), dispositivo()};
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

Sorteio sorteioSemeado(const std::string& fonteDeEntropia) {
  std::vector<unsigned> semente = entropia(fonteDeEntropia);
  const auto agora =
      static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
  semente.push_back(static_cast<unsigned>(agora));
  semente.push_back(static_cast<unsigned>(agora >> 32U));
  std::seed_seq sequencia(semente.begin(), semente.end());
  return [gerador = std::mt19937(sequencia)](int minimo, int maximo) mutable {
    return std::uniform_int_distribution<int>(minimo, maximo)(gerador);
  };
}

}  // namespace trovelin
