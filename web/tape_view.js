// The Print Output's tape. A tape can be tens of thousands of columns long,
// more than a canvas may hold, so the page keeps its dots and draws only the
// part in view: a spacer as wide as the tape gives the scroll bar, and a
// canvas the width of the view stays over the part shown.
export const MAX_CANVAS = 32767;  // the widest canvas a browser draws

export class TapeView {
  constructor(scroller, spacer, canvas) {
    this.scroller = scroller;
    this.spacer = spacer;
    this.canvas = canvas;
    this.rgb = new Uint8Array(0);
    this.width = 0;
    this.height = 0;
    this.zoom = 2;
    this.queued = false;
    scroller.addEventListener("scroll", () => this.redraw(), { passive: true });
    new ResizeObserver(() => this.redraw()).observe(scroller);
  }

  // A new tape picture: RGB, width x height.
  show(rgb, width, height) {
    this.rgb = rgb;
    this.width = width;
    this.height = height;
    this.scroller.scrollLeft = 0;  // the device starts a new tape for every label
    this.layout();
  }

  setZoom(zoom) {
    this.zoom = zoom;
    this.layout();
  }

  layout() {
    this.spacer.style.width = `${Math.max(this.width * this.zoom, 1)}px`;
    this.spacer.style.height = `${Math.max(this.height * this.zoom, 1)}px`;
    this.redraw();
  }

  redraw() {
    if (this.queued) return;
    this.queued = true;
    requestAnimationFrame(() => { this.queued = false; this.draw(); });
  }

  // The columns in view (and one more each side, for a part-column at the edges).
  draw() {
    const z = this.zoom, view = this.scroller.clientWidth;
    const first = Math.max(0, Math.floor(this.scroller.scrollLeft / z) - 1);
    const count = Math.max(0, Math.min(this.width - first, Math.ceil(view / z) + 2));
    const c = this.canvas;
    c.width = Math.max(count * z, 1);
    c.height = Math.max(this.height * z, 1);
    c.style.marginLeft = `${first * z}px`;
    if (!count) return;
    const part = slice(this.rgb, this.width, this.height, first, count);
    const ctx = c.getContext("2d");
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(part, 0, 0, count * z, this.height * z);
  }

  // The whole tape at 1:1 for a PNG; null when it is too long for a canvas.
  picture() {
    if (this.width > MAX_CANVAS) return null;
    return slice(this.rgb, this.width, this.height, 0, this.width);
  }
}

// Columns first..first+count of an RGB picture as a canvas.
function slice(rgb, width, height, first, count) {
  const c = document.createElement("canvas");
  c.width = Math.max(count, 1);
  c.height = Math.max(height, 1);
  if (!count || !height) return c;
  const image = new ImageData(count, height), dst = image.data;
  for (let y = 0; y < height; ++y) {
    let j = (y * width + first) * 3, i = y * count * 4;
    for (let x = 0; x < count; ++x, i += 4, j += 3) {
      dst[i] = rgb[j]; dst[i + 1] = rgb[j + 1]; dst[i + 2] = rgb[j + 2]; dst[i + 3] = 255;
    }
  }
  c.getContext("2d").putImageData(image, 0, 0);
  return c;
}
