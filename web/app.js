// The KLX80 web page: the device session built as WebAssembly, ticked in real
// time from the page's loop, with the device picture and key areas the
// desktop program draws, the Print Output tape, the media and battery
// choices, the flash image kept in the browser, and the window.klx80 API for
// integrators and tests.
import { ImageStore, claimImage, newStamp, keepUnsavedSectors, forgetUnsavedSectors, applyUnsavedSectors, toBase64 } from "./storage.js";
import { TapeView } from "./tape_view.js";
import { buildKeys, wire, roving } from "./device_keys.js";
import { virtualKey, takesKeys, buildHelp } from "./keyboard.js";
import { say, notice, clearNotice, ask } from "./messages.js";

const TICK_MS = 10;
const IDLE_MS = 310;      // the loop's pace while the device only waits: its cursor's blink
const MAX_CATCH_UP = 40;  // ticks per loop turn; a tab in the background runs slow, not in a burst
const JOURNAL_AFTER_MS = 500;  // the working label is kept this long after the last key
const IMAGE_PATH = "/fontData.hex";
const KEY_TAKEN = 0;      // k_key_down: 0 when the device had no use for the key
const MEDIA = [
  [0, "No cartridge"], [1, "3/8\" Nylon, Vinyl, or Polyester"], [2, "1/2\" Nylon, Vinyl, or Polyester"],
  [3, "3/4\" Nylon, Vinyl, or Polyester"], [4, "0.75\" Self-Lam"], [5, "1.25\" Self-Lam"], [6, "1.00\" Self-Lam"],
  [7, "1.50\" Self-Lam"], [8, "0.125\" Tubalon"], [9, "0.187\" Tubalon"], [10, "0.250\" Tubalon"],
  [11, "0.375\" Tubalon"],
];
// The picture is shown as two views: the head (LCD, lamps, Cut switch) and
// the keypad. A phone shows the keypad cropped to the keys, so that every
// key's touch area is at least 44 CSS px on a 390 px wide screen.
const SEAM = 208;
const PHONE = matchMedia("(max-width: 600px)");
const $ = (id) => document.getElementById(id);

let M = null;       // the WebAssembly module
let layout = null;  // key areas and places, from the desktop's layout
let lamps = null;   // the lamp sprites
let firstFrameMs = 0;
const store = new ImageStore();
let owner = true;   // this tab owns the stored image; false: read-only

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
function imageProblem(bytes, name) {
  const ptr = call("malloc", Math.max(bytes.length, 1));
  M.HEAPU8.set(bytes, ptr);
  try { return withText(name, (n) => text(call("k_image_problem", ptr, bytes.length, n))); } finally { call("free", ptr); }
}

// ---- Keeping the image ----
// Saved on each change: the flash's writes are copied to IndexedDB shortly
// after they happen, and the working label is journalled (as switching off
// would) once the keys have paused. Going out of sight also leaves the changed
// sectors in localStorage, synchronously, for a tab closed mid-save.
let savedImage = null, savedStamp = "", savedWrites = -1, saveTimer = 0, saving = null;
const pendingStamps = new Set();  // saves under way
let typedAt = 0;  // when a key last changed what the device holds, 0 when journalled
// Saves the image; with `sectors`, first leaves its changed sectors in
// localStorage (a tab that is closing may not see the save finish).
async function saveImage({ keepPrevious = null, sectors = false } = {}) {
  clearTimeout(saveTimer);
  saveTimer = 0;
  if (!owner) return false;
  const writes = call("k_flash_writes"), bytes = imageBytes(), stamp = newStamp();
  pendingStamps.add(stamp);
  if (sectors) keepUnsavedSectors(bytes, savedImage, [savedStamp, ...pendingStamps]);
  try {
    await saving;  // one save at a time, in order
    saving = store.save(bytes, stamp, keepPrevious);
    await saving;
    savedStamp = stamp;
    savedImage = bytes;
    savedWrites = Math.max(savedWrites, writes);
    if (pendingStamps.size === 1) forgetUnsavedSectors();  // no other save under way: the store has it all
    clearNotice("storage");
    return true;
  } catch (e) {
    notice("storage", `${e.message}. Download the image to keep them.`, "error",
      [["Download image", downloadImage], ["Try again", () => saveImage()]]);
    return false;
  } finally {
    pendingStamps.delete(stamp);
    saving = null;
  }
}
function noteFlash() {
  if (owner && call("k_flash_writes") !== savedWrites && !saveTimer) saveTimer = setTimeout(saveImage, 300);
}
function journal() {
  if (call("k_save_working_label")) typedAt = 0;  // refused while a job prints: tried again later
}
function checkpoint() {
  if (!M || !owner) return;
  journal();
  if (call("k_flash_writes") !== savedWrites) saveImage({ sectors: true });
}

