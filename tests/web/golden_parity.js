// The golden key scripts through the WebAssembly build under node: every
// case must give the native goldens byte for byte (state, tape PBM) and dot
// for dot (LCD and tape pictures).
//   node --no-experimental-fetch golden_parity.js SITE_DIR GOLDEN_DIR FRESH_IMAGE
// Exits 77 (skipped) when the web edition is not built.
"use strict";
const fs = require("fs");
const path = require("path");
const { decodePng } = require("./png");
const { loadDevice } = require("./wasm_device");

const [buildDir, goldenDir, freshImage] = process.argv.slice(2);
if (!fs.existsSync(path.join(buildDir, "klx80.js"))) {
  console.log(`SKIP: no web edition in ${buildDir}: build it with scripts/web --build`);
  process.exit(77);
}

function same(a, b) { return a.width === b.width && a.height === b.height && Buffer.compare(a.rgb, b.rgb) === 0; }

async function main() {
  const device = await loadDevice(buildDir);
  const fresh = fs.readFileSync(freshImage);
  const cases = fs.readdirSync(goldenDir).filter((d) => fs.existsSync(path.join(goldenDir, d, "keys.txt"))).sort();
  const failed = [];
  let deviceNs = 0n;  // the device's own time: opening, scripts, closing
  for (const name of cases) {
    const dir = path.join(goldenDir, name), file = (f) => path.join(dir, f);
    const problems = [];
    const t0 = process.hrtime.bigint();
    try {
      device.writeFile("/case.hex", fs.existsSync(file("flash.hex")) ? fs.readFileSync(file("flash.hex")) : fresh);
      // before.txt runs on its own device, switched off before keys.txt.
      for (const script of ["before.txt", "keys.txt"].filter((s) => fs.existsSync(file(s)))) {
        device.open("/case.hex");
        device.settle();
        device.run(fs.readFileSync(file(script), "utf8"));
        device.finish();
        if (script === "before.txt") device.close();
      }
      deviceNs += process.hrtime.bigint() - t0;
      if (fs.existsSync(file("state.json")) && device.state() + "\n" !== fs.readFileSync(file("state.json"), "utf8"))
        problems.push("state.json" + (process.env.SHOW ? "\n" + device.state() : ""));
      if (fs.existsSync(file("tape.pbm")) && Buffer.compare(device.tapePbm(), fs.readFileSync(file("tape.pbm"))))
        problems.push("tape.pbm");
      if (fs.existsSync(file("lcd.png")) &&
          !same({ width: 264, height: 128, rgb: device.lcdRgb() }, decodePng(fs.readFileSync(file("lcd.png")))))
        problems.push("lcd.png");
      if (fs.existsSync(file("tape.png")) && !same(device.tapeRgb(), decodePng(fs.readFileSync(file("tape.png")))))
        problems.push("tape.png");
      device.close();
    } catch (e) {
      problems.push(String(e.message || e));
      try { device.close(); } catch (_) { /* the next case opens anew */ }
    }
    if (problems.length) failed.push(`${name}: ${problems.join(", ")}`);
  }
  for (const f of failed) console.log(`FAIL ${f}`);
  console.log(`${cases.length - failed.length} of ${cases.length} golden cases match` +
    ` (the device's scripts took ${(Number(deviceNs) / 1e9).toFixed(2)} s)`);
  process.exit(failed.length ? 1 : 0);
}

main().catch((e) => { console.error(e); process.exit(1); });
