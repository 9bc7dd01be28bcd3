// Chromium or Firefox ESR (argv[2]) for navegador.py, through puppeteer-core
// (CDP, WebDriver BiDi): one call a line on standard input, [method,
// arguments...] in JSON, one answer a line on standard output, {"valor": ...}
// or {"erro": "..."}.
import readline from "node:readline";
import puppeteer from "puppeteer-core";

const LANCAMENTOS = {
  chromium: { browser: "chrome", executablePath: "/usr/bin/chromium",
              args: ["--no-sandbox", "--disable-gpu", "--disable-quic"],
              paraOLeitor: ["--force-renderer-accessibility"] },
  firefox: { browser: "firefox", executablePath: "/usr/bin/firefox-esr" },
};
// "visivel" (argv[3]): a window on the display, its pages exposed to a screen reader.
const visivel = process.argv[3] === "visivel";
const { paraOLeitor = [], ...lancamento } = LANCAMENTOS[process.argv[2]];
const navegador = await puppeteer.launch({
  ...lancamento, headless: !visivel,
  args: [...(lancamento.args ?? []), ...(visivel ? paraOLeitor : [])],
});
const pagina = await navegador.newPage();
// Chromium's DevTools protocol, for what only it does or tells.
const cdp = process.argv[2] === "chromium" ? await pagina.createCDPSession() : null;
// Chromium takes quick taps at one spot for a double tap, which selects a word:
// there, each tap is a whole gesture of its own.
const tocar = cdp
  ? (x, y) => cdp.send("Input.synthesizeTapGesture", { x, y })
  : (x, y) => pagina.touchscreen.tap(x, y);
const erros = [];
const pedidos = [];
pagina.on("console", (mensagem) => {
  if (mensagem.type() === "error") {
    erros.push(mensagem.text());
  }
});
pagina.on("pageerror", (erro) => erros.push(String(erro)));
pagina.on("request", (pedido) => pedidos.push(pedido.url()));

async function teclas(texto, escrever) {
  const nomes = { "\n": "Enter", "\b": "Backspace", "\t": "Tab" };
  for (const pedaco of texto.split(/([\n\b\t])/)) {
    if (nomes[pedaco]) {
      await pagina.keyboard.press(nomes[pedaco]);
    } else if (pedaco) {
      await escrever(pedaco);
    }
  }
}

const comandos = {
  // A phone's screen this tall, or with none given a desktop's.
  altura: (altura) => pagina.setViewport(altura
    ? { width: 390, height: altura, deviceScaleFactor: 3, isMobile: true, hasTouch: true }
    : { width: 1280, height: 800 }),
  // So many CSS px wide on a desktop, or with none given the desktop's width.
  largura: (largura) => pagina.setViewport({ width: largura || 1280, height: 800 }),
  antes: (codigo) => pagina.evaluateOnNewDocument(codigo).then(() => null),
  // With `cedo`, back as soon as the prompt is there, the page's scripts maybe not yet.
  ir: (endereco, cedo) => (cedo
    ? (pagina.goto(endereco).catch(() => {}), pagina.waitForSelector("#entrada"))
    : pagina.goto(endereco)).then(() => null),
  recarregar: () => pagina.reload().then(() => null),
  cdp: (comando, parametros) => cdp.send(comando, parametros),
  script: (corpo) => pagina.evaluate(`(() => { ${corpo} })()`),
  // A physical keyboard: a key event for each character.
  teclado: (texto) => teclas(texto, (pedaco) => pagina.keyboard.type(pedaco)),
  // An on-screen keyboard after a tap: text as input events, with no key of its own.
  async toque(texto) {
    await tocar(195, 20);
    await teclas(texto, async (pedaco) => {
      for (const letra of pedaco) {
        await pagina.keyboard.sendCharacter(letra);
      }
    });
  },
  clicar: (seletor) => pagina.click(seletor).then(() => null),
  erros: async () => erros,
  pedidos: async () => pedidos,
};

for await (const linha of readline.createInterface({ input: process.stdin })) {
  const [metodo, ...argumentos] = JSON.parse(linha);
  try {
    const valor = await comandos[metodo](...argumentos);
    process.stdout.write(`${JSON.stringify({ valor: valor ?? null })}\n`);
  } catch (erro) {
    process.stdout.write(`${JSON.stringify({ erro: String(erro) })}\n`);
  }
}
await navegador.close();
