// The web edition's budgets, measured in headless Chromium: cold start to the
// first LCD frame (a fresh browser profile each run, so nothing is cached) and
// a repeat visit (the service worker's cache), key to the frame that shows it
// over 200 typed keys, the idle page's CPU (the renderer's main thread and
// every browser process), and what the page downloads, as served and
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

// CPU seconds of a process and its descendants, from /proc.
function treeCpu(root) {
  const hz = 100, stats = new Map();
  for (const pid of fs.readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    try {
      const f = fs.readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ");
      stats.set(Number(pid), { ppid: Number(f[1]), cpu: (Number(f[11]) + Number(f[12])) / hz });
    } catch (_) { /* gone meanwhile */ }
  }
  const inTree = (pid) => pid === root || (stats.has(pid) && pid > 1 && inTree(stats.get(pid).ppid));
  let sum = 0;
  for (const [pid, s] of stats) if (inTree(pid)) sum += s.cpu;
  return sum;
}

// The page left alone (the editor's cursor blinking) for a while.
async function idleCpu(b, page, seconds = 10) {
  await new Promise((r) => setTimeout(r, 2000));
  const task = async () => (await page.metrics()).TaskDuration;
  const [t0, c0, w0] = [await task(), treeCpu(b.process().pid), Date.now()];
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const [t1, c1, w1] = [await task(), treeCpu(b.process().pid), Date.now()];
  const wall = (w1 - w0) / 1000;
  return { seconds, main: ((t1 - t0) / wall) * 100, all: ((c1 - c0) / wall) * 100 };
}

async function main() {
  const { server, url } = await serve(buildDir);
  const starts = [], repeats = [], sizes = new Map();
  let idle = null;
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
      for (let i = 0; i < 200; ++i) await page.keyboard.press(i % 40 === 39 ? "Backspace" : "KeyA");
      latencies = await page.evaluate(() => window.klx80.keyLatencies);
      await page.evaluate(() => navigator.serviceWorker.ready);
      for (let i = 0; i < 5; ++i) {
        await page.reload({ waitUntil: "load" });
        await page.evaluate(() => window.klx80.ready);
        await page.waitForFunction(() => window.klx80.firstFrameMs > 0);
        repeats.push(await page.evaluate(() => window.klx80.firstFrameMs));
      }
      idle = await idleCpu(b, page);
    }
    await b.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  server.kill();
  console.log(`cold start to the first LCD frame over ${starts.length} fresh profiles: median ${median(starts).toFixed(0)} ms, ` +
    `worst ${Math.max(...starts).toFixed(0)} ms`);
  console.log(`a repeat visit (service worker) to the first LCD frame over ${repeats.length} reloads: median ` +
    `${median(repeats).toFixed(0)} ms, worst ${Math.max(...repeats).toFixed(0)} ms`);
  const sorted = [...latencies].sort((a, b) => a - b);
  const pct = (p) => sorted[Math.min(sorted.length - 1, Math.floor(sorted.length * p))].toFixed(2);
  console.log(`key to the frame showing it over ${latencies.length} keys: median ${median(latencies).toFixed(2)} ms, ` +
    `95th percentile ${pct(0.95)} ms, 99th ${pct(0.99)} ms, worst ${sorted[sorted.length - 1].toFixed(2)} ms, ` +
    `${sorted.filter((v) => v > 16.7).length} over 16.7 ms`);
  console.log(`the idle page over ${idle.seconds} s: renderer main thread ${idle.main.toFixed(2)}% of a core, ` +
    `all browser processes ${idle.all.toFixed(2)}% of a core`);
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
