#!/usr/bin/python3
"""Draws every skin image of Tarnwick.

Writes res/png/<id>.png, res/scrollbar.bmp and res/Tarnwick.ico.
  --contact-sheet  also writes build/art/contact_sheet.png for review
  --check          only verifies the files already on disk

Output is byte-for-byte reproducible: no randomness without a fixed seed,
no timestamps, and PNGs carry no ancillary chunks. The PNGs' pixel data is
deflated by zopfli (Debian's "zopfli"), which is deterministic too.
"""
import io
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib
from concurrent.futures import ThreadPoolExecutor

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)
ROOT = os.path.dirname(RES)
PNG_DIR = os.path.join(RES, "png")
BMP_PATH = os.path.join(RES, "scrollbar.bmp")
ICO_PATH = os.path.join(RES, "Tarnwick.ico")
SHEET_PATH = os.path.join(ROOT, "build", "art", "contact_sheet.png")

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
LATIN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# id -> (width, height, mode); --check and the art test hold the files to these.
TABLE = {}
for _ids, _w, _h, _m in [
    ([131], 610, 461, "RGBA"), ([132], 600, 450, "RGB"),
    (range(133, 137), 26, 34, "RGB"), (range(137, 141), 260, 69, "RGBA"),
    ([141], 410, 611, "RGBA"), ([142], 400, 600, "RGB"),
    ([143], 48, 16, "RGBA"), (range(144, 148), 26, 34, "RGB"),
    ([148], 232, 132, "RGBA"), ([149], 204, 104, "RGBA"),
    (range(150, 154), 26, 34, "RGB"), ([154], 330, 150, "RGBA"),
    ([155], 320, 140, "RGB"), (range(156, 159), 128, 24, "RGB"),
    (range(159, 162), 12, 12, "RGB"), (range(162, 165), 55, 24, "RGB"),
    (range(165, 168), 128, 24, "RGB"), (range(168, 171), 55, 24, "RGB"),
    ([171], 410, 479, "RGBA"), ([172], 400, 468, "RGBA"),
    (range(173, 177), 12, 12, "RGB"), (range(177, 181), 284, 85, "RGBA"),
    (range(181, 185), 266, 60, "RGBA"), ([185], 541, 402, "RGBA"),
    (range(186, 190), 266, 60, "RGBA"), (range(201, 203), 191, 9, "RGBA"),
    ([203], 40, 20, "RGBA"), (range(204, 208), 259, 85, "RGBA"),
    (range(208, 211), 55, 24, "RGB"), (range(211, 215), 266, 60, "RGBA"),
    (range(215, 219), 58, 18, "RGB"),
]:
    for _i in _ids:
        TABLE[_i] = (_w, _h, _m)

ICON_SIZES = (16, 32, 48)
SS = 4  # supersampling factor for antialiased shapes

# Palette of the skin.
WHITE = (255, 255, 255)
BAND_TOP = (52, 139, 250)
BAND_BOTTOM = (30, 112, 232)
BAND_H = 44
BLUE = (38, 124, 240)
BLUE_DARK = (24, 92, 204)
SLATE = (104, 120, 150)
INK = (44, 54, 70)
INK_SOFT = (92, 102, 118)
STRIP = (234, 235, 238)
NAVY = (16, 38, 92)


# ---------------------------------------------------------------- helpers

_fonts = {}


def font(size, cjk=True, bold=False):
    path = CJK_FONT if cjk else (LATIN_BOLD if bold else LATIN_FONT)
    key = (path, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(path, size, index=0) if cjk else ImageFont.truetype(path, size)
    return _fonts[key]


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def shade(c, f):
    """f < 1 darkens, f > 1 lightens towards white."""
    if f <= 1:
        return tuple(int(round(v * f)) for v in c)
    return lerp(c, WHITE, f - 1)


def grey_of(c):
    g = int(round(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]))
    return (g, g, g)


def vgrad(w, h, top, bottom, y0=0, y1=None):
    """Vertical gradient; y0..y1 is the ramp, clamped outside it."""
    y1 = h - 1 if y1 is None else y1
    img = Image.new("RGBA", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = 0 if y1 == y0 else min(1, max(0, (y - y0) / (y1 - y0)))
        d.line([(0, y), (w - 1, y)], fill=lerp(top, bottom, t) + (255,))
    return img


def alpha_vgrad(w, h, color, a0, a1, y0, y1):
    """One colour whose alpha ramps from a0 at y0 to a1 at y1."""
    m = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(m)
    for y in range(h):
        t = min(1, max(0, (y - y0) / max(1e-6, y1 - y0)))
        d.line([(0, y), (w - 1, y)], fill=int(round(a0 + (a1 - a0) * t)))
    img = Image.new("RGBA", (w, h), color + (0,))
    img.putalpha(m)
    return img


def hgrad(w, h, left, right):
    img = Image.new("RGBA", (w, h))
    d = ImageDraw.Draw(img)
    for x in range(w):
        t = x / max(1, w - 1)
        d.line([(x, 0), (x, h - 1)], fill=lerp(left, right, t) + (255,))
    return img


def mask_ss(w, h, draw_fn, ss=SS):
    """Antialiased L mask: draw_fn(draw, s) draws at s-times scale in 255."""
    m = Image.new("L", (w * ss, h * ss), 0)
    draw_fn(ImageDraw.Draw(m), ss)
    return m.resize((w, h), Image.BOX)


def fill_mask(img, mask, fill):
    """Composite a colour (or same-sized RGBA image) through an L mask."""
    if isinstance(fill, tuple):
        layer = Image.new("RGBA", img.size, fill[:3] + (0,))
        a = mask if len(fill) == 3 else mask.point(lambda v, k=fill[3]: v * k // 255)
        layer.putalpha(a)
    else:
        layer = fill.copy()
        la = layer.getchannel("A")
        layer.putalpha(ImageChops.multiply(la, mask))
    img.alpha_composite(layer)


def rrect_mask(w, h, box, r, ss=SS):
    x0, y0, x1, y1 = box
    return mask_ss(w, h, lambda d, s: d.rounded_rectangle(
        [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], radius=r * s, fill=255), ss)


def text_mask(size, xy, text, fnt, anchor="la", stroke=0, spacing=0, ss=1):
    """Text coverage as an L mask; ss > 1 renders large and shrinks (for
    heavier captions), spacing adds pixels between characters."""
    w, h = size
    m = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(m)
    f = fnt if ss == 1 else ImageFont.truetype(fnt.path, fnt.size * ss, index=getattr(fnt, "index", 0))
    x, y = xy[0] * ss, xy[1] * ss
    if spacing:
        widths = [d.textlength(ch, font=f) for ch in text]
        total = sum(widths) + spacing * ss * (len(text) - 1)
        if anchor[0] == "m":
            x -= total / 2
        elif anchor[0] == "r":
            x -= total
        a = "l" + anchor[1]
        for ch, cw in zip(text, widths):
            d.text((x, y), ch, font=f, fill=255, anchor=a, stroke_width=stroke, stroke_fill=255)
            x += cw + spacing * ss
    else:
        d.text((x, y), text, font=f, fill=255, anchor=anchor, stroke_width=stroke, stroke_fill=255)
    return m if ss == 1 else m.resize((w, h), Image.BOX)


def draw_text(img, xy, text, fnt, fill, anchor="la", stroke=0, spacing=0, ss=1):
    fill_mask(img, text_mask(img.size, xy, text, fnt, anchor, stroke, spacing, ss), fill)


def text_width(text, fnt):
    return ImageDraw.Draw(Image.new("L", (1, 1))).textlength(text, font=fnt)


def shadow_layer(w, h, box, r, blur, alpha, color=(10, 24, 52)):
    x0, y0, x1, y1 = box
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).rounded_rectangle([x0, y0, x1 - 1, y1 - 1], radius=r, fill=alpha)
    m = m.filter(ImageFilter.GaussianBlur(blur))
    layer = Image.new("RGBA", (w, h), color + (0,))
    layer.putalpha(m)
    return layer


def shell(panel, l, t, r, b, blur, alpha, dy=1):
    """A panel picture inside a soft translucent shadow of the given margins."""
    pw, ph = panel.size
    w, h = pw + l + r, ph + t + b
    out = shadow_layer(w, h, (l, t + dy, l + pw, t + ph + dy), 2, blur, alpha)
    out.paste(panel.convert("RGBA"), (l, t))
    return out


def band_color(y):
    return lerp(BAND_TOP, BAND_BOTTOM, min(1, max(0, y / (BAND_H - 1))))


def band(w, h):
    img = Image.new("RGBA", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w - 1, y)], fill=band_color(y) + (255,))
    return img


