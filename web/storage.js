// The flash image kept in the browser: IndexedDB holds the image with a stamp
// that names that save; localStorage holds, synchronously, the sectors changed
// since the stamped save (a tab may close before IndexedDB finishes). One tab
// at a time owns the stored image (a Web Lock); the others run read-only.
const DB = "klx80", FILES = "files", IMAGE = "fontData.hex", PREVIOUS = "previous.hex";
const DELTA = "klx80-unsaved-sectors";
const SECTOR = 4096;
const LOCK = "klx80-image";

// Every failure comes back as an Error with a sentence a user can read.
function storageError(what, e) {
  const why = e && (e.message || e.name) ? `${e.name || "Error"}: ${e.message || ""}` : "the browser refused";
  return new Error(`${what} (${why.trim()})`);
}

export class ImageStore {
  constructor() { this.db = null; }

  // The database is opened on first use and again after the browser closed
  // it (site data cleared while the page is open).
  open() {
    if (this.db) return this.db;
    this.db = new Promise((resolve, reject) => {
      if (!("indexedDB" in self)) return reject(new Error("this browser keeps no data for pages"));
      const open = indexedDB.open(DB, 1);
      open.onupgradeneeded = () => open.result.createObjectStore(FILES);
      open.onsuccess = () => {
        const db = open.result;
        db.onclose = db.onversionchange = () => { db.close(); this.db = null; };
        resolve(db);
      };
      open.onerror = () => reject(open.error);
      open.onblocked = () => reject(new Error("another tab holds an older version of the store"));
    });
    this.db.catch(() => { this.db = null; });
    return this.db;
  }

  async run(mode, body, what) {
    for (let attempt = 0; ; ++attempt) {
      try {
        const db = await this.open();
        return await new Promise((resolve, reject) => {
          const t = db.transaction(FILES, mode);
          const result = body(t.objectStore(FILES));
          t.oncomplete = () => resolve(result.value);
          t.onerror = t.onabort = () => reject(t.error || new Error("the save was cut short"));
        });
      } catch (e) {
        this.db = null;
        if (attempt === 1 || e.name === "QuotaExceededError") throw storageError(what, e);
      }
    }
  }

  // { image, stamp } as last saved, or null when nothing is kept.
  async load() {
    const got = await this.run("readonly", (s) => {
      const out = {};
      const image = s.get(IMAGE), stamp = s.get("stamp"), previous = s.count(PREVIOUS);
      image.onsuccess = () => { out.image = image.result; };
      stamp.onsuccess = () => { out.stamp = stamp.result; };
      previous.onsuccess = () => { out.hasPrevious = previous.result > 0; };
      return { get value() { return out; } };
    }, "The saved labels could not be read");
    return got.image ? { image: new Uint8Array(got.image), stamp: got.stamp || "", hasPrevious: got.hasPrevious } : null;
  }

  // Saves the image under a stamp (from newStamp); the image it replaces is
  // kept aside first when keepPrevious is given.
  async save(image, stamp, keepPrevious) {
    await this.run("readwrite", (s) => {
      if (keepPrevious) s.put(keepPrevious, PREVIOUS);
      s.put(image, IMAGE);
      s.put(stamp, "stamp");
      return { value: stamp };
    }, "Your labels could not be saved in this browser");
    return stamp;
  }

  async previous() {
    return this.run("readonly", (s) => {
      const get = s.get(PREVIOUS), out = {};
      get.onsuccess = () => { out.image = get.result; };
      return { get value() { return out.image ? new Uint8Array(out.image) : null; } };
    }, "The previous image could not be read");
  }

  async forgetPrevious() {
    await this.run("readwrite", (s) => { s.delete(PREVIOUS); return { value: true }; }, "The previous image could not be removed");
  }
}

export const newStamp = () => `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 8)}`;

// The sectors of `image` that differ from `saved`, written at once with the
// stamps of the saves they may be laid over (the last finished one and those
// still under way, each of which holds `saved` or newer); false when
// localStorage refused.
export function keepUnsavedSectors(image, saved, stamps) {
  const changed = {};
  for (let at = 0; at < image.length; at += SECTOR) {
    const a = image.subarray(at, at + SECTOR), b = saved && saved.subarray(at, at + SECTOR);
    if (!b || a.some((v, i) => v !== b[i])) changed[at] = toBase64(a);
  }
  try {
    // Over no save at all every sector is kept: the whole image, good over anything.
    localStorage.setItem(DELTA, JSON.stringify({ stamps, complete: !saved, changed }));
    return true;
  } catch (_) {
    return false;
  }
}
export function forgetUnsavedSectors() {
  try { localStorage.removeItem(DELTA); } catch (_) { /* nothing kept there */ }
}
// Lays the sectors kept after the save with `stamp` over the image: "applied",
// "stale" (kept over another save, or over none: not used), or "none".
export function applyUnsavedSectors(image, stamp) {
  let kept = null;
  try { kept = JSON.parse(localStorage.getItem(DELTA) || "null"); } catch (_) { return "none"; }
  if (!kept || !kept.changed || !kept.stamps) return "none";
  if (!kept.complete && !kept.stamps.includes(stamp)) return "stale";
  for (const [at, text] of Object.entries(kept.changed)) image.set(fromBase64(text).subarray(0, image.length - at), Number(at));
  return "applied";
}

// Bytes to base64 in pieces: spreading a whole tape or image into one call
// overflows the stack.
export function toBase64(bytes) {
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}
function fromBase64(text) {
  const raw = atob(text), out = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; ++i) out[i] = raw.charCodeAt(i);
  return out;
}

// Resolves true when this tab owns the stored image, false when another tab
// does; onFreed runs once the owner has gone and this tab holds the lock. A
// reloading tab's lock may still be held by the page it replaces, so the
// lock is waited for a moment before giving up.
const RELOAD_GRACE_MS = 1500;
export function claimImage(onFreed) {
  if (!navigator.locks) return Promise.resolve(true);  // no locks (an old browser): one tab is all there is
  const hold = () => new Promise(() => {});  // held for the life of the tab
  return new Promise((resolve) => {
    navigator.locks.request(LOCK, { signal: AbortSignal.timeout(RELOAD_GRACE_MS) }, () => { resolve(true); return hold(); })
      .catch(() => {
        resolve(false);
        navigator.locks.request(LOCK, () => { onFreed(); return hold(); });
      });
  });
}
