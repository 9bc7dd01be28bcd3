#!/usr/bin/env python3
"""The web page, played as a player would in Chromium, Firefox ESR and WebKitGTK (headless, or
under Xvfb for WebKit): from disk and over http, on a desktop with a keyboard and on a phone-sized
screen typing as an on-screen keyboard does (with touch where the engine can emulate it).

Usage: navegador.py CASE BUILD_DIR PAGE_42_DIR, or navegador.py --casos for the cases' names
  BUILD_DIR holds the page as built (and packed into the .zip by cpack);
  PAGE_42_DIR the same page with every secret 42, for what needs a known one.
The page is judged as drawn: the console's visible text put into lines by where the layout
draws each character, the typing included.
"""
import contextlib
import errno
import faulthandler
import functools
import glob
import http.server
import json
import operator
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import tty
import typing

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.common.options import ArgOptions
from selenium.webdriver.common.utils import free_port, is_connectable
from selenium.common.exceptions import WebDriverException

import apoio as ap

NORMAIS = ("rgb(204, 204, 204)", "rgb(12, 12, 12)")  # text, background: color 07
ACERTO = ("rgb(160, 13, 26)", "rgb(242, 196, 0)")    # color 64
ERRO = rb"\n\nErro: o jogo parou \(.+\)\. Recarregue a pagina\.\n$"
TELEFONE = (390, 844)
TECLADO_NA_TELA = 336  # of those 844 px, as an iPhone's keyboard takes them
TECLAS = {"\n": Keys.ENTER, "\b": Keys.BACKSPACE, "\t": Keys.TAB}
MODULOS = os.path.join(os.path.dirname(__file__), "node_modules")
ESTREITA = 320  # CSS px: WCAG's reflow width

# What the player types and what the whole console then says, with its colours.
# Typed text stays on screen, as a terminal echoes it.
PASSOS = [
    ("", ap.MENU, NORMAIS),  # nothing typed yet
    ("2\n", b"2\n" + ap.REGRAS + ap.MENU, NORMAIS),
    ("1x\b\n", b"1\n" + ap.SORTEANDO + ap.pedido(1), NORMAIS),
    ("50 0 abc\n", b"50 0 abc\n" + ap.menor(50) + ap.pedido(2) + ap.FORA + ap.pedido(2) + ap.FORA
     + ap.pedido(2), NORMAIS),
    ("42\n", b"42\n" + ap.acerto(42) + ap.historico([50, 42]) + ap.MENU, ACERTO),
    ("3\n", b"3\n" + ap.ADEUS, ACERTO),
]


def falado(texto):
    """What a screen reader should speak of the game's `texto`: each line with words."""
    return [linha.strip() for linha in texto.split("\n") if linha.strip()]


# What a screen reader speaks of that session, after the first menu: the game's lines, once
# each, in order; the typing it speaks only as it is typed.
DIGITADO = [re.sub(".\b", "", digitado) for digitado, _, _ in PASSOS]
FALA = [linha for (_, novo, _), eco in zip(PASSOS[1:], DIGITADO[1:])
        for linha in falado(novo[len(eco):].decode())]


