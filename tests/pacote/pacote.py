#!/usr/bin/env python3
"""Checks what players and packagers get: the installed tree, each package, the manuals.

Usage: pacote.py CASE ARGUMENTS...
  instalacao BUILD_DIR PROGRAM SYSTEM [EMULATOR...]  install into a temporary prefix, play there
  deb SOURCE_DIR [TOOLCHAIN EMULATOR...]   the .deb as README builds it: lintian, hardening, play
  reproducivel SOURCE_DIR [TOOLCHAIN EMULATOR...]  two builds, other paths, times, umasks: same bytes
  fonte SOURCE_DIR                         the release tarball: the commit's files, built by Debian's tools
  piuparts SOURCE_DIR                      the .deb installs, upgrades from this release's and purges
  zip BUILD_DIR                            the Windows .zip: program, licence, read-me
  nsis BUILD_DIR EMULATOR                  the Windows installer: its language, an upgrade, play
  assinatura SOURCE_DIR EMULATOR           with a certificate, the .exe and (un)installer signed
  manual BUILD_DIR                         both manual pages lint clean
  desktop SOURCE_DIR BUILD_DIR             desktop entry and AppStream metainfo validate
"""
import datetime
import email.utils
import glob
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time
import zipfile
from pathlib import Path

import apoio as ap

SESSAO = b"2\n0\n3\n"
# The packages are built as README says, not with the flags of the build that
# runs these tests (a distribution's -z options would reach the mingw linker).
for variavel in ("CFLAGS", "CXXFLAGS", "CPPFLAGS", "LDFLAGS"):
    os.environ.pop(variavel, None)
# The installer's window title under a player's locale: Portuguese where the player's is.
IDIOMAS = {"pt_BR.UTF-8": "Instalação do Trovelin", "pt_PT.UTF-8": "Instalação de Trovelin",
           "C.UTF-8": "Trovelin Setup"}
NO_ZIP = ["LEIA-ME.txt", "LICENSE.txt", "trovelin.exe"]  # and, installed, the uninstaller
ESPERADO = ap.MENU + ap.REGRAS + ap.MENU + ap.INVALIDA + ap.MENU + ap.ADEUS


def rodar(*comando, calado=False, vezes=1, **opcoes):
    """Runs a command that must pass, in at most `vezes` tries; `calado`, a checker that must
    also say nothing at all."""
    for _ in range(vezes):
        feito = subprocess.run(comando, capture_output=True, timeout=900, check=False, **opcoes)
        if feito.returncode == 0:
            break
    dito = (feito.stdout[-3000:] + feito.stderr[-3000:]).decode(errors="replace")
    ap.confere(feito.returncode == 0 and not (calado and dito.strip()),
               f"{' '.join(comando)}: exit status {feito.returncode}\n{dito}")
    return feito.stdout


def lintian(alvo, *opcoes):
    """lintian finds nothing, at the levels the options say."""
    feito = subprocess.run(["lintian", *opcoes, alvo], capture_output=True, check=False)
    achados = [linha for linha in feito.stdout.decode().splitlines() if ": " in linha]
    ap.confere(feito.returncode == 0 and not achados, f"lintian:\n{feito.stdout.decode()}")


def versao(fonte):
    return re.search(r"VERSION (\d+\.\d+\.\d+)", Path(fonte, "CMakeLists.txt").read_text()).group(1)


def jogar(programa, *emulador, windows=False):
    saida = ap.Alvo(emulador, windows).executar(programa, SESSAO)
    ap.confere(saida == ESPERADO, f"session of {programa}")


def instalacao(compilado, programa, sistema, *emulador):
    with tempfile.TemporaryDirectory() as prefixo:
        rodar("cmake", "--install", compilado, "--prefix", prefixo)
        pasta = "." if sistema == "Windows" else "games"  # games/ under /usr/local, as on Debian
        instalado = os.path.join(prefixo, pasta, os.path.basename(programa))
        ap.confere(os.path.isfile(instalado), f"no {instalado}")
        jogar(instalado, *emulador, windows=sistema == "Windows")
        if sistema != "Windows":
            for idioma, titulo in (("", b"NAME"), ("pt", "NOME".encode())):
                manual = os.path.join(prefixo, "share", "man", idioma, "man6", "trovelin.6.gz")
                ap.confere(titulo in rodar("man", "-l", manual), f"installed manual {manual}")


