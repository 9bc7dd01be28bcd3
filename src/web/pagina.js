"use strict";
// The console of the page, for the game compiled to WebAssembly (trovelin.js):
// shows what the game writes, one element a line, so that a screen reader
// announces each new line; the player types into a real text input at the
// prompt (a phone's on-screen keyboard needs one), and each line sent goes to
// the game as a terminal would hand it over.
(() => {
  const tela = document.getElementById("console");
  const digitacao = document.getElementById("digitacao");
  const entrada = document.getElementById("entrada");
  const deNovo = document.getElementById("de-novo");

  const codificador = new TextEncoder();
  let paraOJogo = new Uint8Array(0);  // lines sent, not yet read by the game
  let acordarOJogo = null;
  let terminou = false;
  const INICIO = "trovelin-primeiro-texto";  // marks how long the page took to start
  // The last line, still growing, holds the prompt and the input after it; a
  // finished line moves above it, so that the input never moves (a moved
  // input loses its focus, and a phone its keyboard).
  const linhaAtual = document.createTextNode("");

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

  const ultima = document.createElement("div");
  ultima.className = "linha";
  ultima.append(linhaAtual, digitacao);
  tela.append(ultima);

  function terminarLinha() {
    const linha = document.createElement("div");
    linha.className = "linha";
    linha.textContent = linhaAtual.data;
    ultima.before(linha);
    linhaAtual.data = "";
  }

  function mostrar(texto) {
    texto.split("\n").forEach((pedaco, i) => {
      if (i > 0) {
        terminarLinha();
      }
      linhaAtual.appendData(pedaco);
    });
    rolarParaOFim();
  }

  function ajustarLargura() {
    entrada.style.width = `${Array.from(entrada.value).length + 1}ch`;
  }

  function enviarLinha() {
    const linha = `${entrada.value}\n`;
    entrada.value = "";
    ajustarLargura();
    mostrar(linha);  // the line stays on screen, as a terminal echoes it
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

  // Enter, or a phone keyboard's send key: the form's submission.
  digitacao.addEventListener("submit", (evento) => {
    evento.preventDefault();
    if (!terminou) {
      enviarLinha();
    }
  });
  entrada.addEventListener("input", ajustarLargura);
  // Pasted lines are sent one by one, as typed; an input would join them.
  entrada.addEventListener("paste", (evento) => {
    const linhas = evento.clipboardData.getData("text").split(/\r\n|\r|\n/);
    evento.preventDefault();
    linhas.forEach((linha, i) => {
      if (i > 0) {
        enviarLinha();
      }
      entrada.setRangeText(linha, entrada.selectionStart, entrada.selectionEnd, "end");
    });
    ajustarLargura();
  });
  // Typing anywhere on the page goes to the prompt; so does a tap on the console.
  document.addEventListener("keydown", (evento) => {
    if (!terminou && evento.target !== deNovo && !evento.ctrlKey && !evento.metaKey) {
      entrada.focus();
    }
  });
  tela.addEventListener("click", () => {
    if (!terminou && document.getSelection().isCollapsed) {
      entrada.focus();
    }
  });
  // The on-screen keyboard takes part of the window: keep the prompt in view.
  if (window.visualViewport) {
    window.visualViewport.addEventListener("resize", rolarParaOFim);
  }
  deNovo.addEventListener("click", () => location.reload());

  function encerrar() {
    terminou = true;
    digitacao.remove();
    tela.append(deNovo);  // in the text's flow, after the last line: it covers nothing
    deNovo.hidden = false;
    deNovo.focus();
    rolarParaOFim();
  }

  // Whatever stops the game (an abort, an exception, a script that did not
  // load) is said on the console and in the browser's log, never a blank page.
  function falhar(motivo) {
    if (terminou) {
      return;
    }
    console.error(`Trovelin: ${motivo}`);
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
        mostrar(texto);
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

  digitacao.hidden = false;
  entrada.focus();

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
