// Shared by the browser tests: the site served on 127.0.0.1 and headless
// Chromium through puppeteer-core (the system's browser; none is downloaded).
// Both exit 77 (skipped) when the web edition is not built or the browser
// cannot start.
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");

const SKIP = 77;
const chromium = process.env.KLX80_CHROMIUM || "/usr/bin/chromium";

function requireSite(dir) {
  if (!fs.existsSync(path.join(dir, "klx80.js"))) {
    console.log(`SKIP: no web edition in ${dir}: build it with scripts/web --build`);
    process.exit(SKIP);
  }
}

function puppeteer() {
  try {
    return require(path.join(__dirname, "../../web/node_modules/puppeteer-core"));
  } catch (e) {
    console.log(`SKIP: puppeteer-core is not installed (npm ci in web/): ${e.message}`);
    process.exit(SKIP);
  }
}

function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir],
      { stdio: ["ignore", "pipe", "ignore"] });
    server.stdout.on("data", (d) => {
      const m = /port (\d+)/.exec(String(d));
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/` });
    });
    server.on("exit", (code) => reject(new Error(`the local server ended (${code})`)));
  });
}

// A browser with a profile of its own, removed by close().
async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "klx80-chromium-"));
  try {
    const browser = await puppeteer().launch({
      executablePath: chromium, headless: true, userDataDir: profile,
      args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
        "--disable-component-update", "--disable-sync"],
    });
    return { browser, close: async () => { await browser.close(); fs.rmSync(profile, { recursive: true, force: true }); } };
  } catch (e) {
    fs.rmSync(profile, { recursive: true, force: true });
    console.log(`SKIP: the browser cannot start: ${e.message.split("\n")[0]}`);
    process.exit(SKIP);
  }
}

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? "ok  " : "FAIL"} ${what}`);
  if (!ok) failures++;
}
const failed = () => failures;

module.exports = { SKIP, requireSite, serve, launch, check, failed };