# ---------------------------------------------------------------- printer

def printer_art(size, detailed=True, body=(56, 138, 246), body_dark=(28, 98, 220), edge=(170, 184, 206)):
    """A printer in a size x size RGBA picture (design grid of 100 units)."""
    s = size / 100.0
    ss = SS if size >= 24 else 8
    big = size * ss
    k = s * ss
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    def R(x0, y0, x1, y1):
        return [x0 * k, y0 * k, x1 * k - 1, y1 * k - 1]

    line = max(1, int(round(2.2 * k))) if size >= 24 else max(1, int(round(3 * k)))
    paper_edge = edge + (255,)
    # Sheet waiting in the feeder.
    d.rounded_rectangle(R(26, 6, 74, 44), radius=3 * k, fill=paper_edge)
    d.rounded_rectangle([26 * k + line, 6 * k + line, 74 * k - 1 - line, 44 * k], radius=2 * k,
                        fill=(255, 255, 255, 255))
    if detailed:
        for y in (16, 23, 30):
            d.rounded_rectangle(R(34, y, 66 if y != 30 else 56, y + 3), radius=1.5 * k,
                                fill=(196, 214, 240, 255))
    # Body, top lighter than the bottom.
    d.rounded_rectangle(R(6, 34, 94, 76), radius=11 * k, fill=body_dark + (255,))
    d.rounded_rectangle(R(6, 34, 94, 66), radius=11 * k, fill=body + (255,))
    d.rectangle(R(6, 50, 94, 62), fill=body + (255,))
    # Output slot.
    d.rounded_rectangle(R(18, 60, 82, 68), radius=3 * k, fill=(18, 52, 130, 255))
    # Status light.
    d.ellipse(R(78, 42, 86, 50), fill=(92, 230, 150, 255))
    if detailed:
        d.rounded_rectangle(R(14, 41, 40, 45), radius=2 * k, fill=shade(body, 1.35) + (255,))
    # Printed sheet coming out.
    d.rounded_rectangle(R(26, 62, 74, 96), radius=3 * k, fill=paper_edge)
    d.rounded_rectangle([26 * k + line, 62 * k, 74 * k - 1 - line, 96 * k - 1 - line], radius=2 * k,
                        fill=(255, 255, 255, 255))
    d.rectangle(R(22, 62, 78, 66), fill=(18, 52, 130, 255))
    if detailed:
        for y, x1 in ((72, 66), (79, 66), (86, 58)):
            d.rounded_rectangle(R(34, y, x1, y + 3), radius=1.5 * k, fill=(196, 214, 240, 255))
    return img.resize((size, size), Image.LANCZOS if size >= 24 else Image.BOX)


