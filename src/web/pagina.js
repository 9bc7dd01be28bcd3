"use strict";
// The console of the page, for the game compiled to WebAssembly (trovelin.js):
// shows what the game writes, echoes and edits what the player types, and
// hands each line to the game when Enter is pressed.
(() => {
  const tela = document.getElementById("console");
  const deNovo = document.getElementById("de-novo");
  const escrito = document.createTextNode("");
  const digitando = document.createElement("span");
  digitando.className = "digitando";
  tela.append(escrito, digitando);

  const codificador = new TextEncoder();
  let paraOJogo = new Uint8Array(0);  // lines sent, not yet read by the game
  let acordarOJogo = null;
  let terminou = false;

  function rolarParaOFim() {
    tela.scrollTop = tela.scrollHeight;
  }

  function enviarLinha() {
    const linha = digitando.textContent + "\n";
    digitando.textContent = "";
    escrito.appendData(linha);  // the line stays on screen, as a terminal echoes it
    const bytes = codificador.encode(linha);
    const juntos = new Uint8Array(paraOJogo.length + bytes.length);
    juntos.set(paraOJogo);
    juntos.set(bytes, paraOJogo.length);
    paraOJogo = juntos;
    if (acordarOJogo) {
      acordarOJogo();
      acordarOJogo = null;
    }
    rolarParaOFim();
  }

  function digitar(texto) {
    const linhas = texto.split(/\r\n|\r|\n/);
    linhas.forEach((linha, i) => {
      if (i > 0) {
        enviarLinha();
      }
      digitando.textContent += linha;
    });
    rolarParaOFim();
  }

  document.addEventListener("keydown", (evento) => {
    if (terminou || evento.target === deNovo || evento.ctrlKey || evento.metaKey || evento.altKey) {
      return;
    }
    if (evento.key === "Enter") {
      enviarLinha();
    } else if (evento.key === "Backspace") {
      digitando.textContent = Array.from(digitando.textContent).slice(0, -1).join("");
    } else if (Array.from(evento.key).length === 1) {  // a printable character, not "Shift"
      digitar(evento.key);
    } else {
      return;
    }
    evento.preventDefault();
  });
  document.addEventListener("paste", (evento) => {
    if (!terminou) {
      digitar(evento.clipboardData.getData("text"));
      evento.preventDefault();
    }
  });
  deNovo.addEventListener("click", () => location.reload());

  // Whatever stops the game (an abort, an exception, a script that did not
  // load) is said on the console and in the browser's log, never a blank page.
  function falhar(motivo) {
    if (terminou) {
      return;
    }
    console.error(`Trovelin: ${motivo}`);
    escrito.appendData(`\n\nErro: o jogo parou (${motivo}). Recarregue a pagina.\n`);
    Module.trovelin.encerrar();
    rolarParaOFim();
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
        escrito.appendData(texto);
        rolarParaOFim();
      },
      // What "color" does: the whole console, text already shown included.
      pintar(texto, fundo) {
        tela.style.setProperty("--texto", texto);
        tela.style.setProperty("--fundo", fundo);
      },
      // The farewell stays; a new game is a new console, as on the desktop.
      encerrar() {
        terminou = true;
        digitando.remove();
        deNovo.hidden = false;
        deNovo.focus();
      },
    },
  };

  tela.focus();
})();
