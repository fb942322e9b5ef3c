// Keeps the page for offline use: every file it needs is fetched from the
// server at install (never from the browser's HTTP cache, which may hold an
// older build) and served from the cache first; a new build (a new VERSION,
// a hash of every file below) replaces the old cache, and the page says so.
// The flash image the visitor works on lives in IndexedDB, not here.
const VERSION = "dev";
const FILES = ["./", "index.html", "style.css", "app.js", "storage.js", "tape_view.js", "device_keys.js",
  "keyboard.js", "messages.js", "klx80.js", "klx80.wasm", "device.png", "lamps.png", "cut.png", "layout.json",
  "fontData.hex", "manifest.webmanifest", "icon.svg"];

self.addEventListener("install", (e) => {
  e.waitUntil(caches.open(VERSION).then((c) => Promise.all(FILES.map(async (f) => {
    const response = await fetch(new Request(f, { cache: "reload" }));
    if (!response.ok) throw new Error(`${f}: ${response.status}`);
    await c.put(f, response);
  }))).then(() => self.skipWaiting()));
});
self.addEventListener("activate", (e) => {
  e.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== VERSION).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});
self.addEventListener("fetch", (e) => {
  if (e.request.method !== "GET") return;
  e.respondWith(caches.open(VERSION).then(async (c) => {
    const hit = await c.match(e.request, { ignoreSearch: true });
    return hit || fetch(e.request);
  }));
});
