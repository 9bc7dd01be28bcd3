#!/usr/bin/env python3
"""The web page, played as a player would in headless Chromium, opened from disk.

Usage: navegador.py INDEX_HTML   (a page whose every secret is 42)
"""
import json
import os
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "caixa_preta"))
import caixa_preta as cp  # noqa: E402  (the texts, written once for every test)

NORMAIS = ("rgba(204, 204, 204, 1)", "rgba(12, 12, 12, 1)")  # text, background: color 07
ACERTO = ("rgba(197, 15, 31, 1)", "rgba(193, 156, 0, 1)")   # color 64

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


def esperar_texto(console, texto, prazo=10.0):
    limite = time.monotonic() + prazo
    while (visto := console.get_attribute("textContent").encode()) != texto:
        comum = next((i for i, (a, b) in enumerate(zip(texto, visto)) if a != b),
                     min(len(texto), len(visto)))
        cp.confere(time.monotonic() < limite,
                   f"waited for {texto[comum:comum + 80]!r}; have {visto[comum:comum + 80]!r}")
        time.sleep(0.02)


def digitar(navegador, texto):
    acoes = ActionChains(navegador)
    for letra in texto:
        acoes.send_keys({"\n": Keys.ENTER, "\b": Keys.BACKSPACE}.get(letra, letra))
    acoes.perform()


def main():
    pagina = "file://" + os.path.abspath(sys.argv[1])
    navegador = abrir()
    try:
        navegador.get(pagina)
        console = navegador.find_element(By.ID, "console")
        todo = b""
        for digitado, novo, (texto, fundo) in PASSOS:
            inicio = time.monotonic()
            digitar(navegador, digitado)
            todo += novo
            esperar_texto(console, todo)
            if not digitado:  # the first menu: how long after the page began to load
                primeiro_menu = navegador.execute_script("return performance.now()")
                pasta = os.path.dirname(os.path.abspath(sys.argv[1]))
                tamanho = sum(os.path.getsize(os.path.join(pasta, n)) for n in os.listdir(pasta))
                print(f"first menu after {primeiro_menu:.0f} ms; the folder holds {tamanho} bytes")
                cp.confere(primeiro_menu < 2000, "the first menu took over 2 s")
            if cp.SORTEANDO in novo:
                cp.confere(time.monotonic() - inicio > 1.9, "no 2 s pause after the draw")
            cores = (console.value_of_css_property("color"),
                     console.value_of_css_property("background-color"))
            cp.confere(cores == (texto, fundo), f"after {digitado!r}: colours {cores}")

        botao = navegador.find_element(By.ID, "de-novo")
        cp.confere(botao.is_displayed() and navegador.switch_to.active_element == botao,
                   "no focused way to play again after the farewell")

        pedidos = [json.loads(m["message"])["message"] for m in navegador.get_log("performance")]
        enderecos = [p["params"]["request"]["url"] for p in pedidos
                     if p["method"] == "Network.requestWillBeSent"
                     and p["params"].get("documentURL", "").startswith("file:")]  # ours
        cp.confere(enderecos, "no request of the page seen at all")
        fora = [e for e in enderecos if not e.startswith(("file:", "data:", "blob:"))]
        cp.confere(not fora, f"network requests: {fora}")
        erros = [r for r in navegador.get_log("browser") if r["level"] == "SEVERE"]
        cp.confere(not erros, f"browser errors: {erros}")
    finally:
        navegador.quit()


if __name__ == "__main__":
    main()
    print("PASS")
