#!/usr/bin/env python3
"""Checks what players and packagers get: the installed tree, the packages, the manual.

Usage: pacote.py CASE ARGUMENTS...
  instalacao BUILD_DIR PROGRAM [EMULATOR]  install into a temporary prefix and play there
  deb SOURCE_DIR                           build the .deb for /usr and look inside
  zip BUILD_DIR                            build the Windows .zip and look inside
  manual SOURCE_DIR                        the manual page renders without warnings
"""
import os
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "caixa_preta"))
import caixa_preta as cp  # noqa: E402  (the texts and the way to run the game)

SESSAO = b"2\n0\n3\n"
ESPERADO = cp.MENU + cp.REGRAS + cp.MENU + cp.INVALIDA + cp.MENU + cp.ADEUS


def rodar(*comando, **opcoes):
    return subprocess.run(comando, check=True, capture_output=True, timeout=600, **opcoes).stdout


def instalacao(compilado, programa, *emulador):
    cp.EMULADOR = list(emulador)
    with tempfile.TemporaryDirectory() as prefixo:
        rodar("cmake", "--install", compilado, "--prefix", prefixo)
        instalado = os.path.join(prefixo, "bin", os.path.basename(programa))
        cp.confere(os.path.isfile(instalado), f"no {instalado}")
        cp.confere(cp.executar(instalado, SESSAO) == ESPERADO, "installed program's session")
        if not emulador:
            manual = os.path.join(prefixo, "share", "man", "man6", "trovelin.6.gz")
            cp.confere(b"trovelin" in rodar("man", "-l", manual), "installed manual")


def deb(fonte):
    with tempfile.TemporaryDirectory() as temporario:
        compilado = os.path.join(temporario, "build")
        rodar("cmake", "-S", fonte, "-B", compilado, "-DCMAKE_INSTALL_PREFIX=/usr",
              "-DBUILD_TESTING=OFF", "-DCMAKE_BUILD_TYPE=Release")
        rodar("cmake", "--build", compilado, "-j2")
        rodar("cpack", "-G", "DEB", "-B", temporario, cwd=compilado)
        pacote = next(os.path.join(temporario, nome) for nome in os.listdir(temporario)
                      if nome.endswith(".deb"))
        conteudo = rodar("dpkg-deb", "-c", pacote).decode()
        for caminho in ("./usr/games/trovelin", "./usr/share/man/man6/trovelin.6.gz"):
            cp.confere(caminho in conteudo, f"{caminho} missing from\n{conteudo}")
        cp.confere(rodar("dpkg-deb", "-f", pacote, "Section") == b"games\n", "section")
        raiz = os.path.join(temporario, "raiz")
        rodar("dpkg-deb", "-x", pacote, raiz)
        jogo = os.path.join(raiz, "usr", "games", "trovelin")
        cp.confere(cp.executar(jogo, SESSAO) == ESPERADO, "packaged program's session")


def zip(compilado):  # pylint: disable=redefined-builtin
    with tempfile.TemporaryDirectory() as temporario:
        rodar("cpack", "-G", "ZIP", "-B", temporario, cwd=compilado)
        pacote = next(os.path.join(temporario, nome) for nome in os.listdir(temporario)
                      if nome.endswith(".zip"))
        nomes = [nome.split("/", 1)[1] for nome in zipfile.ZipFile(pacote).namelist()]
        for esperado in ("bin/trovelin.exe", "README.md"):
            cp.confere(esperado in nomes, f"{esperado} missing from {nomes}")


def manual(fonte):
    pagina = os.path.join(fonte, "man", "trovelin.6")
    with open(pagina, "rb") as arquivo:
        cp.confere(arquivo.read().isascii(), "the manual is not plain ASCII")
    feito = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", pagina],
                           capture_output=True, check=False)
    cp.confere(feito.returncode == 0 and feito.stderr == b"", f"groff: {feito.stderr!r}")
    texto = rodar("man", "-l", pagina, env={**os.environ, "MANWIDTH": "80"})
    for secao in (b"NOME", b"SINOPSE", b"STATUS DE SAIDA", b"ARQUIVOS"):
        cp.confere(secao in texto, f"no {secao!r} section")


if __name__ == "__main__":
    globals()[sys.argv[1]](*sys.argv[2:])
    print("PASS")
