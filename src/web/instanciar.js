// Linked before Emscripten's own start-up code (--pre-js). The WebAssembly
// sits inside trovelin.js as a data: URL; Emscripten would fetch() that URL,
// a trip through the browser's network stack that delayed the first menu by
// tens of milliseconds. Compile it from its bytes instead, still off the main
// thread. The names used are Emscripten's own, defined by the time this runs.
// Whatever fails on the way, the game's start included, aborts: a rejection
// left unhandled here would reach no page handler from a file: page.
Module.instantiateWasm = (importacoes, receber) => {
  WebAssembly.instantiate(tryParseAsDataURI(wasmBinaryFile), importacoes)
    .then((resultado) => receber(resultado.instance))
    .catch(abort);
  return {};
};
