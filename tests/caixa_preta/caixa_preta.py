#!/usr/bin/env python3
"""Black-box tests of the real program: pipes, a pseudo-terminal, full disks.

Usage: caixa_preta.py CASE TROVELIN TROVELIN_SECRET_42 SYSTEM [EMULATOR...],
or caixa_preta.py --casos SYSTEM for the names of the cases that SYSTEM runs.

With an EMULATOR (Wine, qemu-user with its arguments) the programs run under
it. When SYSTEM (the target's CMake system name) is Windows, the console's
CRLF line ends are folded to LF before comparing.
"""
import os
import pty
import re
import resource
import signal
import subprocess
import tempfile
import termios
import threading
import time

from apoio import (ADEUS, CORES_07, CORES_64, FORA, INVALIDA, MENU, PALETA_07, PERGUNTA, REGRAS,
                   RESPOSTA_DO_QTERMINAL, RESPOSTA_DO_XTERM, SGR256_07, SGR_07, SGR_64,
                   SGR_DO_TERMINAL, SORTEANDO, Alvo, Pulado, acerto, confere, do_terminal,
                   historico, jogar_busca_binaria, no_terminal, padrao, pedido, pelo_pipe,
                   principal, sem_eco, tudo)

ALVO = Alvo()  # how this run's programs start, from the command line


def transcricao_pelo_pipe(programa, _):
    saida = ALVO.executar(programa, b"2\n0\nabc\n3\n")
    esperado = MENU + REGRAS + MENU + INVALIDA + MENU + INVALIDA + MENU + ADEUS
    confere(saida == esperado, f"got {saida!r}")


def argumentos_ignorados(programa, _):
    entrada = b"2 9 3"
    confere(ALVO.executar(programa, entrada, "--help", "-v", "x")
            == ALVO.executar(programa, entrada), "arguments changed the output")


def fim_da_entrada_no_jogo(programa, _):
    """Input ends in a game: the game ends at once, after the pause a player sees."""
    sessao = pelo_pipe(ALVO.comando(programa), ALVO.windows)
    sessao.send(b"1\n0\n")
    sessao.sendeof()
    sessao.expect(re.escape(SORTEANDO), timeout=30)  # start-up under Wine can be slow; not timed
    inicio = time.monotonic()
    sessao.expect(re.escape(pedido(1)))
    duracao = time.monotonic() - inicio
    saida = tudo(sessao, windows=ALVO.windows)
    confere(sessao.wait() == 0, "exit status")
    confere(saida == MENU + SORTEANDO + pedido(1) + FORA + pedido(1) + b"\n", f"got {saida!r}")
    confere(1.5 <= duracao < 10, f"the pause took {duracao:.2f} s")


def partida_interativa_pelo_pipe(programa, _):
    """A program at the other end of a pipe sees each prompt before answering it."""
    sessao = pelo_pipe(ALVO.comando(programa), ALVO.windows)
    sessao.expect(re.escape(MENU) + rb"$")
    sessao.send(b"1\n")
    sessao.expect(re.escape(SORTEANDO), timeout=1)  # shown during the pause, not after it
    inicio = time.monotonic()
    sessao.expect(b"(?=" + re.escape(pedido(1)) + b")")  # left for the game below to wait for
    confere(time.monotonic() - inicio > 1.5, "no pause after the draw")
    palpites, _ = jogar_busca_binaria(sessao)
    sessao.expect(re.escape(historico(palpites) + MENU) + rb"$")
    sessao.send(b"3\n")
    sessao.sendeof()
    saida = tudo(sessao, windows=ALVO.windows)
    confere(sessao.wait() == 0, "exit status")
    confere(saida.endswith(ADEUS), "no farewell")
    confere(b"\x1b" not in saida, "escape sequences on a pipe")


