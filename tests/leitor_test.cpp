// How single tokens read, and the edges of int range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fonte_de_memoria.hpp"
#include "leitor.hpp"

namespace trovelin {
namespace {

// The value of a lone token, or nullopt for one that is not a number.
std::optional<int> lerSozinho(const std::string& token) {
  LeitorDeInteiros leitor(fonteDeMemoria(token));
  int valor = -12345;
  const Leitura lida = leitor.ler(valor);
  EXPECT_NE(lida, Leitura::fim) << token;
  EXPECT_EQ(leitor.ler(valor), Leitura::fim) << token << " was not read whole";
  return lida == Leitura::numero ? std::optional<int>(valor) : std::nullopt;
}

struct Token {
  std::string texto;
  std::optional<int> valor;
};

TEST(Leitor, CadaTokenValeOQueDiz) {
  const std::vector<Token> tokens = {
      {"0", 0},
      {"+5", 5},
      {"007", 7},
      {"-0", 0},
      {"-7", -7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"000000000000000000000000000042", 42},
      {"2147483648", std::nullopt},
      {"21474836470", std::nullopt},
      {"-2147483649", std::nullopt},
      {"4294967299", std::nullopt},
      {"18446744073709551619", std::nullopt},
      {"99999999999999999999999999999999", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {"1-", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"0x2", std::nullopt},
      {"abc", std::nullopt},
      {"\xc3\xa9", std::nullopt},
      {std::string("1\0", 2), std::nullopt},
  };
  for (const Token& token : tokens) {
    EXPECT_EQ(lerSozinho(token.texto), token.valor) << '"' << token.texto << '"';
  }
}

TEST(Leitor, SemTokensEhFimDaEntrada) {
  for (const std::string& vazio : {std::string(), std::string(" \t\r\n\v\f ")}) {
    LeitorDeInteiros leitor(fonteDeMemoria(vazio));
    int valor = 0;
    EXPECT_EQ(leitor.ler(valor), Leitura::fim);
    EXPECT_EQ(leitor.ler(valor), Leitura::fim);
  }
}

// A terminal's Ctrl+D ends input once: `2`, Ctrl+D, Ctrl+D reads 2, then the
// end, and nothing more is asked of the player.
TEST(Leitor, OFimDaEntradaNaoEhPerguntadoDeNovo) {
  std::vector<std::string> leituras = {"2", "", "3"};
  LeitorDeInteiros leitor([&](std::span<char> bytes) -> std::size_t {
    if (leituras.empty()) {
      return 0;
    }
    const std::string lido = leituras.front();
    leituras.erase(leituras.begin());
    std::memcpy(bytes.data(), lido.data(), lido.size());
    return lido.size();
  });
  int valor = 0;
  EXPECT_EQ(leitor.ler(valor), Leitura::numero);
  EXPECT_EQ(valor, 2);
  EXPECT_EQ(leitor.ler(valor), Leitura::fim);
  EXPECT_EQ(leituras.size(), 1U);
}

// A 100 MB token streams through the fixed buffer, and the next token still reads.
TEST(Leitor, TokenEnormeEmMemoriaFixa) {
  constexpr std::size_t kTamanho = std::size_t{100} * 1024 * 1024;
  std::size_t entregue = 0;
  bool fimEntregue = false;
  LeitorDeInteiros leitor([&](std::span<char> bytes) -> std::size_t {
    if (entregue < kTamanho) {
      const std::size_t n = std::min(bytes.size(), kTamanho - entregue);
      std::fill_n(bytes.begin(), n, '1');
      entregue += n;
      return n;
    }
    if (fimEntregue) {
      return 0;
    }
    fimEntregue = true;
    std::memcpy(bytes.data(), " 3", 2);
    return 2;
  });
  int valor = 0;
  EXPECT_EQ(leitor.ler(valor), Leitura::naoNumero);
  EXPECT_EQ(leitor.ler(valor), Leitura::numero);
  EXPECT_EQ(valor, 3);
}

}  // namespace
}  // namespace trovelin
