// The page as its users meet it, in headless Chromium: two tabs on one
// stored image, damaged uploads, keys typed wherever the focus is, a phone
// with touch, a screen reader's and a keyboard's way through the device,
// pauses between copies, a very long tape, storage cleared or failing, a new
// build, and the layout at phone, tablet, laptop and large-screen sizes.
//   node page_test.js SITE_DIR FRESH_IMAGE [SCREENSHOT_DIR]
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { requireSite, serve, launch, check, failed } = require(path.join(__dirname, "browser"));

const [siteDir, freshImage, shots] = process.argv.slice(2);
requireSite(siteDir);
const PHONE = { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
const LAPTOP = { width: 1366, height: 768 };

async function open(browser, url, viewport = LAPTOP) {
  const page = await browser.newPage();
  page.errors = [];
  page.on("pageerror", (e) => page.errors.push(e.message));
  await page.setViewport(viewport);
  await page.goto(url, { waitUntil: "load" });
  await page.evaluate(() => window.klx80.ready);
  return page;
}
const line = (page) => page.evaluate(() => window.klx80.state().lines[0]);
const noticeText = (page) => page.$$eval("#notices .notice, #status:not([hidden])", (n) => n.map((x) => x.textContent).join(" | "));
// To the top of the page, once any scrolling under way has ended.
const toTop = (page) => page.waitForFunction(() => {
  const settled = window.scrollY === 0 && window.wasAtTop;
  window.wasAtTop = window.scrollY === 0;
  window.scrollTo(0, 0);
  return settled;
}, { polling: 300 });
// The middle of an element, scrolled into view as a user would.
const centre = async (page, selector) => {
  await page.$eval(selector, (e) => { const r = e.getBoundingClientRect(); if (r.top < 0 || r.bottom > innerHeight) e.scrollIntoView({ block: "center" }); });
  const b = await (await page.$(selector)).boundingBox();
  return [b.x + b.width / 2, b.y + b.height / 2];
};

async function twoTabs(browser, url) {
  const a = await open(browser, url);
  await a.evaluate(() => { window.klx80.keys("TEXT:OWNER"); return window.klx80.save(); });
  const b = await open(browser, url);
  check(await b.evaluate(() => window.klx80.readOnly) && /read-only/.test(await noticeText(b)),
    "a second tab runs read-only and says so");
  // B saves a file slot and its working label: none of it may reach the store.
  const saved = await b.evaluate(() => {
    window.klx80.keys("FUNC DELETE TEXT:INTRUDER MENU DOWN DOWN DOWN ENTER ENTER DOWN DOWN ENTER TEXT:B ENTER");
    return window.klx80.save();
  });
  check(saved === false, "the read-only tab stores nothing");
  await b.close();
  await a.reload({ waitUntil: "load" });
  await a.evaluate(() => window.klx80.ready);
  check(await line(a) === "OWNER", `the owner's label survives the other tab (${JSON.stringify(await line(a))})`);
  const c = await open(browser, url);  // A holds the image still
  await a.close();
  await c.waitForFunction(() => /has closed/.test(document.getElementById("notices").textContent));
  check(true, "when the owner closes, the read-only tab is told");
  await c.close();
}

async function uploads(browser, url) {
  const page = await open(browser, url);
  await page.evaluate(() => { window.klx80.keys("FUNC DELETE TEXT:KEEP"); return window.klx80.save(); });
  const fresh = fs.readFileSync(freshImage);
  const badSum = Buffer.from(fresh);
  badSum[0x1000] ^= 0xff;
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "klx80-upload-"));
  const cases = [["random.hex", Buffer.from(Array.from({ length: 1 << 20 }, (_, i) => (i * 2654435761) >>> 24))],
    ["blank.hex", Buffer.alloc(1 << 20, 0xff)], ["badsum.hex", badSum], ["short.hex", fresh.subarray(0, 1000)]];
  for (const [name, bytes] of cases) {
    fs.writeFileSync(path.join(dir, name), bytes);
    await (await page.$("#upload-file")).uploadFile(path.join(dir, name));
    await page.waitForFunction((n) => document.getElementById("notices").textContent.includes(n), {}, name);
    check(await line(page) === "KEEP" && /Nothing changed/.test(await noticeText(page)),
      `a damaged upload (${name}) is refused on the page and changes nothing`);
  }
  // A sound image asks first; the answer No keeps everything.
  fs.writeFileSync(path.join(dir, "fresh.hex"), fresh);
  const answer = async (button) => {
    await (await page.$("#upload-file")).uploadFile(path.join(dir, "fresh.hex"));
    await page.waitForSelector("#ask[open]");
    await page.click(button);
    await page.waitForFunction(() => !document.querySelector("#ask[open]"));
  };
  await answer("#ask-no");
  check(await line(page) === "KEEP", "declining the upload keeps the labels");
  await answer("#ask-yes");
  await page.waitForFunction(() => window.klx80.state().lines[0] === "");
  await page.waitForSelector('#notices [data-id="previous"] button');
  await page.click('#notices [data-id="previous"] button');
  await page.waitForFunction(() => window.klx80.state().lines[0] === "KEEP");
  await page.reload({ waitUntil: "load" });
  await page.evaluate(() => window.klx80.ready);
  check(await line(page) === "KEEP", "the image kept before the upload comes back and stays");
  fs.rmSync(dir, { recursive: true, force: true });
  await page.close();
}

