#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "console_de_fluxo.hpp"
#include "terminal.hpp"
#include "trovelin.hpp"

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

// The entropy source can fail (no /dev/urandom, no getrandom): play on, with
// the whole clock, so that runs started within seconds still differ.
TEST(Sorteio, SemFonteDeEntropiaOsSegredosVemDoRelogio) {
  Sorteio primeira = sorteioSemeado("fonte-que-nao-existe");
  Sorteio segunda = sorteioSemeado("fonte-que-nao-existe");
  std::vector<int> a;
  std::vector<int> b;
  for (int i = 0; i < 20; ++i) {
    a.push_back(primeira(1, 100));
    b.push_back(segunda(1, 100));
  }
  EXPECT_GE(*std::min_element(a.begin(), a.end()), 1);
  EXPECT_LE(*std::max_element(a.begin(), a.end()), 100);
  EXPECT_NE(a, b);
}

struct Cores {
  Pintura pintura;
  AtributoDeCor atributo;
  const char* esperado;
};

TEST(Cores, CadaPinturaEscreveOEsquemaDoComandoColor) {
  const std::vector<Cores> casos = {
      {Pintura::janela, kCoresNormais, "\x1b]10;#CCCCCC\x07\x1b]11;#0C0C0C\x07\x1b[39;49m"},
      {Pintura::janela, kCoresDoAcerto, "\x1b]10;#C50F1F\x07\x1b]11;#C19C00\x07\x1b[39;49m"},
      {Pintura::textoRgb, kCoresNormais, "\x1b[38;2;204;204;204;48;2;12;12;12m"},
      {Pintura::textoRgb, kCoresDoAcerto, "\x1b[38;2;197;15;31;48;2;193;156;0m"},
      {Pintura::texto256, kCoresNormais, "\x1b[38;5;252;48;5;232m"},
      {Pintura::texto256, kCoresDoAcerto, "\x1b[38;5;160;48;5;142m"},
      {Pintura::paleta, kCoresNormais, "\x1b]P00C0C0C\x1b]P7CCCCCC\x1b[39;49m"},
      {Pintura::paleta, kCoresDoAcerto, "\x1b]P0C19C00\x1b]P7C50F1F\x1b[39;49m"},
      {Pintura::nenhuma, kCoresDoAcerto, ""},
  };
  for (const Cores& caso : casos) {
    EXPECT_EQ(sequenciaDeCores(caso.pintura, caso.atributo), caso.esperado)
        << static_cast<int>(caso.pintura) << " " << static_cast<int>(caso.atributo);
  }
}

struct Resposta {
  const char* terminal;
  const char* term;
  std::string recebido;
  bool completa;
  Pintura pintura;
  const char* digitado;
};

// What real terminals answered to kPerguntaAoTerminal, with the player's
// typing around the answers.
TEST(Cores, ARespostaDoTerminalDecideAPinturaESalvaODigitado) {
  const std::vector<Resposta> casos = {
      {"xterm", "xterm", "\x1b]10;rgb:0000/0000/0000\x1b\\\x1b[>41;379;0c\x1b[?64;1;2c", true,
       Pintura::janela, ""},
      {"konsole", "xterm-256color", "\x1b]10;rgb:fcfc/fcfc/fcfc\x07\x1b[>1;115;0c\x1b[?62;1;4c",
       true, Pintura::janela, ""},
      {"tmux", "tmux-256color", "\x1b[>84;0;0c\x1b[?1;2c", true, Pintura::janela, ""},
      {"urxvt", "rxvt-unicode-256color", "\x1b[>85;95;0c\x1b[?1;2c", true, Pintura::janela, ""},
      {"qterminal", "xterm-256color", "\x1b[>0;115;0c\x1b[?62;c", true, Pintura::textoRgb, ""},
      {"screen", "screen", "\x1b[>83;40900;0c\x1b[?1;2c", true, Pintura::texto256, ""},
      {"typed ahead", "xterm", "4\x1b]10;rgb:0/0/0\x07\x1b[A2\x1b[?1;2c 5", true, Pintura::janela,
       "4\x1b[A2 5"},
      {"not yet", "xterm", "\x1b]10;rgb:0/0/0\x07\x1b[?1;2", false, Pintura::janela, "\x1b[?1;2"},
  };
  for (const Resposta& caso : casos) {
    const RespostaDoTerminal resposta = lerResposta(caso.term, caso.recebido);
    EXPECT_EQ(resposta.completa, caso.completa) << caso.terminal;
    EXPECT_EQ(resposta.pintura, caso.pintura) << caso.terminal;
    EXPECT_EQ(resposta.digitado, caso.digitado) << caso.terminal;
  }
}

}  // namespace
}  // namespace trovelin
