#!/usr/bin/env python3
"""The web page, played as a player would in Chromium, Firefox ESR and WebKitGTK (headless, or
under Xvfb for WebKit): from disk and over http, on a desktop with a keyboard and on a phone-sized
screen typing as an on-screen keyboard does (with touch where the engine can emulate it).

Usage: navegador.py BUILD_DIR PAGE_42_DIR
  BUILD_DIR holds the page as built (and packed into the .zip by cpack);
  PAGE_42_DIR the same page with every secret 42, for what needs a known one.
"""
import faulthandler
import functools
import glob
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.common.options import ArgOptions

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "caixa_preta"))
import caixa_preta as cp  # noqa: E402  (the texts, written once for every test)

NORMAIS = ("rgb(204, 204, 204)", "rgb(12, 12, 12)")  # text, background: color 07
ACERTO = ("rgb(197, 15, 31)", "rgb(193, 156, 0)")    # color 64
ERRO = rb"\n\nErro: o jogo parou \(.+\)\. Recarregue a pagina\.\n$"
TELEFONE = (390, 844)
TECLADO_NA_TELA = 336  # of those 844 px, as an iPhone's keyboard takes them

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


class PorSelenium:
    """What the engines driven by Selenium (self.driver) do alike."""

    def ir(self, endereco):
        self.driver.get(endereco)

    def script(self, corpo):
        return self.driver.execute_script(corpo)


class Chromium(PorSelenium):
    """Debian's Chromium through chromedriver, with its DevTools protocol for the rest."""

    def __init__(self, celular):
        opcoes = webdriver.ChromeOptions()
        opcoes.binary_location = "/usr/bin/chromium"
        for opcao in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                      "--no-first-run", "--disable-background-networking",
                      "--disable-component-update", "--disable-sync", "--window-size=1280,800",
                      f"--user-data-dir={tempfile.mkdtemp()}"):
            opcoes.add_argument(opcao)
        opcoes.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opcoes)
        if celular:  # an iPhone 12-sized screen, touch only
            self.altura(TELEFONE[1])
            self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def altura(self, pixels):
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": TELEFONE[0], "height": pixels, "deviceScaleFactor": 3, "mobile": True})

    def cdp(self, comando, parametros):
        return self.driver.execute_cdp_cmd(comando, parametros)

    def antes(self, codigo):
        self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": codigo})

    def teclado(self, digitado):
        acoes = ActionChains(self.driver)
        for letra in digitado:
            acoes.send_keys({"\n": Keys.ENTER, "\b": Keys.BACKSPACE}.get(letra, letra))
        acoes.perform()

    def tecla(self, nome, codigo, texto=""):
        for tipo in ("keyDown" if texto else "rawKeyDown", "keyUp"):
            self.cdp("Input.dispatchKeyEvent", {"type": tipo, "key": nome, "code": nome,
                                                "windowsVirtualKeyCode": codigo, "text": texto})

    def toque(self, digitado):
        self.cdp("Input.synthesizeTapGesture", {"x": TELEFONE[0] / 2, "y": 20})
        for pedaco in re.split(r"([\n\b])", digitado):
            if pedaco == "\n":
                self.tecla("Enter", 13, "\r")
            elif pedaco == "\b":
                self.tecla("Backspace", 8)
            elif pedaco:
                self.cdp("Input.insertText", {"text": pedaco})

    def erros(self):
        return [r["message"] for r in self.driver.get_log("browser") if r["level"] == "SEVERE"]

    def pedidos(self):
        mensagens = [json.loads(m["message"])["message"] for m in self.driver.get_log("performance")]
        return [m["params"]["request"]["url"] for m in mensagens
                if m["method"] == "Network.requestWillBeSent"
                and m["params"].get("documentURL", "").startswith(("file:", "http:"))]  # ours

    def fechar(self):
        self.driver.quit()


