#!/usr/bin/env python3
"""The web page's start and size: the time from navigation to the first menu, first load in a
fresh browser, in Chromium, Firefox ESR and WebKitGTK, opened from disk and over http from
127.0.0.1; against a plain page, one HTML file holding the same first menu with its look in an
inline style and no script, which is what showing that text takes the browser itself; and the
size of the folder that the .zip holds, which is also the page timed. Before that, Lighthouse's
mobile profile on both pages, N times each (3 under --verificar), and the ratio of their largest
contentful paints.

Usage: pagina.py WEB_BUILD_DIR [--vezes N] [--verificar]
It needs a display for WebKitGTK: run it under `xvfb-run --auto-servernum`, with
PYTHONPATH=tests/comum:tests/navegador for the browser test's texts and drivers.
With --verificar it fails only on a gross loss, not on machine noise: a folder over 150 KB, or
a page whose median is over 500 ms behind the plain one's in the same browser.
"""
import faulthandler
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

import apoio as ap  # the game's texts (tests/comum, on PYTHONPATH)
import navegador  # the browsers, driven as the browser test drives them (tests/navegador)

LIMITE_DE_TAMANHO = 150 * 1000
ATRASO_GROSSEIRO = 500  # ms
MARCA = re.search(r'const INICIO = "([^"]+)"',  # the mark the page sets at its first text
                  Path(__file__).parent.joinpath("..", "src", "web", "pagina.js").read_text()).group(1)
# Every wait of the page's own is bounded at 10 s; a measure still running after this long is
# a browser or driver stuck outside the page (seen about once in a few hundred starts).
PRAZO_DA_MEDIDA = 120  # s
LIGHTHOUSE = os.path.join(os.path.dirname(__file__), "..", "tests", "navegador", "node_modules",
                          ".bin", "lighthouse")  # as locked in the browser test's package-lock
OPCOES_DO_CHROMIUM = ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                      "--disable-background-networking", "--disable-component-update",
                      "--disable-sync")
CATEGORIAS = ("performance", "accessibility", "best-practices", "seo")


def primeiro_texto(nome_do_motor, endereco):
    """Milliseconds from navigation to the game's first text (the menu the HTML shows, taken
    up by the game, which then reads the player's typing), in a browser of its own."""
    motor = navegador.MOTORES[nome_do_motor](False)
    try:
        motor.ir(endereco)
        navegador.LeitorDaPagina(motor).expect(re.escape(ap.MENU) + rb"$")
        return ap.esperar(
            lambda: motor.script(f"return performance.getEntriesByName('{MARCA}')[0]?.startTime"),
            lambda: f"no {MARCA} mark")
    finally:
        motor.fechar()


def parar(processo):
    """Ends a process and its group; SIGTERM first, on which puppeteer also ends the browser it
    started in a session of its own."""
    for sinal in (signal.SIGTERM, signal.SIGKILL):
        os.killpg(processo.pid, sinal)
        try:
            processo.wait(10)
            return
        except subprocess.TimeoutExpired:
            pass


def primeiro_texto_a_parte(nome_do_motor, endereco):
    """primeiro_texto in a process of its own: a browser stuck at start or exit is killed with
    its driver, said on stderr, and measured again, once; so is one that failed."""
    for _ in range(2):
        processo = subprocess.Popen([sys.executable, "-B", __file__, "--medir", nome_do_motor,
                                     endereco], stdout=subprocess.PIPE, start_new_session=True)
        try:
            saida = processo.communicate(timeout=PRAZO_DA_MEDIDA)[0]
        except subprocess.TimeoutExpired:
            parar(processo)
            print(f"{nome_do_motor}: {endereco} stuck for {PRAZO_DA_MEDIDA} s; again",
                  file=sys.stderr, flush=True)
            continue
        if processo.returncode == 0:
            return float(saida)
        # A driver that crashed (seen once in Chromium at start): said, and measured again.
        print(f"{nome_do_motor}, {endereco}: {saida.decode().strip()} (exit status"
              f" {processo.returncode}); again", file=sys.stderr, flush=True)
    sys.exit(f"FAIL: {nome_do_motor}, {endereco}: stuck or failed twice")


def pagina_simples(pasta, destino):
    """The page's folder, its HTML holding the first menu as the game's does, its look in an
    inline style and no script but the mark: the text shown as the browser shows any page."""
    shutil.copytree(pasta, destino)
    pagina = Path(destino, "index.html")
    texto = re.sub(r'<script src="[^"]*"( defer)?></script>\n', "", pagina.read_text())
    texto = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>\n', "", texto)
    texto = re.sub(r'<link rel="stylesheet" href="([^"]*)">',
                   lambda folha: f"<style>{Path(pasta, folha[1]).read_text()}</style>", texto)
    pagina.write_text(texto.replace("</body>", '<script src="marca.js"></script>\n</body>'))
    Path(destino, "marca.js").write_text(f"performance.mark('{MARCA}');\n")


