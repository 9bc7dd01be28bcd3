#!/usr/bin/env python3
"""Checks what players and packagers get: the installed tree, each package, the manuals.

Usage: pacote.py CASE ARGUMENTS...
  instalacao BUILD_DIR PROGRAM SYSTEM [EMULATOR...]  install into a temporary prefix, play there
  construcao SOURCE_DIR PACKAGES_DIR [TOOLCHAIN]  the .deb and .rpm as README builds them, once
  deb SOURCE_DIR PACKAGES_DIR [EMULATOR...]  that .deb: lintian, hardening, installed, played
  rpm SOURCE_DIR PACKAGES_DIR [EMULATOR...]  that .rpm likewise: rpmlint, installed by rpm, played
  estatico SOURCE_DIR [TOOLCHAIN [EMULATOR...]]  the static build's .tar.gz, played in an empty root
  reproducivel SOURCE_DIR BUILT_DIR SYSTEM [TOOLCHAIN]  built again elsewhere, later, other umask:
                                           the same .deb and .rpm, or .exe and .zip for Windows
  fonte SOURCE_DIR                         the release tarball, built by Debian's, RPM's and Arch's tools
  piuparts SOURCE_DIR PACKAGES_DIR         the .deb installs, upgrades and purges, here and newer
  zip BUILD_DIR                            the Windows .zip: program, licence, read-me
  nsis BUILD_DIR EMULATOR                  the Windows installer: its language, an upgrade, play
  assinatura SOURCE_DIR EMULATOR           with a certificate, the .exe and (un)installer signed
  manual BUILD_DIR                         both manual pages lint clean
  desktop SOURCE_DIR BUILD_DIR             desktop entry and AppStream metainfo validate
"""
import datetime
import email.utils
import errno
import functools
import os
import re
import shutil
import subprocess
import tarfile
import tempfile
import typing
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
NO_TAR = ["LICENSE", "man/man6/trovelin.6.gz", "man/pt/man6/trovelin.6.gz", "trovelin"]
# The Debian releases a .deb is built for, oldest first: it is built on the oldest.
DEBIAN = ["bookworm", "trixie"]
ESPERADO = ap.MENU + ap.REGRAS + ap.MENU + ap.INVALIDA + ap.MENU + ap.ADEUS
# The Debian packages of the tools that hold another name.
PACOTES = {"dpkg-shlibdeps": "dpkg-dev", "dpkg-scanpackages": "dpkg-dev", "rpmbuild": "rpm",
           "hardening-check": "devscripts"}
# The oldest C library the packages serve: Ubuntu 22.04's is 2.35, RHEL 9's 2.34.
PISO_DA_GLIBC = (2, 34)


def rodar(*comando, calado=False, vezes=1, **opcoes):
    """Runs a command that must pass, in at most `vezes` tries; `calado`, a checker that must
    also say nothing at all."""
    for _ in range(vezes):
        feito = subprocess.run(comando, capture_output=True, timeout=900, check=False, **opcoes)
        if feito.returncode == 0:
            break
    dito = (feito.stdout[-3000:] + feito.stderr[-3000:]).decode(errors="replace")
    ap.confere(feito.returncode == 0 and not (calado and dito.strip()),
               f"{' '.join(map(str, comando))}: exit status {feito.returncode}\n{dito}")
    return feito.stdout


def exigir(*programas):
    """Looks for the programs a case runs, before it starts, so that one not installed skips it
    naming its Debian package (or, under scripts/testar, fails it), not halfway through."""
    for programa in programas:
        if not shutil.which(programa):
            raise FileNotFoundError(errno.ENOENT, "not installed", PACOTES.get(programa, programa))


def so_um(pasta, padrao):
    """The one file in `pasta` (a Path) that `padrao` names, as a tool made it."""
    achados = list(pasta.glob(padrao))
    ap.confere(len(achados) == 1, f"{pasta}/{padrao}: {achados}")
    return achados[0]


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