def saida_cheia(programa, _):
    for entrada in (b"3\n", b"", b"1\n50\n"):
        with open("/dev/full", "wb") as cheio:
            feito = subprocess.run(ALVO.comando(programa), input=entrada, stdout=cheio,
                                   stderr=subprocess.PIPE, timeout=30, check=False)
        confere(feito.returncode != 0, f"{entrada!r}: a failed write reported as success")
        confere(re.fullmatch(rb"trovelin: [^\r\n]+\r?\n", feito.stderr), f"stderr {feito.stderr!r}")


def pipe_fechado(programa, _):
    leitura, escrita = os.pipe()
    os.close(leitura)
    feito = subprocess.run(ALVO.comando(programa), input=b"2\n3\n", stdout=escrita,
                           stderr=subprocess.PIPE, timeout=30, check=False)
    os.close(escrita)
    confere(feito.returncode not in (0, -13), f"exit status {feito.returncode}")
    confere(re.fullmatch(rb"trovelin: [^\r\n]+\r?\n", feito.stderr), f"stderr {feito.stderr!r}")
    confere(b"pipe" in feito.stderr.lower(), f"not called a broken pipe: {feito.stderr!r}")


def segredos_variam(programa, _):
    """Separate runs draw separate secrets: five at once, each losing to reveal its secret."""
    processos = [subprocess.Popen(ALVO.comando(programa),  # answered at once: pauses overlap
                                  stdin=pipe_com(b"1 100 100 100 100 100 3\n"),
                                  stdout=subprocess.PIPE)
                 for _ in range(5)]
    segredos = set()
    for processo in processos:
        saida = ALVO.dobrar(processo.communicate(timeout=60)[0])
        achado = re.search(padrao("esgotadas", "acerto"), saida)
        confere(achado, f"no secret in {saida!r}")
        segredos.add(int(achado.group(1) or achado.group(2)))
    confere(len(segredos) > 1, f"five runs, all with secret {segredos}")


def cpu_dos_filhos():
    """CPU seconds, user and system, used so far by the children that have ended."""
    uso = resource.getrusage(resource.RUSAGE_CHILDREN)
    return uso.ru_utime + uso.ru_stime


def rodar_com(programa, entrada, saida=subprocess.PIPE, no_filho=None):
    """Runs with these descriptors, `no_filho` called in the child before the program starts;
    returns exit status, stdout, stderr and CPU seconds used."""
    antes = cpu_dos_filhos()
    processo = subprocess.Popen(ALVO.comando(programa), stdin=entrada, stdout=saida,
                                stderr=subprocess.PIPE, preexec_fn=no_filho)
    texto, erro = processo.communicate(timeout=30)
    return processo.returncode, texto, erro, cpu_dos_filhos() - antes


def pipe_com(texto, bloqueante=True, atraso=0.0):
    """The read end of a pipe that will carry `texto`, `atraso` seconds from now."""
    leitura, escrita = os.pipe()
    os.set_blocking(leitura, bloqueante)

    def escrever():
        time.sleep(atraso)
        os.write(escrita, texto)
        os.close(escrita)
    threading.Thread(target=escrever, daemon=True).start()
    return leitura


def entrada_sem_bloqueio(programa):
    """A parent hands over a non-blocking pipe and answers only a second later."""
    status, texto, erro, cpu = rodar_com(programa, pipe_com(b"2\n3\n", False, atraso=1.0))
    confere(cpu < 0.3, f"{cpu:.2f} s of CPU while waiting: a busy loop")
    return status, erro, texto == MENU + REGRAS + MENU + ADEUS


def saida_sem_bloqueio(programa):
    """Megabytes into a non-blocking pipe whose reader dozes off for a moment."""
    leitura, escrita = os.pipe()
    os.set_blocking(escrita, False)
    antes = cpu_dos_filhos()
    processo = subprocess.Popen(ALVO.comando(programa), stdin=pipe_com(b"9\n" * 20000 + b"3\n"),
                                stdout=escrita, stderr=subprocess.PIPE)
    os.close(escrita)
    time.sleep(1)
    with os.fdopen(leitura, "rb") as arquivo:
        texto = arquivo.read()
    status = processo.wait(30)
    cpu = cpu_dos_filhos() - antes
    confere(cpu < 0.5, f"{cpu:.2f} s of CPU while the reader dozed: a busy loop")
    return status, processo.stderr.read(), texto == (MENU + INVALIDA) * 20000 + MENU + ADEUS


