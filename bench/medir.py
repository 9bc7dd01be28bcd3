#!/usr/bin/env python3
"""Scripted-session throughput, start-up latency and peak memory of trovelin,
against a plain C stdio program of the same texts (bench/base.c).

Usage: medir.py TROVELIN BASELINE [--verificar]
With --verificar it fails unless trovelin is at least twice as fast on both
workloads and reads a 100 MB token in under 16 MB.
"""
import os
import pty
import statistics
import subprocess
import sys
import tempfile
import time

PAUSA = 2.0  # the draw's pause, slept by both programs, left out of the game figure
REPETICOES = 5
MILHAO = 1_000_000


def rodar(comando, entrada):
    """Runs once with stdin from a file and stdout to /dev/null; returns seconds taken."""
    with open(entrada, "rb") as arquivo:
        inicio = time.monotonic()
        subprocess.run(comando, stdin=arquivo, stdout=subprocess.DEVNULL, check=True)
        return time.monotonic() - inicio


def melhor_tempo(programa, entrada):
    return min(rodar([programa], entrada) for _ in range(REPETICOES))


def pico_de_memoria(programa, entrada):
    """Peak resident memory in KiB, by GNU time: a child of ours would count our own."""
    with tempfile.NamedTemporaryFile() as relatorio:
        rodar(["/usr/bin/time", "-f", "%M", "-o", relatorio.name, programa], entrada)
        return int(relatorio.read().split()[-1])


def ate_o_primeiro_prompt(programa):
    """Seconds from start until the menu's prompt shows on a terminal."""
    mestre, escravo = pty.openpty()
    inicio = time.monotonic()
    processo = subprocess.Popen([programa], stdin=escravo, stdout=escravo)
    os.close(escravo)
    visto = b""
    while not visto.endswith(b"Selecione uma opcao:"):
        visto += os.read(mestre, 4096)
    duracao = time.monotonic() - inicio
    os.write(mestre, b"3\n")
    try:
        while os.read(mestre, 4096):
            pass
    except OSError:  # EIO once the program has gone
        pass
    processo.wait()
    os.close(mestre)
    return duracao


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

        linhas, falhas = [], []
        for nome, entrada, descontar in (("1,000,000 invalid menu choices", menu, 0.0),
                                         ("one game, 1,000,000 refused values", jogo, PAUSA)):
            nosso = melhor_tempo(trovelin, entrada) - descontar
            deles = melhor_tempo(base, entrada) - descontar
            linhas.append((nome, f"{nosso:.3f} s", f"{deles:.3f} s", f"{deles / nosso:.1f}x"))
            if deles / nosso < 2:
                falhas.append(f"{nome}: only {deles / nosso:.1f}x the baseline")

        nosso = statistics.median(ate_o_primeiro_prompt(trovelin) for _ in range(20))
        deles = statistics.median(ate_o_primeiro_prompt(base) for _ in range(20))
        linhas.append(("start to first prompt (median)", f"{nosso * 1000:.2f} ms",
                       f"{deles * 1000:.2f} ms", ""))

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
