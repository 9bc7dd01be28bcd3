#!/usr/bin/env python3
"""The web page, played as a player would in headless Chromium: from disk and over http, on a
desktop with a keyboard and on a phone-sized touch screen typing as an on-screen keyboard does.

Usage: navegador.py BUILD_DIR PAGE_42_DIR
  BUILD_DIR holds the page as built (and packed into the .zip by cpack);
  PAGE_42_DIR the same page with every secret 42, for what needs a known one.
"""
import functools
import glob
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
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


def abrir(celular):
    opcoes = webdriver.ChromeOptions()
    opcoes.binary_location = "/usr/bin/chromium"
    for opcao in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--window-size=1280,800",
                  f"--user-data-dir={tempfile.mkdtemp()}"):
        opcoes.add_argument(opcao)
    opcoes.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    navegador = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opcoes)
    if celular:  # an iPhone 12-sized screen, touch only
        navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True})
        navegador.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                  {"enabled": True, "maxTouchPoints": 5})
    return navegador


def texto(console):
    """The console's lines, one element each, as the text they show."""
    return console.parent.execute_script(
        "return Array.from(arguments[0].querySelectorAll('.linha'),"
        " (linha) => linha.textContent).join('\\n')", console).encode()


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
    """A physical keyboard: a key event for each character."""
    acoes = ActionChains(navegador)
    for letra in digitado:
        acoes.send_keys({"\n": Keys.ENTER, "\b": Keys.BACKSPACE}.get(letra, letra))
    acoes.perform()


def tecla(navegador, nome, codigo, texto=""):
    for tipo in ("keyDown" if texto else "rawKeyDown", "keyUp"):
        navegador.execute_cdp_cmd("Input.dispatchKeyEvent", {
            "type": tipo, "key": nome, "code": nome, "windowsVirtualKeyCode": codigo,
            "text": texto})


def digitar_no_celular(navegador, digitado):
    """An on-screen keyboard after a tap on the console: text arrives as input events, with
    no key of its own; Enter (the send key) and Backspace are keys."""
    console = navegador.find_element(By.ID, "console")
    centro = console.rect
    navegador.execute_cdp_cmd("Input.synthesizeTapGesture", {
        "x": centro["x"] + centro["width"] / 2, "y": centro["y"] + 20})
    for pedaco in re.split(r"([\n\b])", digitado):
        if pedaco == "\n":
            tecla(navegador, "Enter", 13, "\r")
        elif pedaco == "\b":
            tecla(navegador, "Backspace", 8)
        elif pedaco:
            navegador.execute_cdp_cmd("Input.insertText", {"text": pedaco})


def partida_com_42(navegador, console, pasta, escrever, _servidor):
    """The whole console, exact, with its colours and the pause, on the page whose secret is 42."""
    todo = b""
    for digitado, novo, (cor_do_texto, fundo) in PASSOS:
        inicio = time.monotonic()
        escrever(navegador, digitado)
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


def partida_sorteada(navegador, console, _pasta, escrever, _servidor=None):
    """A game with the page's own random secret, found by halving the range as a player would,
    with a value refused on the way."""
    leitor = LeitorDaPagina(console)
    leitor.ate(re.escape(cp.MENU) + rb"$")
    escrever(navegador, "1\n")
    leitor.ate(re.escape(cp.SORTEANDO + cp.pedido(1)) + rb"$")
    escrever(navegador, "abc\n")
    leitor.ate(re.escape(b"abc\n" + cp.FORA))  # refused: the same attempt is asked again
    palpites, _ = cp.jogar_busca_binaria(leitor, lambda linha: escrever(navegador, linha.decode()))
    leitor.ate(re.escape(cp.historico(palpites) + cp.MENU) + rb"$")
    escrever(navegador, "3\n")
    leitor.ate(re.escape(b"3\n" + cp.ADEUS) + rb"$")


def erro_fatal(_navegador, console, _pasta, _escrever, _servidor):
    LeitorDaPagina(console).ate(ERRO)


def partida_offline(navegador, console, pasta, escrever, servidor):
    """Served over http the page is an installable app; with the server gone, it comes back
    from the files it kept and plays."""
    LeitorDaPagina(console).ate(re.escape(cp.MENU) + rb"$")
    navegador.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]())")
    erros = navegador.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
    cp.confere(not erros, f"not installable: {erros}")
    servidor.shutdown()
    servidor.server_close()
    navegador.refresh()
    partida_sorteada(navegador, navegador.find_element(By.ID, "console"), pasta, escrever)


def pagina_do_zip(compilado, temporario):
    subprocess.run(["cpack", "-G", "ZIP", "-B", temporario], cwd=compilado, check=True,
                   capture_output=True)
    with zipfile.ZipFile(glob.glob(os.path.join(temporario, "*.zip"))[0]) as pacote:
        pacote.extractall(os.path.join(temporario, "zip"))
    return os.path.dirname(glob.glob(os.path.join(temporario, "zip", "*", "index.html"))[0])