// Keys typed after a click anywhere reach the device; keys it has no use for
// stay with the browser; Space does not press a button clicked before.
async function keyboard(browser, url) {
  const page = await open(browser, url);
  await page.evaluate(() => window.klx80.keys("FUNC DELETE"));
  for (const target of ["#tape-scroll", "header h1", "#output h2", "#tape-png"]) {
    await page.click(target);
    await page.keyboard.type("a");
  }
  await page.keyboard.press("Space");
  await page.evaluate(() => window.klx80.settle());
  check(await line(page) === "AAAA ", `keys typed after clicking around the page reach the device (${JSON.stringify(await line(page))})`);
  await page.evaluate(() => {
    window.seen = {};
    // After the page's own listeners: what they left to the browser (kept from it here).
    window.addEventListener("keydown", (e) => {
      if (e.key !== "Alt") window.seen[(e.altKey ? "Alt+" : "") + e.key] = e.defaultPrevented;
      e.preventDefault();
    });
  });
  for (const key of ["F6", "F7", "F11", "F12", "ContextMenu"]) await page.keyboard.press(key);
  for (const key of ["ArrowLeft", "Home"]) {
    await page.keyboard.down("Alt");
    await page.keyboard.press(key);
    await page.keyboard.up("Alt");
  }
  await page.keyboard.press("KeyB");
  const seen = await page.evaluate(() => window.seen);
  const left = ["F6", "F7", "F11", "F12", "ContextMenu", "Alt+ArrowLeft", "Alt+Home"].filter((k) => seen[k] === false);
  check(left.length === 7 && seen.b === true, `keys the device does not use are left to the browser (${left.join(" ")}); B is taken`);
  await page.close();
}

async function accessibility(browser, url) {
  const page = await open(browser, url);
  await page.evaluate(() => window.klx80.keys("FUNC DELETE TEXT:SAY"));
  await page.waitForFunction(() => document.getElementById("lcd-text").textContent === window.klx80.lcdText());
  const region = await page.$eval("#lcd-text", (r) => [r.getAttribute("aria-live"), r.textContent]);
  check(region[0] === "polite" && region[1].startsWith("SAY"), `a live region reads the LCD (${JSON.stringify(region[1])})`);
  const tree = await page.accessibility.snapshot({ interestingOnly: false });
  const unnamed = [], roles = new Set();
  (function walk(n) {
    roles.add(n.role);
    if (["button", "combobox", "slider", "application"].includes(n.role) && !n.name) unnamed.push(n.role);
    for (const c of n.children || []) walk(c);
  })(tree);
  check(unnamed.length === 0 && roles.has("application"), `every control is named, the device is an application (${unnamed.join(",") || "none unnamed"})`);
  const stops = await page.$$eval("#device button", (bs) => bs.filter((b) => b.tabIndex >= 0).length);
  check(stops === 1, `the device is one tab stop (${stops})`);
  // Enter and Space on a focused key press that key; the arrows move the focus.
  await page.focus('.key[data-tag="27"]');  // A
  await page.keyboard.press("Enter");
  await page.keyboard.press("Space");
  await page.keyboard.press("ArrowRight");
  const moved = await page.evaluate(() => document.activeElement.dataset.tag);
  await page.$eval('.key[data-tag="28"]', (b) => b.click());  // what a screen reader does: B
  await page.evaluate(() => window.klx80.settle());
  check(await line(page) === "SAYAAB" && moved === "28", `Enter, Space and a click on focused keys press them (${JSON.stringify(await line(page))}), ArrowRight moves to B`);
  // The Cut switch by click: it ends the pause between copies.
  await page.evaluate(() => window.klx80.keys("FUNC PRINT 2 ENTER"));
  await page.waitForFunction(() => document.getElementById("cut").classList.contains("lit"), { timeout: 20000 });
  const tapeShown = await page.$eval("#tape-info", (t) => /columns/.test(t.textContent));
  await page.$eval("#cut", (b) => b.click());
  await page.waitForFunction(() => !document.getElementById("cut").classList.contains("lit"), { timeout: 20000 });
  check(tapeShown, "the tape is shown during the pause between copies, and a click on Cut ends the pause");
  await page.close();
}