def ler_de(caminho, modo):
    def caso(programa):
        fd = os.open(caminho, modo)
        status, _, erro, _ = rodar_com(programa, fd)
        os.close(fd)
        return status, erro, True
    return caso


def entrada_fechada(programa):
    status, _, erro, _ = rodar_com(programa, subprocess.DEVNULL, no_filho=lambda: os.close(0))
    return status, erro, True


def limite_de_arquivo(programa):
    """A file-size limit cuts the last write short: reported, not a silent death."""
    with tempfile.TemporaryFile() as arquivo:
        limitar = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (100, 100))  # noqa: E731
        status, _, erro, _ = rodar_com(programa, pipe_com(b"3\n"), arquivo, limitar)
        arquivo.seek(0)
        return status, erro, arquivo.read() == (MENU + ADEUS)[:100]


def pai_hostil(programa, _):
    """Whatever the parent hands over, the game waits or reports; it never quits quietly."""
    casos = [  # (name, run, exit status, stderr)
        ("non-blocking input", entrada_sem_bloqueio, 0, b""),
        ("non-blocking output", saida_sem_bloqueio, 0, b""),
        ("input closed", entrada_fechada, 1, b"trovelin: erro de leitura: Bad file descriptor\n"),
        ("input a directory", ler_de("/", os.O_RDONLY | os.O_DIRECTORY), 1,
         b"trovelin: erro de leitura: Is a directory\n"),
        ("input write-only", ler_de(os.devnull, os.O_WRONLY), 1,
         b"trovelin: erro de leitura: Bad file descriptor\n"),
        ("file-size limit", limite_de_arquivo, 1, b"trovelin: erro de escrita: File too large\n"),
    ]
    for nome, rodar, status_esperado, erro_esperado in casos:
        status, erro, saida_certa = rodar(programa)
        confere(status == status_esperado, f"{nome}: exit status {status}")
        confere(erro == erro_esperado, f"{nome}: stderr {erro!r}")
        confere(saida_certa, f"{nome}: wrong output")


def escapes_so_num_terminal(programa, _):
    """Escape sequences go only to a terminal output that can show them, never to a pipe."""
    casos = [  # (case, TERM, input from the terminal, output to the terminal, colours)
        ("TERM=dumb", "dumb", True, True, b""),
        ("TERM unset", None, True, True, b""),
        ("TERM empty", "", True, True, b""),
        ("input from a pipe", "xterm", False, True, CORES_07),
        ("output to a pipe", "xterm", True, False, b""),
        # Screen's own colours come back while the player types, here at the end of input.
        ("screen, input from a pipe", "screen.xterm-256color", False, True, SGR256_07),
        ("screen-256color, input from a pipe", "screen-256color", False, True, SGR256_07),
        ("the Linux console, never asked", "linux", True, True, PALETA_07),
    ]
    for caso, term, entrada_no_terminal, saida_no_terminal, cores in casos:
        mestre, escravo = pty.openpty()
        sem_eco(escravo)
        ambiente = {nome: valor for nome, valor in os.environ.items() if nome != "TERM"}
        if term is not None:
            ambiente["TERM"] = term
        entrada = escravo if entrada_no_terminal else pipe_com(b"1\n")
        processo = subprocess.Popen(ALVO.comando(programa), stdin=entrada,
                                    stdout=escravo if saida_no_terminal else subprocess.PIPE,
                                    env=ambiente)
        os.close(escravo)
        if entrada_no_terminal:
            os.write(mestre, b"1\n\x04")  # then Ctrl+D at the first prompt
        else:
            os.close(entrada)
        saida = processo.stdout.read() if processo.stdout else tudo(do_terminal(mestre))
        confere(processo.wait(30) == 0, f"{caso}: exit status")
        os.close(mestre)
        ao_digitar = SGR_DO_TERMINAL + cores if cores.startswith(b"\x1b[38") else b""
        esperado = MENU + cores + SORTEANDO + pedido(1) + ao_digitar + b"\n"
        confere(saida == esperado, f"{caso}: got {saida!r}")