def instalacao(prefixo, compilado, programa, sistema, *emulador):
    rodar("cmake", "--install", compilado, "--prefix", prefixo)
    pasta = "." if sistema == "Windows" else "games"  # games/ under /usr/local, as on Debian
    instalado = prefixo / pasta / Path(programa).name
    ap.confere(instalado.is_file(), f"no {instalado}")
    jogar(instalado, *emulador, windows=sistema == "Windows")
    if sistema != "Windows":
        for idioma, titulo in (("", b"NAME"), ("pt", "NOME".encode())):
            manual = prefixo / "share" / "man" / idioma / "man6" / "trovelin.6.gz"
            ap.confere(titulo in rodar("man", "-l", manual), f"installed manual {manual}")


def construir_pacotes(fonte, compilado, umask=0o022, cadeia="", *opcoes, formatos=("deb",)):
    """Configures, builds and packs as README says, for the toolchain's target if one is given;
    returns the paths of the packages in `formatos`, the .deb alone by default."""
    exigir(*({"deb": "dpkg-shlibdeps", "rpm": "rpmbuild"}[formato] for formato in formatos))
    rodar("cmake", "--preset", "jogo", "-S", fonte, "-B", compilado,
          f"-DCMAKE_TOOLCHAIN_FILE={cadeia}", *opcoes, cwd=fonte, umask=umask)
    rodar("cmake", "--build", compilado, "-j2", umask=umask)
    pacotes = []
    for formato in formatos:
        rodar("cpack", "-G", formato.upper(), cwd=compilado, umask=umask)
        pacotes.append(so_um(compilado, f"*.{formato}"))
    return pacotes


def rpm(raiz, *argumentos):
    return rodar("rpm", "--root", raiz, "--dbpath", "/var/lib/rpm", *argumentos)


def pacman(raiz, *argumentos):
    """pacman on a scratch root, with a configuration of its own: no space check, which cannot
    find the root's mount point inside a chroot."""
    (raiz / "var" / "lib" / "pacman").mkdir(parents=True, exist_ok=True)
    configuracao = raiz.parent / "pacman.conf"
    configuracao.write_text("[options]\nArchitecture = auto\n")
    return rodar("pacman", "--config", configuracao, "--root", raiz, "--dbpath",
                 raiz / "var" / "lib" / "pacman", "--noconfirm", *argumentos)


def rpmlint(*alvos):
    """rpmlint finds no error but the signature an unsigned package lacks."""
    dito = subprocess.run(["rpmlint", *alvos], capture_output=True, check=False).stdout.decode()
    erros = [linha for linha in dito.splitlines() if ": E: " in linha and "no-signature" not in linha]
    ap.confere(not erros, f"rpmlint:\n{dito}")


def acima_do_piso(texto):
    """The glibc versions that a symbol table, Depends or Requires names above the floor."""
    versoes = re.findall(r"(?:GLIBC_|libc6 \(>= )(\d+)\.(\d+)", texto.decode())
    return [v for v in versoes if tuple(map(int, v)) > PISO_DA_GLIBC]


def conferir_deb(pacote, versao_):
    lintian(pacote, "--pedantic", "-I", "--fail-on", "error,warning,info,pedantic")
    ap.confere(rodar("dpkg-deb", "-f", pacote, "Version").decode().strip() == versao_,
               "package version")
    depende = rodar("dpkg-deb", "-f", pacote, "Depends")
    ap.confere(depende.startswith(b"libc6 (>= ") and not acima_do_piso(depende), depende)


def conferir_rpm(pacote, versao_):
    """rpmlint; the version; the C library required; no folder owned but its own."""
    rpmlint(pacote)
    ap.confere(rodar("rpm", "-qp", "--qf", "%{VERSION}-%{RELEASE}", pacote).decode()
               == f"{versao_}-1", "package version")
    requer = rodar("rpm", "-qp", "--requires", pacote)
    ap.confere(b"libc.so.6" in requer and not acima_do_piso(requer), requer)
    listados = rodar("rpm", "-qp", "--qf", "[%{FILEMODES:perms} %{FILENAMES}\n]", pacote)
    pastas = [linha.split()[1] for linha in listados.decode().splitlines() if linha[0] == "d"]
    ap.confere(pastas == ["/usr/share/licenses/trovelin"], f"folders owned: {pastas}")