def construir_deb(fonte, compilado, umask=0o022, cadeia="", *opcoes):
    """Configures, builds and packs as README says, for the toolchain's target if one is given;
    returns the .deb's path."""
    rodar("cmake", "--preset", "jogo", "-S", fonte, "-B", compilado,
          f"-DCMAKE_TOOLCHAIN_FILE={cadeia}", *opcoes, cwd=fonte, umask=umask)
    rodar("cmake", "--build", compilado, "-j2", umask=umask)
    rodar("cpack", cwd=compilado, umask=umask)
    return glob.glob(os.path.join(compilado, "*.deb"))[0]


def deb(fonte, cadeia="", *emulador):
    with tempfile.TemporaryDirectory() as temporario:
        # The plain commands, with the prefix left as it is (/usr/local): cpack installs to /usr.
        pacote = construir_deb(fonte, os.path.join(temporario, "build"), 0o002, cadeia)
        lintian(pacote, "--pedantic", "-I", "--fail-on", "error,warning,info,pedantic")
        conteudo = rodar("dpkg-deb", "-c", pacote).decode()
        for caminho in ("./usr/games/trovelin", "./usr/share/man/man6/trovelin.6.gz",
                        "./usr/share/man/pt/man6/trovelin.6.gz",
                        "./usr/share/doc/trovelin/copyright", "./usr/share/doc/trovelin/changelog.gz",
                        "./usr/share/applications/trovelin.desktop",
                        "./usr/share/icons/hicolor/scalable/apps/trovelin.svg",
                        "./usr/share/metainfo/invalid.zorvel.trovelin.metainfo.xml"):
            ap.confere(caminho in conteudo, f"{caminho} missing from\n{conteudo}")
        ap.confere(rodar("dpkg-deb", "-f", pacote, "Version").decode().strip() == versao(fonte),
                   "package version")
        ap.confere(rodar("dpkg-deb", "-f", pacote, "Depends").startswith(b"libc6"), "Depends")
        raiz = os.path.join(temporario, "raiz")
        rodar("dpkg-deb", "-x", pacote, raiz)
        jogo = os.path.join(raiz, "usr", "games", "trovelin")
        entrada = Path(raiz, "usr", "share", "applications", "trovelin.desktop").read_text()
        ap.confere("\nExec=/usr/games/trovelin\n" in entrada, "Exec: not the program")
        # Control-flow protection is x86's CET, whose marks Debian 12's compilers do not
        # give the C++ runtime; ARM's counterpart (BTI, PAC) is not what this checks.
        rodar("hardening-check", "--nocfprotection", jogo)
        ap.confere(b"libstdc++" not in rodar("readelf", "-d", jogo), "needs the shared C++ runtime")
        jogar(jogo, *emulador)


def copia_do_codigo(fonte, destino):
    shutil.copytree(fonte, destino, symlinks=True,
                    ignore=shutil.ignore_patterns("build", "__pycache__", "node_modules"))


def construir_windows(codigo, umask):
    """The .exe and the .zip, as README builds them."""
    windows = os.path.join(codigo, "build", "windows")
    rodar("cmake", "--preset", "windows", "-DBUILD_TESTING=OFF", cwd=codigo, umask=umask)
    rodar("cmake", "--build", "--preset", "windows", cwd=codigo, umask=umask)
    rodar("cpack", "-G", "ZIP", cwd=windows, umask=umask)
    return [os.path.join(windows, "trovelin.exe"), glob.glob(os.path.join(windows, "*.zip"))[0]]