// ---- Pictures ----
// The LCD's dots at their own size (the page scales them up without
// smoothing) and the lamps beside them on a canvas of their own, redrawn only
// when a lamp changes: the cursor's blink repaints 264 x 128 pixels, no more.
const lcdCanvas = $("lcd"), lcdCtx = lcdCanvas.getContext("2d");
const lampCanvas = $("lamps"), lampCtx = lampCanvas.getContext("2d");
const lcdImage = new ImageData(264, 128);
let shownGeneration = -1, shownLamps = -1;
function rgbInto(image, ptr) {
  const src = M.HEAPU8, dst = image.data;
  for (let i = 0, j = ptr; i < dst.length; i += 4, j += 3) {
    dst[i] = src[j]; dst[i + 1] = src[j + 1]; dst[i + 2] = src[j + 2]; dst[i + 3] = 255;
  }
}
function paintLcd(force) {
  const generation = call("k_lcd_generation"), lit = call("k_lamps");
  if (force || generation !== shownGeneration) {
    rgbInto(lcdImage, call("k_lcd_rgb"));
    lcdCtx.putImageData(lcdImage, 0, 0);
  }
  if (!force && generation === shownGeneration && lit === shownLamps) return false;
  if (force || lit !== shownLamps) paintLamps(lit);
  shownGeneration = generation; shownLamps = lit;
  const func = document.querySelector(`.key[data-tag="${layout.func_tag}"]`);
  if (func) func.setAttribute("aria-pressed", String(Boolean(lit & 8)));
  if (!firstFrameMs) {
    firstFrameMs = performance.now();  // from the navigation's start
    api.firstFrameMs = firstFrameMs;
  }
  screenTextDue();
  return true;
}
function paintLamps(lit) {
  const s = layout.scale, strip = layout.lamps, w = strip[2] * s, h = strip[3] * s;
  lampCtx.clearRect(0, 0, w, h);
  // pt, bold, caps, func, then the battery symbol's three looks
  const frames = [];
  for (let bit = 0; bit < 4; ++bit) if (lit & (1 << bit)) frames.push(bit);
  const battery = (lit >> 4) & 3;
  if (battery) frames.push(3 + battery);
  for (const f of frames) lampCtx.drawImage(lamps, 0, f * h, w, h, 0, 0, w, h);
}

// The screen's text for a screen reader: said when it has stood still for a
// moment, so typing is read as words rather than letter by letter.
let screenTimer = 0;
function screenTextDue() {
  clearTimeout(screenTimer);
  screenTimer = setTimeout(showScreenText, 150);
}
function showScreenText() {
  const lines = text(call("k_lcd_text")).replace(/\n+$/, "");
  const region = $("lcd-text");
  if (region.textContent !== lines) region.textContent = lines;
}