class Familia(typing.NamedTuple):
    """How a family of distributions lays the game out below /usr, and puts a package into a
    scratch root and takes it out again, with its own tools."""
    layout: list
    instalar: typing.Callable
    remover: typing.Callable = lambda _raiz: None  # unpacked by dpkg-deb, not installed
    conferir: typing.Callable = None  # the package as cpack makes it: its linter and fields
    ferramentas: tuple = ()  # the programs that check it


FAMILIAS = {
    "deb": Familia(["games/trovelin", "share/doc/trovelin/changelog.gz",
                    "share/doc/trovelin/copyright"],
                   lambda raiz, pacote: rodar("dpkg-deb", "-x", pacote, raiz),
                   conferir=conferir_deb, ferramentas=("lintian", "hardening-check")),
    "rpm": Familia(["bin/trovelin", "share/licenses/trovelin/LICENSE"],
                   lambda raiz, pacote: (rpm(raiz, "--initdb"),
                                         rpm(raiz, "-i", "--nodeps", "--ignorearch", pacote)),
                   lambda raiz: rpm(raiz, "-e", "trovelin"), conferir_rpm, ("rpm", "rpmlint")),
    "pacman": Familia(["bin/trovelin", "share/licenses/trovelin/LICENSE"],
                      lambda raiz, pacote: pacman(raiz, "-U", "--nodeps", "--nodeps", pacote),
                      lambda raiz: pacman(raiz, "-R", "trovelin")),
}
COMUNS = ["share/applications/trovelin.desktop", "share/icons/hicolor/scalable/apps/trovelin.svg",
          "share/man/man6/trovelin.6.gz", "share/man/pt/man6/trovelin.6.gz",
          "share/metainfo/invalid.zorvel.trovelin.metainfo.xml"]


def arquivos(raiz):
    """The files below the root's /usr (links aside: rpmbuild's build-id ones)."""
    return sorted(str(f.relative_to(raiz / "usr")) for f in (raiz / "usr").rglob("*")
                  if f.is_file() and not f.is_symlink())


def instalado(raiz, pacote, formato, *emulador):
    """Installs the package into a scratch root, finds there exactly its family's files, plays
    the program its desktop entry names, and removes it, leaving no file behind; returns the
    program."""
    familia = FAMILIAS[formato]
    familia.instalar(raiz, pacote)
    ap.confere(arquivos(raiz) == sorted(COMUNS + familia.layout), f"installed {arquivos(raiz)}")
    entrada = (raiz / "usr" / "share" / "applications" / "trovelin.desktop").read_text()
    programa = Path(f"{raiz}{re.search(r'^Exec=(.*)$', entrada, re.M)[1]}")
    ap.confere(programa == raiz / "usr" / familia.layout[0], f"Exec: not the program: {programa}")
    jogar(programa, *emulador)
    familia.remover(raiz)
    ap.confere(formato == "deb" or not arquivos(raiz), f"left behind: {arquivos(raiz)}")
    return programa


def construcao(_temporario, fonte_, pacotes, cadeia=""):
    """The .deb and the .rpm as README's plain commands make them, for the toolchain's target:
    built once, for the cases that check them. The prefix is left as it is (/usr/local):
    cpack installs to /usr."""
    shutil.rmtree(pacotes, ignore_errors=True)
    construir_pacotes(fonte_, Path(pacotes), 0o002, cadeia, formatos=("deb", "rpm"))


