#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal.hpp"
#include "trovelin.hpp"

namespace trovelin {
namespace {

struct Cores {
  Pintura pintura;
  AtributoDeCor atributo;
  const char* esperado;
};

TEST(Cores, CadaPinturaEscreveOEsquemaDoComandoColor) {
  const std::vector<Cores> casos = {
      {Pintura::janela, kCoresNormais, "\x1b]10;#CCCCCC\x07\x1b]11;#0C0C0C\x07\x1b[39;49m"},
      {Pintura::janela, kCoresDoAcerto, "\x1b]10;#A00D1A\x07\x1b]11;#F2C400\x07\x1b[39;49m"},
      {Pintura::textoRgb, kCoresNormais, "\x1b[38;2;204;204;204;48;2;12;12;12m"},
      {Pintura::textoRgb, kCoresDoAcerto, "\x1b[38;2;160;13;26;48;2;242;196;0m"},
      {Pintura::texto256, kCoresNormais, "\x1b[38;5;252;48;5;232m"},
      {Pintura::texto256, kCoresDoAcerto, "\x1b[38;5;160;48;5;142m"},
      {Pintura::paleta, kCoresNormais, "\x1b]P00C0C0C\x1b]P7CCCCCC\x1b[39;49m"},
      {Pintura::paleta, kCoresDoAcerto, "\x1b]P0F2C400\x1b]P7A00D1A\x1b[39;49m"},
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
