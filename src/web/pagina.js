"use strict";
// The console of the page, for the game compiled to WebAssembly (trovelin.js):
// shows what the game writes in a log that a screen reader follows, each
// frame's text added whole and never changed, so that each is spoken once and
// in order. The player types right after the prompt, into an editable span
// outside the log that wraps with the line as a terminal's echo does (a
// phone's on-screen keyboard needs an editable element), and each line sent
// goes to the game as a terminal would hand it over.
(() => {
  const tela = document.getElementById("console");
  const saida = document.getElementById("saida");
  const entrada = document.getElementById("entrada");
  const deNovo = document.getElementById("de-novo");

  // Like a terminal's scrollback: older lines go, so that a long session costs
  // what a short one does. xterm keeps 1024 by default; so many hold the last
  // 40 or so games, and each frame's layout costs at most twice a first game's.
  const LINHAS_GUARDADAS = 1000;
  let linhas = saida.textContent.split("\n").length - 1;  // line ends in the log
  const INICIO = "trovelin-primeiro-texto";  // marks how long the page took to start

  const codificador = new TextEncoder();
  let paraOJogo = new Uint8Array(0);  // lines sent, not yet read by the game
  let acordarOJogo = null;
  let terminou = false;
  // Lines typed before this script ran go to the game as pasted, once it is
  // ready for them (below). Once Enter is pressed in it, the browser ends the
  // editable span with a line break of its own, so that the last line shows:
  // that one was not typed.
  const jaDigitado = entrada.innerText.replace(/\n$/, "");
  entrada.textContent = "";
  // The first menu is in the HTML, to be seen before the game has started: the
  // game's first text is taken up by it.
  let jaNaTela = saida.textContent;

  // Once a frame, just before it is drawn: reading the height lays the page
  // out, and the first menu came later for each time it was read.
  let rolagemPedida = false;
  function rolarParaOFim() {
    if (!rolagemPedida) {
      rolagemPedida = true;
      requestAnimationFrame(() => {
        rolagemPedida = false;
        tela.scrollTop = tela.scrollHeight;
      });
    }
  }

  const finsDeLinha = (texto) => texto.split("\n").length - 1;

  // The player's typing, echoed as a terminal does, goes to the span that ends
  // the log: hidden from a screen reader, which spoke it as it was typed, and
  // a change of text, which the log does not announce, not an addition.
  function novoEco() {
    const span = document.createElement("span");
    span.setAttribute("aria-hidden", "true");
    span.append(document.createTextNode(""));
    saida.append(span);
    return span.firstChild;
  }
  let eco = novoEco();

  // Each element of the log holds one text node. The oldest go whole; of one
  // that holds more than is to go (a paste of many lines), its first lines.
  function guardarSoAsUltimas() {
    while (linhas > LINHAS_GUARDADAS) {
      const primeiro = saida.firstChild;
      const texto = primeiro.textContent;
      const sobra = linhas - LINHAS_GUARDADAS;
      const fins = finsDeLinha(texto);
      if (fins <= sobra && primeiro !== eco.parentNode) {
        primeiro.remove();
        linhas -= fins;
      } else {
        let corte = 0;
        for (let i = 0; i < sobra; i++) {
          corte = texto.indexOf("\n", corte) + 1;
        }
        primeiro.firstChild.deleteData(0, corte);
        linhas -= sobra;
      }
    }
    rolarParaOFim();
  }

  // What the game writes goes to the log once a frame, as one addition that
  // never changes: a screen reader speaks each addition once, in order, where
  // two made at once can come out of it reversed, or one of them not at all.
  let aMostrar = "";
  let quadro = 0;
  function mostrar(texto) {
    if (aMostrar === "") {
      quadro = requestAnimationFrame(acrescentar);
    }
    aMostrar += texto;
  }

  function acrescentar() {
    if (aMostrar !== "") {
      const trecho = document.createElement("span");
      trecho.setAttribute("role", "group");  // one object, whose text is read whole
      trecho.textContent = aMostrar;
      saida.append(trecho);
      linhas += finsDeLinha(aMostrar);
      aMostrar = "";
      eco = novoEco();
      guardarSoAsUltimas();
    }
  }

  function ecoar(texto) {
    acrescentar();  // what the game wrote before stays before
    eco.appendData(texto);
    linhas += finsDeLinha(texto);
    guardarSoAsUltimas();
  }

  // What the game writes first is what the HTML shows already; should the two
  // ever differ, the game's text wins.
  function mostrarDoJogo(texto) {
    if (jaNaTela.startsWith(texto)) {
      jaNaTela = jaNaTela.slice(texto.length);
      return;
    }
    if (!texto.startsWith(jaNaTela)) {
      console.error("Trovelin: o menu da pagina difere do jogo");
      saida.replaceChildren(eco.parentNode);
      linhas = finsDeLinha(eco.data);
      jaNaTela = "";
    }
    mostrar(texto.slice(jaNaTela.length));
    jaNaTela = "";
  }

  function enviar(linha) {
    ecoar(linha);  // the line stays on screen, as a terminal echoes it
    const bytes = codificador.encode(linha);
    const juntos = new Uint8Array(paraOJogo.length + bytes.length);
    juntos.set(paraOJogo);
    juntos.set(bytes, paraOJogo.length);
    paraOJogo = juntos;
    if (acordarOJogo) {
      acordarOJogo();
      acordarOJogo = null;
    }
  }

  function enviarLinha() {
    const linha = `${entrada.textContent}\n`;
    entrada.textContent = "";
    enviar(linha);
  }

  function focar() {
    if (document.activeElement !== entrada) {
      entrada.focus();
      getSelection().selectAllChildren(entrada);
      getSelection().collapseToEnd();
    }
  }

  // Pasted lines are sent one by one, as typed and Enter pressed; what follows
  // the last line end stays for the player to finish.
  function colar(texto) {
    const linhas = texto.split(/\r\n|\r|\n/);
    const resto = linhas.pop();
    if (linhas.length > 0) {
      linhas[0] = entrada.textContent + linhas[0];
      entrada.textContent = "";
      linhas.forEach((linha) => enviar(`${linha}\n`));
    }
    focar();
    if (resto) {
      document.execCommand("insertText", false, resto);
    }
  }

  // Enter, or a phone keyboard's send key, sends the line; the editable span
  // takes plain text only.
  entrada.addEventListener("keydown", (evento) => {
    if (evento.key === "Enter" && !evento.isComposing) {
      evento.preventDefault();
      enviarLinha();
    }
  });
  entrada.addEventListener("beforeinput", (evento) => {
    if (evento.inputType === "insertParagraph" || evento.inputType === "insertLineBreak") {
      evento.preventDefault();
      enviarLinha();
    } else if (!/^(insert(Text|ReplacementText|CompositionText)|delete)/.test(evento.inputType)) {
      evento.preventDefault();  // formatting, drops, rich text
    }
  });
  document.addEventListener("paste", (evento) => {
    if (!terminou) {
      evento.preventDefault();
      colar(evento.clipboardData.getData("text"));
    }
  });
  // Typing anywhere on the page goes to the prompt; so does a tap on the console.
  document.addEventListener("keydown", (evento) => {
    if (!terminou && evento.target !== deNovo && !evento.ctrlKey && !evento.metaKey) {
      focar();
    }
  });
  tela.addEventListener("click", () => {
    if (!terminou && getSelection().isCollapsed) {
      focar();
    }
  });
  // The on-screen keyboard takes part of the window: keep the prompt in view.
  if (window.visualViewport) {
    window.visualViewport.addEventListener("resize", rolarParaOFim);
  }
  deNovo.addEventListener("click", () => location.reload());

  // The last text (the farewell, or why the game stopped) goes to the log
  // once the focus is on the button: a screen reader drops what it has not
  // yet said of a live region when the focus moves.
  const DEPOIS_DO_FOCO = 200;  // ms
  function encerrar() {
    terminou = true;
    cancelAnimationFrame(quadro);
    setTimeout(acrescentar, DEPOIS_DO_FOCO);
    tela.append(deNovo);  // in the text's flow, after the last line: it covers nothing
    deNovo.hidden = false;
    deNovo.focus();  // straight from the typing, which then goes
    entrada.remove();
    rolarParaOFim();
  }

  // Whatever stops the game (an abort, an exception, a script that did not
  // load) is said on the console and in the browser's log, never a blank page.
  function falhar(motivo) {
    if (terminou) {
      return;
    }
    console.error(`Trovelin: ${motivo}`);
    jaNaTela = "";
    mostrar(`\n\nErro: o jogo parou (${motivo}). Recarregue a pagina.\n`);
    encerrar();
  }
  window.addEventListener("error", (evento) => {
    falhar(evento.message || `falhou ao carregar ${evento.target.src || evento.target}`);
  }, true);  // capturing: a script that fails to load does not bubble
  window.addEventListener("unhandledrejection", (evento) => falhar(String(evento.reason)));

  window.Module = {
    onAbort: (motivo) => falhar(String(motivo || "abort")),
    trovelin: {
      // Up to `capacidade` bytes of what the player has sent, once there are any.
      async ler(capacidade) {
        while (paraOJogo.length === 0) {
          await new Promise((acordar) => { acordarOJogo = acordar; });
        }
        const bytes = paraOJogo.subarray(0, capacidade);
        paraOJogo = paraOJogo.slice(bytes.length);
        return bytes;
      },
      escrever(texto) {
        if (performance.getEntriesByName(INICIO).length === 0) {
          performance.mark(INICIO);
        }
        mostrarDoJogo(texto);
      },
      // What "color" does: the whole console, text already shown included.
      pintar(texto, fundo) {
        tela.style.setProperty("--texto", texto);
        tela.style.setProperty("--fundo", fundo);
      },
      // The farewell stays; a new game is a new console, as on the desktop.
      encerrar,
    },
  };

  colar(jaDigitado);

  // The game's script after the first frame, so that the menu the HTML holds is
  // painted before a phone has fetched and compiled the game.
  requestAnimationFrame(() => setTimeout(() => {
    const jogo = document.createElement("script");
    jogo.src = "trovelin.js";
    document.body.append(jogo);
  }));

  // Served over http(s), the page installs as an app and plays offline; opened
  // from disk, where neither can work, nothing is attempted. Not before the
  // page has loaded: the game starts first.
  function instalavel() {
    const manifesto = document.createElement("link");
    manifesto.rel = "manifest";
    manifesto.href = "manifest.webmanifest";
    document.head.append(manifesto);
    if ("serviceWorker" in navigator) {
      navigator.serviceWorker.register("servico.js").catch((erro) => {
        console.warn(`Trovelin: sem jogo offline (${erro})`);
      });
    }
  }
  if (location.protocol === "https:" || location.protocol === "http:") {
    window.addEventListener("load", instalavel);
  }
})();
