// Linked before Emscripten's own start-up code (--pre-js). The WebAssembly
// sits inside trovelin.js as a data: URL; Emscripten would fetch() that URL,
// a trip through the browser's network stack that delayed the first menu by
// tens of milliseconds. Compile it from its bytes instead, still off the main
// thread. The names used are Emscripten's own, defined by the time this runs;
// the URL itself is set by then in Emscripten 3.1.6 (Debian 12), and found
// by findWasmBinary() only afterwards in 3.1.69 (Debian 13).
// Whatever fails on the way, the game's start included, aborts: a rejection
// left unhandled here would reach no page handler from a file: page.
Module.instantiateWasm = (importacoes, receber) => {
  Promise.resolve()
    .then(() => tryParseAsDataURI(typeof wasmBinaryFile === "string" ? wasmBinaryFile
                                                                     : findWasmBinary()))
    .then((bytes) => WebAssembly.instantiate(bytes, importacoes))
    .then((resultado) => receber(resultado.instance))
    .catch(abort);
  return {};
};