class PorPuppeteer:
    """Debian's Chromium or Firefox ESR, driven over CDP or WebDriver BiDi by puppeteer.mjs
    (puppeteer-core), which knows the same methods as WebKit's driver below: each call is a line
    of JSON there and back."""

    def __init__(self, navegador, celular, visivel=False):
        self.processo = subprocess.Popen(
            ["node", os.path.join(os.path.dirname(__file__), "puppeteer.mjs"), navegador,
             *(["visivel"] if visivel else [])],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.altura(TELEFONE[1] if celular else None)

    def __getattr__(self, metodo):
        def pedir(*argumentos):
            self.processo.stdin.write(json.dumps([metodo, *argumentos]) + "\n")
            self.processo.stdin.flush()
            resposta = json.loads(self.processo.stdout.readline() or '{"erro": "it ended"}')
            ap.confere("erro" not in resposta, f"puppeteer: {metodo}: {resposta.get('erro')}")
            return resposta["valor"]
        return pedir

    def fechar(self):
        self.processo.stdin.close()
        self.processo.wait(30)


class WebKit:
    """WebKitGTK's MiniBrowser through WebKitWebDriver and Selenium, with capabilities written by
    hand (the driver refuses those Selenium adds). It shows no log to a driver, and cannot emulate
    touch: on a phone-sized window the player types into the input as a keyboard does."""

    def __init__(self, celular):
        porta = free_port()
        self.servico = subprocess.Popen(["WebKitWebDriver", f"--port={porta}"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ap.esperar(lambda: is_connectable(porta), lambda: "WebKitWebDriver did not start", 5)
        opcoes = ArgOptions()
        opcoes.set_capability("browserName", "MiniBrowser")
        opcoes.set_capability("webkitgtk:browserOptions", {
            "binary": glob.glob("/usr/lib/*/webkit2gtk-4.1/MiniBrowser")[0],
            "args": ["--automation"]})
        self.driver = webdriver.Remote(f"http://127.0.0.1:{porta}", options=opcoes)
        self.driver.set_window_size(*(TELEFONE if celular else (1280, 800)))

    def clicar(self, seletor):
        ActionChains(self.driver).click(self.driver.find_element(By.CSS_SELECTOR, seletor)
                                        ).perform()

    def teclado(self, digitado):
        """A physical keyboard, where the focus is."""
        ActionChains(self.driver).send_keys(*(TECLAS.get(letra, letra) for letra in digitado)
                                            ).perform()

    def ir(self, endereco, _cedo=False):
        self.driver.get(endereco)

    def script(self, corpo):
        return self.driver.execute_script(corpo)

    def altura(self, pixels):
        def redimensionar():  # the driver now and then fails a resize, saying nothing
            with contextlib.suppress(WebDriverException):
                return self.driver.set_window_size(TELEFONE[0], pixels) or True
        ap.esperar(redimensionar, lambda: f"WebKit: the window is not {pixels} px tall", 2)

    def toque(self, digitado):
        self.driver.find_element(By.ID, "console").click()
        self.teclado(digitado)

    def erros(self):
        return []

    def pedidos(self):
        return []

    def fechar(self):
        self.driver.quit()
        self.servico.terminate()
        self.servico.wait(30)


class Orca:
    """Debian's Orca, as a blind player runs it, on a D-Bus session of its own on this display,
    what it speaks read from its debug log. Its speech server is given an address where there
    is none, so that it runs without one, and without a sound device. The browsers started
    meanwhile expose their pages to it."""

    def __init__(self):
        for pacote, arquivo in (("orca", "/usr/bin/orca"),
                                ("at-spi2-core", "/usr/libexec/at-spi-bus-launcher")):
            if not os.path.exists(arquivo):
                raise FileNotFoundError(errno.ENOENT, "not installed", pacote)
        self.casa = tempfile.mkdtemp()  # its settings, as a new user's
        endereco, pid = subprocess.run(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
            capture_output=True, text=True, check=True).stdout.split()
        self.barramento = int(pid)
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=endereco, GNOME_ACCESSIBILITY="1",
                          ACCESSIBILITY_ENABLED="1")
        # The log to a terminal, which Python writes to line by line (to a file, it keeps the
        # last lines until it has more).
        principal, self.terminal = os.openpty()  # held open: without it, reading ends at once
        tty.setraw(self.terminal)
        self.registro = []
        threading.Thread(target=self.ler, args=(principal,), daemon=True).start()
        self.processo = subprocess.Popen(
            ["orca", f"--debug-file={os.ttyname(self.terminal)}"], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, env={**os.environ, "HOME": self.casa,
                                            "SPEECHD_ADDRESS": "unix_socket:/nenhum/lugar"})
        ap.esperar(self.fala, lambda: "Orca said nothing as it started", 30)

    def ler(self, principal):
        with contextlib.suppress(OSError):
            while bloco := os.read(principal, 1 << 16):
                self.registro.append(bloco)

    def fala(self):
        """What Orca has spoken, one utterance an item."""
        return [re.sub(r"\n\s*", "\n", dito) for dito in re.findall(
            r"SPEECH OUTPUT: '(.*?)' ?\{", b"".join(self.registro).decode(errors="replace"), re.S)]

    def calar(self):
        """Waits until Orca has said nothing new for a while: a key typed before stops the rest,
        as a player would not."""
        antes = None
        while antes != (agora := len(self.fala())):
            antes = agora
            time.sleep(0.8)

    def fechar(self):
        self.processo.kill()  # it may wait on the bus for long on SIGTERM
        self.processo.wait(30)
        os.kill(self.barramento, signal.SIGTERM)
        os.close(self.terminal)
        shutil.rmtree(self.casa)


def eco_de_tecla(dito):
    """Orca's key echo: the key typed, or its name ("5 " in Orca 43, "5" in 48)."""
    return len(dito.strip()) == 1 or dito.strip() in ("return", "space", "backspace")


def conferir_fala(orca, caso):
    """From the first key typed, Orca speaks each new line of the game once, in order, and what
    was typed only as its keys."""
    def linhas():
        fala = orca.fala()
        inicio = next((i for i, dito in enumerate(fala) if eco_de_tecla(dito)), len(fala))
        return [linha for dito in fala[inicio:] if not eco_de_tecla(dito)
                for linha in falado(dito)]
    ap.esperar(lambda: FALA[-1] in linhas(), lambda: f"{caso}: Orca said {linhas()}", 20)
    ouvido = linhas()
    releu = {linha.strip() for linha in DIGITADO} & set(ouvido)
    ap.confere([linha for linha in ouvido if linha in FALA] == FALA and not releu,
               f"{caso}: Orca said {ouvido}, typing read as output: {releu}")


def teclado_do_x(orca, digitado):
    """Real keys, as the X server gives them to the window with the focus and to Orca, once it
    has said what came before."""
    orca.calar()
    for pedaco in re.split(r"([\n\b])", digitado):
        if pedaco in ("\n", "\b"):
            subprocess.run(["xdotool", "key", {"\n": "Return", "\b": "BackSpace"}[pedaco]],
                           check=True)
        elif pedaco:
            subprocess.run(["xdotool", "type", "--delay", "50", pedaco], check=True)


MOTORES = {"chromium": functools.partial(PorPuppeteer, "chromium"),
           "firefox": functools.partial(PorPuppeteer, "firefox"), "webkit": WebKit}


def texto(motor):
    """The console's text: what the game wrote, the typing echoed, and what is being typed."""
    return motor.script("const entrada = document.getElementById('entrada');"
                        " return document.getElementById('saida').textContent"
                        " + (entrada ? entrada.textContent : '')").encode()


# The console as drawn: each visible character where the layout put it, into lines by its top;
# the console's width in columns; and the prompt that the typing follows.
TELA = """
    const tela = document.getElementById('console');
    const caixa = tela.getBoundingClientRect();
    const linhas = new Map();
    const faixa = document.createRange();
    const andar = document.createTreeWalker(tela, NodeFilter.SHOW_TEXT);
    let largura = 0;
    for (let no; (no = andar.nextNode());) {
      const dono = no.parentElement.getBoundingClientRect();
      for (let i = 0; dono.bottom > caixa.top && dono.top < caixa.bottom && i < no.length; i++) {
        faixa.setStart(no, i);
        faixa.setEnd(no, i + 1);
        const letra = Array.from(faixa.getClientRects())  // a wrapped one's, on its own line
          .reduce((a, b) => (b.width > a.width ? b : a), {width: 0});
        if (letra.width > 0 && letra.bottom > caixa.top && letra.top < caixa.bottom) {
          largura = Math.max(largura, letra.width);
          const y = Math.round(letra.top);
          linhas.set(y, [...(linhas.get(y) || []), [letra.left, no.data[i]]]);
        }
      }
    }
    const estilo = getComputedStyle(tela);
    const util = tela.clientWidth - parseFloat(estilo.paddingLeft) -
                 parseFloat(estilo.paddingRight);
    const entrada = document.getElementById('entrada');
    return [Array.from(linhas.keys()).sort((a, b) => a - b).map((y) =>
              linhas.get(y).sort((a, b) => a[0] - b[0]).map((c) => c[1]).join('')),
            Math.floor(util / largura + 0.001),
            entrada ? document.getElementById('saida').textContent.split('\\n').pop() : null];"""


def quebrar(texto, colunas):
    """`texto` as a terminal draws it `colunas` wide: blank lines aside, each line cut at the
    last column, spaces at a cut hanging at the end; trailing spaces left out."""
    desenho = []
    for linha in texto.split("\n"):
        while linha:
            corte = colunas
            while linha[corte:corte + 1] == " ":
                corte += 1
            desenho.append(linha[:corte].rstrip())
            linha = linha[corte:]
    return desenho


def esperar_tela(motor, esperado=None, digitado=""):
    """Waits until the console, as drawn, ends with `esperado` (bytes; by default, the prompt
    now shown), `digitado` standing right after its last line, as a terminal echoes typing."""
    def desenhos():
        linhas, colunas, prompt = motor.script(TELA)
        texto_ = prompt if esperado is None else esperado.decode()
        fim = quebrar(texto_ + re.sub(".\b", "", digitado), colunas)
        n = min(len(linhas), len(fim))  # the lines in view
        return [linha.rstrip() for linha in linhas][-n:], fim[-n:]
    ap.esperar(lambda: operator.eq(*desenhos()),
               lambda: "drawn {}, not {}".format(*(d[-4:] for d in desenhos())))


def digitar(motor, escrever, linha):
    """Types `linha` and Enter; before Enter the typing must stand after the prompt."""
    escrever(linha)
    esperar_tela(motor, digitado=linha)
    escrever("\n")


def colar(motor, texto):
    """What a paste gives the page: the clipboard's text, at the element with the focus."""
    motor.script(f"""const colagem = new ClipboardEvent('paste', {{
            clipboardData: new DataTransfer(), bubbles: true, cancelable: true}});
        colagem.clipboardData.setData('text/plain', {json.dumps(texto)});
        (document.activeElement || document.body).dispatchEvent(colagem);""")


class LeitorDaPagina:
    """The console played as pexpect plays a program, for the same game-playing code: `expect`
    waits for a text past the last one found, `send` types a line with `escrever`."""

    def __init__(self, motor, escrever=None):
        self.motor, self.escrever = motor, escrever
        self.visto, self.match = 0, None

    def expect(self, padrao, timeout=10):
        self.match = ap.esperar(lambda: re.compile(padrao).search(texto(self.motor), self.visto),
                                lambda: f"waited for {padrao!r}; have {texto(self.motor)[-200:]!r}",
                                timeout)
        self.visto = self.match.end()

    def send(self, linha):
        digitar(self.motor, self.escrever, linha.decode().rstrip("\n"))


def ate_o_fim(motor, esperado):
    """Waits for the console to end with `esperado`."""
    LeitorDaPagina(motor).expect(re.escape(esperado) + rb"$")


def no_celular(motor):
    """A phone player's typing: a tap brings up the on-screen keyboard, which the phone hides
    again now and then (a scroll, a glance elsewhere). Each time it comes back over the lower
    part of the screen, the prompt, or at the end the button, must be in view above it."""
    def escrever(digitado):
        motor.altura(TELEFONE[1])
        motor.toque(digitado)
        motor.altura(TELEFONE[1] - TECLADO_NA_TELA)
        ap.esperar(lambda: motor.script("""
                    const ultimo = document.querySelector('#entrada') ||
                                   document.getElementById('de-novo');
                    const caixa = ultimo.getBoundingClientRect();
                    return caixa.top >= 0 && caixa.bottom <= innerHeight;"""),
                   lambda: f"after {digitado!r}: prompt hidden by the on-screen keyboard", prazo=2)
    return escrever


def no_motor(motor, caminho, exportado=None):
    """Runs an npm package's browser bundle in the page, as the browser's tools run a script
    (the page's policy allows none of its own); an ES module's `exportado` becomes a global."""
    with open(os.path.join(MODULOS, caminho), encoding="utf-8") as arquivo:
        codigo = arquivo.read()
    if exportado:
        codigo = re.sub(r"export\s*\{[^}]*?([\w$]+) as " + exportado + r"\b[^}]*\};?",
                        rf"window.{exportado} = \1;", codigo)
    motor.script(codigo + "\n")  # past a last line that is a comment


def sem_falhas_de_acessibilidade(motor, quando):
    """axe-core's WCAG 2 A and AA rules find nothing, as the page is now and 320 px wide."""
    for largura in (None, ESTREITA):
        motor.largura(largura)
        falhas = motor.script("""return axe.run(document, {runOnly: ['wcag2a', 'wcag2aa',
            'wcag21a', 'wcag21aa', 'wcag22aa']}).then((r) => r.violations.map((v) =>
            `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`));""")
        ap.confere(not falhas, f"{quando}, {largura or 'desktop'} wide: axe finds {falhas}")
    motor.largura(None)


def partida_com_42(motor, _pasta, escrever, _servidor):
    """The whole console, exact, with its colours and the pause, on the page whose secret is 42;
    each line typed drawn after its prompt before Enter. In every state axe-core finds nothing,
    and a screen-reader model hears each new line of the game once, in order, and no typing;
    the button at the end answers Space and Enter."""
    no_motor(motor, "axe-core/axe.min.js")
    no_motor(motor, "@guidepup/virtual-screen-reader/lib/esm/index.browser.js", "virtual")
    motor.script("return virtual.start({container: document.body}).then(() => null)")
    todo = b""
    for digitado, novo, cores_esperadas in PASSOS:
        inicio = time.monotonic()
        if digitado:
            digitar(motor, escrever, digitado[:-1])
        todo += novo
        LeitorDaPagina(motor).expect(rb"\A" + re.escape(todo) + rb"\Z")
        if ap.SORTEANDO in novo:
            ap.confere(time.monotonic() - inicio > 1.9, "no 2 s pause after the draw")
        cores = tuple(motor.script("const estilo = getComputedStyle("
                                   "document.getElementById('console'));"
                                   " return [estilo.color, estilo.backgroundColor];"))
        ap.confere(cores == cores_esperadas, f"after {digitado!r}: colours {cores}")
        sem_falhas_de_acessibilidade(motor, f"after {digitado!r}")
    # The model reads what each addition holds as one phrase, its line ends as spaces.
    ouvido = " ".join(frase.removeprefix("polite: ") for frase in
                      motor.script("return virtual.spokenPhraseLog()")
                      if frase.startswith("polite: "))
    ap.confere(ouvido == " ".join(FALA), f"the screen-reader model said {ouvido!r}")
    # The button, focused after the farewell, is clicked by Space and by Enter; the clicks are
    # counted here, before they reach it and reload the page.
    motor.script("addEventListener('click', (evento) => { evento.stopImmediatePropagation();"
                 " window.cliques = (window.cliques || 0) + 1; }, true);")
    motor.teclado(" \n")
    ap.esperar(lambda: motor.script("return window.cliques") == 2,
               lambda: "the button does not answer both Space and Enter")


def so_o_console(motor):
    """During play the page shows, and Tab reaches, nothing but the console and its typing, and
    the page itself does not scroll."""
    visto = motor.script("""
        const controles = document.querySelectorAll('button, input, a[href], [tabindex],'
                                                    + ' [contenteditable]');
        const pagina = document.scrollingElement;
        return [Array.from(controles).filter((c) => c.getClientRects().length > 0)
                  .map((c) => c.id), pagina.scrollHeight <= innerHeight, pagina.scrollTop];""")
    ap.confere(visto == [["entrada"], True, 0], f"controls shown, page scrolls, scrolled: {visto}")


def rolagem_limitada(motor):
    """The console keeps a terminal's scrollback: past it, more lines cost no more nodes."""
    def depois_de(vezes, fim, esperado):
        colar(motor, "2\n" * vezes + fim)
        ate_o_fim(motor, esperado)
        return motor.script("const saida = document.getElementById('saida');"
                            " return [saida.childNodes.length,"
                            " saida.textContent.split('\\n').length - 1]")
    cheio = depois_de(80, "9\n", ap.INVALIDA + ap.MENU)
    mais = depois_de(20, "8\n", ap.INVALIDA + ap.MENU)  # the rules come between
    ap.confere(all(linhas <= LINHAS_GUARDADAS and nos <= 2 * LINHAS_GUARDADAS  # at most a text
                   for nos, linhas in (cheio, mais)),                 # and an echo a line
               f"nodes and lines, full and after more: {cheio}, {mais}")


def partida_sorteada(motor, _pasta, escrever, _servidor=None):
    """A game with the page's own random secret, found by halving the range as a player would,
    with a value refused on the way, too long for a line; each line drawn after its prompt
    before Enter. Then the scrollback's bound."""
    leitor = LeitorDaPagina(motor, escrever)
    leitor.expect(re.escape(ap.MENU) + rb"$")
    leitor.send(b"1\n")
    leitor.expect(re.escape(ap.SORTEANDO + ap.pedido(1)) + rb"$")
    so_o_console(motor)
    leitor.send(b"abc" * 40)
    leitor.expect(re.escape(b"abc\n" + ap.FORA))  # refused: the same attempt is asked again
    palpites, _ = ap.jogar_busca_binaria(leitor)
    leitor.expect(re.escape(ap.historico(palpites) + ap.MENU) + rb"$")
    rolagem_limitada(motor)
    escrever("3\n")
    ate_o_fim(motor, b"3\n" + ap.ADEUS)


def partida_colada(motor, _pasta, escrever, _servidor):
    """Pasted lines play one by one, as typed, whatever their line ends; a paste with no line
    end waits for the player to finish it. On the page whose secret is 42."""
    colar(motor, "2\n1\n50\n")  # shown at once, as a terminal echoes typing ahead
    visto = (ap.MENU + b"2\n1\n50\n" + ap.REGRAS + ap.MENU + ap.SORTEANDO + ap.pedido(1)
             + ap.menor(50) + ap.pedido(2))
    esperar_tela(motor, visto)
    colar(motor, "60\r\n4")
    visto += b"60\n" + ap.menor(60) + ap.pedido(3)
    esperar_tela(motor, visto, "4")
    escrever("\b42\n")
    esperar_tela(motor, visto + b"42\n" + ap.acerto(42) + ap.historico([50, 60, 42]) + ap.MENU)
    escrever("3\n")


def foco_de_volta(motor, _pasta, escrever, _servidor):
    """Typing reaches the prompt wherever the focus went: nowhere (a click beside the text),
    the console (a click), or past the page by Tab. On the page whose secret is 42."""
    motor.script("document.activeElement.blur()")
    escrever("2\n")
    ate_o_fim(motor, b"opcao:2\n" + ap.REGRAS + ap.MENU)
    motor.clicar("#console")
    escrever("2\n")
    ate_o_fim(motor, b"opcao:2\n" + ap.REGRAS + ap.MENU)
    escrever("\t")  # WebKit's MiniBrowser, with no other place to go, keeps it
    escrever("1\n")
    ate_o_fim(motor, b"opcao:1\n" + ap.SORTEANDO + ap.pedido(1))
    escrever("42\n")
    ate_o_fim(motor, ap.historico([42]) + ap.MENU)
    escrever("3\n")


def digitado_antes(motor, _pasta, escrever, servidor):
    """A choice typed, and Enter, on the HTML's menu while the page's script is still on its
    way (held back by the server, as a slow link would) is played once the script runs."""
    esperar_tela(motor, ap.MENU)
    escrever("2\n")
    servidor.solto.set()
    ate_o_fim(motor, b"opcao:2\n" + ap.REGRAS + ap.MENU)
    escrever("3\n")


def erro_fatal(motor, _pasta, _escrever, _servidor):
    LeitorDaPagina(motor).expect(ERRO)


def nova_versao(pasta):
    """The page's folder as the next release would have it: another title, another cache."""
    for nome, antes, depois in (("index.html", "<title>Trovelin</title>",
                                 "<title>Trovelin, proxima versao</title>"),
                                ("servico.js", 'GUARDADOS = "trovelin-',
                                 'GUARDADOS = "trovelin-proxima-')):
        ap.trocar(os.path.join(pasta, nome), antes, depois)
        # Later than the copy the browser holds, which the server's 304 goes by, to the second.
        os.utime(os.path.join(pasta, nome), (time.time() + 60, time.time() + 60))


def partida_offline(motor, pasta, escrever, servidor):
    """Served over http the page is an installable app. The next release on the server reaches
    it on the next visit; with the server gone, it comes back from the files it kept, the new
    release's, and plays."""
    ate_o_fim(motor, ap.MENU)
    motor.script("return navigator.serviceWorker.ready.then(() => true)")
    erros = motor.cdp("Page.getInstallabilityErrors", {})["installabilityErrors"]
    ap.confere(not erros, f"not installable: {erros}")
    nova_versao(pasta)
    for parar in (lambda: None, servidor.fechar):
        parar()
        # Days later, as a player comes back: nothing left in the browser's HTTP cache.
        motor.cdp("Network.clearBrowserCache", {})
        motor.recarregar()
        ate_o_fim(motor, ap.MENU)
        titulo = motor.script("return document.title")
        ap.confere(titulo == "Trovelin, proxima versao", f"the old release stays: {titulo}")
    partida_sorteada(motor, pasta, escrever)


def pagina_do_zip(compilado, temporario):
    subprocess.run(["cpack", "-G", "ZIP", "-B", temporario], cwd=compilado, check=True,
                   capture_output=True)
    shutil.unpack_archive(glob.glob(os.path.join(temporario, "*.zip"))[0], temporario + "/zip")
    return os.path.dirname(glob.glob(os.path.join(temporario, "zip", "*", "index.html"))[0])


def copia(pasta, temporario, sem=()):
    """A copy of a page's folder, its files but those named, for a case to change."""
    return shutil.copytree(pasta, os.path.join(temporario, "pagina"), ignore=lambda de, nomes: [
        nome for nome in nomes if nome in sem or os.path.isdir(os.path.join(de, nome))])


SEM_ENTROPIA = "crypto.getRandomValues = () => { throw new Error('sem entropia'); };"
SEM_INSTANCIA = ("Object.defineProperty(WebAssembly.Instance.prototype, 'exports',"
                 " { get: () => undefined });")  # the start fails inside Emscripten's code
LINHAS_GUARDADAS = 1000  # the page's scrollback


class Caso(typing.NamedTuple):
    motor: str
    jogar: typing.Callable
    pasta: typing.Callable = lambda compilado, _pagina_42, _temporario: compilado
    antes: str = None    # a script run before the page's own
    falha: bool = False  # the page must say that the game stopped
    celular: bool = False
    por_http: bool = False
    segurado: str = None  # a file the server holds back until the case lets it go
    orca: bool = False    # played by keys on a visible window, heard through Orca


def com_42(_compilado, pagina_42, temporario):
    return copia(pagina_42, temporario)


CASOS = {
    "chromium.segredo_42": Caso("chromium", partida_com_42, com_42),
    **{f"{motor}.orca": Caso(motor, partida_com_42, com_42, orca=True)
       for motor in ("chromium", "firefox")},
    **{f"{motor}{'.celular' if celular else ''}.{'http' if por_http else 'disco'}":
       Caso(motor, partida_sorteada, celular=celular, por_http=por_http)
       for motor in MOTORES for celular in (False, True) for por_http in (False, True)},
    **{f"{motor}.colagem": Caso(motor, partida_colada, com_42) for motor in MOTORES},
    **{f"{motor}.foco": Caso(motor, foco_de_volta, com_42) for motor in MOTORES},
    "chromium.instalada_e_offline": Caso("chromium", partida_offline, lambda compilado, _,
                                         temporario: copia(compilado, temporario), por_http=True),
    "chromium.digitado_antes": Caso("chromium", digitado_antes, por_http=True,
                                    segurado="pagina.js"),
    "chromium.zip": Caso("chromium", partida_sorteada,
                         lambda compilado, _, temporario: pagina_do_zip(compilado, temporario)),
    "firefox.sem_o_jogo": Caso("firefox", erro_fatal, lambda compilado, _, temporario: copia(
        compilado, temporario, sem=("trovelin.js",)), falha=True),
    "chromium.sem_entropia": Caso("chromium", erro_fatal, antes=SEM_ENTROPIA, falha=True),
    "chromium.partida_falha": Caso("chromium", erro_fatal, antes=SEM_INSTANCIA, falha=True),
}


class Servidor(http.server.ThreadingHTTPServer):
    """Serves a page's folder from 127.0.0.1, below its parent, so that a request outside the
    folder (the browser's own /favicon.ico) shows in the list of what was asked."""

    def __init__(self, pasta, segurado=None):
        self.pedidos = []
        self.solto = threading.Event()

        class Manipulador(http.server.SimpleHTTPRequestHandler):
            def log_message(manipulador, *_):  # pylint: disable=no-self-argument
                self.pedidos.append(manipulador.path)

            def do_GET(manipulador):  # pylint: disable=no-self-argument
                if segurado and manipulador.path.endswith("/" + segurado):
                    self.solto.wait(10)
                super(Manipulador, manipulador).do_GET()

        super().__init__(("127.0.0.1", 0), functools.partial(Manipulador,
                                                             directory=os.path.dirname(pasta)))
        self.raiz = f"http://127.0.0.1:{self.server_address[1]}/{os.path.basename(pasta)}/"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def fechar(self):
        self.shutdown()
        self.server_close()


def conferir_registros(motor, caso, raiz, falha, servidor):
    enderecos = motor.pedidos()
    if servidor:
        enderecos += [f"http://127.0.0.1:{servidor.server_address[1]}{p}" for p in servidor.pedidos]
    fora = [e for e in enderecos if not e.startswith((raiz, "data:", "blob:"))]
    ap.confere(not fora, f"{caso}: requests outside the page's folder: {fora}")
    erros = motor.erros()
    if falha:
        ap.confere(any("Trovelin: " in e for e in erros), f"{caso}: not in the log: {erros}")
    else:
        ap.confere(not erros, f"{caso}: browser errors: {erros}")


def conferir_o_fim(motor, caso):
    """The button after the farewell, focused, in view, covering nothing; no sideways
    scrolling."""
    medidas = motor.script("""
        const ultima = document.getElementById('saida').getBoundingClientRect();
        const botao = document.getElementById('de-novo');
        const tela = document.getElementById('console');
        return [!botao.hidden, document.activeElement === botao,
                ultima.bottom <= botao.getBoundingClientRect().top,
                botao.getBoundingClientRect().bottom <= tela.getBoundingClientRect().bottom,
                tela.scrollWidth <= tela.clientWidth,
                document.documentElement.scrollWidth <= innerWidth];""")
    ap.confere(all(medidas), f"{caso}: button shown, focused and in view, covering no text, no"
                             f" sideways scrolling: {medidas}")


def main(nome, compilado, pagina_42):
    caso = CASOS[nome]
    faulthandler.dump_traceback_later(180, exit=True)  # a stuck browser says where, and ends
    orca = Orca() if caso.orca else None
    motor = MOTORES[caso.motor](caso.celular, *([True] if caso.orca else []))
    servidor = None
    try:
        with tempfile.TemporaryDirectory() as temporario:
            pasta = caso.pasta(os.path.abspath(compilado), os.path.abspath(pagina_42), temporario)
            raiz = "file://" + pasta + "/"
            if caso.por_http:
                servidor = Servidor(pasta, caso.segurado)
                raiz = servidor.raiz
            if caso.antes:
                motor.antes(caso.antes)
            motor.ir(raiz + "index.html", bool(caso.segurado))
            caso.jogar(motor, pasta, functools.partial(teclado_do_x, orca) if caso.orca else
                       no_celular(motor) if caso.celular else motor.teclado, servidor)
            if orca:
                conferir_fala(orca, nome)
            conferir_o_fim(motor, nome)
            conferir_registros(motor, nome, raiz, caso.falha, servidor)
    finally:
        motor.fechar()
        if servidor:
            servidor.fechar()
        if orca:
            orca.fechar()
    faulthandler.cancel_dump_traceback_later()


if __name__ == "__main__":
    ap.principal(CASOS, main)
