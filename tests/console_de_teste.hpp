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

namespace trovelin::teste {

// A console made of strings. Input is handed over `pedaco` bytes per read,
// so that tokens fall across reads; secrets come from a fixed list; colour
// changes and pauses show in the transcript as <cores XY> and <pausa N>.
class ConsoleDeTeste final : public ConsoleDeFluxo {
 public:
  explicit ConsoleDeTeste(std::string entrada, std::vector<int> segredos = {},
                          std::size_t pedaco = 4096)
      : ConsoleDeFluxo(
            [this, origem = origemDeMemoria(std::move(entrada), pedaco)](std::span<char> bytes) {
              anotarEspera();
              return origem(bytes);
            },
            [this](std::string_view bytes) { return gravar(bytes); },
            [this](int minimo, int maximo) { return sortearDaLista(minimo, maximo); }),
        segredos_(std::move(segredos)) {}

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

  void anotarEspera() {
    esperas_.push_back(
        transcricao_.substr(transcricao_.size() - std::min<std::size_t>(transcricao_.size(), 80)));
  }

  int gravar(std::string_view bytes) {
    if (erroDeEscrita_ == 0) {
      transcricao_ += bytes;
    }
    return erroDeEscrita_;
  }

  int sortearDaLista(int minimo, int maximo) {
    EXPECT_EQ(minimo, 1);
    EXPECT_EQ(maximo, 100);
    if (proximo_ >= segredos_.size()) {
      ADD_FAILURE() << "more games than secrets";
      return 1;
    }
    return segredos_[proximo_++];
  }

  std::vector<int> segredos_;
  std::size_t proximo_ = 0;
  int erroDeEscrita_ = 0;
  std::string transcricao_;
  std::vector<std::string> esperas_;
};

}  // namespace trovelin::teste
