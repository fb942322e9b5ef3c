// A small PNG reader for the web tests: grey or palette at 1, 2, 4 or 8 bits,
// 8-bit RGB or RGBA, not interlaced (what libpng writes for the goldens and
// the runner, and what a canvas gives) into RGB bytes.
"use strict";
const zlib = require("zlib");

function paeth(a, b, c) {
  const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

function decodePng(buf) {
  if (buf.readUInt32BE(0) !== 0x89504e47) throw new Error("not a PNG");
  let pos = 8, width = 0, height = 0, type = 0, depth = 8, palette = null;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), name = buf.toString("latin1", pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (name === "IHDR") {
      width = data.readUInt32BE(0); height = data.readUInt32BE(4); depth = data[8]; type = data[9];
      const small = (type === 0 || type === 3) && [1, 2, 4].includes(depth);
      if ((depth !== 8 && !small) || data[12] !== 0) throw new Error("only 8-bit (or small grey and palette), non-interlaced PNGs");
    } else if (name === "PLTE") palette = data;
    else if (name === "IDAT") idat.push(data);
    pos += 12 + len;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[type];
  // Filters work on whole bytes: a pixel's, or one byte for smaller pixels.
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = Math.ceil((width * channels * depth) / 8);
  const step = Math.max(1, (channels * depth) >> 3);
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const f = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= step ? rows[y * stride + x - step] : 0, b = y ? rows[(y - 1) * stride + x] : 0;
      const c = x >= step && y ? rows[(y - 1) * stride + x - step] : 0;
      const pred = [0, a, b, (a + b) >> 1, paeth(a, b, c)][f];
      rows[y * stride + x] = (line[x] + pred) & 255;
    }
  }
  // A small sample: its bits in the row, the leftmost pixel highest.
  const sample = (y, x) => {
    const bit = x * depth;
    return (rows[y * stride + (bit >> 3)] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1);
  };
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; ++i) {
    const y = Math.floor(i / width), x = i % width, s = y * stride + x * channels;
    if (depth < 8) {
      const v = sample(y, x);
      if (type === 3) palette.copy(rgb, i * 3, v * 3, v * 3 + 3);
      else rgb.fill(Math.round((v * 255) / ((1 << depth) - 1)), i * 3, i * 3 + 3);
    } else if (type === 3) palette.copy(rgb, i * 3, rows[s] * 3, rows[s] * 3 + 3);
    else if (channels <= 2) rgb.fill(rows[s], i * 3, i * 3 + 3);
    else rows.copy(rgb, i * 3, s, s + 3);
  }
  return { width, height, rgb };
}

module.exports = { decodePng };
