// Keeps the program on glibc 2.34, whichever newer glibc the C++ runtime
// and unwinder linked into it were built against: here are the two calls
// they make that 2.34 lacks.
#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <cstdint>
#include <span>

// C23's strtoul (glibc 2.38) also reads 0b prefixes; libstdc++'s exception
// allocator (Debian 13's and later) parses its tunables with it. The plain
// one, by its own name: this file's <cstdlib> may bear C23's.
extern "C" unsigned long strtoulSemC23(const char*, char**, int) noexcept __asm__("strtoul");
extern "C" unsigned long strtoulDoC23(const char* texto, char** fim, int base) noexcept
    __asm__("__isoc23_strtoul");

__attribute__((visibility("hidden"))) unsigned long strtoulDoC23(const char* texto, char** fim,
                                                                 int base) noexcept {
  return strtoulSemC23(texto, fim, base);
}

// The unwinder asks glibc 2.35's _dl_find_object where the unwind tables of
// a return address lie. This answers from dl_iterate_phdr, as the unwinder
// itself did before; every glibc has that. The program throws only when
// memory runs out, so the cost of the walk does not matter. Only where the
// unwinder reads the frame table's address alone (x86_64, arm64); ARM's own
// unwinder (armhf) never asks.
#if defined(DLFO_STRUCT_HAS_EH_DBASE) && !DLFO_STRUCT_HAS_EH_DBASE && !DLFO_STRUCT_HAS_EH_COUNT

namespace {

struct Busca {
  std::uintptr_t endereco;
  dl_find_object* achado;
};

// What examinar tells dl_iterate_phdr: go on (0), or stop with this answer.
constexpr int kOutroObjeto = 0;
constexpr int kAchado = 1;
constexpr int kSemTabelas = 2;

// Whether this loaded object holds the address, and if so where its table of
// frames is.
int examinar(dl_phdr_info* objeto, std::size_t /*tamanho*/, void* dados) {
  auto& busca = *static_cast<Busca*>(dados);
  const ElfW(Phdr)* tabelas = nullptr;
  bool contem = false;
  for (const ElfW(Phdr) & segmento : std::span(objeto->dlpi_phdr, objeto->dlpi_phnum)) {
    const std::uintptr_t inicio = objeto->dlpi_addr + segmento.p_vaddr;
    contem = contem || (segmento.p_type == PT_LOAD && busca.endereco - inicio < segmento.p_memsz);
    if (segmento.p_type == PT_GNU_EH_FRAME) {
      tabelas = &segmento;
    }
  }
  if (!contem) {
    return kOutroObjeto;
  }
  if (tabelas == nullptr) {
    return kSemTabelas;
  }
  *busca.achado = {};
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the loader gives addresses as integers
  busca.achado->dlfo_eh_frame = reinterpret_cast<void*>(objeto->dlpi_addr + tabelas->p_vaddr);
  return kAchado;
}

}  // namespace

// Hidden: for the unwinder linked in alone, not for a shared library to find.
// NOLINTBEGIN(bugprone-reserved-identifier,readability-inconsistent-declaration-parameter-name):
// the C library's name and declaration
extern "C" __attribute__((visibility("hidden"))) int _dl_find_object(
    void* endereco, dl_find_object* achado) noexcept {
  Busca busca{reinterpret_cast<std::uintptr_t>(endereco), achado};
  return ::dl_iterate_phdr(examinar, &busca) == kAchado ? 0 : -1;
}
// NOLINTEND(bugprone-reserved-identifier,readability-inconsistent-declaration-parameter-name)

#endif
