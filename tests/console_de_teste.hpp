#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "console_de_fluxo.hpp"
#include "fonte_de_memoria.hpp"
#include "sorteio.hpp"

namespace trovelin::teste {

// The draw of a game whose secrets are these, in turn, from 1 to 100.
inline Sorteio segredosDaLista(std::vector<int> segredos) {
  return
      [segredos = std::move(segredos), proximo = std::size_t{0}](int minimo, int maximo) mutable {
        EXPECT_EQ(minimo, 1);
        EXPECT_EQ(maximo, 100);
        if (proximo >= segredos.size()) {
          ADD_FAILURE() << "more games than secrets";
          return 1;
        }
        return segredos[proximo++];
      };
}

// A console made of strings. Input is handed over `pedaco` bytes per read,
// so that tokens fall across reads; colour changes and pauses show in the
// transcript as <cores XY> and <pausa N>.
class ConsoleDeTeste final : public ConsoleDeFluxo {
 public:
  explicit ConsoleDeTeste(std::string entrada, std::size_t pedaco = 4096)
      : fonte_(fonteDeMemoria(std::move(entrada), pedaco)) {}

  void mudarCores(AtributoDeCor atributo) override {
    constexpr std::string_view hexa = "0123456789ABCDEF";
    escrever(std::string("<cores ") + hexa.at(atributo >> 4U) + hexa.at(atributo & 0x0FU) + ">");
  }

  // From now on every write fails with this errno value.
  void falharEscritasCom(int erro) { erroDeEscrita_ = erro; }

  const std::string& transcricao() const { return transcricao_; }
  // The end of what had been written out each time the game had to wait for input.
  const std::vector<std::string>& esperas() const { return esperas_; }

 private:
  // Straight into the transcript, past the buffer: only what was written out
  // before the pause comes before the mark.
  void dormir(std::chrono::milliseconds duracao) override {
    transcricao_ += "<pausa " + std::to_string(duracao.count()) + ">";
  }

  // Notes the end of what the game had written out by the time it waited.
  Lidos lerBytes(std::span<char> bytes) override {
    esperas_.push_back(
        transcricao_.substr(transcricao_.size() - std::min<std::size_t>(transcricao_.size(), 80)));
    return {fonte_(bytes), 0};
  }

  int gravarBytes(std::string_view bytes) override {
    if (erroDeEscrita_ == 0) {
      transcricao_ += bytes;
    }
    return erroDeEscrita_;
  }

  LeitorDeInteiros::Fonte fonte_;
  int erroDeEscrita_ = 0;
  std::string transcricao_;
  std::vector<std::string> esperas_;
};

}  // namespace trovelin::teste