async function phone(browser, url) {
  const page = await open(browser, url, PHONE);
  await page.evaluate(() => window.klx80.keys("FUNC DELETE TEXT:AB"));
  const small = await page.$$eval(".key, #cut", (bs) => bs.map((b) => b.getBoundingClientRect())
    .filter((r) => r.width < 44 || r.height < 44).length);
  check(small === 0, `every key and the Cut switch is at least 44 x 44 px on a phone (${small} smaller)`);
  const [x, y] = await centre(page, '.key[data-tag="44"]');  // R
  await page.touchscreen.touchStart(x, y);
  for (let d = 10; d <= 200; d += 10) await page.touchscreen.touchMove(x, y - d);
  await page.touchscreen.touchEnd();
  await page.evaluate(() => window.klx80.settle());
  check(await line(page) === "AB", `a finger dragged over R types nothing (${JSON.stringify(await line(page))})`);
  await toTop(page);
  await page.touchscreen.tap(...(await centre(page, '.key[data-tag="44"]')));
  await page.touchscreen.tap(...(await centre(page, '.key[data-tag="10"]')));  // Print
  await page.waitForFunction(() => window.klx80.state().lines[0] === "ABR" && document.getElementById("tape-info").textContent.includes("columns"), { timeout: 20000 })
    .catch(async () => check(false, `a tap on R and Print: ${JSON.stringify(await page.evaluate(() => [window.klx80.state(), document.getElementById("tape-info").textContent]))}`));
  await page.waitForFunction(() => { const r = document.getElementById("output").getBoundingClientRect(); return r.top >= 0 && r.top < innerHeight - 80; }, { timeout: 5000 })
    .then(() => check(true, "a tap on R types it; after Print the tape is brought into view"))
    .catch(() => check(false, "after Print the tape is brought into view"));
  const header = await page.$eval("header", (h) => h.getBoundingClientRect().height);
  const fits = await page.$eval("#media", (s) => {
    const ctx = document.createElement("canvas").getContext("2d");
    ctx.font = getComputedStyle(s).font;
    return Math.max(...[...s.options].map((o) => ctx.measureText(o.text).width)) + 24 <= s.clientWidth;
  });
  check(header <= 120 && fits, `the phone's header is two rows (${header.toFixed(0)} px) and shows whole material names`);
  await toTop(page);
  await page.touchscreen.tap(...(await centre(page, "#help-open")));
  await page.waitForSelector("#help[open]");
  const help = await page.$eval("#help", (h) => h.textContent);
  check(/F5/.test(help) && /Func/.test(help) && /Alt/.test(help), "the key map opens with a tap");
  await page.touchscreen.tap(...(await centre(page, "#help-close")));
  await page.close();
}

// 38 sample labels on one tape: drawn in part, read whole.
async function longTape(browser, url) {
  const page = await open(browser, url);
  const count = [];
  await page.exposeFunction("countLabel", (n) => count.push(n));
  await page.evaluate(() => window.addEventListener("klx80:label", (e) => window.countLabel(e.detail.number)));
  await page.evaluate(() => window.klx80.keys("CART:2 ALT+C"));
  await page.evaluate(() => window.klx80.settle());
  const view = await page.evaluate(() => {
    const s = window.klx80.state(), pbm = atob(window.klx80.tapePbm());
    return { columns: s.tape_columns, pbm: pbm.length, canvas: document.getElementById("tape").width,
      spacer: document.getElementById("tape-spacer").getBoundingClientRect().width };
  });
  check(view.columns > 30000 && view.canvas < 4000 && view.spacer >= view.columns && view.pbm > view.columns / 8 && page.errors.length === 0,
    `a tape of ${view.columns} columns is drawn in a ${view.canvas} px canvas and read as a ${view.pbm}-byte PBM (${page.errors.join("; ") || "no errors"})`);
  check(count.length === 38 && count[37] - count[0] === 37, `one label event per label (${count.length} for 38 labels)`);
  await page.close();
}

