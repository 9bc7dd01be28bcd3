#include "terminal.hpp"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace trovelin {
namespace {

struct Rgb {
  int r;
  int g;
  int b;
};

// The Windows console's default palette: what the 256-colour modes come
// nearest to, where the terminal's own palette has the last word.
constexpr std::array<Rgb, 16> kPaleta = {{
    {0x0c, 0x0c, 0x0c},
    {0x00, 0x37, 0xda},
    {0x13, 0xa1, 0x0e},
    {0x3a, 0x96, 0xdd},
    {0xc5, 0x0f, 0x1f},
    {0x88, 0x17, 0x98},
    {0xc1, 0x9c, 0x00},
    {0xcc, 0xcc, 0xcc},
    {0x76, 0x76, 0x76},
    {0x3b, 0x78, 0xff},
    {0x16, 0xc6, 0x0c},
    {0x61, 0xd6, 0xd6},
    {0xe7, 0x48, 0x56},
    {0xb4, 0x00, 0x9e},
    {0xf9, 0xf1, 0xa5},
    {0xf2, 0xf2, 0xf2},
}};

// Where the exact shade is ours to choose, the hit's red text on yellow reads
// at 4.9:1, as WCAG AA asks of text (4.5:1); the Windows shades give 2.3:1.
// Each keeps its Windows hue.
Rgb corExata(unsigned indice) {
  constexpr unsigned kVermelho = 4;
  constexpr unsigned kAmarelo = 6;
  switch (indice & 0x0FU) {
    case kVermelho:
      return {0xa0, 0x0d, 0x1a};
    case kAmarelo:
      return {0xf2, 0xc4, 0x00};
    default:
      return kPaleta[indice & 0x0FU];
  }
}

constexpr char kEsc = '\x1b';
constexpr int kTmux = 84;   // 'T', tmux's first DA2 parameter
constexpr int kUrxvt = 85;  // 'U', rxvt-unicode's

// Colour k of xterm's 256, from 16 on: a 6x6x6 cube, then 24 greys.
Rgb cor256(int k) {
  if (k >= 232) {
    const int cinza = 8 + (10 * (k - 232));
    return {cinza, cinza, cinza};
  }
  const auto nivel = [](int n) { return n == 0 ? 0 : 55 + (40 * n); };
  const int cubo = k - 16;
  return {nivel(cubo / 36), nivel(cubo / 6 % 6), nivel(cubo % 6)};
}

int indice256(Rgb cor) {
  int melhor = 16;
  int menorDistancia = std::numeric_limits<int>::max();
  for (int k = 16; k < 256; ++k) {
    const Rgb outra = cor256(k);
    const int distancia = ((cor.r - outra.r) * (cor.r - outra.r)) +
                          ((cor.g - outra.g) * (cor.g - outra.g)) +
                          ((cor.b - outra.b) * (cor.b - outra.b));
    if (distancia < menorDistancia) {
      menorDistancia = distancia;
      melhor = k;
    }
  }
  return melhor;
}

std::string hexa(Rgb cor) {
  constexpr std::string_view digitos = "0123456789ABCDEF";
  std::string texto = "#";
  for (const int canal : {cor.r, cor.g, cor.b}) {
    texto += digitos[static_cast<std::size_t>(canal) >> 4U];
    texto += digitos[static_cast<std::size_t>(canal) & 0x0FU];
  }
  return texto;
}

std::string rgb(Rgb cor) {
  return std::to_string(cor.r) + ';' + std::to_string(cor.g) + ';' + std::to_string(cor.b);
}

// GNU screen drops 24-bit SGR colours and half of OSC 10/11; 256-colour SGR gets through.
bool ehGnuScreen(std::string_view term) { return term.starts_with("screen"); }

// The length of the terminal's answer at the start of `texto`, or 0 if none
// starts there: an OSC ended by BEL or ST, or a CSI device-attributes answer.
std::size_t tamanhoDaResposta(std::string_view texto) {
  if (texto.starts_with("\x1b]")) {
    for (std::size_t i = 2; i < texto.size(); ++i) {
      if (texto[i] == '\x07') {
        return i + 1;
      }
      if (texto.substr(i).starts_with("\x1b\\")) {
        return i + 2;
      }
    }
    return 0;
  }
  if (texto.starts_with("\x1b[?") || texto.starts_with("\x1b[>")) {
    const std::size_t fim = texto.find_first_not_of("0123456789;", 3);
    return fim != std::string_view::npos && texto[fim] == 'c' ? fim + 1 : 0;
  }
  return 0;
}

int primeiroParametro(std::string_view resposta) {
  int valor = -1;
  std::from_chars(resposta.data() + 3, resposta.data() + resposta.size(), valor);
  return valor;
}

}  // namespace

std::string corDaPaleta(unsigned indice) { return hexa(corExata(indice)); }

Pintura pinturaPeloNome(std::string_view term) {
  if (term.empty() || term == "dumb") {
    return Pintura::nenhuma;
  }
  if (term == "linux" || term.starts_with("linux-")) {
    return Pintura::paleta;
  }
  return ehGnuScreen(term) ? Pintura::texto256 : Pintura::janela;
}

RespostaDoTerminal lerResposta(std::string_view term, std::string_view recebido) {
  RespostaDoTerminal resposta;
  bool sabeAsCores = false;
  std::size_t i = 0;
  while (i < recebido.size()) {
    const std::string_view resto = recebido.substr(i);
    const std::size_t tamanho = resto.front() == kEsc ? tamanhoDaResposta(resto) : 0;
    if (tamanho == 0) {
      resposta.digitado += resto.front();
      ++i;
      continue;
    }
    const std::string_view uma = resto.substr(0, tamanho);
    if (uma.starts_with("\x1b]10;")) {
      sabeAsCores = true;
    } else if (uma.starts_with("\x1b[>")) {
      const int terminal = primeiroParametro(uma);
      sabeAsCores = sabeAsCores || terminal == kTmux || terminal == kUrxvt;
    } else if (uma.starts_with("\x1b[?")) {
      resposta.completa = true;
    }
    i += tamanho;
  }
  if (sabeAsCores) {
    resposta.pintura = Pintura::janela;
  } else {
    resposta.pintura = ehGnuScreen(term) ? Pintura::texto256 : Pintura::textoRgb;
  }
  return resposta;
}

std::string sequenciaDeCores(Pintura pintura, AtributoDeCor atributo) {
  const Rgb texto = corExata(atributo);
  const Rgb fundo = corExata(atributo >> 4U);
  switch (pintura) {
    case Pintura::janela:
      return "\x1b]10;" + hexa(texto) + "\x07\x1b]11;" + hexa(fundo) + "\x07" +
             std::string(kCoresDoTerminal);
    case Pintura::textoRgb:
      return "\x1b[38;2;" + rgb(texto) + ";48;2;" + rgb(fundo) + "m";
    case Pintura::texto256:
      return "\x1b[38;5;" + std::to_string(indice256(kPaleta[atributo & 0x0FU])) + ";48;5;" +
             std::to_string(indice256(kPaleta[(atributo >> 4U) & 0x0FU])) + "m";
    case Pintura::paleta:  // colours 0 and 7 are what the console's plain text is drawn in
      return "\x1b]P0" + hexa(fundo).substr(1) + "\x1b]P7" + hexa(texto).substr(1) +
             std::string(kCoresDoTerminal);
    case Pintura::nenhuma:
      break;
  }
  return {};
}

}  // namespace trovelin