def reproducivel(fonte, cadeia="", *_emulador):
    """The same commit built twice, elsewhere, later, under another umask: same bytes. The
    .deb for the toolchain's target; a native run checks the Windows .exe and .zip too."""
    artefatos = []
    with tempfile.TemporaryDirectory() as temporario:
        for pasta, umask in (("a", 0o022), ("um/caminho/mais/longo", 0o002)):
            codigo = os.path.join(temporario, pasta, "trovelin")
            copia_do_codigo(fonte, codigo)
            deb_feito = construir_deb(codigo, os.path.join(codigo, "build", "jogo"), umask, cadeia,
                                      "-DCMAKE_INSTALL_PREFIX=/usr")
            artefatos.append([deb_feito, *([] if cadeia else construir_windows(codigo, umask))])
            time.sleep(1.1)  # another second on the clock for the second build
        for primeiro, segundo in zip(*artefatos):
            ap.confere(Path(primeiro).read_bytes() == Path(segundo).read_bytes(),
                       f"{os.path.basename(primeiro)} differs")


def subir_versao(clone):
    """A release as README describes it: the version in project() and a changelog entry."""
    atual = versao(clone)
    nova = re.sub(r"\d+$", lambda ultimo: str(int(ultimo.group()) + 1), atual)
    for nome, antes, depois in (
            ("CMakeLists.txt", f"VERSION {atual}", f"VERSION {nova}"),
            ("packaging/debian/changelog", "", f"trovelin ({nova}) unstable; urgency=medium\n\n"
             "  * The next release.\n\n -- Empresa Zorvel <jogos@zorvel.invalid>  "
             f"{email.utils.format_datetime(datetime.datetime.now(datetime.timezone.utc))}\n\n")):
        ap.trocar(os.path.join(clone, nome), antes, depois)
    rodar("git", "-c", "user.name=Teste", "-c", "user.email=teste@zorvel.invalid", "commit",
          "--quiet", "-am", f"Release {nova}", cwd=clone)


def changelog_da_distribuicao(arvore):
    """The distribution's changelog follows the release's: its version, revision 1."""
    linhas = Path(arvore, "packaging", "debian", "changelog").read_text().splitlines()
    assinatura = next(linha for linha in linhas if linha.startswith(" -- "))
    lancamento = re.match(r"trovelin \((.+?)\)", linhas[0]).group(1)
    Path(arvore, "debian", "changelog").write_text(
        f"trovelin ({lancamento}-1) unstable; urgency=medium\n\n  * Initial release.\n\n"
        f"{assinatura}\n")


def fonte(codigo):
    """The tarball of a clone under a path holding /build/, with an untracked file beside the
    sources and the next version made as README says, holds the commit's files exactly;
    Debian's own tools build it, offline, with no terminal and no display, its tests passing
    and lintian finding nothing; and again with the nocheck profile, needing no test tool."""
    with tempfile.TemporaryDirectory() as temporario:
        clone = os.path.join(temporario, "build", "trovelin")
        rodar("git", "clone", "--quiet", codigo, clone)
        subir_versao(clone)
        Path(clone, "notas.txt").write_text("not for the tarball\n")
        rodar("cmake", "--preset", "jogo", cwd=clone)
        rodar("cmake", "--build", "--preset", "jogo", "--target", "dist", cwd=clone)
        nome = f"trovelin-{versao(clone)}"
        pacote = os.path.join(clone, "build", "jogo", f"{nome}.tar.gz")
        debian = os.path.join(temporario, "debian")
        with tarfile.open(pacote) as arquivo:
            nomes = sorted(m.name for m in arquivo.getmembers() if not m.isdir())
            arquivo.extractall(debian)
        commit = sorted(f"{nome}/{n}" for n in rodar("git", "ls-files", cwd=clone).decode().split())
        ap.confere(nomes == commit, f"tarball and commit differ: {set(nomes) ^ set(commit)}")
        shutil.copy(pacote, os.path.join(debian, f"trovelin_{versao(clone)}.orig.tar.gz"))
        arvore = os.path.join(debian, nome)
        shutil.copytree(os.path.join(os.path.dirname(__file__), "debian"),
                        os.path.join(arvore, "debian"))
        shutil.copy(os.path.join(arvore, "packaging", "debian", "copyright"),
                    os.path.join(arvore, "debian"))
        changelog_da_distribuicao(arvore)
        ambiente = {n: v for n, v in os.environ.items() if n not in ("DISPLAY", "WAYLAND_DISPLAY")}
        for perfil, opcoes in (("", "parallel=2"), ("nocheck", "nocheck parallel=2")):
            registro_da_construcao = rodar(
                "dpkg-buildpackage", "-us", "-uc", cwd=arvore, stdin=subprocess.DEVNULL,
                start_new_session=True, env={**ambiente, "DEB_BUILD_PROFILES": perfil,
                                             "DEB_BUILD_OPTIONS": opcoes})
            testou = re.search(rb"100% tests passed, 0 tests failed out of [1-9]",
                               registro_da_construcao)
            procurou = re.search(rb"Found (GTest|Python3)", registro_da_construcao)
            ap.confere(bool(testou) == bool(procurou) == (not perfil),
                       f"{perfil or 'default'}: tests run {bool(testou)}, looked for {bool(procurou)}")
        mudancas = glob.glob(os.path.join(debian, "*.changes"))[0]
        lintian(mudancas, "--fail-on", "error,warning")  # info: a fixture, not an upload