def check_badge(size, color=(36, 196, 120)):
    ss = SS
    img = Image.new("RGBA", (size * ss, size * ss), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    n = size * ss
    d.ellipse([0, 0, n - 1, n - 1], fill=(255, 255, 255, 255))
    p = int(n * 0.09)
    d.ellipse([p, p, n - 1 - p, n - 1 - p], fill=color + (255,))
    w = max(2, int(n * 0.11))
    d.line([(n * 0.29, n * 0.52), (n * 0.44, n * 0.67), (n * 0.72, n * 0.36)], fill=(255, 255, 255, 255),
           width=w, joint="curve")
    for x, y in ((n * 0.29, n * 0.52), (n * 0.72, n * 0.36)):
        d.ellipse([x - w / 2, y - w / 2, x + w / 2, y + w / 2], fill=(255, 255, 255, 255))
    return img.resize((size, size), Image.BOX)


# ---------------------------------------------------------------- glyphs

def glyph_x(size, box, color, width):
    x0, y0, x1, y1 = box
    return mask_ss(size[0], size[1], lambda d, s: (
        d.line([(x0 * s, y0 * s), (x1 * s, y1 * s)], fill=255, width=int(width * s)),
        d.line([(x0 * s, y1 * s), (x1 * s, y0 * s)], fill=255, width=int(width * s))))


def title_button(kind, state, crop):
    """26x34 glyph over the title band (crop is the band behind it)."""
    img = crop.convert("RGBA")
    w, h = img.size
    cx, cy = 13, 18
    if state == "pressed":
        fill_mask(img, Image.new("L", (w, h), 255), (0, 30, 90, 70))
    elif state == "hover":
        fill_mask(img, Image.new("L", (w, h), 255), (255, 255, 255, 46))
    col = (255, 255, 255) if state != "disabled" else (150, 186, 236)
    if kind == "close":
        m = glyph_x((w, h), (cx - 5, cy - 5, cx + 5, cy + 5), col, 1.6)
    elif kind == "min":
        m = mask_ss(w, h, lambda d, s: d.rectangle([(cx - 6) * s, (cy - 0.8) * s, (cx + 6) * s, (cy + 0.8) * s],
                                                     fill=255))
    else:  # menu: three bars
        m = mask_ss(w, h, lambda d, s: [d.rounded_rectangle(
            [(cx - 6) * s, (cy + dy - 0.8) * s, (cx + 6) * s, (cy + dy + 0.8) * s], radius=0.8 * s, fill=255)
            for dy in (-4, 0, 4)])
    fill_mask(img, m, col)
    return img.convert("RGB")


# ---------------------------------------------------------------- buttons

STATES = ("normal", "pressed", "hover", "disabled")


def state_colors(base, state):
    top, bottom = shade(base, 1.16), shade(base, 0.9)
    if state == "pressed":
        top, bottom = shade(base, 0.84), shade(base, 0.76)
    elif state == "hover":
        top, bottom = shade(base, 1.3), shade(base, 1.06)
    elif state == "disabled":
        top, bottom = (204, 210, 219), (186, 193, 204)
    return top, bottom


def big_button(w, h, caption, base, state, fnt_size, radius=None, margin=(6, 5, 6, 12), shadow=True,
               spacing=3, icon=None, ghost=False):
    """Rounded caption button with alpha outside its shape."""
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ml, mt, mr, mb = margin
    dy = 1 if state == "pressed" else 0
    box = (ml, mt + dy, w - mr, h - mb + dy)
    bh = box[3] - box[1]
    r = bh // 2 if radius is None else radius
    top, bottom = state_colors(base, state)
    if shadow:
        sh_alpha = {"normal": 120, "hover": 140, "pressed": 70, "disabled": 40}[state]
        sh_col = shade(base, 0.55) if state != "disabled" else (90, 96, 110)
        off = 2 if state == "pressed" else 5
        img.alpha_composite(shadow_layer(w, h, (box[0] + 6, box[1] + off, box[2] - 6, box[3] + off - 1), r,
                                         4 if state != "pressed" else 2.5, sh_alpha, sh_col))
    m = rrect_mask(w, h, box, r)
    if ghost:
        fill_mask(img, m, shade(base, 0.5) + ({"normal": 110, "pressed": 160, "hover": 80, "disabled": 90}[state],))
        inner = rrect_mask(w, h, (box[0] + 2, box[1] + 2, box[2] - 2, box[3] - 2), max(1, r - 2))
        ring = ImageChops.subtract(m, inner)
        ring_col = {"normal": base, "pressed": shade(base, 0.8), "hover": shade(base, 1.25),
                    "disabled": (150, 160, 176)}[state]
        fill_mask(img, ring, ring_col)
    else:
        fill_mask(img, m, vgrad(w, h, top, bottom, box[1], box[3]))
        # Gloss on the upper half and a thin light rim at the top edge.
        if state != "disabled":
            a0 = 70 if state != "pressed" else 26
            fill_mask(img, m, alpha_vgrad(w, h, WHITE, a0, 0, box[1], box[1] + bh * 0.62))
        rim = ImageChops.subtract(m, rrect_mask(w, h, (box[0], box[1] + 1.2, box[2], box[3]), r))
        fill_mask(img, rim, (255, 255, 255, 90 if state != "disabled" else 60))
    tc = (255, 255, 255) if state != "disabled" else (246, 248, 251)
    cx = (box[0] + box[2]) / 2
    cy = (box[1] + box[3]) / 2
    f = font(fnt_size)
    if icon:
        tw = text_width(caption, f) + spacing * (len(caption) - 1)
        isz = int(fnt_size * 1.05)
        gap = 8
        total = isz + gap + tw
        x_icon = cx - total / 2
        ic = icon(isz, tc)
        img.alpha_composite(ic, (int(round(x_icon)), int(round(cy - isz / 2))))
        cx = x_icon + isz + gap + tw / 2
    draw_text(img, (cx, cy), caption, f, tc, anchor="mm", stroke=1 if fnt_size >= 16 else 0,
              spacing=spacing, ss=SS)
    return img


def icon_check(size, color):
    n = size * SS
    m = Image.new("L", (n, n), 0)
    d = ImageDraw.Draw(m)
    d.ellipse([0, 0, n - 1, n - 1], fill=255)
    w = max(2, int(n * 0.12))
    d.line([(n * 0.27, n * 0.52), (n * 0.44, n * 0.68), (n * 0.74, n * 0.35)], fill=0, width=w, joint="curve")
    m = m.resize((size, size), Image.BOX)
    img = Image.new("RGBA", (size, size), color + (0,))
    img.putalpha(m)
    return img


def icon_chat(size, color):
    n = size * SS
    m = Image.new("L", (n, n), 0)
    d = ImageDraw.Draw(m)
    d.rounded_rectangle([0, n * 0.05, n - 1, n * 0.76], radius=n * 0.2, fill=255)
    d.polygon([(n * 0.22, n * 0.7), (n * 0.22, n * 0.98), (n * 0.5, n * 0.72)], fill=255)
    for x in (0.28, 0.5, 0.72):
        d.ellipse([n * x - n * 0.07, n * 0.4 - n * 0.07, n * x + n * 0.07, n * 0.4 + n * 0.07], fill=0)
    m = m.resize((size, size), Image.BOX)
    img = Image.new("RGBA", (size, size), color + (0,))
    img.putalpha(m)
    return img


def icon_bulb(size, color):
    n = size * SS
    m = Image.new("L", (n, n), 0)
    d = ImageDraw.Draw(m)
    d.ellipse([n * 0.14, 0, n * 0.86, n * 0.72], fill=255)
    d.rectangle([n * 0.34, n * 0.6, n * 0.66, n * 0.8], fill=255)
    d.rounded_rectangle([n * 0.36, n * 0.84, n * 0.64, n * 0.98], radius=n * 0.05, fill=255)
    d.line([(n * 0.5, n * 0.36), (n * 0.5, n * 0.62)], fill=0, width=max(1, int(n * 0.07)))
    m = m.resize((size, size), Image.BOX)
    img = Image.new("RGBA", (size, size), color + (0,))
    img.putalpha(m)
    return img


def icon_info(size, color):
    n = size * SS
    m = Image.new("L", (n, n), 0)
    d = ImageDraw.Draw(m)
    d.ellipse([0, 0, n - 1, n - 1], fill=255)
    w = n * 0.14
    d.rounded_rectangle([n / 2 - w / 2, n * 0.42, n / 2 + w / 2, n * 0.78], radius=w / 2, fill=0)
    d.ellipse([n / 2 - w * 0.6, n * 0.2, n / 2 + w * 0.6, n * 0.2 + w * 1.2], fill=0)
    m = m.resize((size, size), Image.BOX)
    img = Image.new("RGBA", (size, size), color + (0,))
    img.putalpha(m)
    return img


def icon_wrench(size, color):
    """Spanner for the repair caption."""
    n = size * SS
    m = Image.new("L", (n, n), 0)
    d = ImageDraw.Draw(m)
    # Handle along the diagonal.
    w = n * 0.2
    d.line([(n * 0.2, n * 0.8), (n * 0.62, n * 0.38)], fill=255, width=int(w))
    d.ellipse([n * 0.1, n * 0.7, n * 0.3, n * 0.9], fill=255)
    # Open ring head.
    d.ellipse([n * 0.46, n * 0.02, n * 0.98, n * 0.54], fill=255)
    d.polygon([(n * 0.98, n * 0.02), (n * 0.66, n * 0.34), (n * 0.72, n * 0.02)], fill=0)
    d.polygon([(n * 0.98, n * 0.02), (n * 0.66, n * 0.34), (n * 0.98, n * 0.28)], fill=0)
    d.ellipse([n * 0.58, n * 0.14, n * 0.86, n * 0.42], fill=0)
    m = m.resize((size, size), Image.BOX)
    img = Image.new("RGBA", (size, size), color + (0,))
    img.putalpha(m)
    return img


def flat_button(w, h, caption, base, bg_crop, pressed=False, fnt_size=12, radius=4):
    """Small RGB caption button on an opaque background."""
    img = bg_crop.convert("RGBA")
    m = rrect_mask(w, h, (0, 0, w, h), radius)
    fill_mask(img, m, vgrad(w, h, shade(base, 1.08), shade(base, 0.94)))
    if not pressed:
        fill_mask(img, rrect_mask(w, h, (1, 1, w - 1, h // 2), radius - 1), (255, 255, 255, 22))
    draw_text(img, (w / 2, h / 2 + (1 if pressed else 0)), caption, font(fnt_size), (255, 255, 255), anchor="mm")
    return img.convert("RGB")


# ---------------------------------------------------------------- main window

def panel_142():
    w, h = 400, 600
    img = Image.new("RGBA", (w, h), WHITE + (255,))
    img.alpha_composite(band(w, BAND_H), (0, 0))
    # Illustration backdrop: pale blue that fades to white above the button.
    img.alpha_composite(vgrad(w, 170, (229, 240, 255), (255, 255, 255), 0, 165), (0, BAND_H))
    deco = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    dd = ImageDraw.Draw(deco)
    for cx, cy, r, a in ((58, 86, 46, 40), (352, 150, 60, 34), (318, 70, 18, 46), (92, 176, 12, 50)):
        dd.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(190, 216, 252, a))
    for x, y in ((120, 66), (286, 112), (74, 134), (332, 92)):
        dd.line([(x - 4, y), (x + 4, y)], fill=(150, 190, 250, 150), width=2)
        dd.line([(x, y - 4), (x, y + 4)], fill=(150, 190, 250, 150), width=2)
    img.alpha_composite(deco.filter(ImageFilter.GaussianBlur(0.6)))
    # Ground shadow, printer and the "fixed" badge.
    img.alpha_composite(shadow_layer(w, h, (142, 192, 258, 202), 5, 5, 70, (60, 100, 170)))
    pr = printer_art(152)
    img.alpha_composite(pr, (124, 52))
    img.alpha_composite(shadow_layer(w, h, (256, 158, 292, 194), 18, 3, 60, (20, 80, 60)))
    img.alpha_composite(check_badge(38), (254, 154))
    # Title: small white printer and the tool's name, clear of the version label.
    img.alpha_composite(printer_art(22, detailed=False, body=(255, 255, 255), body_dark=(214, 230, 252)), (12, 10))
    draw_text(img, (39, 21), "打印机无响应修复工具", font(14), WHITE, anchor="lm")
    # What the tool is for.
    x = 50
    draw_text(img, (x, 328), "适用于以下问题：", font(14), INK, anchor="lm", stroke=0)
    items = ["打印机无响应，点击打印没有反应", "打印任务卡住，一直显示“正在打印”",
             "打印队列中的任务无法删除", "打印后台处理程序服务异常"]
    for i, t in enumerate(items):
        y = 356 + i * 26
        img.alpha_composite(icon_check(14, (46, 132, 246)), (x, y - 7))
        draw_text(img, (x + 22, y), t, font(13), INK_SOFT, anchor="lm")
    # Tip box.
    tip = (x, 466, 350, 522)
    fill_mask(img, rrect_mask(w, h, tip, 6), (205, 224, 252))
    fill_mask(img, rrect_mask(w, h, (tip[0] + 1, tip[1] + 1, tip[2] - 1, tip[3] - 1), 5), (241, 247, 255))
    img.alpha_composite(icon_info(16, (255, 160, 40)), (tip[0] + 12, tip[1] + 10))
    draw_text(img, (tip[0] + 36, tip[1] + 18), "修复会清空当前的打印队列，", font(12), (66, 96, 146), anchor="lm")
    draw_text(img, (tip[0] + 36, tip[1] + 38), "请先保存好正在打印的文档。", font(12), (66, 96, 146), anchor="lm")
    # Hairline above the agreement strip.
    ImageDraw.Draw(img).line([(0, 566), (w - 1, 566)], fill=(232, 236, 242, 255))
    return img.convert("RGB")


def check_cells():
    img = Image.new("RGBA", (48, 16), (0, 0, 0, 0))
    # Empty box.
    fill_mask(img, rrect_mask(48, 16, (1, 1, 15, 15), 3), (150, 162, 182))
    fill_mask(img, rrect_mask(48, 16, (2, 2, 14, 14), 2), WHITE)
    # Ticked.
    fill_mask(img, rrect_mask(48, 16, (17, 1, 31, 15), 3), BLUE)
    tick = mask_ss(48, 16, lambda d, s: d.line([(20 * s, 8.2 * s), (23 * s, 11.2 * s), (28.2 * s, 5 * s)],
                                               fill=255, width=int(1.9 * s), joint="curve"))
    fill_mask(img, tick, WHITE)
    # Indeterminate: outlined box with a filled square.
    fill_mask(img, rrect_mask(48, 16, (33, 1, 47, 15), 3), BLUE)
    fill_mask(img, rrect_mask(48, 16, (34, 2, 46, 14), 2), WHITE)
    fill_mask(img, rrect_mask(48, 16, (36, 4, 44, 12), 1.5), BLUE)
    return img


def link_button(state, bg):
    img = bg.convert("RGBA")
    col = {"normal": (38, 120, 232), "pressed": (20, 82, 184), "hover": (70, 150, 255),
           "disabled": (170, 176, 188)}[state]
    f = font(12)
    draw_text(img, (1, 9), "更多工具", f, col, anchor="lm")
    tw = text_width("更多工具", f)
    chev = mask_ss(58, 18, lambda d, s: d.line([((tw + 4) * s, 6 * s), ((tw + 7.5) * s, 9.5 * s),
                                                ((tw + 4) * s, 13 * s)], fill=255, width=int(1.3 * s)))
    fill_mask(img, chev, col)
    if state == "hover":
        ImageDraw.Draw(img).line([(1, 16), (int(tw) + 1, 16)], fill=col + (255,))
    return img.convert("RGB")


# ---------------------------------------------------------------- prompt

def panel_155(w=320, h=140, caption="提示"):
    img = Image.new("RGBA", (w, h), WHITE + (255,))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 25], fill=STRIP + (255,))
    d.line([(0, 26), (w - 1, 26)], fill=(224, 226, 231, 255))
    fill_mask(img, rrect_mask(w, h, (10, 7, 13, 19), 1.5), BLUE)
    draw_text(img, (19, 13), caption, font(13), (56, 62, 74), anchor="lm")
    return img.convert("RGB")


def small_close(state_fg, bg, plate=None):
    img = Image.new("RGBA", (12, 12), bg + (255,))
    if plate:
        fill_mask(img, rrect_mask(12, 12, (0, 0, 12, 12), 2.5), plate)
    fill_mask(img, glyph_x((12, 12), (3, 3, 9, 9), state_fg, 1.4), state_fg)
    return img.convert("RGB")


# ---------------------------------------------------------------- execute prompt

def panel_149():
    w, h = 204, 104
    img = vgrad(w, h, (50, 136, 246), (22, 86, 204))
    # Glass: a soft sheen on the caption row only, so the status line and the
    # bar sit on a quiet gradient.
    fill_mask(img, Image.new("L", (w, h), 255), alpha_vgrad(w, h, WHITE, 46, 0, 0, 38))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, h - 1], outline=(112, 176, 255, 255))
    d.line([(1, 1), (w - 2, 1)], fill=(150, 200, 255, 255))
    ic = icon_wrench(14, (255, 255, 255))
    img.alpha_composite(ic, (12, 10))
    draw_text(img, (32, 17), "正在修复", font(13), WHITE, anchor="lm")
    return img


