"""What every test script shares: the game's texts and the escape bytes it writes, one runner,
a program's output read as it comes, the player who finds a secret by halving, the start of a program
on a pseudo-terminal, and how a target's program runs here. The tests' environment puts this
folder on PYTHONPATH. pexpect is imported where it is used: without it, only the cases that
need it skip."""
import io
import os
import pathlib
import re
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
CORES_64 = b"\x1b]10;#A00D1A\x07\x1b]11;#F2C400\x07\x1b[39;49m"
PERGUNTA = b"\x1b]10;?\x07\x1b[>c\x1b[c"  # does the terminal know OSC 10, and which is it
RESPOSTA_DO_XTERM = b"\x1b]10;rgb:0000/0000/0000\x1b\\\x1b[>41;379;0c\x1b[?64;1;2c"
# A terminal that ignores OSC 10/11 gets SGR colours, and its own while the player types.
RESPOSTA_DO_QTERMINAL = b"\x1b[>0;115;0c\x1b[?62;c"
SGR_07 = b"\x1b[38;2;204;204;204;48;2;12;12;12m"
SGR_64 = b"\x1b[38;2;160;13;26;48;2;242;196;0m"
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
    except (FileNotFoundError, ModuleNotFoundError) as erro:
        falta = getattr(erro, "filename", None) or f"python3-{erro.name}"
        if os.sep in str(falta) or os.environ.get("TROVELIN_TUDO"):
            raise
        print(f"SKIP: {falta} is not installed")
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


def pelo_pipe(comando, windows=False):
    """Starts `comando` with pexpect on pipes, its stderr with its stdout; a Windows console's
    CRLF line ends are folded to LF in what is matched."""
    from pexpect import popen_spawn

    class Tubo(popen_spawn.PopenSpawn):
        meio = b""  # a CR whose LF may come in the next read

        def read_nonblocking(self, size, timeout):
            bloco = self.meio + super().read_nonblocking(size, timeout)
            if windows:
                bloco = dobrar(bloco, True)
                self.meio = b"\r" if bloco.endswith(b"\r") else b""
            return bloco[:len(bloco) - len(self.meio)]

    return com_registro(Tubo(comando, timeout=10))


def do_terminal(fd):
    """What the other end of a pseudo-terminal reads, with pexpect."""
    from pexpect import fdpexpect
    return com_registro(fdpexpect.fdspawn(fd, timeout=10))


def com_registro(sessao):
    sessao.logfile_read = io.BytesIO()
    return sessao


def tudo(sessao, prazo=10, windows=False):
    """Everything the program wrote, once its output has ended."""
    import pexpect
    sessao.expect(pexpect.EOF, timeout=prazo)
    return dobrar(sessao.logfile_read.getvalue(), windows)


def jogar_busca_binaria(sessao):
    """Plays one game by halving the range; returns the guesses and whether one hit."""
    baixo, alto, palpites = 1, 100, []
    for n in range(1, 6):
        sessao.expect(re.escape(pedido(n)) + rb"$")
        palpite = (baixo + alto) // 2
        palpites.append(palpite)
        sessao.send(b"%d\n" % palpite)
        sessao.expect(padrao("menor", "maior", "acerto"))
        menor_, maior_, acertou = sessao.match.groups()
        confere(int(menor_ or maior_ or acertou) == palpite, f"answer to {palpite}")
        if acertou:
            return palpites, True
        if menor_:
            alto = palpite - 1
        else:
            baixo = palpite + 1
    sessao.expect(padrao("esgotadas"))
    segredo = int(sessao.match.group(1))
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
    """Starts `comando` with pexpect on a pseudo-terminal that an xterm would be, TERM
    included; with `eco`, echo and line editing on, as a shell leaves the terminal."""
    import pexpect
    return com_registro(pexpect.spawn(comando[0], comando[1:], timeout=10,
                                      env={**os.environ, "TERM": "xterm"},
                                      preexec_fn=None if eco else lambda: sem_eco(0)))
