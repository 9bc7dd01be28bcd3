"""What every test script shares: the game's texts and the escape bytes it writes, a reader of
a program's output as it comes, the player who finds a secret by halving, the start of a program
on a pseudo-terminal, and how a target's program runs here. The tests' environment puts this
folder on PYTHONPATH."""
import os
import pathlib
import pty
import re
import select
import subprocess
import sys
import termios
import time
import typing


def ler_textos():
    """The expected texts, from the file that the C++ transcript tests read too."""
    textos = {}
    caminho = os.path.join(os.path.dirname(__file__), "..", "textos_esperados.txt")
    with open(caminho, encoding="ascii") as arquivo:
        for linha in arquivo:
            nome, tab, texto = linha.rstrip("\n").partition("\t")
            if tab and not nome.startswith("#"):
                textos[nome] = texto.replace("\\n", "\n").encode()
    return textos


TEXTOS = ler_textos()
MENU = TEXTOS["menu"]
ADEUS = TEXTOS["adeus"]
INVALIDA = TEXTOS["invalida"]
REGRAS = TEXTOS["regras"]
SORTEANDO = TEXTOS["sorteando"]
FORA = TEXTOS["fora"]
CORES_07 = b"\x1b]10;#CCCCCC\x07\x1b]11;#0C0C0C\x07\x1b[39;49m"
CORES_64 = b"\x1b]10;#C50F1F\x07\x1b]11;#C19C00\x07\x1b[39;49m"
PERGUNTA = b"\x1b]10;?\x07\x1b[>c\x1b[c"  # does the terminal know OSC 10, and which is it
RESPOSTA_DO_XTERM = b"\x1b]10;rgb:0000/0000/0000\x1b\\\x1b[>41;379;0c\x1b[?64;1;2c"
# A terminal that ignores OSC 10/11 gets SGR colours, and its own while the player types.
RESPOSTA_DO_QTERMINAL = b"\x1b[>0;115;0c\x1b[?62;c"
SGR_07 = b"\x1b[38;2;204;204;204;48;2;12;12;12m"
SGR_64 = b"\x1b[38;2;197;15;31;48;2;193;156;0m"
SGR_DO_TERMINAL = b"\x1b[39;49m"
SGR256_07 = b"\x1b[38;5;252;48;5;232m"  # GNU screen passes 256-colour SGR only
PALETA_07 = b"\x1b]P00C0C0C\x1b]P7CCCCCC\x1b[39;49m"  # the Linux console's colours 0 and 7


def pedido(n):
    return TEXTOS["pedido"] % n


def menor(valor):
    return TEXTOS["menor"] % valor


def acerto(segredo):
    return TEXTOS["acerto"] % segredo


def padrao(*nomes):
    """A regex for any of these texts, with a group for each number."""
    return b"|".join(re.escape(TEXTOS[nome]).replace(re.escape(b"%d"), rb"(\d+)")
                     for nome in nomes)


def falhar(mensagem):
    print("FAIL:", mensagem)
    sys.exit(1)


class Pulado(Exception):
    """A case that cannot run here, and why: CTest reports it as skipped."""


def principal(casos, chamar=None, listar=None):
    """The one runner of every script. `--casos [ARGUMENT...]` prints the names of the cases
    its table declares (`listar` picks those for the arguments), for CMake to make a test of
    each; `NAME ARGUMENT...` runs that case (`chamar(NAME, ARGUMENT...)`, by default the table's
    function with the arguments) and says PASS, or FAIL and why (exit status 1), or SKIP and why
    (77, CTest's skip). A tool that is not installed is a skip that names it, unless
    TROVELIN_TUDO is set, as scripts/testar sets it: there every check must run."""
    if sys.argv[1] == "--casos":
        print(";".join(listar(*sys.argv[2:]) if listar else casos))
        return
    try:
        (chamar or (lambda nome, *argumentos: casos[nome](*argumentos)))(*sys.argv[1:])
    except FileNotFoundError as erro:
        if os.sep in str(erro.filename) or os.environ.get("TROVELIN_TUDO"):
            raise
        print(f"SKIP: {erro.filename} is not installed")
        sys.exit(77)
    except Pulado as pulado:
        print(f"SKIP: {pulado}")
        sys.exit(77)
    print("PASS")


def confere(condicao, mensagem):
    if not condicao:
        falhar(mensagem)


def esperar(condicao, falha, prazo=10.0):
    """Asks `condicao` until it holds, and returns what it gave; after `prazo` seconds, fails
    saying `falha()`."""
    limite = time.monotonic() + prazo
    while not (valor := condicao()):
        if time.monotonic() > limite:
            falhar(falha())
        time.sleep(0.02)
    return valor