def binario(formato, temporario, fonte_, pacotes, *emulador):
    """The package, checked by its family's own linter, and installed, played and removed in a
    scratch root by its family's own tool. The .deb's program must also pass hardening-check,
    carry the C++ runtime it needs and need no glibc above the floor."""
    exigir(*FAMILIAS[formato].ferramentas)
    pacote = so_um(Path(pacotes), f"*.{formato}")
    FAMILIAS[formato].conferir(pacote, versao(fonte_))
    jogo = instalado(temporario / "raiz", pacote, formato, *emulador)
    if formato == "deb":
        # Control-flow protection (x86's CET) and branch protection (arm64's BTI and PAC, which
        # Debian 13's hardening-check asks for, and 12's does not know) need marks that Debian
        # 12's compilers do not give the C++ runtime linked in.
        ajuda = subprocess.run(["hardening-check", "--help"], capture_output=True).stdout
        rodar("hardening-check", "--nocfprotection",
              *(["--nobranchprotection"] if b"--nobranchprotection" in ajuda else []), jogo)
        ap.confere(b"libstdc++" not in rodar("readelf", "-d", jogo), "needs the shared C++ runtime")
        ap.confere(not acima_do_piso(rodar("readelf", "-V", jogo)), f"{jogo} needs a newer glibc")


def estatico(temporario, fonte_, cadeia="", *emulador):
    """The fully static build's archive, as README makes it, for the toolchain's target: one
    folder holding the program, both manuals and the licence. The program asks for no loader
    and no library, and plays in a root that holds nothing else (natively; a cross build's
    under its emulator, which needs a root of its own)."""
    compilado = temporario / "estatico"
    rodar("cmake", "--preset", "estatico", "-B", compilado, f"-DCMAKE_TOOLCHAIN_FILE={cadeia}",
          cwd=fonte_)
    rodar("cmake", "--build", compilado, "-j2")
    rodar("cpack", cwd=compilado)
    arquivo = so_um(compilado, f"trovelin-{versao(fonte_)}-linux-*.tar.gz")
    pasta = arquivo.name.removesuffix(".tar.gz")
    ap.confere(re.search(r"-linux-(x86_64|aarch64|armhf)$", pasta), arquivo.name)
    with tarfile.open(arquivo) as tar:
        nomes = sorted(m.name for m in tar.getmembers() if not m.isdir())
        tar.extractall(temporario)
    ap.confere(nomes == [f"{pasta}/{nome}" for nome in NO_TAR], f"the archive holds {nomes}")
    raiz = temporario / "raiz"
    raiz.mkdir()
    programa = shutil.copy(temporario / pasta / "trovelin", raiz)
    cabecalhos = rodar("readelf", "--program-headers", "--dynamic", programa)
    ap.confere(b"INTERP" not in cabecalhos and b"NEEDED" not in cabecalhos, "not fully static")
    if emulador:
        jogar(programa, *emulador)
    else:
        jogar("/trovelin", *(["chroot"] if os.geteuid() == 0 else ["unshare", "-r", "chroot"]),
              raiz)


def reproducivel(temporario, fonte_, construido, sistema, cadeia=""):
    """The same commit built again, elsewhere, later, under another umask, gives the same bytes
    as the build the other cases check: its .deb and .rpm, or for Windows its .exe and .zip."""
    codigo = temporario / "um" / "caminho" / "mais" / "longo" / "trovelin"
    shutil.copytree(fonte_, codigo, symlinks=True,
                    ignore=shutil.ignore_patterns("build", "__pycache__", "node_modules"))
    if sistema == "Windows":
        primeiros = [Path(construido, "trovelin.exe"),
                     empacotar(construido, "ZIP", destino=temporario / "zip")]
        segundos = construir_windows(codigo, 0o022)
    else:
        segundos = construir_pacotes(codigo, codigo / "build" / "jogo", 0o022, cadeia,
                                     formatos=("deb", "rpm"))
        primeiros = [so_um(Path(construido), f"*.{formato}") for formato in ("deb", "rpm")]
    for primeiro, segundo in zip(primeiros, segundos):
        ap.confere(primeiro.read_bytes() == segundo.read_bytes(), f"{primeiro.name} differs")


def construir_windows(codigo, umask):
    """The .exe and the .zip, as README builds them."""
    rodar("cmake", "--preset", "windows", "-DBUILD_TESTING=OFF", cwd=codigo, umask=umask)
    rodar("cmake", "--build", "--preset", "windows", cwd=codigo, umask=umask)
    windows = codigo / "build" / "windows"
    return [windows / "trovelin.exe", empacotar(windows, "ZIP", umask=umask)]