def lighthouse(endereco):
    """Lighthouse's default (mobile) profile on one page, in Debian's Chromium: the four
    scores, then the first and largest contentful paint and the total blocking time, in ms."""
    with tempfile.NamedTemporaryFile(suffix=".json") as relatorio:
        subprocess.run([LIGHTHOUSE, endereco, "--output=json", f"--output-path={relatorio.name}",
                        "--quiet", "--chrome-flags=" + " ".join(OPCOES_DO_CHROMIUM)],
                       env={**os.environ, "CHROME_PATH": "/usr/bin/chromium"}, check=True)
        dados = json.load(relatorio)
    notas = [round(dados["categories"][c]["score"] * 100) for c in CATEGORIAS]
    return notas + [dados["audits"][a]["numericValue"] for a in
                    ("first-contentful-paint", "largest-contentful-paint", "total-blocking-time")]


def tabela_lighthouse(servidores, vezes):
    """The medians of `vezes` Lighthouse runs of the game's page and of the plain one."""
    print(f"| {'Lighthouse mobile, median of ' + str(vezes):30} | perf | a11y | b.p. | SEO |  FCP"
          "  |  LCP  | TBT |")
    print("|--------------------------------|------|------|------|-----|-------|-------|-----|")
    medias = []
    for nome, servidor in zip(("trovelin", "plain HTML"), servidores):
        execucoes = [lighthouse(servidor.raiz + "index.html") for _ in range(vezes)]
        media = [statistics.median(coluna) for coluna in zip(*execucoes)]
        medias.append(media)
        print(f"| {nome:30} | {media[0]:4.0f} | {media[1]:4.0f} | {media[2]:4.0f} | {media[3]:3.0f}"
              f" | {media[4]:5.0f} | {media[5]:5.0f} | {media[6]:3.0f} |")
    print(f"\nLargest contentful paint: {medias[0][5] / medias[1][5]:.2f}x the plain page's.\n")


def tamanho(pasta):
    return sum(os.path.getsize(os.path.join(pasta, nome)) for nome in os.listdir(pasta))


def medianas(nome_do_motor, paginas, vezes):
    """The median of each page's times, the pages taken in turn so that they meet the same
    noise."""
    tempos = [[] for _ in paginas]
    for _ in range(vezes):
        for pagina, lista in zip(paginas, tempos):
            lista.append(primeiro_texto_a_parte(nome_do_motor, pagina))
    return [statistics.median(lista) for lista in tempos]


def main():
    compilado = sys.argv[1]
    vezes = int(sys.argv[sys.argv.index("--vezes") + 1]) if "--vezes" in sys.argv else 5
    linhas, falhas = [], []
    with tempfile.TemporaryDirectory() as temporario:
        pasta = navegador.pagina_do_zip(os.path.abspath(compilado), temporario)
        simples = os.path.join(temporario, "simples")
        pagina_simples(pasta, simples)
        servidores = [navegador.Servidor(pasta), navegador.Servidor(simples)]
        try:
            tabela_lighthouse(servidores, 3 if "--verificar" in sys.argv else vezes)
            for nome_do_motor in navegador.MOTORES:
                for origem, paginas in (("disk", [f"file://{pasta}/", f"file://{simples}/"]),
                                        ("http", [s.raiz for s in servidores])):
                    nossa, dela = medianas(nome_do_motor, [p + "index.html" for p in paginas],
                                           vezes)
                    linhas.append((f"{nome_do_motor}, {origem}", nossa, dela))
                    if nossa - dela > ATRASO_GROSSEIRO:
                        falhas.append(f"{nome_do_motor}, {origem}: {nossa - dela:.0f} ms behind"
                                      " the plain page")
        finally:
            for servidor in servidores:
                servidor.fechar()
        bytes_da_pasta = tamanho(pasta)
    if bytes_da_pasta > LIMITE_DE_TAMANHO:
        falhas.append(f"the folder holds {bytes_da_pasta} bytes")

    print(f"| {'first menu, median of ' + str(vezes):24} | trovelin | plain HTML | difference |")
    print(f"|{'-' * 26}|----------|------------|------------|")
    for nome, nossa, dela in linhas:
        print(f"| {nome:24} | {nossa:5.0f} ms | {dela:7.0f} ms | {nossa - dela:+7.0f} ms |")
    print(f"\nThe folder holds {bytes_da_pasta:,} bytes.")
    if "--verificar" in sys.argv and falhas:
        sys.exit("FAIL: " + "; ".join(falhas))


if __name__ == "__main__":
    if sys.argv[1] == "--medir":
        faulthandler.dump_traceback_later(PRAZO_DA_MEDIDA - 5)  # where it stuck, before the kill
        print(primeiro_texto(*sys.argv[2:4]))
    else:
        main()