def trocar(caminho, antes, depois):
    """Replaces the first `antes` in a text file, which must hold it ("" puts `depois` first)."""
    texto = pathlib.Path(caminho).read_text()
    confere(antes in texto, f"{caminho}: no {antes!r}")
    pathlib.Path(caminho).write_text(texto.replace(antes, depois, 1))


def dobrar(saida, windows):
    """A Windows console's CRLF line ends, folded to LF."""
    return saida.replace(b"\r\n", b"\n") if windows else saida


class Alvo(typing.NamedTuple):
    """How a program built for the target runs here: under its emulator (Wine, qemu-user with
    its arguments), and whether its console writes Windows' CRLF line ends."""
    emulador: tuple = ()
    windows: bool = False

    def comando(self, programa, *argumentos):
        return [*self.emulador, programa, *argumentos]

    def dobrar(self, saida):
        return dobrar(saida, self.windows)

    def executar(self, programa, entrada, *argumentos):
        """Runs to its end on `entrada`: it must succeed and say nothing on stderr."""
        feito = subprocess.run(self.comando(programa, *argumentos), input=entrada,
                               capture_output=True, timeout=30, check=False)
        confere(feito.returncode == 0, f"exit status {feito.returncode}")
        confere(feito.stderr == b"", f"stderr: {feito.stderr!r}")
        return self.dobrar(feito.stdout)


class Leitor:
    """Reads a program's output as it comes, failing if an expected text is late."""

    def __init__(self, fd, crlf=False):
        self.fd = fd
        self.crlf = crlf  # a Windows console's line ends, folded to LF
        self.tudo = b""
        self.visto = 0  # where the last text waited for ended

    def _ler(self, prazo):
        if not select.select([self.fd], [], [], max(prazo, 0))[0]:
            return None
        try:
            return os.read(self.fd, 4096)
        except OSError:  # a pty's master reads EIO once the child is gone
            return b""

    def ate(self, padrao, prazo=10):
        """Reads until `padrao` (a regex) matches past the text last waited for."""
        limite = time.monotonic() + prazo
        while not (achado := re.compile(padrao).search(self.tudo, self.visto)):
            bloco = self._ler(limite - time.monotonic())
            confere(bloco is not None, f"waited for {padrao!r}; have {self.tudo[-200:]!r}")
            confere(bloco, f"output ended while waiting for {padrao!r}")
            self.tudo = dobrar(self.tudo + bloco, self.crlf)
        self.visto = achado.end()
        return achado

    def resto(self, prazo=10):
        while bloco := self._ler(prazo):
            self.tudo = dobrar(self.tudo + bloco, self.crlf)
        return self.tudo


def jogar_busca_binaria(leitor, responder):
    """Plays one game by halving the range; returns the guesses and whether one hit."""
    baixo, alto, palpites = 1, 100, []
    for n in range(1, 6):
        leitor.ate(re.escape(pedido(n)) + rb"$")
        palpite = (baixo + alto) // 2
        palpites.append(palpite)
        responder(b"%d\n" % palpite)
        menor_, maior_, acertou = leitor.ate(padrao("menor", "maior", "acerto")).groups()
        confere(int(menor_ or maior_ or acertou) == palpite, f"answer to {palpite}")
        if acertou:
            return palpites, True
        if menor_:
            alto = palpite - 1
        else:
            baixo = palpite + 1
    segredo = int(leitor.ate(padrao("esgotadas")).group(1))
    confere(baixo <= segredo <= alto, f"secret {segredo} contradicts the answers")
    return palpites, False


def historico(palpites):
    linhas = b"".join(TEXTOS["historico_linha"] % (k + 1, p) for k, p in enumerate(palpites))
    return TEXTOS["historico"] + linhas + TEXTOS["historico_fim"]


def sem_eco(fd):
    """A terminal that neither echoes nor adds CRs, so that output reads as written."""
    atributos = termios.tcgetattr(fd)
    atributos[1] &= ~termios.OPOST
    atributos[3] &= ~termios.ECHO
    termios.tcsetattr(fd, termios.TCSANOW, atributos)


def no_terminal(comando, eco=False):
    """Starts `comando` on a pseudo-terminal that an xterm would be, TERM included; with
    `eco`, echo and line editing on, as a shell leaves the terminal. Returns its pid, a reader
    of the screen's bytes and a function that types."""
    pid, fd = pty.fork()
    if pid == 0:
        if not eco:
            sem_eco(0)
        os.execvpe(comando[0], comando, {**os.environ, "TERM": "xterm"})
    return pid, Leitor(fd), lambda texto: os.write(fd, texto)