def progress_bar(fill=False):
    w, h = 191, 9
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    m = rrect_mask(w, h, (0, 0, w, h), 4.5)
    if fill:
        fill_mask(img, m, hgrad(w, h, (0, 214, 255), (64, 238, 255)))
        fill_mask(img, rrect_mask(w, h, (2, 1, w - 2, 4), 1.5), (255, 255, 255, 110))
    else:
        fill_mask(img, m, (8, 36, 96, 235))
        fill_mask(img, rrect_mask(w, h, (1, 1, w - 1, 3), 1), (0, 10, 40, 60))
    return img


# ---------------------------------------------------------------- feedback

def panel_172():
    w, h = 400, 468
    rnd = random.Random(172)
    cols, rows = 9, 11
    pts = []
    for j in range(rows + 1):
        row = []
        for i in range(cols + 1):
            x = i * w / cols
            y = j * h / rows
            if 0 < i < cols:
                x += rnd.uniform(-0.32, 0.32) * w / cols
            if 0 < j < rows:
                y += rnd.uniform(-0.32, 0.32) * h / rows
            row.append((x, y))
        pts.append(row)
    big = Image.new("RGBA", (w * 2, h * 2), (0, 0, 0, 255))
    d = ImageDraw.Draw(big)
    top_left, bottom_right = (30, 70, 150), (10, 28, 78)
    for j in range(rows):
        for i in range(cols):
            a, b, c, e = pts[j][i], pts[j][i + 1], pts[j + 1][i + 1], pts[j + 1][i]
            tris = [(a, b, c), (a, c, e)] if rnd.random() < 0.5 else [(a, b, e), (b, c, e)]
            for tri in tris:
                cx = sum(p[0] for p in tri) / 3
                cy = sum(p[1] for p in tri) / 3
                t = min(1, max(0, (cx / w) * 0.45 + (cy / h) * 0.75))
                col = lerp(top_left, bottom_right, t)
                # Facets catch more light towards the top.
                col = shade(col, 1 + rnd.uniform(-0.08, 0.1) * (1.3 - cy / h))
                d.polygon([(p[0] * 2, p[1] * 2) for p in tri], fill=col + (255,))
    img = big.resize((w, h), Image.BOX)
    # Soft glow behind the question.
    glow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(glow).ellipse([40, 10, 360, 150], fill=(70, 140, 255, 60))
    img.alpha_composite(glow.filter(ImageFilter.GaussianBlur(30)))
    # Quiet corner for the close glyph.
    flat = Image.new("L", (w, h), 0)
    ImageDraw.Draw(flat).rounded_rectangle([366, -10, w + 10, 30], radius=10, fill=255)
    fill_mask(img, flat.filter(ImageFilter.GaussianBlur(3)), img.getpixel((388, 12))[:3])
    # Small header, the question and a subline.
    img.alpha_composite(printer_art(16, detailed=False, body=(200, 220, 255), body_dark=(150, 180, 230)), (14, 9))
    draw_text(img, (36, 17), "打印机无响应修复工具", font(12), (190, 208, 240), anchor="lm")
    draw_text(img, (w / 2, 76), "本工具是否解决了您的问题？", font(22), WHITE, anchor="mm", stroke=1, ss=SS)
    draw_text(img, (w / 2, 112), "您的反馈将帮助我们做得更好", font(13), (178, 202, 240), anchor="mm")
    # Lighter band at the bottom.
    fill_mask(img, _band_mask(w, h, 430), (90, 150, 240, 70))
    ImageDraw.Draw(img).line([(0, 430), (w - 1, 430)], fill=(110, 165, 245, 255))
    draw_text(img, (w / 2, 449), "感谢您的使用，我们会持续改进", font(12), (214, 228, 250), anchor="mm")
    return img


