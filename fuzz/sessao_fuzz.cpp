// Arbitrary bytes as the whole standard input of a session, through the same
// console the program uses, minus the clock and the terminal.
//
// Beyond "no crash, no hang": the session ends as it does at end of input;
// everything written is the game's own texts with decimal numbers where
// they have "%d"; the output stays proportional to the input; and every
// token reads as a plain reference parser says it should.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console_de_fluxo.hpp"
#include "fonte_de_memoria.hpp"
#include "leitor.hpp"
#include "terminal.hpp"
#include "textos.hpp"
#include "trovelin.hpp"

namespace {

using trovelin::AtributoDeCor;
using trovelin::ConsoleDeFluxo;
using trovelin::LeitorDeInteiros;
using trovelin::Leitura;

[[noreturn]] void falhar(const char* motivo) {
  std::fprintf(stderr, "FALHA: %s\n", motivo);
  std::abort();
}

class ConsoleDeFuzz final : public ConsoleDeFluxo {
 public:
  ConsoleDeFuzz(std::string_view entrada, std::size_t pedaco, std::string& saida)
      : fonte_(trovelin::fonteDeMemoria(std::string(entrada), pedaco)), saida_(saida) {}

  void mudarCores(AtributoDeCor atributo) override {
    escrever(trovelin::sequenciaDeCores(trovelin::Pintura::janela, atributo));
  }

 private:
  Lidos lerBytes(std::span<char> bytes) override { return {fonte_(bytes), 0}; }
  int gravarBytes(std::string_view bytes) override {
    saida_.append(bytes);
    return 0;
  }
  void dormir(std::chrono::milliseconds /*duracao*/) override {}

  trovelin::LeitorDeInteiros::Fonte fonte_;
  std::string& saida_;
};

// The games' secrets, in turn; a draw outside 1..100 is a failure.
trovelin::Sorteio segredosFixos() {
  static constexpr std::array<int, 5> kSegredos = {42, 1, 100, 50, 7};
  return [proximo = std::size_t{0}](int minimo, int maximo) mutable {
    if (minimo != 1 || maximo != 100) {
      falhar("draw outside 1..100");
    }
    return kSegredos[proximo++ % kSegredos.size()];
  };
}

// Every text the game may write, longest literal start first.
std::vector<std::string> modelos() {
  namespace t = trovelin::textos;
  std::vector<std::string> todos(t::kMenu.begin(), t::kMenu.end());
  todos.insert(todos.end(), t::kRegras.begin(), t::kRegras.end());
  for (const std::string_view texto :
       {t::kDespedida, t::kOpcaoInvalida, t::kSorteando, t::kPedirPalpite, t::kForaDoIntervalo,
        t::kNumeroMenor, t::kNumeroMaior, t::kAcertou, t::kEsgotadas, t::kHistoricoTitulo,
        t::kHistoricoLinha, t::kHistoricoFim, t::kQuebraDeLinha}) {
    todos.emplace_back(texto);
  }
  todos.push_back(trovelin::sequenciaDeCores(trovelin::Pintura::janela, trovelin::kCoresNormais));
  todos.push_back(trovelin::sequenciaDeCores(trovelin::Pintura::janela, trovelin::kCoresDoAcerto));
  std::ranges::sort(todos, [](const std::string& a, const std::string& b) {
    return a.substr(0, a.find("%d")).size() > b.substr(0, b.find("%d")).size();
  });
  return todos;
}

// How much of `saida` the template matches, "%d" taking a decimal number.
std::optional<std::size_t> casar(std::string_view modelo, std::string_view saida) {
  std::size_t lido = 0;
  while (!modelo.empty()) {
    if (modelo.starts_with("%d")) {
      const std::size_t inicio = lido;
      lido += static_cast<std::size_t>(lido < saida.size() && saida[lido] == '-');
      const std::size_t digitos = lido;
      while (lido < saida.size() && saida[lido] >= '0' && saida[lido] <= '9') {
        ++lido;
      }
      if (lido == digitos || lido - inicio > 11) {
        return std::nullopt;
      }
      modelo.remove_prefix(2);
    } else {
      if (lido >= saida.size() || saida[lido] != modelo.front()) {
        return std::nullopt;
      }
      ++lido;
      modelo.remove_prefix(1);
    }
  }
  return lido;
}

void conferirQueSaoSoTextosDoJogo(std::string_view saida) {
  static const std::vector<std::string> todos = modelos();
  while (!saida.empty()) {
    std::optional<std::size_t> casado;
    for (const std::string& modelo : todos) {
      casado = casar(modelo, saida);
      if (casado) {
        break;
      }
    }
    if (!casado) {
      falhar("output that is not one of the game's texts");
    }
    saida.remove_prefix(*casado);
  }
}

// The token rules said plainly: split on the six blanks, then a sign and digits in int range.
std::vector<std::optional<int>> tokensDeReferencia(std::string_view dados) {
  std::vector<std::optional<int>> tokens;
  const auto branco = [](char c) { return std::strchr(" \t\n\r\v\f", c) != nullptr && c != 0; };
  std::size_t i = 0;
  while (true) {
    while (i < dados.size() && branco(dados[i])) {
      ++i;
    }
    if (i == dados.size()) {
      return tokens;
    }
    const std::size_t inicio = i;
    while (i < dados.size() && !branco(dados[i])) {
      ++i;
    }
    std::string token(dados.substr(inicio, i - inicio));
    const std::string_view corpo =
        std::string_view(token).substr(token[0] == '+' || token[0] == '-' ? 1 : 0);
    const auto digito = [](char c) { return c >= '0' && c <= '9'; };
    const bool soDigitos = !corpo.empty() && std::ranges::all_of(corpo, digito);
    std::optional<int> valor;
    if (soDigitos) {
      errno = 0;
      const long long n = std::strtoll(token.c_str(), nullptr, 10);
      if (errno == 0 && n >= INT32_MIN && n <= INT32_MAX) {
        valor = static_cast<int>(n);
      }
    }
    tokens.push_back(valor);
  }
}

void conferirTokens(std::string_view dados, std::size_t pedaco) {
  LeitorDeInteiros leitor(trovelin::fonteDeMemoria(std::string(dados), pedaco));
  for (const std::optional<int>& esperado : tokensDeReferencia(dados)) {
    int valor = 0;
    const Leitura lida = leitor.ler(valor);
    if (lida == Leitura::fim || (lida == Leitura::numero) != esperado.has_value() ||
        (esperado && *esperado != valor)) {
      falhar("a token read differently from the reference");
    }
  }
  int valor = 0;
  if (leitor.ler(valor) != Leitura::fim) {
    falhar("more tokens than the reference");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t tamanho) {
  // The first byte picks how much input each read delivers.
  if (tamanho == 0) {
    return 0;
  }
  const std::size_t pedaco = std::size_t{1} + (bytes[0] % 16U);
  const std::string_view entrada(reinterpret_cast<const char*>(bytes) + 1, tamanho - 1);

  std::string saida;
  {
    ConsoleDeFuzz console(entrada, pedaco, saida);
    trovelin::executarMenu(console, segredosFixos());
    if (console.esvaziar() != 0) {
      falhar("a write failed");
    }
  }
  if (!saida.ends_with(trovelin::textos::kDespedida) && !saida.ends_with("\n")) {
    falhar("the session ended neither by choice 3 nor by end of input");
  }
  if (saida.size() > 512 * (entrada.size() + 1)) {
    falhar("output out of proportion to the input");
  }
  conferirQueSaoSoTextosDoJogo(saida);
  conferirTokens(entrada, pedaco);
  return 0;
}