def subir_versao(clone):
    """A release as README describes it: the version in project() and a changelog entry."""
    atual = versao(clone)
    nova = re.sub(r"\d+$", lambda ultimo: str(int(ultimo.group()) + 1), atual)
    for nome, antes, depois in (
            ("CMakeLists.txt", f"VERSION {atual}", f"VERSION {nova}"),
            ("packaging/debian/changelog", "", f"trovelin ({nova}) unstable; urgency=medium\n\n"
             "  * The next release.\n\n -- Empresa Zorvel <jogos@zorvel.invalid>  "
             f"{email.utils.format_datetime(datetime.datetime.now(datetime.timezone.utc))}\n\n")):
        ap.trocar(clone / nome, antes, depois)
    rodar("git", "-c", "user.name=Teste", "-c", "user.email=teste@zorvel.invalid", "commit",
          "--quiet", "-am", f"Release {nova}", cwd=clone)


def clone_da_proxima(codigo, clone):
    """A clone of the sources with the next release made in it."""
    rodar("git", "clone", "--quiet", codigo, clone)
    subir_versao(clone)
    return clone


def changelog_da_distribuicao(arvore):
    """The distribution's changelog follows the release's: its version, revision 1."""
    linhas = (arvore / "packaging" / "debian" / "changelog").read_text().splitlines()
    assinatura = next(linha for linha in linhas if linha.startswith(" -- "))
    lancamento = re.match(r"trovelin \((.+?)\)", linhas[0]).group(1)
    (arvore / "debian" / "changelog").write_text(
        f"trovelin ({lancamento}-1) unstable; urgency=medium\n\n  * Initial release.\n\n"
        f"{assinatura}\n")


def fonte(temporario, codigo):
    """The tarball of a clone under a path holding /build/, with an untracked file beside the
    sources and the next version made as README says, holds the commit's files exactly;
    Debian's own tools build it, offline, with no terminal and no display, its tests passing
    and lintian finding nothing; and again with the nocheck profile, needing no test tool.
    rpmbuild -ta and makepkg build it too, with and without their tests."""
    clone = clone_da_proxima(codigo, temporario / "build" / "trovelin")
    (clone / "notas.txt").write_text("not for the tarball\n")
    rodar("cmake", "--preset", "jogo", cwd=clone)
    rodar("cmake", "--build", "--preset", "jogo", "--target", "dist", cwd=clone)
    nome = f"trovelin-{versao(clone)}"
    pacote = clone / "build" / "jogo" / f"{nome}.tar.gz"
    debian = temporario / "debian"
    with tarfile.open(pacote) as arquivo:
        nomes = sorted(m.name for m in arquivo.getmembers() if not m.isdir())
        arquivo.extractall(debian)
    commit = sorted([f"{nome}/trovelin.spec", *(
        f"{nome}/{n}" for n in rodar("git", "ls-files", cwd=clone).decode().split())])
    ap.confere(nomes == commit, f"tarball and commit differ: {set(nomes) ^ set(commit)}")
    shutil.copy(pacote, debian / f"trovelin_{versao(clone)}.orig.tar.gz")
    arvore = debian / nome
    shutil.copytree(Path(__file__).parent / "debian", arvore / "debian")
    shutil.copy(arvore / "packaging" / "debian" / "copyright", arvore / "debian")
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
    lintian(so_um(debian, "*.changes"), "--fail-on", "error,warning")  # info: a fixture
    # As Fedora's, openSUSE's and Arch's packagers build it, each family's own way; its tests
    # run, unless told not to, and its packages install, play and go.
    for construir, familia in ((rpmbuild, "rpm"), (makepkg, "pacman")):
        (temporario / familia).mkdir()
        for sem_testes in (False, True):
            registro_da_construcao, feito = construir(temporario / familia, pacote, sem_testes)
            ap.confere((b"100% tests passed" in registro_da_construcao) != sem_testes,
                       f"{familia}: tests run {not sem_testes}?")
        instalado(temporario / familia / "raiz", feito, familia)