const tapeView = new TapeView($("tape-scroll"), $("tape-spacer"), $("tape"));
let tapeColumns = -1, lastLabel = 0;
function paintTape(force) {
  const columns = call("k_tape_columns");
  if (!force && columns === tapeColumns) return;
  tapeColumns = columns;
  const ptr = call("k_tape_rgb"), width = call("k_tape_width");
  const rgb = M.HEAPU8.slice(ptr, ptr + call("k_out_size"));
  tapeView.show(rgb, width, width ? rgb.length / (3 * width) : 0);
  $("tape-info").textContent = columns ? `${columns} columns, ${(columns / 8).toFixed(1)} mm` : "No label printed yet.";
}
function tapePbm() {
  const ptr = call("k_tape_pbm");
  return M.HEAPU8.slice(ptr, ptr + call("k_out_size"));
}
// One klx80:label event for every label printed since the last look.
function noteLabels() {
  const number = call("k_last_label");
  if (number === lastLabel) return;
  const fresh = number > lastLabel ? JSON.parse(text(call("k_labels_after", lastLabel))) : [];
  lastLabel = number;
  for (const [n, columns] of fresh) {
    const detail = { number: n, columns };
    window.dispatchEvent(new CustomEvent("klx80:label", { detail }));
    if (typeof api.onlabel === "function") api.onlabel(detail);
  }
  if (fresh.length) bringIntoView($("output"));
}
// After a print the tape is shown where the eye is (on a phone it is below the device).
function bringIntoView(el) {
  const r = el.getBoundingClientRect();
  if (r.top < 0 || r.top > innerHeight - 80) el.scrollIntoView({ block: "start", behavior: "smooth" });
}

