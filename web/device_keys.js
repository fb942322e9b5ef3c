// The device's keys as buttons over its picture. A mouse presses a key on
// its way down (as on the desktop); a finger or a pen on release, and only
// when it has not moved (a finger that moves is scrolling the page). A
// keyboard or a screen reader presses the key with Enter, Space or a click.
// The keys and the Cut switch are one tab stop; the arrows move between them.
const SLOP = 10;  // CSS px a finger may wander and still be a tap
const REACH = 8;  // picture px a key's touch area may grow into free space

// Each key's area grown halfway into the gap to its neighbours (REACH at
// most), so that the whole keypad answers a finger and no two areas overlap.
export function touchCells(keys) {
  const overlap = (a0, a1, b0, b1) => a0 < b1 && b0 < a1;
  return keys.map((k) => {
    const [x, y, w, h] = k.area;
    let left = REACH, right = REACH, up = REACH, down = REACH;
    for (const o of keys) {
      if (o === k) continue;
      const [ox, oy, ow, oh] = o.area;
      if (overlap(y, y + h, oy, oy + oh)) {
        if (ox + ow <= x) left = Math.min(left, (x - ox - ow) / 2);
        if (ox >= x + w) right = Math.min(right, (ox - x - w) / 2);
      }
      if (overlap(x, x + w, ox, ox + ow)) {
        if (oy + oh <= y) up = Math.min(up, (y - oy - oh) / 2);
        if (oy >= y + h) down = Math.min(down, (oy - y - h) / 2);
      }
    }
    return [x - left, y - up, w + left + right, h + up + down];
  });
}

export function buildKeys(box, layout, actions, place) {
  const buttons = [];
  const cells = touchCells(layout.keys);
  layout.keys.forEach((k, i) => {
    const b = document.createElement("button");
    b.type = "button";
    b.className = "key";
    b.tabIndex = -1;
    b.dataset.tag = k.tag;
    const cell = cells[i];
    b.style.cssText = place(cell) + `;z-index:${k.z}`;
    b.setAttribute("aria-label", k.legend + (k.shifted ? `, Func: ${k.shifted}` : ""));
    if (k.tag === layout.func_tag) b.setAttribute("aria-pressed", "false");
    b.title = `${k.legend}${k.shifted ? " / " + k.shifted : ""} (PC: ${k.pc_key})`;
    const cap = document.createElement("span");
    const c = k.cap;
    cap.style.cssText = `left:${((c[0] - cell[0]) / cell[2]) * 100}%;top:${((c[1] - cell[1]) / cell[3]) * 100}%;` +
      `width:${(c[2] / cell[2]) * 100}%;height:${(c[3] / cell[3]) * 100}%`;
    b.append(cap);
    const press = () => (k.tag === layout.func_tag ? actions.func() : actions.key(k.tag));
    wire(b, press, k.tag !== layout.func_tag);
    box.append(b);
    buttons.push(b);
  });
  return buttons;
}

// One button's pointer, keyboard and click paths; the Cut switch uses it too.
// A mouse press on the way down (pressOnDown) or a tap on release.
export function wire(b, press, pressOnDown) {
  let start = null;    // the pointer that went down on this button, or null
  let armed = false;   // a pointer went down here: the click that follows is its own
  const up = () => { b.classList.remove("down"); start = null; };
  b.addEventListener("pointerdown", (e) => {
    e.preventDefault();  // the focus stays where it was: Enter from a keyboard is the device's Enter
    b.classList.add("down");
    armed = true;
    start = { x: e.clientX, y: e.clientY, id: e.pointerId, mouse: e.pointerType === "mouse" };
    if (start.mouse && pressOnDown) press();
  });
  b.addEventListener("pointermove", (e) => {
    if (start && e.pointerId === start.id && !start.mouse && Math.hypot(e.clientX - start.x, e.clientY - start.y) > SLOP) up();
  });
  b.addEventListener("pointerup", (e) => {
    if (!start || e.pointerId !== start.id) return;
    const tap = !(start.mouse && pressOnDown) && e.button === 0;
    up();
    if (tap) press();
  });
  b.addEventListener("pointerleave", up);
  b.addEventListener("pointercancel", () => { up(); armed = false; });  // the page scrolled under the finger
  b.addEventListener("contextmenu", (e) => e.preventDefault());
  // Enter or Space on the focused button, a screen reader's or a script's
  // click (no pointer went down first, or a click of detail 0).
  b.addEventListener("click", (e) => {
    if (e.detail === 0 || !armed) press();
    armed = false;
  });
}

// One tab stop for the whole group: the last key used keeps it, the arrows,
// Home and End move it. Gives true when the event was a move.
export function roving(buttons) {
  let current = buttons[0];
  for (const b of buttons) b.tabIndex = b === current ? 0 : -1;
  const centre = (b) => { const r = b.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; };
  const move = (to) => {
    current.tabIndex = -1;
    current = to;
    to.tabIndex = 0;
    to.focus();
  };
  // The nearest button in a direction, weighing sideways distance double.
  const nearest = (from, dx, dy) => {
    const [fx, fy] = centre(from);
    let best = null, bestScore = Infinity;
    for (const b of buttons) {
      if (b === from) continue;
      const [x, y] = centre(b);
      const along = (x - fx) * dx + (y - fy) * dy, across = Math.abs((x - fx) * dy) + Math.abs((y - fy) * dx);
      if (along <= 1) continue;
      const score = along + 2 * across;
      if (score < bestScore) { best = b; bestScore = score; }
    }
    return best;
  };
  const DIRECTIONS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  for (const b of buttons) b.addEventListener("focus", () => { if (current !== b) move(b); });
  return (e) => {
    if (!buttons.includes(e.target) || e.altKey || e.ctrlKey || e.metaKey) return false;
    let to = null;
    if (DIRECTIONS[e.key]) to = nearest(e.target, ...DIRECTIONS[e.key]);
    else if (e.key === "Home") to = buttons[0];
    else if (e.key === "End") to = buttons[buttons.length - 1];
    else return false;
    e.preventDefault();
    if (to) move(to);
    return true;
  };
}
