// The KLX80 web page: the device session built as WebAssembly, ticked in real
// time from the page's loop, with the device picture and key areas the
// desktop program draws, the Print Output tape, the media and battery
// choices, the flash image kept in the browser (IndexedDB), and the
// window.klx80 API for integrators and tests.
"use strict";
(() => {
  const TICK_MS = 10;
  const MAX_CATCH_UP = 25;  // ticks per loop turn; a tab in the background runs slow, not in a burst
  const IMAGE_PATH = "/fontData.hex";
  const IMAGE_SIZE = 1 << 20;
  const MEDIA = [
    [0, "No cartridge"], [1, "3/8\" Nylon, Vinyl, or Polyester"], [2, "1/2\" Nylon, Vinyl, or Polyester"],
    [3, "3/4\" Nylon, Vinyl, or Polyester"], [4, "0.75\" Self-Lam"], [5, "1.25\" Self-Lam"], [6, "1.00\" Self-Lam"],
    [7, "1.50\" Self-Lam"], [8, "0.125\" Tubalon"], [9, "0.187\" Tubalon"], [10, "0.250\" Tubalon"],
    [11, "0.375\" Tubalon"],
  ];
  const $ = (id) => document.getElementById(id);
  const status = (text) => { $("status").textContent = text; };

  let M = null;       // the WebAssembly module
  let layout = null;  // key areas and places, from the desktop's layout
  let lamps = null;   // the lamp sprites
  let firstFrameMs = 0;

  // ---- The flash image in IndexedDB ----
  const db = new Promise((resolve) => {
    if (!("indexedDB" in self)) return resolve(null);
    const open = indexedDB.open("klx80", 1);
    open.onupgradeneeded = () => open.result.createObjectStore("files");
    open.onsuccess = () => resolve(open.result);
    open.onerror = () => resolve(null);
  });
  async function stored(name) {
    const d = await db;
    if (!d) return null;
    return new Promise((resolve) => {
      const get = d.transaction("files").objectStore("files").get(name);
      get.onsuccess = () => resolve(get.result || null);
      get.onerror = () => resolve(null);
    });
  }
  async function store(name, bytes) {
    const d = await db;
    if (!d) return false;
    return new Promise((resolve) => {
      const t = d.transaction("files", "readwrite");
      t.objectStore("files").put(bytes, name);
      t.oncomplete = () => resolve(true);
      t.onerror = t.onabort = () => resolve(false);
    });
  }

  // ---- The device ----
  const call = (name, ...args) => M["_" + name](...args);
  const text = (ptr) => M.UTF8ToString(ptr);
  function withText(s, fn) {
    const n = M.lengthBytesUTF8(s) + 1;
    const ptr = call("malloc", n);
    M.stringToUTF8(s, ptr, n);
    try { return fn(ptr); } finally { call("free", ptr); }
  }
  function openDevice(path) {
    withText(path, (p) => call("k_open", p, 1));
    return call("k_ok") ? "" : text(call("k_error"));
  }
  function imageBytes() {
    const ptr = call("k_image");
    return M.HEAPU8.slice(ptr, ptr + call("k_out_size"));
  }

  // The image as IndexedDB holds it. Saving is asynchronous and a closing
  // tab may not wait for it, so going out of sight also leaves the sectors
  // changed since then in localStorage, synchronously; the next start lays
  // them over the stored image.
  const SECTOR = 4096, DELTA = "klx80-unsaved-sectors";
  let savedImage = null, savedWrites = -1, saveTimer = 0;
  async function saveImage() {
    clearTimeout(saveTimer);
    saveTimer = 0;
    savedWrites = call("k_flash_writes");
    const bytes = imageBytes();
    if (await store("fontData.hex", bytes)) {
      savedImage = bytes;
      try { localStorage.removeItem(DELTA); } catch (_) { /* storage refused: IndexedDB has it */ }
    } else {
      status("The browser would not keep the image (storage full or private window).");
    }
  }
  function noteFlash() {
    if (call("k_flash_writes") !== savedWrites && !saveTimer) saveTimer = setTimeout(saveImage, 400);
  }
  function sectorText(bytes, from) {
    let text = "";
    for (let i = from; i < from + SECTOR; i += 1024) text += String.fromCharCode(...bytes.subarray(i, i + 1024));
    return btoa(text);
  }
  // A tab may be closed without warning: the working label is journalled as
  // switching off would, whenever the page goes out of sight.
  function checkpoint() {
    if (!M) return;
    call("k_save_working_label");
    if (call("k_flash_writes") === savedWrites) return;
    const bytes = imageBytes(), changed = {};
    for (let at = 0; at < bytes.length; at += SECTOR) {
      const a = bytes.subarray(at, at + SECTOR), b = savedImage && savedImage.subarray(at, at + SECTOR);
      if (!b || a.some((v, i) => v !== b[i])) changed[at] = sectorText(bytes, at);
    }
    try { localStorage.setItem(DELTA, JSON.stringify(changed)); } catch (_) { /* too large: IndexedDB only */ }
    saveImage();
  }
  function unsavedSectors(image) {
    let changed = null;
    try { changed = JSON.parse(localStorage.getItem(DELTA) || "null"); } catch (_) { return false; }
    if (!changed) return false;
    for (const [at, text] of Object.entries(changed)) {
      const raw = atob(text);
      for (let i = 0; i < raw.length && Number(at) + i < image.length; ++i) image[Number(at) + i] = raw.charCodeAt(i);
    }
    return true;
  }

  // ---- Pictures ----
  const lcdCanvas = $("lcd"), lcdCtx = lcdCanvas.getContext("2d");
  const lcdImage = new ImageData(264, 128);
  let shownGeneration = -1, shownLamps = -1;
  function rgbInto(image, ptr) {
    const src = M.HEAPU8, dst = image.data;
    for (let i = 0, j = ptr; i < dst.length; i += 4, j += 3) {
      dst[i] = src[j]; dst[i + 1] = src[j + 1]; dst[i + 2] = src[j + 2]; dst[i + 3] = 255;
    }
  }
  const lcdDots = document.createElement("canvas");
  lcdDots.width = 264; lcdDots.height = 128;
  function paintLcd(force) {
    const generation = call("k_lcd_generation"), lit = call("k_lamps");
    if (!force && generation === shownGeneration && lit === shownLamps) return false;
    shownGeneration = generation; shownLamps = lit;
    rgbInto(lcdImage, call("k_lcd_rgb"));
    lcdDots.getContext("2d").putImageData(lcdImage, 0, 0);
    const s = layout.scale, strip = layout.lamps;
    lcdCtx.imageSmoothingEnabled = false;
    lcdCtx.clearRect(0, 0, lcdCanvas.width, lcdCanvas.height);
    lcdCtx.drawImage(lcdDots, 0, 0, 264 * s, 128 * s);
    // pt, bold, caps, func, then the battery symbol's three looks
    const frames = [];
    for (let bit = 0; bit < 4; ++bit) if (lit & (1 << bit)) frames.push(bit);
    const battery = (lit >> 4) & 3;
    if (battery) frames.push(3 + battery);
    const w = strip[2] * s, h = strip[3] * s;
    for (const f of frames) lcdCtx.drawImage(lamps, 0, f * h, w, h, 0, 0, w, h);
    if (!firstFrameMs) {
      firstFrameMs = performance.now();  // from the navigation's start
      window.klx80.firstFrameMs = firstFrameMs;
    }
    return true;
  }

  const tapeCanvas = $("tape");
  let tapeColumns = -1, lastLabel = 0;
  function tapePicture() {
    const ptr = call("k_tape_rgb"), width = call("k_tape_width");
    const height = width ? call("k_out_size") / (3 * width) : 0;
    const c = document.createElement("canvas");
    c.width = Math.max(width, 1); c.height = Math.max(height, 1);
    if (width) {
      const image = new ImageData(width, height);
      rgbInto(image, ptr);
      c.getContext("2d").putImageData(image, 0, 0);
    }
    return c;
  }
  function paintTape(force) {
    const columns = call("k_tape_columns");
    if (!force && columns === tapeColumns) return;
    tapeColumns = columns;
    const picture = tapePicture(), zoom = Number($("zoom").value);
    tapeCanvas.width = picture.width * zoom; tapeCanvas.height = picture.height * zoom;
    const ctx = tapeCanvas.getContext("2d");
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(picture, 0, 0, tapeCanvas.width, tapeCanvas.height);
    $("tape-info").textContent = columns ? `${columns} columns, ${(columns / 8).toFixed(1)} mm` : "No label printed yet.";
    $("tape-scroll").scrollLeft = 0;  // the device starts a new tape for every label
  }
  function noteLabels() {
    const number = call("k_last_label");
    if (number === lastLabel) return;
    lastLabel = number;
    const detail = { number, columns: call("k_tape_columns") };
    window.dispatchEvent(new CustomEvent("klx80:label", { detail }));
    if (typeof window.klx80.onlabel === "function") window.klx80.onlabel(detail);
  }

  // ---- Time: one tick every 10 ms of the page's clock ----
  let due = 0, ticked = 0, lastTurn = 0;
  let wasPrinting = false;
  function afterRun(force) {
    paintLcd(force);
    $("cut").classList.toggle("lit", call("k_cut_waiting") === 1);
    const printing = call("k_printing") === 1;
    if (!printing) paintTape(force);
    // A label ends within a job: its number is looked at only around one.
    if (printing || wasPrinting || force) noteLabels();
    wasPrinting = printing;
    noteFlash();
  }
  function turn() {
    const now = performance.now();
    due += Math.min((now - lastTurn) / TICK_MS, MAX_CATCH_UP);
    lastTurn = now;
    const n = Math.floor(due - ticked);
    if (n > 0) {
      call("k_tick", n);
      ticked += n;
      if (cartBusy) cartridgeTimer(n);
      afterRun(false);
    }
    if (ticked > 1e9) { due -= ticked; ticked = 0; }
  }
  // Input is shown at once: one tick runs now rather than at the next turn.
  function input(fn) {
    fn();
    call("k_tick", 1);
    ticked += 1;
    due = Math.max(due, ticked);
    afterRun(false);
  }

  // The media panel applies a choice on its 100 ms timer.
  let cartBusy = false, cartPhase = 0;
  function cartridgeTimer(n) {
    cartPhase += n;
    while (cartPhase >= 10 && cartBusy) {
      cartPhase -= 10;
      call("k_cartridge_step");
      cartBusy = call("k_cartridge_busy") === 1;
    }
  }

  // ---- Keys ----
  const keyButtons = new Map();
  function showPressed(tag, down) {
    const b = keyButtons.get(tag);
    if (b) b.classList.toggle("down", down);
  }
  function buildKeys() {
    const box = $("keys"), W = layout.width, H = layout.height;
    const pct = (r) => `left:${(r[0] / W) * 100}%;top:${(r[1] / H) * 100}%;width:${(r[2] / W) * 100}%;height:${(r[3] / H) * 100}%`;
    for (const k of layout.keys) {
      const b = document.createElement("button");
      b.type = "button";
      b.className = "key";
      b.dataset.tag = k.tag;
      b.style.cssText = pct(k.area) + `;z-index:${k.z}`;
      b.setAttribute("aria-label", k.legend + (k.shifted ? ` (Func: ${k.shifted})` : ""));
      b.title = `${k.legend}${k.shifted ? " / " + k.shifted : ""} (PC: ${k.pc_key})`;
      const cap = document.createElement("span");
      const a = k.area, c = k.cap;
      cap.style.cssText = `left:${((c[0] - a[0]) / a[2]) * 100}%;top:${((c[1] - a[1]) / a[3]) * 100}%;` +
        `width:${(c[2] / a[2]) * 100}%;height:${(c[3] / a[3]) * 100}%`;
      b.append(cap);
      b.addEventListener("pointerdown", (e) => {
        e.preventDefault();
        $("device").focus({ preventScroll: true });
        b.classList.add("down");
        if (k.tag === layout.func_tag) {
          b.dataset.armed = e.button === 0 ? "1" : "";
          return;
        }
        input(() => call("k_press_key", k.tag));  // any button, as on the desktop
      });
      const release = (e, click) => {
        b.classList.remove("down");
        if (k.tag === layout.func_tag && b.dataset.armed && click) input(() => call("k_click_func"));
        b.dataset.armed = "";
      };
      b.addEventListener("pointerup", (e) => release(e, true));
      b.addEventListener("pointerleave", (e) => release(e, false));
      b.addEventListener("pointercancel", (e) => release(e, false));
      b.addEventListener("contextmenu", (e) => e.preventDefault());
      box.append(b);
      keyButtons.set(k.tag, b);
    }
    const cut = $("cut");
    cut.style.cssText = pct(layout.cut);
    cut.addEventListener("click", () => input(() => call("k_press_cut")));
    const lcd = layout.lamps;
    lcdCanvas.width = lcd[2] * layout.scale; lcdCanvas.height = lcd[3] * layout.scale;
    lcdCanvas.style.cssText = pct(lcd);
  }

  // The PC keyboard as the desktop maps it: physical keys to the virtual-key
  // numbers of the device's key table.
  const NAMED = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16, ControlLeft: 17,
    ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20, Escape: 27, Space: 32, PageUp: 33,
    PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45,
    Delete: 46, MetaLeft: 91, MetaRight: 91, ContextMenu: 93, NumLock: 144, ScrollLock: 145,
  };
  function virtualKey(e) {
    const c = e.code;
    let m;
    if ((m = /^Digit([0-9])$/.exec(c))) return 48 + Number(m[1]);
    if ((m = /^Numpad([0-9])$/.exec(c))) return 96 + Number(m[1]);
    if ((m = /^Key([A-Z])$/.exec(c))) return m[1].charCodeAt(0);
    if ((m = /^F([0-9]+)$/.exec(c)) && m[1] >= 1 && m[1] <= 24) return 111 + Number(m[1]);
    return NAMED[c] ?? 0xff;
  }
  const held = new Set();
  // From a key's event to its LCD picture drawn, for the last 200 keys.
  const latencies = [];
  function noteLatency(since) {
    latencies.push(performance.now() - since);
    if (latencies.length > 200) latencies.shift();
  }
  function keyDown(e) {
    if (e.ctrlKey || e.metaKey || e.code === "Tab") return;  // the browser's own shortcuts and focus moves
    const vk = virtualKey(e);
    if (vk === 0xff) return;
    e.preventDefault();
    if (vk === 116 && !e.repeat) {  // F5: the Cut switch
      $("cut").classList.add("down");
      setTimeout(() => $("cut").classList.remove("down"), 120);
      input(() => call("k_press_cut"));
    }
    held.add(vk);
    input(() => call("k_key_down", vk));
    const tag = call("k_device_key_for", vk);
    if (tag) showPressed(tag, true);
    noteLatency(e.timeStamp);
  }
  function keyUp(e) {
    const vk = virtualKey(e);
    if (vk === 0xff || !held.has(vk)) return;
    e.preventDefault();
    held.delete(vk);
    input(() => call("k_key_up", vk));
    const tag = call("k_device_key_for", vk);
    if (tag) showPressed(tag, false);
  }
  function focusLost() {
    if (!M) return;
    held.clear();
    call("k_focus_lost");
    for (const b of keyButtons.values()) b.classList.remove("down");
  }

  // ---- Controls ----
  function buildControls() {
    const media = $("media");
    for (const [id, name] of MEDIA) media.add(new Option(name, id, false, id === 3));
    media.addEventListener("change", () => {
      call("k_select_cartridge", Number(media.value));
      cartBusy = call("k_cartridge_busy") === 1;
      cartPhase = 0;
    });
    const battery = $("battery");
    battery.addEventListener("input", () => {
      $("battery-volts").textContent = `${Number(battery.value).toFixed(1)} V`;
      input(() => call("k_set_battery", Number(battery.value)));
    });
    $("zoom").addEventListener("change", () => paintTape(true));
    $("tape-png").addEventListener("click", () => download(tapePicture().toDataURL("image/png"), "tape.png"));
    $("download").addEventListener("click", () => {
      checkpoint();
      const url = URL.createObjectURL(new Blob([imageBytes()], { type: "application/octet-stream" }));
      download(url, "fontData.hex");
      setTimeout(() => URL.revokeObjectURL(url), 1000);
    });
    $("upload").addEventListener("click", () => $("upload-file").click());
    $("upload-file").addEventListener("change", async (e) => {
      const file = e.target.files[0];
      e.target.value = "";
      if (file) status(await useImage(new Uint8Array(await file.arrayBuffer()), file.name));
    });
  }
  function download(url, name) {
    const a = document.createElement("a");
    a.href = url; a.download = name;
    document.body.append(a); a.click(); a.remove();
  }

  // A new image replaces the running one only when the device opens on it;
  // otherwise the old one goes on, untouched.
  async function useImage(bytes, name) {
    if (bytes.length !== IMAGE_SIZE) return `${name} is ${bytes.length} bytes, not a flash image of ${IMAGE_SIZE}; nothing changed.`;
    checkpoint();
    const old = imageBytes();
    call("k_close");
    M.FS.writeFile(IMAGE_PATH, bytes);
    const error = openDevice(IMAGE_PATH);
    if (error) {
      M.FS.writeFile(IMAGE_PATH, old);
      openDevice(IMAGE_PATH);
      afterRun(true);
      return `${name} was not used: ${error}`;
    }
    await saveImage();
    resetView();
    return `Running on ${name}.`;
  }
  function resetView() {
    lastLabel = call("k_last_label");
    $("media").value = String(call("k_cartridge"));
    afterRun(true);
  }

  // ---- window.klx80 ----
  function dataUrl(canvas) { return canvas.toDataURL("image/png"); }
  const api = {
    ready: null,
    firstFrameMs: 0,
    // Runs a key script at once (simulated time), as klx80-batch does.
    keys(script) {
      const error = withText(String(script), (p) => { call("k_run_script", p); return call("k_ok") ? "" : text(call("k_error")); });
      afterRun(false);
      noteLabels();  // a whole job may have run within the script
      if (error) throw new Error(error);
      return api.state();
    },
    state() { return JSON.parse(text(call("k_state_json"))); },
    lcdPng() { paintLcd(true); return dataUrl(lcdDots); },
    tapePng() { return dataUrl(tapePicture()); },
    tapePbm() {
      const ptr = call("k_tape_pbm");
      return btoa(String.fromCharCode(...M.HEAPU8.subarray(ptr, ptr + call("k_out_size"))));
    },
    // Ticks until the device has nothing left to do (a print ends, a screen settles).
    settle() {
      call("k_settle");
      afterRun(false);
      noteLabels();
      if (!call("k_ok")) throw new Error(text(call("k_error")));
    },
    save: () => { checkpoint(); return saveImage(); },
    onlabel: null,
    keyLatencies: latencies,
  };
  window.klx80 = api;

  async function start() {
    const [module, art, sprite, saved] = await Promise.all([
      KLX80({ locateFile: (f) => f, print: () => {}, printErr: (t) => console.warn(t) }),
      fetch("layout.json").then((r) => r.json()),
      loadImage("lamps.png"),
      stored("fontData.hex"),
    ]);
    M = module; layout = art; lamps = sprite;
    let image = saved && saved.length === IMAGE_SIZE ? new Uint8Array(saved) : null;
    if (!image) image = new Uint8Array(await (await fetch("fontData.hex")).arrayBuffer());
    const recovered = unsavedSectors(image);
    M.FS.writeFile(IMAGE_PATH, image);
    buildKeys();
    buildControls();
    const error = openDevice(IMAGE_PATH);
    if (error) { status(error); throw new Error(error); }
    savedImage = saved && !recovered ? image : null;
    savedWrites = savedImage ? call("k_flash_writes") : -1;  // else the first turn stores it
    resetView();
    lastTurn = performance.now();
    setInterval(turn, TICK_MS);
    const device = $("device");
    device.addEventListener("keydown", keyDown);
    device.addEventListener("keyup", keyUp);
    device.addEventListener("blur", focusLost);
    device.focus({ preventScroll: true });
    document.addEventListener("visibilitychange", () => { if (document.hidden) checkpoint(); });
    window.addEventListener("pagehide", checkpoint);
    status(saved || recovered ? "Your labels and settings from the last visit are back." : "A fresh device. Type on the keyboard or click its keys.");
  }
  function loadImage(src) {
    return new Promise((resolve, reject) => {
      const i = new Image();
      i.onload = () => resolve(i);
      i.onerror = reject;
      i.src = src;
    });
  }
  api.ready = start();
  if ("serviceWorker" in navigator && location.protocol !== "file:") navigator.serviceWorker.register("sw.js").catch(() => {});
})();
