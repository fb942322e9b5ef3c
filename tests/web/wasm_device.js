// The WebAssembly device under node: loads build-web/site/klx80.js and wraps the
// exported session calls the page uses.
"use strict";
const path = require("path");

async function loadDevice(buildDir) {
  const factory = require(path.resolve(buildDir, "klx80.js"));
  const M = await factory({ print: () => {}, printErr: () => {} });
  const call = (name, ...args) => M["_" + name](...args);
  const withText = (s, fn) => {
    const n = M.lengthBytesUTF8(s) + 1, p = call("malloc", n);
    M.stringToUTF8(s, p, n);
    try { return fn(p); } finally { call("free", p); }
  };
  const check = (what) => { if (!call("k_ok")) throw new Error(`${what}: ${M.UTF8ToString(call("k_error"))}`); };
  const bytes = (ptr) => Buffer.from(M.HEAPU8.slice(ptr, ptr + call("k_out_size")));
  return {
    M,
    // A copy: the file system keeps a node Buffer it is given as a view.
    writeFile: (name, data) => M.FS.writeFile(name, new Uint8Array(data)),
    open(image) {
      withText(image, (p) => call("k_open", p, 0));
      check(`cannot open ${image}`);
    },
    close: () => call("k_close"),
    settle() { call("k_settle"); check("settle"); },
    finish() { call("k_finish"); check("at the end of the script"); },
    run(script) { withText(script, (p) => call("k_run_script", p)); check("script"); },
    state: () => M.UTF8ToString(call("k_state_json")),
    lcdRgb() {
      const p = call("k_lcd_rgb");
      return Buffer.from(M.HEAPU8.slice(p, p + 264 * 128 * 3));
    },
    tapeRgb() {
      const data = bytes(call("k_tape_rgb")), width = call("k_tape_width");
      return { width, height: width ? data.length / (3 * width) : 0, rgb: data };
    },
    tapePbm: () => bytes(call("k_tape_pbm")),
  };
}

module.exports = { loadDevice };