def rpmbuild(pasta, tarball, sem_testes):
    """rpmbuild -ta, offline, with Debian's rpm knowing no packages: its log and the package."""
    registro = rodar("rpmbuild", "-ta", "--nodeps", "--define", f"_topdir {pasta}",
                     *(["--nocheck"] if sem_testes else []), tarball, stdin=subprocess.DEVNULL)
    rpmlint(pasta / "SRPMS", pasta / "RPMS", tarball.parent / "packaging" / "trovelin.spec")
    return registro, so_um(pasta / "RPMS", "*/trovelin-[0-9]*.rpm")  # not its debuginfo


def makepkg(pasta, tarball, sem_testes):
    """makepkg with the PKGBUILD the tarball's build wrote, as a user (it refuses root): root
    runs it as nobody, in a folder below /tmp, which nobody reaches even where root's own
    TMPDIR is private (libpam-tmpdir's, mode 0700)."""
    como = ["runuser", "-u", "nobody", "--"] if os.geteuid() == 0 else []
    with tempfile.TemporaryDirectory(dir="/tmp" if como else pasta) as casa:
        for nome in (tarball, tarball.parent / "PKGBUILD"):
            shutil.copy(nome, casa)
        if como:
            os.chmod(casa, 0o755)
            shutil.chown(casa, "nobody")
        ambiente = {**os.environ, "HOME": casa, "PKGDEST": casa, "TMPDIR": casa}
        registro = rodar(*como, "makepkg", "--nodeps", "--force", "--cleanbuild",
                         *(["--nocheck"] if sem_testes else []), cwd=casa, env=ambiente)
        srcinfo = rodar(*como, "makepkg", "--printsrcinfo", cwd=casa, env=ambiente)
        ap.confere(srcinfo == (tarball.parent / ".SRCINFO").read_bytes(),
                   ".SRCINFO is not makepkg's")
        return registro, Path(shutil.copy(so_um(Path(casa), "*.pkg.tar.*"), pasta))


def piuparts(temporario, fonte_, pacotes):
    """piuparts installs and purges the next release's .deb, and upgrades to it from this
    release's, both made the plain way, on this Debian and on every newer one: the .deb built
    on the oldest serves them all. Its base systems come from the mirror once and are kept."""
    if os.geteuid() != 0:
        raise ap.Pulado("piuparts works in a chroot: root's")
    exigir("piuparts", "dpkg-scanpackages")
    esta = re.search(r"^VERSION_CODENAME=(\w+)", Path("/etc/os-release").read_text(), re.M)[1]
    repositorio = temporario / "repositorio"
    repositorio.mkdir()
    shutil.copy(so_um(Path(pacotes), "*.deb"), repositorio)
    (repositorio / "Packages").write_bytes(rodar("dpkg-scanpackages", ".", cwd=repositorio))
    clone = clone_da_proxima(fonte_, temporario / "clone")
    [proxima] = construir_pacotes(clone, clone / "build" / "jogo")
    for distribuicao in DEBIAN[DEBIAN.index(esta):] if esta in DEBIAN else [esta]:
        base = Path(os.environ.get("XDG_CACHE_HOME", Path.home() / ".cache"), "trovelin",
                    f"piuparts-{distribuicao}.tgz")
        base.parent.mkdir(parents=True, exist_ok=True)
        registro_ = rodar("piuparts", "-d", distribuicao, "-b" if base.exists() else "-s", base,
                          "--bindmount", repositorio,
                          "--extra-repo", f"deb [trusted=yes] file://{repositorio} ./",
                          # debconf's own scratch folder on Debian 13, which only its piuparts
                          # knows to pass over
                          "--ignore", "/var/cache/debconf/tmp.ci/", proxima,
                          vezes=3)  # a mirror caught mid-sync fails now and then
        ap.confere(b"PASS: Installation, upgrade and purging tests." in registro_,
                   f"piuparts tried no upgrade on {distribuicao}")