// ---- Time: one tick every 10 ms of the page's clock ----
// While the device only waits the loop wakes once per blink of the cursor
// and runs the ticks due since then at once: the idle page costs next to
// nothing, and the blink keeps its pace.
let due = 0, ticked = 0, lastTurn = 0, timer = 0, wasPrinting = false;
function afterRun(force) {
  paintLcd(force);
  const cutWaiting = call("k_cut_waiting") === 1;
  $("cut").classList.toggle("lit", cutWaiting);
  const printing = call("k_printing") === 1;
  // The tape stands still in a pause between copies: it is shown then too.
  if (!printing || cutWaiting) paintTape(force);
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
  if (owner && typedAt && now - typedAt > JOURNAL_AFTER_MS) journal();
  const quiet = !cartBusy && held.size === 0 && call("k_settled") === 1;
  timer = setTimeout(turn, quiet ? IDLE_MS : TICK_MS);
}
// Input is shown at once: one tick runs now, and the loop goes back to 10 ms.
function input(fn) {
  const result = fn();
  call("k_tick", 1);
  ticked += 1;
  due = Math.max(due, ticked);
  afterRun(false);
  typedAt = performance.now();
  clearTimeout(timer);
  timer = setTimeout(turn, TICK_MS);
  return result;
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

// ---- The device picture ----
const pct = (r) => `left:${(r[0] / layout.width) * 100}%;top:${(r[1] / layout.height) * 100}%;` +
  `width:${(r[2] / layout.width) * 100}%;height:${(r[3] / layout.height) * 100}%`;
function placeViews() {
  const W = layout.width, H = layout.height;
  const crops = {
    "view-head": [0, 0, W, SEAM],
    "view-pad": PHONE.matches ? [47, SEAM, 283, H - SEAM] : [0, SEAM, W, H - SEAM],
  };
  for (const [id, [x, y, w, h]] of Object.entries(crops)) {
    const view = $(id), art = view.firstElementChild;
    view.style.aspectRatio = `${w} / ${h}`;
    art.style.cssText = `left:${(-x / w) * 100}%;top:${(-y / h) * 100}%;width:${(W / w) * 100}%;height:${(H / h) * 100}%`;
  }
}
let keyButtons = [], rove = () => false;
function buildDevice() {
  placeViews();
  PHONE.addEventListener("change", placeViews);
  keyButtons = buildKeys($("keys"), layout, {
    key: (tag) => input(() => call("k_press_key", tag)),
    func: () => input(() => call("k_click_func")),
  }, pct);
  const cut = $("cut"), [x, y, w, h] = layout.cut, widen = 3;  // 41 px wide: 44 and more with this
  cut.style.cssText = pct([x - widen, y, w + 2 * widen, h]);
  cut.firstElementChild.style.inset = `0 ${(widen / (w + 2 * widen)) * 100}%`;
  wire(cut, pressCut, false);
  const strip = layout.lamps;
  lampCanvas.width = strip[2] * layout.scale; lampCanvas.height = strip[3] * layout.scale;
  lampCanvas.style.cssText = pct(strip);
  lcdCanvas.width = 264; lcdCanvas.height = 128;
  lcdCanvas.style.cssText = pct(layout.lcd);
  // Reading order for the one tab stop: top to bottom, left to right.
  const group = [cut, ...keyButtons].sort((a, b) => {
    const ra = a.getBoundingClientRect(), rb = b.getBoundingClientRect();
    return Math.abs(ra.top - rb.top) > 4 ? ra.top - rb.top : ra.left - rb.left;
  });
  rove = roving(group);
}
function pressCut() {
  const cut = $("cut");
  cut.classList.add("down");
  setTimeout(() => cut.classList.remove("down"), 120);
  input(() => call("k_press_cut"));
}

// ---- The PC keyboard, on the whole page ----
// Keys reach the device wherever the focus is, except in a control that
// takes typing or arrows itself, and except Enter and Space on a focused
// button (they press that button). A key the device has no use for is left
// to the browser.
const held = new Map();  // virtual key -> the device took it
// From a key's event to the frame that shows it, for the last 200 keys.
const latencies = [];
function noteLatency(since) {
  requestAnimationFrame(() => {
    latencies.push(performance.now() - since);
    if (latencies.length > 200) latencies.shift();
  });
}
function showPressed(vk, down) {
  const tag = call("k_device_key_for", vk);
  const b = tag && document.querySelector(`.key[data-tag="${tag}"]`);
  if (b) b.classList.toggle("down", down);
}
function keyDown(e) {
  if (!M || rove(e) || !takesKeys(e)) return;
  const vk = virtualKey(e);
  if (vk === 0xff) return;
  let taken = input(() => call("k_key_down", vk)) !== KEY_TAKEN;
  if (vk === 116) {  // F5: the Cut switch
    taken = true;
    if (!e.repeat) pressCut();
  }
  held.set(vk, taken);
  if (!taken) return;
  e.preventDefault();
  showPressed(vk, true);
  noteLatency(e.timeStamp);
}
function keyUp(e) {
  const vk = virtualKey(e);
  if (!M || !held.has(vk)) return;
  if (held.get(vk)) e.preventDefault();
  held.delete(vk);
  input(() => call("k_key_up", vk));
  showPressed(vk, false);
}
function focusLost() {
  if (!M) return;
  held.clear();
  call("k_focus_lost");
  for (const b of keyButtons) b.classList.remove("down");
}
// A button or a choice made with the mouse or a finger gives the keyboard
// back to the device: Space must not press that button again. One reached
// with the keyboard (Tab) keeps it.
let pointerLast = false;
function giveBackKeys(e) {
  const el = e.target.closest && e.target.closest("button, select, input[type=range]");
  if (el && !el.closest("#device, dialog") && pointerLast) el.blur();
}

// ---- Controls ----
function buildControls() {
  const media = $("media");
  for (const [id, name] of MEDIA) media.add(new Option(name, id, false, id === 3));
  media.addEventListener("change", () => {
    call("k_select_cartridge", Number(media.value));
    cartBusy = call("k_cartridge_busy") === 1;
    cartPhase = 0;
    input(() => 0);
  });
  const battery = $("battery");
  battery.addEventListener("input", () => {
    $("battery-volts").textContent = `${Number(battery.value).toFixed(1)} V`;
    battery.setAttribute("aria-valuetext", `${Number(battery.value).toFixed(1)} volts`);
    input(() => call("k_set_battery", Number(battery.value)));
  });
  if (innerWidth >= 1800) $("zoom").value = "4";  // a large screen has the room
  tapeView.zoom = Number($("zoom").value);
  $("zoom").addEventListener("change", () => tapeView.setZoom(Number($("zoom").value)));
  $("tape-png").addEventListener("click", downloadTape);
  $("download").addEventListener("click", downloadImage);
  $("upload").addEventListener("click", () => $("upload-file").click());
  $("upload-file").addEventListener("change", async (e) => {
    const file = e.target.files[0];
    e.target.value = "";
    if (file) await uploadImage(new Uint8Array(await file.arrayBuffer()), file.name);
  });
  $("help-open").addEventListener("click", () => $("help").showModal());
  $("help-close").addEventListener("click", () => $("help").close());
  buildHelp($("help-keys"), layout);
  document.addEventListener("pointerdown", () => { pointerLast = true; }, true);
  document.addEventListener("keydown", () => { pointerLast = false; }, true);
  document.addEventListener("click", giveBackKeys);
  document.addEventListener("change", giveBackKeys);
  document.addEventListener("pointerup", (e) => { if (e.target.type === "range") giveBackKeys(e); });
}
function downloadTape() {
  const picture = tapeView.picture();
  if (picture) return download(picture.toDataURL("image/png"), "tape.png");
  say("This tape is too long for a PNG in the browser: it is saved as a PBM picture instead.");
  const url = URL.createObjectURL(new Blob([tapePbm()], { type: "image/x-portable-bitmap" }));
  download(url, "tape.pbm");
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}
function downloadImage() {
  checkpoint();
  const url = URL.createObjectURL(new Blob([imageBytes()], { type: "application/octet-stream" }));
  download(url, "fontData.hex");
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}
function download(url, name) {
  const a = document.createElement("a");
  a.href = url; a.download = name;
  document.body.append(a); a.click(); a.remove();
}

// The device goes over to another image; on a refusal it goes back to the
// one it had. "" or the refusal.
function switchImage(bytes) {
  journal();
  const old = imageBytes();
  call("k_close");
  M.FS.writeFile(IMAGE_PATH, bytes);
  const error = openDevice(IMAGE_PATH);
  if (error) {
    M.FS.writeFile(IMAGE_PATH, old);
    openDevice(IMAGE_PATH);
  }
  resetView();
  return error;
}
// An upload is checked as an image file is at open, and replaces the stored
// labels only when the user says so; the image it replaces is kept aside.
async function uploadImage(bytes, name) {
  const problem = imageProblem(bytes, name);
  if (problem) return notice("upload", `${problem}. Nothing changed: your labels are as they were.`, "error");
  clearNotice("upload");
  if (!owner) return notice("upload", "Your labels are open in another tab: upload the image there. Nothing changed.", "error");
  const yes = await ask(`Replace the labels and settings in this browser with those in ${name}? ` +
    "The image you have now is kept, and you can bring it back.", "Replace", "Keep mine");
  if (!yes) return say(`${name} was not used. Nothing changed.`);
  const previous = (journal(), imageBytes());
  const error = switchImage(bytes);
  if (error) return notice("upload", `${name} was not used: ${error}. Nothing changed.`, "error");
  if (await saveImage({ keepPrevious: previous })) offerPrevious();
  say(`Running on ${name}.`);
}
function offerPrevious() {
  notice("previous", "The image you had before the upload is kept.", "info", [
    ["Bring it back", async () => {
      const previous = await store.previous().catch(() => null);
      if (!previous) return say("The previous image is no longer kept.");
      const now = (journal(), imageBytes());
      const error = switchImage(previous);
      if (error) return notice("upload", `The previous image could not be opened: ${error}`, "error");
      if (await saveImage({ keepPrevious: now })) say("The previous image is back; the uploaded one is kept in its place.");
    }],
    ["Forget it", async () => {
      clearNotice("previous");
      await store.forgetPrevious().catch((e) => say(e.message));
    }],
  ]);
}
function resetView() {
  lastLabel = call("k_last_label");
  $("media").value = String(call("k_cartridge"));
  afterRun(true);
}

// ---- window.klx80 ----
const api = {
  ready: null,
  firstFrameMs: 0,
  // Runs a key script at once (simulated time), as klx80-batch does.
  keys(script) {
    const error = withText(String(script), (p) => { call("k_run_script", p); return call("k_ok") ? "" : text(call("k_error")); });
    afterRun(false);
    noteLabels();  // a whole job may have run within the script
    typedAt = performance.now();
    if (error) throw new Error(error);
    return api.state();
  },
  state() { return JSON.parse(text(call("k_state_json"))); },
  lcdText() { return text(call("k_lcd_text")).replace(/\n+$/, ""); },
  lcdPng() { paintLcd(true); return lcdCanvas.toDataURL("image/png"); },
  tapePng() { const p = tapeView.picture(); return p ? p.toDataURL("image/png") : null; },
  tapePbm() { return toBase64(tapePbm()); },
  // Ticks until the device has nothing left to do (a print ends, a screen settles).
  settle() {
    call("k_settle");
    afterRun(false);
    noteLabels();
    if (!call("k_ok")) throw new Error(text(call("k_error")));
  },
  save: () => { checkpoint(); return saveImage(); },
  get readOnly() { return !owner; },
  // Something typed or written is not yet in the browser's storage.
  get unsaved() { return owner && (Boolean(typedAt) || Boolean(saveTimer) || Boolean(saving) || call("k_flash_writes") !== savedWrites); },
  upload: (bytes, name) => uploadImage(new Uint8Array(bytes), name || "the upload"),
  onlabel: null,
  keyLatencies: latencies,
};
window.klx80 = api;

// ---- Start ----
// One tab owns the stored image. Another tab opened meanwhile runs on what
// was stored, keeps nothing, and says so; when the owner closes it offers to
// take over.
async function start() {
  const claimed = claimImage(() => notice("owner", "The other tab with your labels has closed.", "info",
    [["Open your labels here", () => location.reload()]]));
  let readProblem = "";
  const kept = store.load().catch((e) => { readProblem = e.message; return null; });
  const [module, art, sprite, isOwner, saved, fresh] = await Promise.all([
    KLX80({ locateFile: (f) => f, print: () => {}, printErr: (t) => console.warn(t) }),
    fetch("layout.json").then((r) => r.json()),
    loadImage("lamps.png"),
    claimed,
    kept,
    kept.then((s) => (s ? null : fetch("fontData.hex").then((r) => r.arrayBuffer()))),  // a first visit
  ]);
  M = module; layout = art; lamps = sprite; owner = isOwner;
  const image = new Uint8Array(saved ? saved.image : fresh);
  const unsaved = applyUnsavedSectors(image, saved ? saved.stamp : null);
  M.FS.writeFile(IMAGE_PATH, image);
  buildDevice();
  buildControls();
  const error = openDevice(IMAGE_PATH);
  if (error) { say(error); throw new Error(error); }
  // What the store holds; anything laid over it is stored by the first turn.
  if (owner && saved) { savedImage = saved.image; savedStamp = saved.stamp; }
  savedWrites = saved && unsaved !== "applied" ? call("k_flash_writes") : -1;
  if (owner && unsaved === "stale") forgetUnsavedSectors();
  resetView();
  showScreenText();
  lastTurn = performance.now();
  timer = setTimeout(turn, TICK_MS);
  document.addEventListener("keydown", keyDown);
  document.addEventListener("keyup", keyUp);
  window.addEventListener("blur", focusLost);
  document.addEventListener("visibilitychange", () => { if (document.hidden) checkpoint(); });
  window.addEventListener("pagehide", checkpoint);
  if (!owner) notice("owner", "Your labels are open in another tab. This tab is read-only: what you change here is not kept.", "warning");
  if (readProblem) notice("storage", `${readProblem}. The device starts fresh; nothing stored was changed.`, "error");
  if (saved && saved.hasPrevious && owner) offerPrevious();
  say(saved ? (unsaved === "stale" ? "Your labels from the last save are back; changes made after it could not be brought back."
    : "Your labels and settings from the last visit are back.")
    : unsaved === "stale" ? "The labels kept in this browser are gone (its stored data was cleared): a fresh device."
      : "A fresh device. Type on the keyboard or tap its keys.");
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

// A new build: the service worker fetches it in the background and the page
// says when it is ready (it runs at the next load).
if ("serviceWorker" in navigator && location.protocol !== "file:") {
  const updating = Boolean(navigator.serviceWorker.controller);
  navigator.serviceWorker.register("sw.js").then((reg) => {
    reg.addEventListener("updatefound", () => {
      const next = reg.installing;
      next.addEventListener("statechange", () => {
        if (next.state === "activated" && updating) {
          notice("update", "A new version of this page is ready.", "info", [["Reload", () => { checkpoint(); location.reload(); }]]);
        }
      });
    });
    document.addEventListener("visibilitychange", () => { if (!document.hidden) reg.update().catch(() => {}); });
  }).catch(() => {});
}