def pasta_sem_o_jogo(compilado, temporario):
    pasta = os.path.join(temporario, "sem_o_jogo")
    os.mkdir(pasta)
    for nome in ("index.html", "pagina.js", "trovelin.svg"):
        shutil.copy(os.path.join(compilado, nome), pasta)
    return pasta


def construida(compilado, *_):
    return compilado


SEM_ENTROPIA = "crypto.getRandomValues = () => { throw new Error('sem entropia'); };"

# (case, the page's folder, script run before the page's own, how it is played, fails,
#  on a phone, over http)
CASOS = [
    ("secret 42", lambda _, pagina_42, __: pagina_42, None, partida_com_42, False, False, False),
    ("shipped folder", construida, None, partida_sorteada, False, False, False),
    ("shipped folder over http", construida, None, partida_sorteada, False, False, True),
    ("shipped folder on a phone", construida, None, partida_sorteada, False, True, False),
    ("shipped folder on a phone over http", construida, None, partida_sorteada, False, True, True),
    ("installed, offline", construida, None, partida_offline, False, False, True),
    ("unpacked zip", lambda compilado, _, temporario: pagina_do_zip(compilado, temporario), None,
     partida_sorteada, False, False, False),
    ("game script missing", lambda compilado, _, temporario: pasta_sem_o_jogo(compilado, temporario),
     None, erro_fatal, True, False, False),
    ("entropy source failing", construida, SEM_ENTROPIA, erro_fatal, True, False, False),
]


class Servidor(http.server.ThreadingHTTPServer):
    """Serves a page's folder from 127.0.0.1, below its parent, so that a request outside the
    folder (the browser's own /favicon.ico) shows in the list of what was asked."""

    def __init__(self, pasta):
        self.pedidos = []

        class Manipulador(http.server.SimpleHTTPRequestHandler):
            def log_message(manipulador, *_):  # pylint: disable=no-self-argument
                self.pedidos.append(manipulador.path)

        super().__init__(("127.0.0.1", 0), functools.partial(Manipulador,
                                                             directory=os.path.dirname(pasta)))
        self.raiz = f"http://127.0.0.1:{self.server_address[1]}/{os.path.basename(pasta)}/"
        threading.Thread(target=self.serve_forever, daemon=True).start()


def conferir_registros(navegador, caso, raiz, falha, servidor):
    pedidos = [json.loads(m["message"])["message"] for m in navegador.get_log("performance")]
    enderecos = [p["params"]["request"]["url"] for p in pedidos
                 if p["method"] == "Network.requestWillBeSent"
                 and p["params"].get("documentURL", "").startswith(raiz)]  # the page's own
    if servidor:
        enderecos += [f"http://127.0.0.1:{servidor.server_address[1]}{p}" for p in servidor.pedidos]
    cp.confere(enderecos, f"{caso}: no request of the page seen at all")
    fora = [e for e in enderecos if not e.startswith((raiz, "data:", "blob:"))]
    cp.confere(not fora, f"{caso}: requests outside the page's folder: {fora}")
    erros = [r["message"] for r in navegador.get_log("browser") if r["level"] == "SEVERE"]
    if falha:
        cp.confere(any("Trovelin: " in e for e in erros), f"{caso}: not in the log: {erros}")
    else:
        cp.confere(not erros, f"{caso}: browser errors: {erros}")


def conferir_o_fim(navegador, caso):
    """The button after the farewell, focused, covering nothing; no sideways scrolling."""
    botao = navegador.find_element(By.ID, "de-novo")
    cp.confere(botao.is_displayed() and navegador.switch_to.active_element == botao,
               f"{caso}: no focused way to play again at the end")
    medidas = navegador.execute_script("""
        const linhas = document.querySelectorAll('#console .linha');
        const ultima = linhas[linhas.length - 1].getBoundingClientRect();
        const botao = document.getElementById('de-novo').getBoundingClientRect();
        const tela = document.getElementById('console');
        return [ultima.bottom <= botao.top, tela.scrollWidth <= tela.clientWidth,
                document.documentElement.scrollWidth <= innerWidth];""")
    cp.confere(all(medidas), f"{caso}: covered text or sideways scrolling: {medidas}")


def main(compilado, pagina_42):
    for caso, pasta_de, antes, jogar, falha, celular, por_http in CASOS:
        print(caso, flush=True)
        navegador = abrir(celular)
        servidor = None
        try:
            with tempfile.TemporaryDirectory() as temporario:
                pasta = pasta_de(os.path.abspath(compilado), os.path.abspath(pagina_42), temporario)
                raiz = "file://" + pasta + "/"
                if por_http:
                    servidor = Servidor(pasta)
                    raiz = servidor.raiz
                if antes:
                    navegador.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                              {"source": antes})
                navegador.get(raiz + "index.html")
                console = navegador.find_element(By.ID, "console")
                jogar(navegador, console, pasta, digitar_no_celular if celular else digitar,
                      servidor)
                conferir_o_fim(navegador, caso)
                conferir_registros(navegador, caso, raiz, falha, servidor)
        finally:
            navegador.quit()
            if servidor:
                servidor.shutdown()


if __name__ == "__main__":
    main(*sys.argv[1:3])
    print("PASS")
