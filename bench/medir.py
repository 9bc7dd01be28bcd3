#!/usr/bin/env python3
"""Scripted-session throughput, start-up latency and peak memory of trovelin,
against a plain C stdio program of the same texts (bench/base.c).

Usage: medir.py TROVELIN BASELINE [--verificar]
With --verificar it fails only on a gross loss, not on machine noise: slower
than the baseline on either workload, start-up over 1.5x the baseline's, or
over 16 MB to read a 100 MB token.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

PAUSA = 2.0  # the draw's pause, slept by both programs, left out of the game figure
REPETICOES = 5
MILHAO = 1_000_000


def rodar(comando, entrada):
    """Runs once with stdin from a file and stdout to /dev/null; returns the seconds from
    exec to exit (posix_spawn: starting the process costs us next to nothing)."""
    with open(entrada, "rb") as arquivo, open(os.devnull, "wb") as nulo:
        acoes = [(os.POSIX_SPAWN_DUP2, arquivo.fileno(), 0), (os.POSIX_SPAWN_DUP2, nulo.fileno(), 1)]
        inicio = time.perf_counter()
        pid = os.posix_spawnp(comando[0], comando, os.environ, file_actions=acoes)
        status = os.waitpid(pid, 0)[1]
        duracao = time.perf_counter() - inicio
    if os.waitstatus_to_exitcode(status) != 0:
        raise subprocess.CalledProcessError(os.waitstatus_to_exitcode(status), comando)
    return duracao


def melhor_tempo(programa, entrada):
    return min(rodar([programa], entrada) for _ in range(REPETICOES))


def pico_de_memoria(programa, entrada):
    """Peak resident memory in KiB, by GNU time: a child of ours would count our own."""
    with tempfile.NamedTemporaryFile() as relatorio:
        rodar(["/usr/bin/time", "-f", "%M", "-o", relatorio.name, programa], entrada)
        return int(relatorio.read().split()[-1])


def partida_e_chegada(trovelin, base, entrada, vezes=300):
    """Medians of exec to exit, the two programs alternated so that both meet the same noise."""
    nossos, deles = [], []
    for _ in range(vezes):
        nossos.append(rodar([trovelin], entrada))
        deles.append(rodar([base], entrada))
    return statistics.median(nossos), statistics.median(deles)


def escrever(pasta, nome, partes):
    caminho = os.path.join(pasta, nome)
    with open(caminho, "wb") as arquivo:
        for parte in partes:
            arquivo.write(parte)
    return caminho


def main():
    trovelin, base = sys.argv[1:3]
    verificar = "--verificar" in sys.argv
    with tempfile.TemporaryDirectory() as pasta:
        menu = escrever(pasta, "menu", [b"9\n" * MILHAO, b"3\n"])
        # Whatever the secret, the tokens after the refused values end the run.
        jogo = escrever(pasta, "jogo", [b"1\n", b"0\n" * MILHAO, b"1 2 3 4 5 3\n"])
        token = escrever(pasta, "token", [b"1" * (100 * 1024 * 1024), b"\n3\n"])
        sair = escrever(pasta, "sair", [b"3\n"])

        linhas, falhas = [], []
        for nome, entrada, descontar in (("1,000,000 invalid menu choices", menu, 0.0),
                                         ("one game, 1,000,000 refused values", jogo, PAUSA)):
            nosso = melhor_tempo(trovelin, entrada) - descontar
            deles = melhor_tempo(base, entrada) - descontar
            linhas.append((nome, f"{nosso:.3f} s", f"{deles:.3f} s", f"{deles / nosso:.1f}x"))
            if deles / nosso < 1:
                falhas.append(f"{nome}: slower than the baseline")

        nosso, deles = partida_e_chegada(trovelin, base, sair)
        linhas.append(("exec to exit on \"3\" (median of 300)", f"{nosso * 1000:.2f} ms",
                       f"{deles * 1000:.2f} ms", f"{deles / nosso:.2f}x"))
        if nosso > 1.5 * deles:
            falhas.append(f"start-up takes {nosso / deles:.1f}x the baseline's time")

        nosso = pico_de_memoria(trovelin, token)
        deles = pico_de_memoria(base, token)
        linhas.append(("peak memory, 100 MB token", f"{nosso / 1024:.1f} MiB",
                       f"{deles / 1024:.1f} MiB", ""))
        if nosso > 16 * 1024:
            falhas.append(f"a 100 MB token took {nosso / 1024:.1f} MiB")

    print(f"| {'workload':36} | {'trovelin':>10} | {'baseline':>10} | speed-up |")
    print(f"|{'-' * 38}|{'-' * 12}|{'-' * 12}|----------|")
    for nome, nosso, deles, razao in linhas:
        print(f"| {nome:36} | {nosso:>10} | {deles:>10} | {razao:>8} |")
    if verificar and falhas:
        sys.exit("FAIL: " + "; ".join(falhas))


if __name__ == "__main__":
    main()