def terminar(sessao):
    sessao.expect(re.escape(MENU.rsplit(b"\n", 1)[-1]) + b"(" + re.escape(SGR_DO_TERMINAL) + b")?$")
    sessao.send(b"3\n")
    saida = tudo(sessao)
    sessao.close()
    confere(sessao.exitstatus == 0, f"exit status {sessao.exitstatus}")
    return saida


def comecar_no_terminal(programa, resposta):
    """Chooses 1 on a terminal that answers the colour query with `resposta`."""
    sessao = no_terminal(ALVO.comando(programa))
    sessao.expect(re.escape(MENU) + rb"$")
    sessao.send(b"1\n")
    sessao.expect(re.escape(PERGUNTA) + rb"$")
    sessao.send(resposta)
    return sessao


def ganhar_no_terminal(programa_42, resposta, palpite):
    """Plays choice 1 and the secret 42 on a terminal that answers the query so."""
    sessao = comecar_no_terminal(programa_42, resposta)
    sessao.expect(re.escape(SORTEANDO), timeout=3)  # the query waits 1 s at most for an answer
    sessao.expect(re.escape(pedido(1)))
    sessao.send(palpite)
    return terminar(sessao)


def terminal_cores(programa, programa_42):
    # A won game, whole and exact: white on black for the game, red on yellow on the hit.
    xterm = (MENU + PERGUNTA + CORES_07 + SORTEANDO + pedido(1) + acerto(42) + CORES_64 +
             historico([42]) + MENU + ADEUS)
    casos = [  # (terminal, its answer, typed at the first prompt, the whole session)
        ("xterm", RESPOSTA_DO_XTERM, b"42\n", xterm),
        ("qterminal", RESPOSTA_DO_QTERMINAL, b"42\n",
         MENU + PERGUNTA + SGR_07 + SORTEANDO + pedido(1) + SGR_DO_TERMINAL + SGR_07 + acerto(42) +
         SGR_64 + historico([42]) + MENU + SGR_DO_TERMINAL + SGR_64 + ADEUS),
        ("xterm, 42 typed right behind its answer", RESPOSTA_DO_XTERM + b"42\n", b"", xterm),
        ("silent: TERM decides", b"", b"42\n", xterm.replace(PERGUNTA + CORES_07 + SORTEANDO,
                                                              PERGUNTA + SORTEANDO + CORES_07)),
    ]
    for terminal, resposta, palpite, esperado in casos:
        saida = ganhar_no_terminal(programa_42, resposta, palpite)
        confere(saida == esperado, f"{terminal}: got {saida!r}")

    # A terminal whose answers come late, as over a slow link, or never: the draw comes at
    # once, the first prompt within 3.5 s, and what reaches the screen holds no answer echoed;
    # the first guess counts, even with an answer that came later still glued to it.
    for atraso in (0.05, 0.8, 1.6, 3.0, None):
        sessao = no_terminal(ALVO.comando(programa_42), eco=True)
        sessao.expect(rb"opcao:$")
        sessao.send(b"1\n")
        inicio = time.monotonic()
        sessao.expect(re.escape(PERGUNTA) + rb"\r\nSorteando")
        confere(time.monotonic() - inicio < 0.5, f"{atraso} s: the draw came late")
        if atraso is not None:
            time.sleep(max(0.0, inicio + atraso - time.monotonic()))
            sessao.send(RESPOSTA_DO_XTERM)
        sessao.expect(rb"Tentativa 1 de 5[^\n]*:$")
        confere(time.monotonic() - inicio < 3.5, f"{atraso} s: the first prompt came late")
        sessao.send((b"" if atraso else RESPOSTA_DO_XTERM) + b"42\n")
        saida = terminar(sessao).replace(b"\r\n", b"\n")
        if atraso is None:  # echoed, as the line it came with, past the game's reach
            saida = saida.replace(RESPOSTA_DO_XTERM.replace(b"\x1b", b"^["), b"", 1)
        confere(b"rgb:" not in saida, f"{atraso} s: an answer reached the screen: {saida!r}")
        confere(re.search(re.escape(CORES_07) + b".*" + re.escape(pedido(1) + b"42\n" + acerto(42)
                                                             + CORES_64), saida, re.S),
                f"{atraso} s: colours or first guess lost: {saida!r}")

    # The program as shipped: no colours before the first game, white on black when it starts.
    sessao = comecar_no_terminal(programa, RESPOSTA_DO_XTERM)
    sessao.expect(re.escape(CORES_07 + SORTEANDO))
    palpites, acertou = jogar_busca_binaria(sessao)
    saida = terminar(sessao)
    confere(saida.startswith(MENU + PERGUNTA + CORES_07 + SORTEANDO), f"start {saida[:300]!r}")
    confere(saida.count(b"\x1b") == 3 + 3 * (2 if acertou else 1), f"escapes in {saida!r}")
    confere(saida.endswith(historico(palpites) + MENU + ADEUS), f"end {saida[-300:]!r}")