def confere_versao(executavel, nome):
    for texto in ("ProductVersion", "Empresa Zorvel"):
        ap.confere(texto.encode("utf-16-le") in executavel, f"no {texto} in {nome}")


def empacotar(compilado, gerador, *opcoes, destino=None, **mais):
    """The package cpack's generator makes from the build, into `destino`, or as README's
    commands leave it, in the build's own folder."""
    rodar("cpack", "-G", gerador, *(["-B", destino] if destino else []), *opcoes, cwd=compilado,
          **mais)
    return so_um(Path(destino or compilado), {"ZIP": "trovelin-*.zip",
                                               "NSIS": "trovelin-*.exe"}[gerador])


def pacote_zip(temporario, compilado):
    arquivo = zipfile.ZipFile(empacotar(compilado, "ZIP", destino=temporario))
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
    rodar(emulador, "taskkill", "/f", "/im", instalador.name)
    processo.wait(30)
    return titulo


def no_wine(caminho):
    """Where a path of Wine's C: drive lies here."""
    return Path(os.environ["WINEPREFIX"], "drive_c", *caminho[3:].split("\\"))


def nsis(temporario, compilado, emulador):
    """Opens the installer in the player's language; installs it silently under Wine over an
    older version, plays through the Start-menu shortcut, uninstalls."""
    desinstalacao = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
    antiga = temporario / "antiga.cmake"  # it shipped a file this one does not
    antiga.write_text('file(WRITE "${CMAKE_INSTALL_PREFIX}/NOTAS-ANTIGAS.txt" "1.9.0")')
    anterior = empacotar(compilado, "NSIS", "-D", "CPACK_PACKAGE_VERSION=1.9.0", "-D",
                         f"CPACK_INSTALL_SCRIPTS={antiga}", destino=temporario / "antiga")
    instalador = empacotar(compilado, "NSIS", destino=temporario)
    nova = re.search(r"trovelin-(.+)-win64", instalador.name).group(1)
    confere_versao(instalador.read_bytes(), instalador)
    for idioma, titulo in IDIOMAS.items():
        visto = titulo_do_instalador(emulador, instalador, idioma)
        ap.confere(visto == titulo, f"{idioma}: the installer says {visto!r}")
    for versao_ in (anterior, instalador):
        rodar(emulador, versao_, "/S")
    entradas = re.findall(rb"\\Uninstall\\.*Trovelin.*", registro(emulador, desinstalacao))
    ap.confere(len(entradas) == 1, f"uninstall entries: {entradas}")
    entrada = registro(emulador, desinstalacao + r"\Trovelin")
    pasta = re.search(rb"InstallLocation\s+REG_SZ\s+(.*?)\r?\n", entrada).group(1).decode()
    ap.confere(pasta == "C:\\Program Files\\Trovelin", f"installed in {pasta}")
    destino = no_wine(pasta)
    instalados = sorted(p.name for p in destino.iterdir())
    ap.confere(instalados == sorted(NO_ZIP + ["Uninstall.exe"]), f"installed: {instalados}")
    atalhos = list(no_wine("C:\\").glob("**/Start Menu/**/Trovelin.lnk"))
    ap.confere(len(atalhos) == 1, f"Start-menu shortcuts: {atalhos}")
    alvo = alvo_do_atalho(atalhos[0])
    ap.confere(alvo.lower() == f"{pasta}\\trovelin.exe".lower(), f"the shortcut opens {alvo}")
    jogar(no_wine(alvo), emulador, windows=True)
    for valor in (b"EstimatedSize", b"QuietUninstallString",
                  f"DisplayVersion    REG_SZ    {nova}".encode()):
        ap.confere(valor in entrada, f"no {valor} in the uninstall entry:\n{entrada}")
    rodar(emulador, destino / "Uninstall.exe", "/S")
    # The uninstaller copies itself away and finishes later.
    ap.esperar(lambda: not destino.exists(), lambda: "uninstall left the folder")
    for chave in (desinstalacao + r"\Trovelin", r"HKLM\Software\Empresa Zorvel"):
        ap.confere(not registro(emulador, chave), f"uninstall left {chave}")