def piuparts(fonte_):
    """piuparts installs and purges the next release's .deb, and upgrades to it from this
    release's, both made the plain way. Its base system comes from the mirror once and is kept."""
    if os.geteuid() != 0:
        sys.exit(77)  # piuparts works in a chroot: root's
    distribuicao = re.search(r"^VERSION_CODENAME=(\w+)", Path("/etc/os-release").read_text(),
                             re.M).group(1)  # this machine's release
    base = os.path.join(os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")),
                        "trovelin", f"piuparts-{distribuicao}.tgz")
    os.makedirs(os.path.dirname(base), exist_ok=True)
    with tempfile.TemporaryDirectory() as temporario:
        repositorio, clone = (os.path.join(temporario, nome) for nome in ("repositorio", "clone"))
        os.mkdir(repositorio)
        shutil.copy(construir_deb(fonte_, os.path.join(temporario, "build")), repositorio)
        Path(repositorio, "Packages").write_bytes(rodar("dpkg-scanpackages", ".", cwd=repositorio))
        rodar("git", "clone", "--quiet", fonte_, clone)
        subir_versao(clone)
        guardada = "-b" if os.path.exists(base) else "-s"
        registro_ = rodar("piuparts", "-d", distribuicao, guardada, base, "--bindmount",
                          repositorio, "--extra-repo", f"deb [trusted=yes] file://{repositorio} ./",
                          construir_deb(clone, os.path.join(clone, "build", "jogo")),
                          vezes=3)  # a mirror caught mid-sync fails now and then
        ap.confere(b"PASS: Installation, upgrade and purging tests." in registro_,
                   "piuparts tried no upgrade")


def confere_versao(executavel, nome):
    for texto in ("ProductVersion", "Empresa Zorvel"):
        ap.confere(texto.encode("utf-16-le") in executavel, f"no {texto} in {nome}")


def pacote_zip(compilado):
    with tempfile.TemporaryDirectory() as temporario:
        rodar("cpack", "-G", "ZIP", "-B", temporario, cwd=compilado)
        pacote = glob.glob(os.path.join(temporario, "*.zip"))[0]
        arquivo = zipfile.ZipFile(pacote)
        nomes = sorted(nome.split("/", 1)[1] for nome in arquivo.namelist())
        ap.confere(nomes == NO_ZIP, f"zip holds {nomes}")
        programa = next(n for n in arquivo.namelist() if n.endswith(".exe"))
        recursos = arquivo.read(programa)
        confere_versao(recursos, programa)
        ap.confere(b"asInvoker" in recursos, "no manifest in the .exe")


def alvo_do_atalho(atalho):
    """The program a Windows shortcut opens: its LinkInfo's local path (MS-SHLLINK 2.3)."""
    dados = Path(atalho).read_bytes()
    numero = lambda inicio: int.from_bytes(dados[inicio:inicio + 4], "little")  # noqa: E731
    bandeiras, posicao = numero(0x14), 0x4C
    if bandeiras & 1:  # HasLinkTargetIDList: skip it
        posicao += 2 + int.from_bytes(dados[posicao:posicao + 2], "little")
    ap.confere(bandeiras & 2, f"{atalho} has no LinkInfo")
    caminho = posicao + numero(posicao + 16)
    return dados[caminho:dados.index(b"\0", caminho)].decode("latin-1")