def _band_mask(w, h, y0):
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).rectangle([0, y0, w - 1, h - 1], fill=255)
    return m


# ---------------------------------------------------------------- spare set

def panel_132():
    """Larger panel (about box layout) kept with the set."""
    w, h = 600, 450
    img = Image.new("RGBA", (w, h), WHITE + (255,))
    img.alpha_composite(band(w, BAND_H), (0, 0))
    img.alpha_composite(printer_art(22, detailed=False, body=(255, 255, 255), body_dark=(214, 230, 252)), (12, 10))
    draw_text(img, (40, 21), "关于 打印机无响应修复工具", font(15), WHITE, anchor="lm")
    img.alpha_composite(vgrad(w, 160, (233, 243, 255), (255, 255, 255), 0, 150), (0, BAND_H))
    img.alpha_composite(shadow_layer(w, h, (86, 184, 190, 194), 5, 5, 60, (60, 100, 170)))
    img.alpha_composite(printer_art(128), (74, 70))
    draw_text(img, (250, 96), "打印机无响应修复工具", font(22), INK, anchor="lm", stroke=1, ss=SS)
    draw_text(img, (250, 130), "版本 1.0.1", font(13), INK_SOFT, anchor="lm")
    draw_text(img, (250, 156), "一键重置打印后台处理服务，清理卡住的打印任务。", font(13), INK_SOFT, anchor="lm")
    lines = ["停止打印后台处理程序", "清除打印队列中的残留任务", "重新设置服务为自动启动", "重新启动服务并检查状态"]
    for i, t in enumerate(lines):
        y = 250 + i * 30
        fill_mask(img, rrect_mask(w, h, (74, y - 10, 94, y + 10), 10), (230, 240, 255))
        draw_text(img, (84, y), str(i + 1), font(12), BLUE, anchor="mm")
        draw_text(img, (106, y), t, font(13), INK_SOFT, anchor="lm")
    ImageDraw.Draw(img).line([(0, 410), (w - 1, 410)], fill=(232, 236, 242, 255))
    draw_text(img, (w / 2, 430), "Copyright © Tarnwick", font(11, cjk=False), (150, 158, 170), anchor="mm")
    return img.convert("RGB")


