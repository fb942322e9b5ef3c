#!/usr/bin/env python3
"""Draws docs/architecture.svg: the layers of the simulator, the device
session in the middle, and the front ends that drive it. Plain SVG, no
libraries: run it again after a folder or a front end is added.

    python3 tools/diagram/architecture.py [OUT.svg]
"""
import sys
from pathlib import Path

WIDTH, HEIGHT = 960, 640
FONT = "DejaVu Sans, Verdana, sans-serif"

# (label, folder, x, y, w, h, fill): one box a layer or front end.
FRONT_ENDS = [
    ("Desktop program", "host/qt  (DeviceController)", "#dbe9f6"),
    ("Batch runner", "batch/  klx80-batch", "#dbe9f6"),
    ("Golden suite", "batch/  --suite", "#dbe9f6"),
    ("Remote control", "host/session  serial lines", "#dbe9f6"),
    ("Web page", "web/  (WebAssembly)", "#dbe9f6"),
    ("Python module", "python/  import klx80", "#dbe9f6"),
]
LAYERS = [
    # label, folder, what, fill
    ("Device session", "host/session",
     "Session: open on an image (path or bytes), every input, tick and settle, every output, close;\n"
     "key scripts, recorder, remote control, state JSON, LCD text", "#fde9c8"),
    ("Host files", "host/files",
     "image checks, safe output writer, PNG, PBM, tape pictures, label fields", "#e4f2dc"),
    ("Seam implementations", "host/seam",
     "flash (fontData.hex), clock, runtime and worker, keys, LCD mirror, tape and history, power, ADC, cartridge",
     "#e4f2dc"),
    ("The seam", "firmware/platform", "what the firmware asks of its device: the only host headers it sees", "#f3f3f3"),
    ("Firmware", "firmware/",
     "kernel, display, screens, editor, menu, print, nvm: the device's own code, no Qt, no OS", "#eadcf2"),
]


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def box(out, x, y, w, h, fill, title, sub, body=""):
    out.append(f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="8" fill="{fill}" stroke="#555"/>')
    out.append(f'<text x="{x + 12}" y="{y + 22}" font-family="{FONT}" font-size="15" font-weight="bold">{esc(title)}'
               f'<tspan font-weight="normal" font-size="12" fill="#444">   {esc(sub)}</tspan></text>')
    for i, line in enumerate(body.split("\n") if body else []):
        out.append(f'<text x="{x + 12}" y="{y + 42 + 16 * i}" font-family="{FONT}" font-size="12">{esc(line)}</text>')


def arrow(out, x1, y1, x2, y2):
    out.append(f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="#333" stroke-width="1.5" '
               'marker-end="url(#head)"/>')


def draw():
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'viewBox="0 0 {WIDTH} {HEIGHT}">',
           '<defs><marker id="head" markerWidth="10" markerHeight="8" refX="9" refY="4" orient="auto">'
           '<path d="M0,0 L10,4 L0,8 z" fill="#333"/></marker></defs>',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="white"/>',
           f'<text x="20" y="30" font-family="{FONT}" font-size="20" font-weight="bold">KLX80 simulator: layers</text>',
           f'<text x="20" y="50" font-family="{FONT}" font-size="12" fill="#444">'
           'Every front end drives the device through the session; includes only run downwards.</text>']
    margin, top = 20, 70
    gap = 10
    w = (WIDTH - 2 * margin - gap * (len(FRONT_ENDS) - 1)) / len(FRONT_ENDS)
    for i, (title, sub, fill) in enumerate(FRONT_ENDS):
        x = margin + i * (w + gap)
        out.append(f'<rect x="{x:.0f}" y="{top}" width="{w:.0f}" height="56" rx="8" fill="{fill}" stroke="#555"/>')
        out.append(f'<text x="{x + w / 2:.0f}" y="{top + 24}" text-anchor="middle" font-family="{FONT}" '
                   f'font-size="14" font-weight="bold">{esc(title)}</text>')
        out.append(f'<text x="{x + w / 2:.0f}" y="{top + 42}" text-anchor="middle" font-family="{FONT}" '
                   f'font-size="10" fill="#444">{esc(sub)}</text>')
        arrow(out, x + w / 2, top + 56, x + w / 2, top + 96)
    y = top + 100
    heights = [70, 56, 56, 46, 56]
    for (title, sub, body, fill), h in zip(LAYERS, heights):
        box(out, margin, y, WIDTH - 2 * margin, h, fill, title, sub, body)
        y += h
        if title != LAYERS[-1][0]:
            arrow(out, WIDTH / 2, y, WIDTH / 2, y + 24)
            y += 28
    out.append(f'<text x="20" y="{HEIGHT - 16}" font-family="{FONT}" font-size="11" fill="#444">'
               'The firmware calls up into the seam; the seam implementations and the firmware link as one device '
               '(klx80device). One device per process.</text>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "docs" / "architecture.svg"
    target.write_text(draw())
    print(f"wrote {target}")
