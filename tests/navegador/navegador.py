#!/usr/bin/env python3
"""The web page, played as a player would in headless Chromium, opened from disk.

Usage: navegador.py BUILD_DIR PAGE_42_DIR
  BUILD_DIR holds the page as built (and packed into the .zip by cpack);
  PAGE_42_DIR the same page with every secret 42, for what needs a known one.
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "caixa_preta"))
import caixa_preta as cp  # noqa: E402  (the texts, written once for every test)

NORMAIS = ("rgba(204, 204, 204, 1)", "rgba(12, 12, 12, 1)")  # text, background: color 07
ACERTO = ("rgba(197, 15, 31, 1)", "rgba(193, 156, 0, 1)")   # color 64
ERRO = rb"\n\nErro: o jogo parou \(.+\)\. Recarregue a pagina\.\n$"

# What the player types and what the whole console then says, with its colours.
# Typed text stays on screen, as a terminal echoes it.
PASSOS = [
    ("", cp.MENU, NORMAIS),  # nothing typed yet
    ("2\n", b"2\n" + cp.REGRAS + cp.MENU, NORMAIS),
    ("1x\b\n", b"1\n" + cp.SORTEANDO + cp.pedido(1), NORMAIS),
    ("50 0 abc\n", b"50 0 abc\n" + cp.menor(50) + cp.pedido(2) + cp.FORA + cp.pedido(2) + cp.FORA
     + cp.pedido(2), NORMAIS),
    ("42\n", b"42\n" + cp.acerto(42) + cp.historico([50, 42]) + cp.MENU, ACERTO),
    ("3\n", b"3\n" + cp.ADEUS, ACERTO),
]


def abrir():
    opcoes = webdriver.ChromeOptions()
    opcoes.binary_location = "/usr/bin/chromium"
    for opcao in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--window-size=1000,560",
                  f"--user-data-dir={tempfile.mkdtemp()}"):
        opcoes.add_argument(opcao)
    opcoes.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opcoes)


def texto(console):
    return console.get_attribute("textContent").encode()


def esperar_texto(console, esperado, prazo=10.0):
    limite = time.monotonic() + prazo
    while (visto := texto(console)) != esperado:
        comum = next((i for i, (a, b) in enumerate(zip(esperado, visto)) if a != b),
                     min(len(esperado), len(visto)))
        cp.confere(time.monotonic() < limite,
                   f"waited for {esperado[comum:comum + 80]!r}; have {visto[comum:comum + 80]!r}")
        time.sleep(0.02)


class LeitorDaPagina:
    """The console read as the black-box tests read a pipe, for the same game-playing code."""

    def __init__(self, console):
        self.console = console
        self.visto = 0

    def ate(self, padrao, prazo=10):
        limite = time.monotonic() + prazo
        while not (achado := re.compile(padrao).search(texto(self.console), self.visto)):
            cp.confere(time.monotonic() < limite,
                       f"waited for {padrao!r}; have {texto(self.console)[-200:]!r}")
            time.sleep(0.02)
        self.visto = achado.end()
        return achado


def digitar(navegador, digitado):
    acoes = ActionChains(navegador)
    for letra in digitado:
        acoes.send_keys({"\n": Keys.ENTER, "\b": Keys.BACKSPACE}.get(letra, letra))
    acoes.perform()


def partida_com_42(navegador, console, pasta):
    """The whole console, exact, with its colours and the pause, on the page whose secret is 42."""
    todo = b""
    for digitado, novo, (cor_do_texto, fundo) in PASSOS:
        inicio = time.monotonic()
        digitar(navegador, digitado)
        todo += novo
        esperar_texto(console, todo)
        if not digitado:  # the first menu: how long after the page began to load
            primeiro_menu = navegador.execute_script("return performance.now()")
            tamanho = sum(os.path.getsize(os.path.join(pasta, n)) for n in os.listdir(pasta))
            print(f"first menu after {primeiro_menu:.0f} ms; the folder holds {tamanho} bytes")
            cp.confere(primeiro_menu < 2000, "the first menu took over 2 s")
        if cp.SORTEANDO in novo:
            cp.confere(time.monotonic() - inicio > 1.9, "no 2 s pause after the draw")
        cores = (console.value_of_css_property("color"),
                 console.value_of_css_property("background-color"))
        cp.confere(cores == (cor_do_texto, fundo), f"after {digitado!r}: colours {cores}")


def partida_sorteada(navegador, console, _pasta):
    """A game with the page's own random secret, found by halving the range as a player would."""
    leitor = LeitorDaPagina(console)
    leitor.ate(re.escape(cp.MENU) + rb"$")
    digitar(navegador, "1\n")
    leitor.ate(re.escape(cp.SORTEANDO))
    palpites, _ = cp.jogar_busca_binaria(leitor, lambda linha: digitar(navegador, linha.decode()))
    leitor.ate(re.escape(cp.historico(palpites) + cp.MENU) + rb"$")
    digitar(navegador, "3\n")
    leitor.ate(re.escape(b"3\n" + cp.ADEUS) + rb"$")