def badge_203():
    img = Image.new("RGBA", (40, 20), (0, 0, 0, 0))
    m = rrect_mask(40, 20, (1, 2, 39, 18), 8)
    fill_mask(img, m, vgrad(40, 20, (255, 120, 84), (238, 72, 60), 2, 18))
    draw_text(img, (20, 10), "NEW", font(10, cjk=False, bold=True), WHITE, anchor="mm")
    return img


# ---------------------------------------------------------------- scroll bar

def scrollbar_bmp():
    cell = 13
    img = Image.new("RGB", (cell * 9, cell * 3), WHITE)
    track = {0: (244, 246, 249), 1: (238, 242, 248), 2: (232, 238, 247)}
    arrow_bg = {0: (244, 246, 249), 1: (226, 234, 246), 2: (204, 220, 244)}
    arrow_fg = {0: (150, 160, 176), 1: (60, 130, 230), 2: (24, 92, 204)}
    thumb = {0: (196, 204, 216), 1: (150, 164, 186), 2: (74, 140, 236)}

    def cell_img(fn):
        big = Image.new("RGB", (cell * SS, cell * SS))
        fn(ImageDraw.Draw(big), SS)
        return big.resize((cell, cell), Image.BOX)

    def arrow(direction, row):
        def fn(d, s):
            d.rectangle([0, 0, cell * s, cell * s], fill=arrow_bg[row])
            c = cell * s / 2
            a = 3.2 * s
            pts = {"up": [(c - a, c + a / 2), (c, c - a / 2), (c + a, c + a / 2)],
                   "down": [(c - a, c - a / 2), (c, c + a / 2), (c + a, c - a / 2)],
                   "left": [(c + a / 2, c - a), (c - a / 2, c), (c + a / 2, c + a)],
                   "right": [(c - a / 2, c - a), (c + a / 2, c), (c - a / 2, c + a)]}[direction]
            d.line(pts, fill=arrow_fg[row], width=int(1.6 * s), joint="curve")
        return cell_img(fn)

    def thumb_cell(vertical, row):
        # Rounded ends live inside the 3-pixel caps; the middle is uniform so
        # it tiles without seams.
        def fn(d, s):
            d.rectangle([0, 0, cell * s, cell * s], fill=track[0])
            if vertical:
                d.rounded_rectangle([3 * s, 0, 10 * s - 1, cell * s - 1], radius=3 * s, fill=thumb[row])
            else:
                d.rounded_rectangle([0, 3 * s, cell * s - 1, 10 * s - 1], radius=3 * s, fill=thumb[row])
        return cell_img(fn)

    def track_cell(row):
        return Image.new("RGB", (cell, cell), track[row])

    def corner(row):
        def fn(d, s):
            d.rectangle([0, 0, cell * s, cell * s], fill=track[0])
            for i, j in ((9, 9), (6, 9), (9, 6), (3, 9), (6, 6), (9, 3)):
                x, y = (i if row == 0 else cell - i), j
                d.ellipse([(x - 0.9) * s, (y - 0.9) * s, (x + 0.9) * s, (y + 0.9) * s], fill=(184, 192, 206))
        return cell_img(fn)

    for row in range(3):
        cells = [arrow("up", row), arrow("down", row), thumb_cell(True, row), track_cell(row),
                 arrow("left", row), arrow("right", row), thumb_cell(False, row), track_cell(row), corner(row)]
        for col, c in enumerate(cells):
            img.paste(c, (col * cell, row * cell))
    colors = sorted(set(img.getdata()))
    if len(colors) <= 256:
        pal = Image.new("P", (1, 1))
        flat = [v for c in colors for v in c] + [0] * (3 * (256 - len(colors)))
        pal.putpalette(flat)
        index = {c: i for i, c in enumerate(colors)}
        out = Image.new("P", img.size)
        out.putpalette(flat)
        out.putdata([index[p] for p in img.getdata()])
        return out
    return img.quantize(256, method=Image.MEDIANCUT, dither=Image.NONE)


# ---------------------------------------------------------------- icon

def icon_images():
    out = []
    for n in ICON_SIZES:
        # The 16 px icon needs a darker paper outline to read on light bars.
        img = printer_art(n, detailed=n >= 32, edge=(170, 184, 206) if n >= 32 else (112, 128, 156))
        out.append(img)
    return out