class Firefox:
    """Debian's Firefox ESR, driven over WebDriver BiDi by firefox.mjs (puppeteer-core)."""

    def __init__(self, celular):
        self.processo = subprocess.Popen(
            ["node", os.path.join(os.path.dirname(__file__), "firefox.mjs")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if celular:
            self.altura(TELEFONE[1])
        else:
            self._pedir("desktop")

    def _pedir(self, op, **argumentos):
        self.processo.stdin.write(json.dumps({"op": op, **argumentos}) + "\n")
        self.processo.stdin.flush()
        resposta = json.loads(self.processo.stdout.readline() or '{"erro": "firefox.mjs ended"}')
        cp.confere("erro" not in resposta, f"firefox: {op}: {resposta.get('erro')}")
        return resposta["valor"]

    def antes(self, codigo):
        self._pedir("antes", codigo=codigo)

    def ir(self, endereco):
        self._pedir("ir", endereco=endereco)

    def script(self, corpo):
        return self._pedir("script", corpo=corpo)

    def altura(self, pixels):
        self._pedir("celular", altura=pixels)

    def teclado(self, digitado):
        self._pedir("teclado", texto=digitado)

    def toque(self, digitado):
        self._pedir("toque", texto=digitado)

    def erros(self):
        return self._pedir("erros")

    def pedidos(self):
        return self._pedir("pedidos")

    def fechar(self):
        self.processo.stdin.close()
        self.processo.wait(30)


class WebKit(PorSelenium):
    """WebKitGTK's MiniBrowser through WebKitWebDriver, with capabilities written by hand (the
    driver refuses those Selenium adds). It shows no log to a driver, and cannot emulate touch:
    on a phone-sized window the player types into the input as a keyboard does."""

    def __init__(self, celular):
        with socket.socket() as livre:
            livre.bind(("127.0.0.1", 0))
            porta = livre.getsockname()[1]
        self.servico = subprocess.Popen(["WebKitWebDriver", f"--port={porta}"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            with socket.socket() as ligacao:
                if ligacao.connect_ex(("127.0.0.1", porta)) == 0:
                    break
            time.sleep(0.05)
        opcoes = ArgOptions()
        opcoes.set_capability("browserName", "MiniBrowser")
        opcoes.set_capability("webkitgtk:browserOptions", {
            "binary": glob.glob("/usr/lib/*/webkit2gtk-4.1/MiniBrowser")[0],
            "args": ["--automation"]})
        self.driver = webdriver.Remote(f"http://127.0.0.1:{porta}", options=opcoes)
        self.driver.set_window_size(*(TELEFONE if celular else (1280, 800)))

    def altura(self, pixels):
        self.driver.set_window_size(TELEFONE[0], pixels)

    def teclado(self, digitado):
        entrada = self.driver.find_element(By.ID, "entrada")
        entrada.send_keys(digitado.replace("\n", Keys.ENTER).replace("\b", Keys.BACKSPACE))

    toque = teclado

    def erros(self):
        return []

    def pedidos(self):
        return []

    def fechar(self):
        self.driver.quit()
        self.servico.terminate()
        self.servico.wait(30)


MOTORES = {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}


def texto(motor):
    """The console's lines, one element each, as the text they show."""
    return motor.script("return Array.from(document.querySelectorAll('#console .linha'),"
                        " (linha) => linha.textContent).join('\\n')").encode()


def esperar(condicao, falha, prazo=10.0):
    """Asks `condicao` until it holds, and returns what it gave; after `prazo` seconds, fails
    saying `falha()`."""
    limite = time.monotonic() + prazo
    while not (valor := condicao()):
        if time.monotonic() > limite:
            cp.falhar(falha())
        time.sleep(0.02)
    return valor


def esperar_texto(motor, esperado, prazo=10.0):
    def diferenca():
        visto = texto(motor)
        comum = next((i for i, (a, b) in enumerate(zip(esperado, visto)) if a != b),
                     min(len(esperado), len(visto)))
        return f"waited for {esperado[comum:comum + 80]!r}; have {visto[comum:comum + 80]!r}"
    esperar(lambda: texto(motor) == esperado, diferenca, prazo)


class LeitorDaPagina:
    """The console read as the black-box tests read a pipe, for the same game-playing code."""

    def __init__(self, motor):
        self.motor = motor
        self.visto = 0

    def ate(self, padrao, prazo=10):
        achado = esperar(lambda: re.compile(padrao).search(texto(self.motor), self.visto),
                         lambda: f"waited for {padrao!r}; have {texto(self.motor)[-200:]!r}",
                         prazo)
        self.visto = achado.end()
        return achado


def no_celular(motor):
    """A phone player's typing: a tap brings up the on-screen keyboard, which the phone hides
    again now and then (a scroll, a glance elsewhere). Each time it comes back over the lower
    part of the screen, the prompt, or at the end the button, must be in view above it."""
    def escrever(digitado):
        motor.altura(TELEFONE[1])
        motor.toque(digitado)
        motor.altura(TELEFONE[1] - TECLADO_NA_TELA)
        esperar(lambda: motor.script("""
                    const ultimo = document.querySelector('#entrada') ||
                                   document.getElementById('de-novo');
                    const caixa = ultimo.getBoundingClientRect();
                    return caixa.top >= 0 && caixa.bottom <= innerHeight;"""),
                lambda: f"after {digitado!r}: prompt hidden by the on-screen keyboard", prazo=2)
    return escrever


def partida_com_42(motor, _pasta, escrever, _servidor):
    """The whole console, exact, with its colours and the pause, on the page whose secret is 42."""
    todo = b""
    for digitado, novo, cores_esperadas in PASSOS:
        inicio = time.monotonic()
        escrever(digitado)
        todo += novo
        esperar_texto(motor, todo)
        if cp.SORTEANDO in novo:
            cp.confere(time.monotonic() - inicio > 1.9, "no 2 s pause after the draw")
        cores = tuple(motor.script("const estilo = getComputedStyle("
                                   "document.getElementById('console'));"
                                   " return [estilo.color, estilo.backgroundColor];"))
        cp.confere(cores == cores_esperadas, f"after {digitado!r}: colours {cores}")


def partida_sorteada(motor, _pasta, escrever, _servidor=None):
    """A game with the page's own random secret, found by halving the range as a player would,
    with a value refused on the way."""
    leitor = LeitorDaPagina(motor)
    leitor.ate(re.escape(cp.MENU) + rb"$")
    escrever("1\n")
    leitor.ate(re.escape(cp.SORTEANDO + cp.pedido(1)) + rb"$")
    escrever("abc\n")
    leitor.ate(re.escape(b"abc\n" + cp.FORA))  # refused: the same attempt is asked again
    palpites, _ = cp.jogar_busca_binaria(leitor, lambda linha: escrever(linha.decode()))
    leitor.ate(re.escape(cp.historico(palpites) + cp.MENU) + rb"$")
    escrever("3\n")
    leitor.ate(re.escape(b"3\n" + cp.ADEUS) + rb"$")


def erro_fatal(motor, _pasta, _escrever, _servidor):
    LeitorDaPagina(motor).ate(ERRO)


def partida_offline(motor, pasta, escrever, servidor):
    """Served over http the page is an installable app; with the server gone, it comes back
    from the files it kept and plays."""
    LeitorDaPagina(motor).ate(re.escape(cp.MENU) + rb"$")
    motor.driver.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]())")
    erros = motor.cdp("Page.getInstallabilityErrors", {})["installabilityErrors"]
    cp.confere(not erros, f"not installable: {erros}")
    servidor.shutdown()
    servidor.server_close()
    motor.driver.refresh()
    partida_sorteada(motor, pasta, escrever)


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
SEM_INSTANCIA = ("Object.defineProperty(WebAssembly.Instance.prototype, 'exports',"
                 " { get: () => undefined });")  # the start fails inside Emscripten's code

# (case, engine, the page's folder, script run before the page's own, how it is played,
#  fails, on a phone, over http)
CASOS = [
    ("secret 42", "chromium", lambda _, pagina_42, __: pagina_42, None, partida_com_42, False,
     False, False),
    *[(f"shipped folder in {motor}{', phone' if celular else ''}{', http' if por_http else ''}",
       motor, construida, None, partida_sorteada, False, celular, por_http)
      for motor in MOTORES for celular in (False, True) for por_http in (False, True)],
    ("installed, offline", "chromium", construida, None, partida_offline, False, False, True),
    ("unpacked zip", "chromium", lambda compilado, _, temporario: pagina_do_zip(compilado,
                                                                                temporario),
     None, partida_sorteada, False, False, False),
    ("game script missing", "firefox", lambda compilado, _, temporario: pasta_sem_o_jogo(
        compilado, temporario), None, erro_fatal, True, False, False),
    ("entropy source failing", "chromium", construida, SEM_ENTROPIA, erro_fatal, True, False,
     False),
    ("start failing", "chromium", construida, SEM_INSTANCIA, erro_fatal, True, False, False),
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


def conferir_registros(motor, caso, raiz, falha, servidor):
    enderecos = motor.pedidos()
    if servidor:
        enderecos += [f"http://127.0.0.1:{servidor.server_address[1]}{p}" for p in servidor.pedidos]
    fora = [e for e in enderecos if not e.startswith((raiz, "data:", "blob:"))]
    cp.confere(not fora, f"{caso}: requests outside the page's folder: {fora}")
    erros = motor.erros()
    if falha:
        cp.confere(any("Trovelin: " in e for e in erros), f"{caso}: not in the log: {erros}")
    else:
        cp.confere(not erros, f"{caso}: browser errors: {erros}")


def conferir_o_fim(motor, caso):
    """The button after the farewell, focused, in view, covering nothing; no sideways
    scrolling."""
    medidas = motor.script("""
        const linhas = document.querySelectorAll('#console .linha');
        const ultima = linhas[linhas.length - 1].getBoundingClientRect();
        const botao = document.getElementById('de-novo');
        const tela = document.getElementById('console');
        return [!botao.hidden, document.activeElement === botao,
                ultima.bottom <= botao.getBoundingClientRect().top,
                botao.getBoundingClientRect().bottom <= tela.getBoundingClientRect().bottom,
                tela.scrollWidth <= tela.clientWidth,
                document.documentElement.scrollWidth <= innerWidth];""")
    cp.confere(all(medidas), f"{caso}: button shown, focused and in view, covering no text, no"
                             f" sideways scrolling: {medidas}")


def main(compilado, pagina_42):
    for caso, nome_do_motor, pasta_de, antes, jogar, falha, celular, por_http in CASOS:
        print(caso, flush=True)
        faulthandler.dump_traceback_later(180, exit=True)  # a stuck browser says where, and ends
        motor = MOTORES[nome_do_motor](celular)
        servidor = None
        try:
            with tempfile.TemporaryDirectory() as temporario:
                pasta = pasta_de(os.path.abspath(compilado), os.path.abspath(pagina_42), temporario)
                raiz = "file://" + pasta + "/"
                if por_http:
                    servidor = Servidor(pasta)
                    raiz = servidor.raiz
                if antes:
                    motor.antes(antes)
                motor.ir(raiz + "index.html")
                jogar(motor, pasta, no_celular(motor) if celular else motor.teclado, servidor)
                conferir_o_fim(motor, caso)
                conferir_registros(motor, caso, raiz, falha, servidor)
        finally:
            motor.fechar()
            if servidor:
                servidor.shutdown()


if __name__ == "__main__":
    main(*sys.argv[1:3])
    faulthandler.cancel_dump_traceback_later()
    print("PASS")