def erro_fatal(_navegador, console, _pasta):
    LeitorDaPagina(console).ate(ERRO)


def pagina_do_zip(compilado, temporario):
    subprocess.run(["cpack", "-G", "ZIP", "-B", temporario], cwd=compilado, check=True,
                   capture_output=True)
    with zipfile.ZipFile(glob.glob(os.path.join(temporario, "*.zip"))[0]) as pacote:
        pacote.extractall(os.path.join(temporario, "zip"))
    return os.path.dirname(glob.glob(os.path.join(temporario, "zip", "*", "index.html"))[0])


def pasta_sem_o_jogo(compilado, temporario):
    pasta = os.path.join(temporario, "sem_o_jogo")
    os.mkdir(pasta)
    for nome in ("index.html", "pagina.js"):
        shutil.copy(os.path.join(compilado, nome), pasta)
    return pasta


SEM_ENTROPIA = "crypto.getRandomValues = () => { throw new Error('sem entropia'); };"

# (case, the page's folder, script run before the page's own, how it is played, fails)
CASOS = [
    ("secret 42", lambda compilado, pagina_42, _: pagina_42, None, partida_com_42, False),
    ("shipped folder", lambda compilado, *_: compilado, None, partida_sorteada, False),
    ("unpacked zip", lambda compilado, _, temporario: pagina_do_zip(compilado, temporario), None,
     partida_sorteada, False),
    ("game script missing", lambda compilado, _, temporario: pasta_sem_o_jogo(compilado, temporario),
     None, erro_fatal, True),
    ("entropy source failing", lambda compilado, *_: compilado, SEM_ENTROPIA, erro_fatal, True),
]


def conferir_registros(navegador, caso, falha):
    pedidos = [json.loads(m["message"])["message"] for m in navegador.get_log("performance")]
    enderecos = [p["params"]["request"]["url"] for p in pedidos
                 if p["method"] == "Network.requestWillBeSent"
                 and p["params"].get("documentURL", "").startswith("file:")]  # ours
    cp.confere(enderecos, f"{caso}: no request of the page seen at all")
    fora = [e for e in enderecos if not e.startswith(("file:", "data:", "blob:"))]
    cp.confere(not fora, f"{caso}: network requests: {fora}")
    erros = [r["message"] for r in navegador.get_log("browser") if r["level"] == "SEVERE"]
    if falha:
        cp.confere(any("Trovelin: " in e for e in erros), f"{caso}: not in the log: {erros}")
    else:
        cp.confere(not erros, f"{caso}: browser errors: {erros}")


def main(compilado, pagina_42):
    for caso, pasta_de, antes, jogar, falha in CASOS:
        navegador = abrir()
        try:
            with tempfile.TemporaryDirectory() as temporario:
                pasta = pasta_de(os.path.abspath(compilado), os.path.abspath(pagina_42), temporario)
                if antes:
                    navegador.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                              {"source": antes})
                navegador.get("file://" + os.path.join(pasta, "index.html"))
                console = navegador.find_element(By.ID, "console")
                jogar(navegador, console, pasta)
                botao = navegador.find_element(By.ID, "de-novo")
                cp.confere(botao.is_displayed() and navegador.switch_to.active_element == botao,
                           f"{caso}: no focused way to play again at the end")
                conferir_registros(navegador, caso, falha)
        finally:
            navegador.quit()


if __name__ == "__main__":
    main(*sys.argv[1:3])
    print("PASS")