def write_ico(path, images):
    """32-bit DIB entries (with AND mask): every Windows and Wine reads them."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for img in images:
        w, h = img.size
        px = img.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        bih = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = bih + bytes(xor) + bytes(mask)
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(header + entries + blobs)


# ---------------------------------------------------------------- assembly

def build_all():
    imgs = {}
    p142 = panel_142()
    imgs[142] = p142
    imgs[141] = shell(p142, 5, 4, 5, 7, 2.6, 150, dy=1)
    imgs[143] = check_cells()
    close_bg = p142.crop((374, 0, 400, 34))
    min_bg = p142.crop((348, 0, 374, 34))
    for i, st in enumerate(STATES):
        imgs[144 + i] = title_button("close", st, close_bg)
        imgs[150 + i] = title_button("min", st, min_bg)
        imgs[133 + i] = title_button("menu", st, min_bg)
    # Start button: designed at the 259 px it is shown at, widened to the
    # 284 px resource so the squeeze on screen restores its proportions.
    for i, st in enumerate(STATES):
        b = big_button(259, 85, "一键修复", BLUE, st, 28, margin=(8, 6, 8, 14), spacing=4, icon=icon_wrench)
        imgs[204 + i] = b
        imgs[177 + i] = b.resize((284, 85), Image.LANCZOS)
        imgs[137 + i] = big_button(260, 69, "重新检测", (30, 170, 120), st, 20, margin=(8, 5, 8, 12),
                                   spacing=3)
    link_bg = p142.crop((50, 540, 108, 558))
    for i, st in enumerate(STATES):
        imgs[215 + i] = link_button(st, link_bg)

    # Prompt.
    p155 = panel_155()
    imgs[155] = p155
    imgs[154] = shell(p155, 5, 3, 5, 7, 2.4, 140, dy=1)
    imgs[159] = small_close((128, 134, 146), STRIP)
    imgs[160] = small_close(WHITE, STRIP, plate=(150, 158, 172))
    imgs[161] = small_close((72, 78, 90), STRIP, plate=(222, 224, 230))
    white = Image.new("RGB", (128, 24), WHITE)
    # First image blue, second dark blue, third slate: the mode table uses
    # the second for hover and the third for pressed or disabled.
    tones = [(BLUE, False), (BLUE_DARK, False), (SLATE, True)]
    for base_id, cap, w in ((162, "否", 55), (168, "是", 55), (208, "确认", 55),
                            (165, "确认已备份，继续", 128), (156, "返回备份书签资料", 128)):
        for k, (col, pressed) in enumerate(tones):
            imgs[base_id + k] = flat_button(w, 24, cap, col, white.crop((0, 0, w, 24)), pressed)

    # Execute prompt.
    p149 = panel_149()
    imgs[149] = p149
    imgs[148] = shell(p149, 14, 12, 14, 16, 5, 150, dy=2)
    imgs[201] = progress_bar(False)
    imgs[202] = progress_bar(True)

    # Feedback.
    p172 = panel_172()
    imgs[172] = p172
    imgs[171] = shell(p172, 5, 4, 5, 7, 2.6, 160, dy=1)
    cbg = p172.crop((382, 6, 394, 18)).convert("RGB")
    for i, (fg, plate) in enumerate((((170, 190, 226), None), ((120, 140, 180), (8, 22, 60, 120)),
                                     (WHITE, (255, 255, 255, 40)), ((80, 98, 136), None))):
        im = cbg.convert("RGBA")
        if plate:
            fill_mask(im, rrect_mask(12, 12, (0, 0, 12, 12), 3), plate)
        fill_mask(im, glyph_x((12, 12), (3, 3, 9, 9), fg, 1.4), fg)
        imgs[173 + i] = im.convert("RGB")
    for i, st in enumerate(STATES):
        imgs[181 + i] = big_button(266, 60, "问题已解决，继续保持！", (30, 140, 255), st, 17, radius=10,
                                   margin=(3, 2, 3, 6), spacing=1, icon=icon_check)
        imgs[186 + i] = big_button(266, 60, "问题未解决，我要吐槽！", (92, 116, 160), st, 17, radius=10,
                                   margin=(3, 2, 3, 6), spacing=1, icon=icon_chat)
        imgs[211 + i] = big_button(266, 60, "更多方案", (60, 160, 255), st, 17, radius=10,
                                   margin=(3, 2, 3, 6), spacing=3, icon=icon_bulb, ghost=True, shadow=False)

    # Agreement sheet: white with a light frame, the last 11 rows clear.
    sheet = Image.new("RGBA", (541, 402), (255, 255, 255, 0))
    d = ImageDraw.Draw(sheet)
    d.rectangle([0, 0, 540, 390], fill=(255, 255, 255, 255), outline=(206, 214, 228, 255))
    imgs[185] = sheet

    # Spare pair and badge.
    p132 = panel_132()
    imgs[132] = p132
    imgs[131] = shell(p132, 5, 4, 5, 7, 2.6, 150, dy=1)
    imgs[203] = badge_203()

    for i, (w, h, mode) in TABLE.items():
        imgs[i] = imgs[i].convert(mode)
    return imgs


def png_chunks(data):
    pos = 8
    while pos < len(data):
        n, kind = struct.unpack_from(">I4s", data, pos)
        yield kind, data[pos + 8:pos + 8 + n]
        pos += 12 + n


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png_bytes(img):
    """PIL's PNG with its filtered rows deflated again by zopfli: the same
    pixels, colour type and filters, some 13 % fewer bytes in the program."""
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=False, compress_level=9)
    data = buf.getvalue()
    rows = zlib.decompress(b"".join(body for kind, body in png_chunks(data) if kind == b"IDAT"))
    with tempfile.TemporaryDirectory() as tmp:
        raw = os.path.join(tmp, "rows")
        with open(raw, "wb") as f:
            f.write(rows)
        idat = subprocess.run(["zopfli", "--zlib", "-c", raw], check=True, capture_output=True).stdout
    if zlib.decompress(idat) != rows:
        raise RuntimeError("zopfli changed the pixel data")
    out = data[:8]
    for kind, body in png_chunks(data):
        if kind == b"IDAT":
            if idat:
                out += png_chunk(b"IDAT", idat)
                idat = b""
        else:
            out += png_chunk(kind, body)
    return out


def save_pngs(imgs):
    ids = sorted(imgs)
    with ThreadPoolExecutor(os.cpu_count() or 1) as pool:
        for i, data in zip(ids, pool.map(lambda i: png_bytes(imgs[i]), ids)):
            with open(os.path.join(PNG_DIR, "%d.png" % i), "wb") as f:
                f.write(data)


def contact_sheet(imgs, bmp, icons):
    items = [(str(i), imgs[i]) for i in sorted(imgs)]
    items.append(("130 bmp x4", bmp.convert("RGB").resize((bmp.width * 4, bmp.height * 4), Image.NEAREST)))
    for im in icons:
        items.append(("ico %d" % im.width, im))
    pad, maxw = 14, 1700
    x = y = pad
    rowh = 0
    places = []
    for label, im in items:
        w, h = im.size
        if x + w > maxw:
            x = pad
            y += rowh + pad + 16
            rowh = 0
        places.append((label, im, x, y + 16))
        x += max(w, 60) + pad
        rowh = max(rowh, h)
    H = y + rowh + pad + 16
    sheet = Image.new("RGBA", (maxw, H), (255, 255, 255, 255))
    d = ImageDraw.Draw(sheet)
    for label, im, px, py in places:
        w, h = im.size
        for cy in range(0, h, 8):
            for cx in range(0, w, 8):
                c = (204, 204, 204, 255) if (cx // 8 + cy // 8) % 2 else (245, 245, 245, 255)
                d.rectangle([px + cx, py + cy, min(px + cx + 7, px + w - 1), min(py + cy + 7, py + h - 1)], fill=c)
        sheet.alpha_composite(im.convert("RGBA"), (px, py))
        d.text((px, py - 15), label, font=font(12, cjk=False), fill=(200, 0, 60, 255))
    os.makedirs(os.path.dirname(SHEET_PATH), exist_ok=True)
    sheet.convert("RGB").save(SHEET_PATH)
    return SHEET_PATH


def mockups(imgs):
    """Panels with their controls laid on at 96 dpi, to judge the whole."""
    out = []
    m = imgs[141].copy()
    p = imgs[142].convert("RGBA")
    p.alpha_composite(imgs[177].resize((259, 85), Image.LANCZOS), (71, 220))
    p.paste(imgs[150], (348, 0))
    p.paste(imgs[144], (375, 0))
    p.paste(imgs[215], (50, 540))
    draw_text(p, (193, 22), "1.0.1", font(18), WHITE, anchor="lm")
    p.alpha_composite(imgs[143].crop((16, 0, 32, 16)), (8, 577))
    draw_text(p, (26, 585), "同意《达维服务工具使用许可协议》", font(12), (92, 92, 255), anchor="lm")
    draw_text(p, (394, 585), "反馈问题", font(12), (92, 92, 255), anchor="rm")
    m.paste(p, (5, 4))
    out.append(m)
    f = imgs[171].copy()
    p = imgs[172].copy()
    p.paste(imgs[173], (382, 6))
    for k, y in zip((181, 186, 211), (154, 254, 354)):
        p.alpha_composite(imgs[k], (67, y))
    f.paste(p, (5, 4))
    out.append(f)
    s = imgs[154].copy().resize((336, 156), Image.LANCZOS)
    p = imgs[155].convert("RGBA").resize((326, 146), Image.LANCZOS)
    p.paste(imgs[159], (300, 8))
    p.paste(imgs[208], (135, 107))
    draw_text(p, (10, 50), "修复成功", font(12), INK, anchor="la")
    s.paste(p, (5, 3))
    out.append(s)
    s = imgs[148].copy().resize((278, 158), Image.LANCZOS)
    p = imgs[149].resize((244, 124), Image.LANCZOS)
    p.alpha_composite(imgs[201], (30, 99))
    p.alpha_composite(imgs[202].crop((0, 0, 104, 9)), (30, 99))
    draw_text(p, (30, 62), "正在清除打印机任务,请稍等", font(12), WHITE, anchor="lm")
    s.paste(p, (16, 14))
    out.append(s)
    W = sum(o.width for o in out) + 20 * (len(out) + 1)
    H = max(o.height for o in out) + 40
    sheet = Image.new("RGBA", (W, H), (120, 128, 140, 255))
    x = 20
    for o in out:
        sheet.alpha_composite(o, (x, 20))
        x += o.width + 20
    path = os.path.join(os.path.dirname(SHEET_PATH), "mockups.png")
    sheet.convert("RGB").save(path)
    return path


def check():
    bad = []
    for i, (w, h, mode) in sorted(TABLE.items()):
        p = os.path.join(PNG_DIR, "%d.png" % i)
        if not os.path.exists(p):
            bad.append("%d: missing" % i)
            continue
        im = Image.open(p)
        if im.size != (w, h) or im.mode != mode or im.format != "PNG":
            bad.append("%d: %s %s, want %dx%d %s" % (i, im.size, im.mode, w, h, mode))
    im = Image.open(os.path.join(PNG_DIR, "185.png"))
    if im.mode == "RGBA":
        a = im.getchannel("A")
        if a.crop((0, im.height - 11, im.width, im.height)).getextrema() != (0, 0):
            bad.append("185: bottom 11 rows not clear")
        if a.crop((0, 0, im.width, im.height - 11)).getextrema() != (255, 255):
            bad.append("185: sheet not opaque")
    for i in (142, 155, 149, 172):
        im = Image.open(os.path.join(PNG_DIR, "%d.png" % i))
        if im.mode == "RGBA" and im.getchannel("A").getextrema() != (255, 255):
            bad.append("%d: expected opaque" % i)
    bmp = Image.open(BMP_PATH)
    if bmp.format != "BMP" or bmp.size != (117, 39) or bmp.mode != "P":
        bad.append("scrollbar.bmp: %s %s %s" % (bmp.format, bmp.size, bmp.mode))
    ico = Image.open(ICO_PATH)
    sizes = sorted(ico.info.get("sizes", set()))
    if sizes != [(n, n) for n in ICON_SIZES]:
        bad.append("ico sizes %s" % sizes)
    with open(ICO_PATH, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    for k in range(count):
        bpp = struct.unpack_from("<H", data, 6 + 16 * k + 6)[0]
        if bpp != 32:
            bad.append("ico entry %d: %d bpp" % (k, bpp))
    for b in bad:
        print("FAIL", b)
    print("%d images, bitmap and icon checked: %s" % (len(TABLE), "FAILED" if bad else "ok"))
    return not bad


def write_images_rc():
    lines = ["// Skin images, scroll-bar bitmap and icon; written by art/make_art.py.",
             "// Included by Tarnwick.rc after #pragma code_page(65001).",
             "#ifndef LANG_CHINESE", "#define LANG_CHINESE 0x04", "#endif",
             "#ifndef SUBLANG_CHINESE_SIMPLIFIED", "#define SUBLANG_CHINESE_SIMPLIFIED 0x02", "#endif",
             "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED", "",
             '128 ICON "Tarnwick.ico"', '130 BITMAP "scrollbar.bmp"', ""]
    lines += ['%d PNG "png/%d.png"' % (i, i) for i in sorted(TABLE)]
    with open(os.path.join(RES, "images.rc"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# Names for the code, from the same table: one name per image, or for a
# button's four images one name per state in the order of STATES.
FOUR = tuple(st.upper() for st in STATES)
TONES = ("BLUE", "DARK", "SLATE")
NAMES = [
    (131, "SPARE_SHELL", None), (132, "SPARE_PANEL", None), (133, "MENU", FOUR), (137, "RECHECK", FOUR),
    (141, "MAIN_SHELL", None), (142, "MAIN_PANEL", None), (143, "CHECK_CELLS", None), (144, "CLOSE", FOUR),
    (148, "EXECUTE_SHELL", None), (149, "EXECUTE_PANEL", None), (150, "MIN", FOUR),
    (154, "PROMPT_SHELL", None), (155, "PROMPT_PANEL", None), (156, "BACK_TO_BACKUP", TONES),
    (159, "PROMPT_CLOSE", FOUR[:3]), (162, "NO", TONES), (165, "CONFIRM_BACKUP", TONES), (168, "YES", TONES),
    (171, "FEEDBACK_SHELL", None), (172, "FEEDBACK_PANEL", None), (173, "FEEDBACK_CLOSE", FOUR),
    (177, "START", FOUR), (181, "SOLVED", FOUR), (185, "AGREEMENT_SHEET", None), (186, "UNSOLVED", FOUR),
    (201, "PROGRESS_TRACK", None), (202, "PROGRESS_FILL", None), (203, "BADGE", None),
    (204, "START_DESIGN", FOUR), (208, "CONFIRM", TONES), (211, "MORE_SOLUTIONS", FOUR),
    (215, "MORE_TOOLS", FOUR),
]


def image_names():
    names = {}
    for first, name, parts in NAMES:
        for k, part in enumerate(parts or (None,)):
            names[first + k] = "IDP_" + name + ("_" + part if part else "")
    assert sorted(names) == sorted(TABLE), "every image needs a name"
    return names


def write_images_h():
    names = image_names()
    lines = ["// Skin image ids, sizes and channels; written by art/make_art.py beside images.rc.",
             "#pragma once", ""]
    lines += ["#define %-28s %d" % (names[i], i) for i in sorted(TABLE)]
    lines += ["", "#ifndef RC_INVOKED", "struct SkinImageSpec {", "    unsigned id, width, height;",
              "    bool alpha;", "};", "// Every image the program carries, as the art was made.",
              "static const SkinImageSpec kSkinImages[] = {"]
    lines += ["    {%s, %d, %d, %s}," % (names[i], w, h, "true" if m == "RGBA" else "false")
              for i, (w, h, m) in sorted(TABLE.items())]
    lines += ["};", "#endif"]
    with open(os.path.join(RES, "images.h"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main(argv):
    if "--check" in argv:
        return 0 if check() else 1
    os.makedirs(PNG_DIR, exist_ok=True)
    imgs = build_all()
    save_pngs(imgs)
    bmp = scrollbar_bmp()
    bmp.save(BMP_PATH, "BMP")
    icons = icon_images()
    write_ico(ICO_PATH, icons)
    write_images_rc()
    write_images_h()
    if "--contact-sheet" in argv:
        print("wrote", contact_sheet(imgs, bmp, icons))
        print("wrote", mockups(imgs))
    return 0 if check() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