def registro(emulador, chave):
    """The key's values as `reg query` lists them, or b"" when there is no such key."""
    feito = subprocess.run([emulador, "reg", "query", chave], capture_output=True, check=False)
    return feito.stdout if feito.returncode == 0 else b""


def titulo_do_instalador(emulador, instalador, idioma):
    """The title of the installer's window, opened (on the display) under the locale `idioma`."""
    processo = subprocess.Popen([emulador, instalador], env={**os.environ, "LC_ALL": idioma})
    procurar = ["xdotool", "search", "--name", "Trovelin"]
    janelas = ap.esperar(lambda: subprocess.run(procurar, capture_output=True, text=True,
                                                check=False).stdout.split(),
                         lambda: f"{idioma}: no installer window")
    titulo = rodar("xdotool", "getwindowname", janelas[0]).decode().strip()
    rodar(emulador, "taskkill", "/f", "/im", os.path.basename(instalador))
    processo.wait(30)
    return titulo


def nsis(compilado, emulador):
    """Opens the installer in the player's language; installs it silently under Wine over an
    older version, plays through the Start-menu shortcut, uninstalls."""
    desinstalacao = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
    with tempfile.TemporaryDirectory() as temporario:
        antiga = os.path.join(temporario, "antiga.cmake")  # it shipped a file this one does not
        Path(antiga).write_text('file(WRITE "${CMAKE_INSTALL_PREFIX}/NOTAS-ANTIGAS.txt" "1.9.0")')
        rodar("cpack", "-G", "NSIS", "-B", os.path.join(temporario, "antiga"), "-D",
              "CPACK_PACKAGE_VERSION=1.9.0", "-D", f"CPACK_INSTALL_SCRIPTS={antiga}", cwd=compilado)
        rodar("cpack", "-G", "NSIS", "-B", temporario, cwd=compilado)
        instalador = glob.glob(os.path.join(temporario, "*.exe"))[0]
        nova = re.search(r"trovelin-(.+)-win64", instalador).group(1)
        confere_versao(Path(instalador).read_bytes(), instalador)
        for idioma, titulo in IDIOMAS.items():
            visto = titulo_do_instalador(emulador, instalador, idioma)
            ap.confere(visto == titulo, f"{idioma}: the installer says {visto!r}")
        unidade_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
        for versao_ in glob.glob(os.path.join(temporario, "antiga", "*.exe")) + [instalador]:
            rodar(emulador, versao_, "/S")
        entradas = re.findall(rb"\\Uninstall\\.*Trovelin.*", registro(emulador, desinstalacao))
        ap.confere(len(entradas) == 1, f"uninstall entries: {entradas}")
        entrada = registro(emulador, desinstalacao + r"\Trovelin")
        pasta = re.search(rb"InstallLocation\s+REG_SZ\s+(.*?)\r?\n", entrada).group(1).decode()
        ap.confere(pasta == "C:\\Program Files\\Trovelin", f"installed in {pasta}")
        destino = os.path.join(unidade_c, *pasta[3:].split("\\"))
        ap.confere(sorted(os.listdir(destino)) == sorted(NO_ZIP + ["Uninstall.exe"]),
                   f"installed: {os.listdir(destino)}")
        atalhos = glob.glob(os.path.join(unidade_c, "**", "Start Menu", "**", "Trovelin.lnk"),
                            recursive=True)
        ap.confere(len(atalhos) == 1, f"Start-menu shortcuts: {atalhos}")
        alvo = alvo_do_atalho(atalhos[0])
        ap.confere(alvo.lower() == f"{pasta}\\trovelin.exe".lower(), f"the shortcut opens {alvo}")
        jogar(os.path.join(unidade_c, *alvo[3:].split("\\")), emulador, windows=True)
        for valor in (b"EstimatedSize", b"QuietUninstallString",
                      f"DisplayVersion    REG_SZ    {nova}".encode()):
            ap.confere(valor in entrada, f"no {valor} in the uninstall entry:\n{entrada}")
        rodar(emulador, os.path.join(destino, "Uninstall.exe"), "/S")
        # The uninstaller copies itself away and finishes later.
        ap.esperar(lambda: not os.path.exists(destino), lambda: "uninstall left the folder")
        for chave in (desinstalacao + r"\Trovelin", r"HKLM\Software\Empresa Zorvel"):
            ap.confere(not registro(emulador, chave), f"uninstall left {chave}")


