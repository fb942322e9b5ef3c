// The web edition's budgets, measured in headless Chromium: cold start to the
// first LCD frame (a fresh browser profile each run, so nothing is cached),
// key to LCD over 200 typed keys, and what the page downloads, as served and
// gzip-compressed. Prints figures; asserts nothing.
//   node bench/web_budgets.js SITE_DIR [RUNS]   (build-web/site)
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");

const [buildDir, runs = "5"] = process.argv.slice(2);
const puppeteer = require(path.join(__dirname, "../web/node_modules/puppeteer-core"));
const median = (v) => [...v].sort((a, b) => a - b)[v.length >> 1];

function serve(dir) {
  return new Promise((resolve) => {
    const server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir],
      { stdio: ["ignore", "pipe", "ignore"] });
    server.stdout.on("data", (d) => {
      const m = /port (\d+)/.exec(String(d));
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/` });
    });
  });
}

async function browser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "klx80-bench-"));
  const b = await puppeteer.launch({
    executablePath: process.env.KLX80_CHROMIUM || "/usr/bin/chromium", headless: true, userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  return { b, profile };
}

async function main() {
  const { server, url } = await serve(buildDir);
  const starts = [], sizes = new Map();
  let latencies = [];
  for (let run = 0; run < Number(runs); ++run) {
    const { b, profile } = await browser();
    const page = await b.newPage();
    if (run === 0) {
      page.on("response", async (r) => {
        const name = new URL(r.url()).pathname.slice(1) || "index.html";
        try { sizes.set(name, (await r.buffer()).length); } catch (_) { /* a redirect has no body */ }
      });
    }
    await page.goto(url, { waitUntil: "load" });
    await page.evaluate(() => window.klx80.ready);
    await page.waitForFunction(() => window.klx80.firstFrameMs > 0);
    starts.push(await page.evaluate(() => window.klx80.firstFrameMs));
    if (run === 0) {
      await page.focus("#device");
      for (let i = 0; i < 200; ++i) await page.keyboard.press(i % 40 === 39 ? "Backspace" : "KeyA");
      latencies = await page.evaluate(() => window.klx80.keyLatencies);
      await page.evaluate(() => navigator.serviceWorker.ready);
    }
    await b.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  server.kill();
  console.log(`cold start to the first LCD frame over ${starts.length} fresh profiles: median ${median(starts).toFixed(0)} ms, ` +
    `worst ${Math.max(...starts).toFixed(0)} ms`);
  const sorted = [...latencies].sort((a, b) => a - b);
  console.log(`key to LCD over ${latencies.length} keys: median ${median(latencies).toFixed(2)} ms, ` +
    `99th percentile ${sorted[Math.floor(sorted.length * 0.99)].toFixed(2)} ms, worst ${sorted[sorted.length - 1].toFixed(2)} ms, ` +
    `${sorted.filter((v) => v > 16).length} over 16 ms`);
  let raw = 0, gz = 0;
  for (const [name, bytes] of [...sizes].sort()) {
    const file = path.join(buildDir, name.split("?")[0]);
    const packed = fs.existsSync(file) ? zlib.gzipSync(fs.readFileSync(file), { level: 9 }).length : bytes;
    raw += bytes; gz += packed;
    console.log(`  ${name.padEnd(22)} ${String(bytes).padStart(9)} bytes, ${String(packed).padStart(8)} gzip -9`);
  }
  console.log(`the page downloads ${sizes.size} files: ${(raw / 1e6).toFixed(2)} MB as served, ${(gz / 1e6).toFixed(2)} MB gzip-compressed`);
}

main().catch((e) => { console.error(e); process.exit(1); });