async function storage(browser, url) {
  // A first visit reloaded at once, before any save has finished.
  const fresh = await browser.createBrowserContext();
  const first = await open(fresh, url);
  await first.evaluate(() => window.klx80.keys("TEXT:FIRST"));
  await first.reload({ waitUntil: "load" });
  await first.evaluate(() => window.klx80.ready);
  check(await line(first) === "FIRST", `a first visit's label survives a reload at once (${JSON.stringify(await line(first))})`);
  await fresh.close();

  const page = await open(browser, url);
  const origin = new URL(url).origin;
  const cdp = await page.target().createCDPSession();
  await cdp.send("Storage.clearDataForOrigin", { origin, storageTypes: "all" });
  await page.evaluate(() => window.klx80.keys("FUNC DELETE TEXT:AFTER"));
  const stored = await page.evaluate(() => window.klx80.save());
  await page.reload({ waitUntil: "load" });
  await page.evaluate(() => window.klx80.ready);
  check(stored && await line(page) === "AFTER" && page.errors.length === 0,
    `saves go on after the site's data is cleared (${JSON.stringify(await line(page))}, ${page.errors.join("; ") || "no errors"})`);
  // Typed text is kept without the page being hidden: a crashed tab loses nothing.
  await page.keyboard.type("x");
  await page.waitForFunction(() => window.klx80.state().lines[0] === "AFTERX" && !window.klx80.unsaved, { timeout: 10000 });
  await cdp.send("Page.crash").catch(() => {});  // no pagehide, no visibility change
  await page.close();
  const again = await open(browser, url);
  check(await line(again) === "AFTERX", `a key typed just before the tab ended is kept (${JSON.stringify(await line(again))})`);
  await again.evaluate(() => { IDBObjectStore.prototype.put = () => { throw new DOMException("full", "QuotaExceededError"); }; });
  const ok = await again.evaluate(() => window.klx80.save());
  check(!ok && /could not be saved/.test(await noticeText(again)), "a failed save is told on the page");
  await again.close();
}

// A new build reaches a returning visitor although the HTTP cache holds the
// old files, and the page says so.
async function update(browser, siteUrl, dir) {
  const page = await open(browser, siteUrl);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload({ waitUntil: "load" });
  await page.evaluate(() => window.klx80.ready);
  const css = path.join(dir, "style.css"), sw = path.join(dir, "sw.js");
  const old = fs.statSync(css).mtime;
  fs.appendFileSync(css, "\n/* new build */\n");
  fs.utimesSync(css, old, old);  // the date the HTTP cache trusts
  fs.writeFileSync(sw, fs.readFileSync(sw, "utf8").replace(/const VERSION = "[^"]*"/, 'const VERSION = "next"'));
  await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  await page.waitForFunction(() => /new version/.test(document.getElementById("notices").textContent), { timeout: 20000 })
    .then(() => check(true, "the page tells of a new version"))
    .catch(() => check(false, "the page tells of a new version"));
  const cached = await page.evaluate(() => caches.open("next").then((c) => c.match("style.css")).then((r) => r && r.text()));
  check(Boolean(cached) && cached.includes("new build"), "the new version's files come from the server, not the HTTP cache");
  await page.close();
}

async function layouts(browser, url) {
  const sizes = [["phone", PHONE], ["tablet", { width: 820, height: 1180, hasTouch: true }], ["laptop", LAPTOP],
    ["small", { width: 1024, height: 768 }], ["large", { width: 1920, height: 1080 }]];
  for (const [name, viewport] of sizes) {
    const page = await open(browser, url, viewport);
    await page.evaluate(() => window.klx80.keys("FUNC DELETE TEXT:HELLO PRINT"));
    await page.evaluate(() => window.klx80.settle());
    const box = await page.evaluate(() => {
      const d = document.getElementById("device").getBoundingClientRect(), h = document.getElementById("help");
      return { bottom: d.bottom, height: innerHeight, help: getComputedStyle(h).display !== "none", width: d.width };
    });
    if (name === "small" || name === "laptop") check(box.bottom <= box.height, `${name}: the whole device is in view (${box.bottom.toFixed(0)} of ${box.height} px)`);
    if (name === "large") check(box.help, "1920 x 1080: the key map fills the room beside the tape");
    if (shots) {
      fs.mkdirSync(shots, { recursive: true });
      await page.screenshot({ path: path.join(shots, `web-${viewport.width}x${viewport.height}.png`), fullPage: name === "phone" });
    }
    await page.close();
  }
}

async function main() {
  const { browser, close } = await launch();
  // A copy of the site: the update case changes its files.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "klx80-site-"));
  fs.cpSync(siteDir, dir, { recursive: true });
  // Files a server says are old: the HTTP cache keeps them fresh for weeks.
  const old = new Date("2025-01-01");
  for (const f of fs.readdirSync(dir)) fs.utimesSync(path.join(dir, f), old, old);
  const { server, url } = await serve(dir);
  try {
    for (const run of [twoTabs, uploads, keyboard, accessibility, phone, longTape, storage, layouts]) {
      await run(browser, url).catch((e) => check(false, `${run.name}: ${e.message.split("\n")[0]}`));
      for (const p of await browser.pages()) await p.close();  // a case that failed half-way leaves no tab behind
    }
    await update(browser, url, dir).catch((e) => check(false, `update: ${e.message.split("\n")[0]}`));
  } finally {
    await close();
    server.kill();
    fs.rmSync(dir, { recursive: true, force: true });
  }
  console.log(failed() ? `${failed()} checks failed` : "the page test passed");
  process.exit(failed() ? 1 : 0);
}

main().catch((e) => { console.error(e); process.exit(1); });