def assinatura(fonte_, emulador):
    """With a code-signing certificate (made here for the run), the .exe, the installer and the
    uninstaller it installs are signed with it."""
    with tempfile.TemporaryDirectory() as temporario:
        certificado, chave = os.path.join(temporario, "cert.pem"), os.path.join(temporario, "k")
        rodar("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", chave,
              "-out", certificado, "-days", "2", "-subj", "/CN=Trovelin teste",
              "-addext", "extendedKeyUsage=codeSigning")
        pfx = os.path.join(temporario, "cert.pfx")
        rodar("openssl", "pkcs12", "-export", "-inkey", chave, "-in", certificado, "-out", pfx,
              "-passout", "pass:segredo")
        ambiente = {**os.environ, "TROVELIN_ASSINATURA_SENHA": "segredo"}
        compilado = os.path.join(temporario, "build")
        rodar("cmake", "--preset", "windows", "-S", fonte_, "-B", compilado, "-DBUILD_TESTING=OFF",
              f"-DTROVELIN_ASSINATURA={pfx}", cwd=fonte_, env=ambiente)
        rodar("cmake", "--build", compilado, "-j2", env=ambiente)
        rodar("cpack", "-G", "NSIS", cwd=compilado, env=ambiente)
        instalador = glob.glob(os.path.join(compilado, "trovelin-*.exe"))[0]
        rodar(emulador, instalador, "/S", "/D=C:\\Trovelin-assinado")
        pasta = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Trovelin-assinado")
        for programa in (os.path.join(compilado, "trovelin.exe"), instalador,
                         os.path.join(pasta, "Uninstall.exe")):
            rodar("osslsigncode", "verify", "-CAfile", certificado, "-in", programa)
        rodar(emulador, os.path.join(pasta, "Uninstall.exe"), "/S")


def manual(compilado):
    for pagina in glob.glob(os.path.join(compilado, "packaging", "*", "trovelin.6")):
        ap.confere("@" not in Path(pagina).read_text(), f"{pagina}: placeholder left")
        rodar("mandoc", "-Tlint", pagina, calado=True)
        rodar("groff", "-k", "-man", "-Tutf8", "-ww", "-z", pagina, calado=True)
    portugues = os.path.join(compilado, "packaging", "pt", "trovelin.6")
    texto = rodar("man", "-l", portugues, env={**os.environ, "MANWIDTH": "80", "LANG": "C.UTF-8"})
    for secao in ("DESCRIÇÃO", "STATUS DE SAÍDA", "número"):
        ap.confere(secao.encode() in texto, f"no {secao!r} in the Portuguese page")


def desktop(fonte_, compilado):
    with tempfile.TemporaryDirectory() as destino:
        rodar("cmake", "--install", compilado, "--prefix", "/opt/jogos",
              env={**os.environ, "DESTDIR": destino})
        entrada = os.path.join(destino, "opt", "jogos", "share", "applications", "trovelin.desktop")
        rodar("desktop-file-validate", entrada, calado=True)
        exec_ = re.search(r"^Exec=(.*)$", Path(entrada).read_text(), re.M).group(1)
        ap.confere(os.path.isfile(destino + exec_), f"Exec={exec_}: not the program installed")
    metainfo = os.path.join(compilado, "packaging", "invalid.zorvel.trovelin.metainfo.xml")
    rodar("appstreamcli", "validate", "--no-net", metainfo)
    ap.confere(f'version="{versao(fonte_)}"' in Path(metainfo).read_text(), "metainfo version")


CASOS = {"instalacao": instalacao, "deb": deb, "reproducivel": reproducivel, "fonte": fonte,
         "piuparts": piuparts, "zip": pacote_zip, "nsis": nsis, "assinatura": assinatura,
         "manual": manual, "desktop": desktop}


if __name__ == "__main__":
    CASOS[sys.argv[1]](*sys.argv[2:])
    print("PASS")
