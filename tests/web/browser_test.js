// The web edition in a real browser: headless Chromium opens the page from a
// local server, types on the keyboard and clicks keys on the device picture,
// prints, reads the LCD and the tape through window.klx80 and compares them
// dot for dot with klx80-batch on the same keys, then reloads and checks that
// the working label survived in the browser's storage, and opens it offline.
//   node browser_test.js SITE_DIR KLX80_BATCH FRESH_IMAGE [SCREENSHOT_DIR]
// Exits 77 (skipped) when the web edition is not built or the browser cannot start.
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { decodePng } = require(path.join(__dirname, "png"));
const { requireSite, serve, launch, check, failed } = require(path.join(__dirname, "browser"));

const [buildDir, batch, freshImage, shots] = process.argv.slice(2);
requireSite(buildDir);

// The same keys through the native batch runner.
function native(keys) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "klx80-web-"));
  fs.copyFileSync(freshImage, path.join(dir, "fontData.hex"));
  const state = execFileSync(batch, ["--flash", path.join(dir, "fontData.hex"), "--keys", keys,
    "--lcd-png", path.join(dir, "lcd.png"), "--tape-png", path.join(dir, "tape.png"),
    "--tape-pbm", path.join(dir, "tape.pbm"), "--state"], { encoding: "utf8" });
  const read = (f) => fs.readFileSync(path.join(dir, f));
  const out = { state: JSON.parse(state), lcd: decodePng(read("lcd.png")), tape: decodePng(read("tape.png")), pbm: read("tape.pbm") };
  fs.rmSync(dir, { recursive: true, force: true });
  return out;
}

const fromDataUrl = (url) => decodePng(Buffer.from(url.split(",")[1], "base64"));
const samePicture = (a, b) => a.width === b.width && a.height === b.height && Buffer.compare(a.rgb, b.rgb) === 0;
async function main() {
  const { browser, close } = await launch();
  const { server, url } = await serve(buildDir);
  try {
    const page = await browser.newPage();
    page.on("pageerror", (e) => console.log(`page error: ${e.message}`));
    await page.setViewport({ width: 1280, height: 800 });
    await page.goto(url, { waitUntil: "load" });
    await page.evaluate(() => window.klx80.ready);
    await page.waitForFunction(() => window.klx80.firstFrameMs > 0);
    console.log(`cold start to the first LCD frame: ${(await page.evaluate(() => window.klx80.firstFrameMs)).toFixed(0)} ms`);

    // Typed on the PC keyboard, then clicked on the picture: "HELLO 12", Print.
    await page.keyboard.type("hello");
    for (const tag of [16, 18, 19]) await page.click(`.key[data-tag="${tag}"]`);
    const printed = page.evaluate(() => new Promise((resolve) => window.addEventListener("klx80:label", (e) => resolve(e.detail), { once: true })));
    await page.click('.key[data-tag="10"]');
    const label = await printed;
    check(label.number === 1 && label.columns > 0, `the label event told label ${label.number} of ${label.columns} columns`);
    await page.evaluate(() => window.klx80.settle());

    const web = await page.evaluate(() => ({
      state: window.klx80.state(), lcd: window.klx80.lcdPng(), tape: window.klx80.tapePng(), pbm: window.klx80.tapePbm(),
      latencies: window.klx80.keyLatencies,
    }));
    const want = native("TEXT:HELLO SPACE 1 2 PRINT");
    check(JSON.stringify(web.state) === JSON.stringify(want.state), `the state matches klx80-batch --state (${JSON.stringify(web.state.lines)})`);
    check(samePicture(fromDataUrl(web.lcd), want.lcd), "the LCD matches klx80-batch dot for dot");
    check(samePicture(fromDataUrl(web.tape), want.tape), `the tape picture matches klx80-batch (${want.tape.width} columns)`);
    check(Buffer.compare(Buffer.from(web.pbm, "base64"), want.pbm) === 0, "the tape PBM matches klx80-batch byte for byte");
    const sorted = [...web.latencies].sort((a, b) => a - b);
    console.log(`key to LCD in the page over ${sorted.length} keys: median ${sorted[sorted.length >> 1].toFixed(2)} ms, worst ${sorted[sorted.length - 1].toFixed(2)} ms`);

    if (shots) {
      fs.mkdirSync(shots, { recursive: true });
      await page.screenshot({ path: path.join(shots, "web-desktop.png") });
    }
    // A reload is a closed and reopened tab: the label comes back from IndexedDB.
    await page.reload({ waitUntil: "load" });
    await page.evaluate(() => window.klx80.ready);
    const after = await page.evaluate(() => window.klx80.state());
    check(JSON.stringify(after.lines) === JSON.stringify(want.state.lines), `after a reload the label reads ${JSON.stringify(after.lines)}`);

    // Once opened, the page works without the network (the service worker keeps it).
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.setOfflineMode(true);
    await page.reload({ waitUntil: "load" });
    await page.evaluate(() => window.klx80.ready);
    const offline = await page.evaluate(() => window.klx80.keys("TEXT:X").lines);
    check(offline[0] === `${want.state.lines[0]}X`, `offline the page opens and types (${JSON.stringify(offline)})`);
    await page.setOfflineMode(false);

    // A phone: the keys answer a touch.
    await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
    await page.reload({ waitUntil: "load" });
    await page.evaluate(() => window.klx80.ready);
    const box = await (await page.$('.key[data-tag="8"]')).boundingBox();  // Delete
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
    await page.evaluate(() => window.klx80.settle());
    const tapped = (await page.evaluate(() => window.klx80.state())).lines[0];
    check(tapped === want.state.lines[0], `a touch on Delete takes the X off again (${JSON.stringify(tapped)})`);
    if (shots) {
      await page.evaluate(() => window.klx80.keys("PRINT"));
      await page.screenshot({ path: path.join(shots, "web-phone.png"), fullPage: true });
    }
  } finally {
    await close();
    server.kill();
  }
  console.log(failed() ? `${failed()} checks failed` : "the browser test passed");
  process.exit(failed() ? 1 : 0);
}

main().catch((e) => { console.error(e); process.exit(1); });