def assinatura(temporario, fonte_, emulador):
    """With a code-signing certificate (made here for the run), the .exe, the installer and the
    uninstaller it installs are signed with it."""
    certificado, chave, pfx = (temporario / nome for nome in ("cert.pem", "k", "cert.pfx"))
    rodar("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", chave,
          "-out", certificado, "-days", "2", "-subj", "/CN=Trovelin teste",
          "-addext", "extendedKeyUsage=codeSigning")
    rodar("openssl", "pkcs12", "-export", "-inkey", chave, "-in", certificado, "-out", pfx,
          "-passout", "pass:segredo")
    ambiente = {**os.environ, "TROVELIN_ASSINATURA_SENHA": "segredo"}
    compilado = temporario / "build"
    rodar("cmake", "--preset", "windows", "-S", fonte_, "-B", compilado, "-DBUILD_TESTING=OFF",
          f"-DTROVELIN_ASSINATURA={pfx}", cwd=fonte_, env=ambiente)
    rodar("cmake", "--build", compilado, "-j2", env=ambiente)
    instalador = empacotar(compilado, "NSIS", env=ambiente)
    rodar(emulador, instalador, "/S", "/D=C:\\Trovelin-assinado")
    pasta = no_wine("C:\\Trovelin-assinado")
    for programa in (compilado / "trovelin.exe", instalador, pasta / "Uninstall.exe"):
        rodar("osslsigncode", "verify", "-CAfile", certificado, "-in", programa)
    rodar(emulador, pasta / "Uninstall.exe", "/S")


def manual(_temporario, compilado):
    for pagina in Path(compilado, "packaging").glob("*/trovelin.6"):
        ap.confere("@" not in pagina.read_text(), f"{pagina}: placeholder left")
        rodar("mandoc", "-Tlint", pagina, calado=True)
        rodar("groff", "-k", "-man", "-Tutf8", "-ww", "-z", pagina, calado=True)
    portugues = Path(compilado, "packaging", "pt", "trovelin.6")
    texto = rodar("man", "-l", portugues, env={**os.environ, "MANWIDTH": "80", "LANG": "C.UTF-8"})
    for secao in ("DESCRIÇÃO", "STATUS DE SAÍDA", "número"):
        ap.confere(secao.encode() in texto, f"no {secao!r} in the Portuguese page")


def desktop(destino, fonte_, compilado):
    rodar("cmake", "--install", compilado, "--prefix", "/opt/jogos",
          env={**os.environ, "DESTDIR": str(destino)})
    entrada = destino / "opt" / "jogos" / "share" / "applications" / "trovelin.desktop"
    rodar("desktop-file-validate", entrada, calado=True)
    exec_ = re.search(r"^Exec=(.*)$", entrada.read_text(), re.M).group(1)
    ap.confere(Path(f"{destino}{exec_}").is_file(), f"Exec={exec_}: not the program installed")
    metainfo = Path(compilado, "packaging", "invalid.zorvel.trovelin.metainfo.xml")
    rodar("appstreamcli", "validate", "--no-net", metainfo)
    ap.confere(f'version="{versao(fonte_)}"' in metainfo.read_text(), "metainfo version")


CASOS = {"instalacao": instalacao, "construcao": construcao, "deb": functools.partial(binario, "deb"),
         "rpm": functools.partial(binario, "rpm"), "reproducivel": reproducivel, "fonte": fonte,
         "estatico": estatico, "piuparts": piuparts, "zip": pacote_zip, "nsis": nsis,
         "assinatura": assinatura, "manual": manual, "desktop": desktop}


def executar(nome, *argumentos):
    with tempfile.TemporaryDirectory() as pasta_temporaria:  # each case's own, gone after it
        CASOS[nome](Path(pasta_temporaria), *argumentos)


if __name__ == "__main__":
    ap.principal(CASOS, executar)