def ctrl_c_na_pergunta(programa, _):
    """Ctrl+C while the terminal is asked waits until the player's settings are back, then
    stops the game; the answer is never echoed."""
    sessao = no_terminal(ALVO.comando(programa), eco=True)
    do_jogador = termios.tcgetattr(sessao.child_fd)
    sessao.expect(re.escape(MENU.rsplit(b"\n", 1)[-1]) + rb"$")  # a terminal's CRs before each line
    sessao.send(b"1\n")
    sessao.expect(re.escape(PERGUNTA))
    sessao.send(b"\x03" + RESPOSTA_DO_XTERM)
    saida = tudo(sessao, prazo=20)
    confere(termios.tcgetattr(sessao.child_fd) == do_jogador,
            "the player's terminal settings were not restored")
    sessao.close()
    confere(sessao.signalstatus == signal.SIGINT, f"exit status {sessao.exitstatus}")
    confere(b"rgb:" not in saida, f"the answer was echoed: {saida!r}")


CASOS = {caso.__name__: caso for caso in (
    transcricao_pelo_pipe, argumentos_ignorados, fim_da_entrada_no_jogo,
    partida_interativa_pelo_pipe, pipe_fechado, saida_cheia, segredos_variam, terminal_cores,
    escapes_so_num_terminal, pai_hostil, ctrl_c_na_pergunta)}
# Pseudo-terminals, rlimits and non-blocking pipes: what a Windows console has not.
SO_POSIX = ("terminal_cores", "escapes_so_num_terminal", "pai_hostil", "ctrl_c_na_pergunta")


def executar(nome, programa, segredo_42, sistema, *emulador):
    global ALVO  # pylint: disable=global-statement # the target, for every case's helpers
    ALVO = Alvo(tuple(emulador), sistema == "Windows")
    try:
        CASOS[nome](programa, segredo_42)
    except OSError as erro:  # a build without pseudo-terminals (a distribution's chroot)
        if "out of pty devices" not in str(erro):
            raise
        raise Pulado("no pseudo-terminal can be opened") from erro


if __name__ == "__main__":
    principal(CASOS, executar,
              lambda sistema: [c for c in CASOS if sistema != "Windows" or c not in SO_POSIX])
