#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "console_de_fluxo.hpp"
#include "trovelin.hpp"
#include "xterm.hpp"

namespace trovelin {
namespace {

TEST(Sorteio, SempreDentroDe1a100ECobreTodos) {
  Sorteio sorteio = sorteioSemeado();
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

// Two runs started in the same second must not play the same secrets.
TEST(Sorteio, CadaExecucaoTemSuaSequencia) {
  Sorteio primeira = sorteioSemeado();
  Sorteio segunda = sorteioSemeado();
  std::vector<int> a;
  std::vector<int> b;
  for (int i = 0; i < 20; ++i) {
    a.push_back(primeira(1, 100));
    b.push_back(segunda(1, 100));
  }
  EXPECT_NE(a, b);
}

TEST(CoresXterm, ComoOComandoColorDoWindows) {
  EXPECT_EQ(sequenciaDeCoresXterm(kCoresNormais),
            "\x1b]10;rgb:cc/cc/cc\x07\x1b]11;rgb:0c/0c/0c\x07\x1b[39;49m");
  EXPECT_EQ(sequenciaDeCoresXterm(kCoresDoAcerto),
            "\x1b]10;rgb:c5/0f/1f\x07\x1b]11;rgb:c1/9c/00\x07\x1b[39;49m");
}

}  // namespace
}  // namespace trovelin
