// What the page tells the user, shown where the eye is (a bar at the foot of
// the screen): short news that goes away, and notices that stay until what
// they say is over (a read-only tab, a failed save, a new version).
const $ = (id) => document.getElementById(id);
let sayTimer = 0;

export function say(text) {
  const status = $("status");
  status.textContent = text;
  status.hidden = false;
  clearTimeout(sayTimer);
  sayTimer = setTimeout(() => { status.hidden = true; }, 6000);
}

// kind: "info", "warning" or "error"; actions: [label, function] pairs.
export function notice(id, text, kind, actions = []) {
  let box = document.querySelector(`#notices [data-id="${id}"]`);
  if (!box) {
    box = document.createElement("div");
    box.dataset.id = id;
    $("notices").append(box);
  }
  box.className = `notice ${kind}`;
  box.setAttribute("role", kind === "error" ? "alert" : "status");
  box.replaceChildren(Object.assign(document.createElement("p"), { textContent: text }));
  for (const [label, run] of actions) {
    const b = Object.assign(document.createElement("button"), { type: "button", textContent: label });
    b.addEventListener("click", run);
    box.append(b);
  }
  const close = Object.assign(document.createElement("button"), { type: "button", textContent: "×", className: "close" });
  close.setAttribute("aria-label", "Dismiss");
  close.addEventListener("click", () => box.remove());
  box.append(close);
}
export function clearNotice(id) {
  const box = document.querySelector(`#notices [data-id="${id}"]`);
  if (box) box.remove();
}

// A question with two answers; resolves true for the first.
export function ask(question, yes, no) {
  const dialog = $("ask");
  $("ask-text").textContent = question;
  $("ask-yes").textContent = yes;
  $("ask-no").textContent = no;
  dialog.showModal();
  return new Promise((resolve) => {
    dialog.addEventListener("close", () => resolve(dialog.returnValue === "yes"), { once: true });
  });
}
