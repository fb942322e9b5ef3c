// The PC keyboard as the desktop maps it (physical keys to the virtual-key
// numbers of the device's key table), where on the page keys go to the
// device, and the key map shown as help.
const NAMED = {
  Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16, ControlLeft: 17,
  ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20, Escape: 27, Space: 32, PageUp: 33,
  PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45,
  Delete: 46, MetaLeft: 91, MetaRight: 91, ContextMenu: 93, NumLock: 144, ScrollLock: 145,
};
export function virtualKey(e) {
  const c = e.code;
  let m;
  if ((m = /^Digit([0-9])$/.exec(c))) return 48 + Number(m[1]);
  if ((m = /^Numpad([0-9])$/.exec(c))) return 96 + Number(m[1]);
  if ((m = /^Key([A-Z])$/.exec(c))) return m[1].charCodeAt(0);
  if ((m = /^F([0-9]+)$/.exec(c)) && m[1] >= 1 && m[1] <= 24) return 111 + Number(m[1]);
  return NAMED[c] ?? 0xff;
}

// Controls that take typing or arrows themselves keep their keys.
function ownsKeys(el) {
  if (!el || el === document.body) return false;
  if (el.isContentEditable || el.closest("dialog[open]")) return true;
  return el.tagName === "TEXTAREA" || el.tagName === "SELECT" ||
    (el.tagName === "INPUT" && !["button", "submit", "reset", "checkbox", "radio", "file"].includes(el.type));
}
// Whether a key event is the device's to take: not with Ctrl or Meta (the
// browser's shortcuts), not in such a control, and Enter or Space on a
// focused button press that button.
export function takesKeys(e) {
  if (e.ctrlKey || e.metaKey || e.defaultPrevented) return false;
  const el = document.activeElement;
  if (ownsKeys(el)) return false;
  const activates = e.code === "Enter" || e.code === "NumpadEnter" || e.code === "Space";
  return !(activates && el && el.tagName === "BUTTON");
}

const FUNCTION_KEYS = [["Shift", "Func: hold it, or press it alone to latch Func for the next key"],
  ["F1", "Menu"], ["F2", "Label"], ["F3", "Font"], ["F4", "Print"], ["F5", "the Cut switch"],
  ["Esc", "leaves a service screen"],
  ["Alt + A-G, J, L, M, O-R, T, U, W-Z, 1", "the service screens (tests, sensors, print-head set-up)"],
  ["Alt + Delete", "erases the device's settings"]];

// The key map: the PC's keys, then every device key with its Func meaning.
export function buildHelp(table, layout) {
  const row = (cells, head) => {
    const tr = table.insertRow();
    for (const c of cells) {
      const cell = document.createElement(head ? "th" : "td");
      cell.textContent = c;
      tr.append(cell);
    }
  };
  row(["PC key", "Device"], true);
  for (const [key, what] of FUNCTION_KEYS) row([key, what]);
  row(["Device key", "With Func"], true);
  const keys = [...layout.keys].sort((a, b) => a.area[1] - b.area[1] || a.area[0] - b.area[0]);
  for (const k of keys) row([`${k.legend} (${k.pc_key})`, k.shifted || "-"]);
}
