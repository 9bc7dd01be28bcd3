#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "sistema.hpp"
#include "sorteio.hpp"

namespace trovelin {
namespace {

TEST(Sorteio, SempreDentroDe1a100ECobreTodos) {
  Sorteio sorteio = sorteioSemeado(entropiaDoSistema());
  std::array<int, 101> vezes{};
  int fora = 0;
  for (int i = 0; i < 100000; ++i) {
    const int n = sorteio(1, 100);
    if (n < 1 || n > 100) {
      ++fora;
    } else {
      ++vezes[static_cast<std::size_t>(n)];
    }
  }
  EXPECT_EQ(fora, 0);
  // 1000 expected each; a fair draw falls outside 700..1300 about once in 10^20 runs.
  const auto [menos, mais] = std::minmax_element(vezes.begin() + 1, vezes.end());
  EXPECT_GT(*menos, 700);
  EXPECT_LT(*mais, 1300);
}

// The first secrets of a run.
std::vector<int> vinteSegredos(const Sorteio& sorteio) {
  std::vector<int> segredos;
  segredos.reserve(20);
  for (int i = 0; i < 20; ++i) {
    segredos.push_back(sorteio(1, 100));
  }
  return segredos;
}

// Two runs started in the same second must not play the same secrets: each
// has its own words of the system's entropy.
TEST(Sorteio, CadaExecucaoTemSuaSequencia) {
  const std::vector<unsigned> uma = entropiaDoSistema();
  const std::vector<unsigned> outra = entropiaDoSistema();
  EXPECT_EQ(uma.size(), 2U);
  EXPECT_NE(uma, outra);
  EXPECT_NE(vinteSegredos(sorteioSemeado(uma)), vinteSegredos(sorteioSemeado(outra)));
}

// The entropy source can fail (no getrandom in a sandbox): play on, with the
// whole clock, so that runs started within seconds still differ.
TEST(Sorteio, SemFonteDeEntropiaOsSegredosVemDoRelogio) {
  const std::vector<int> a = vinteSegredos(sorteioSemeado({}));
  EXPECT_GE(std::ranges::min(a), 1);
  EXPECT_LE(std::ranges::max(a), 100);
  EXPECT_NE(a, vinteSegredos(sorteioSemeado({})));
}

// The unwinder linked into the program finds its way from a throw to the
// handler: how running out of memory becomes a message, not an abort.
TEST(Sistema, UmaExcecaoChegaAoSeuTratador) {
  std::vector<int> vazio;
  EXPECT_THROW(vazio.at(1) = 0, std::out_of_range);
}

}  // namespace
}  // namespace trovelin
