"""Advance widths of DejaVu Sans, read from the installed TrueType files.

The drawings place labels, halos and leader lines from the width of their
text, so the generator needs the same metrics that rsvg-convert will use.
Only the 'cmap' (format 4) and 'hmtx' tables are read; kerning is ignored,
which is well under a pixel for the short upper-case labels drawn here.
"""
import os
import struct

_FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/TTF",
              "/usr/share/fonts/dejavu", "/Library/Fonts",
              os.path.expanduser("~/.fonts")]
_FILES = {False: "DejaVuSans.ttf", True: "DejaVuSans-Bold.ttf"}
_cache = {}


def _find(name):
    for d in _FONT_DIRS:
        p = os.path.join(d, name)
        if os.path.exists(p):
            return p
    raise SystemExit("font %s not found; install fonts-dejavu-core" % name)


def _load(bold):
    data = open(_find(_FILES[bold]), "rb").read()
    num_tables = struct.unpack(">H", data[4:6])[0]
    tables = {}
    for i in range(num_tables):
        tag, _, off, length = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag.decode()] = off
    units = struct.unpack(">H", data[tables["head"] + 18:tables["head"] + 20])[0]
    n_hmetrics = struct.unpack(">H", data[tables["hhea"] + 34:tables["hhea"] + 36])[0]
    hmtx = tables["hmtx"]
    advances = [struct.unpack(">H", data[hmtx + 4 * i:hmtx + 4 * i + 2])[0]
                for i in range(n_hmetrics)]
    cmap = tables["cmap"]
    n_sub = struct.unpack(">H", data[cmap + 2:cmap + 4])[0]
    char_to_glyph = {}
    for i in range(n_sub):
        pid, eid, off = struct.unpack(">HHI", data[cmap + 4 + 8 * i:cmap + 12 + 8 * i])
        sub = cmap + off
        if struct.unpack(">H", data[sub:sub + 2])[0] != 4 or pid != 3:
            continue
        seg2 = struct.unpack(">H", data[sub + 6:sub + 8])[0]
        ends = sub + 14
        starts = ends + seg2 + 2
        deltas = starts + seg2
        ranges = deltas + seg2
        for s in range(seg2 // 2):
            end, = struct.unpack(">H", data[ends + 2 * s:ends + 2 * s + 2])
            start, = struct.unpack(">H", data[starts + 2 * s:starts + 2 * s + 2])
            delta, = struct.unpack(">h", data[deltas + 2 * s:deltas + 2 * s + 2])
            roff, = struct.unpack(">H", data[ranges + 2 * s:ranges + 2 * s + 2])
            for c in range(start, min(end, 0x2FFF) + 1):
                if c == 0xFFFF:
                    continue
                if roff == 0:
                    g = (c + delta) & 0xFFFF
                else:
                    p = ranges + 2 * s + roff + 2 * (c - start)
                    g, = struct.unpack(">H", data[p:p + 2])
                    if g:
                        g = (g + delta) & 0xFFFF
                char_to_glyph[c] = g
        break
    return units, advances, char_to_glyph


def text_width(text, size, bold=False, letter_spacing=0.0):
    """Width in user units of `text` set at `size` in DejaVu Sans."""
    if bold not in _cache:
        _cache[bold] = _load(bold)
    units, advances, cmap = _cache[bold]
    total = 0
    for ch in text:
        g = cmap.get(ord(ch), 0)
        total += advances[min(g, len(advances) - 1)]
    return total * size / units + letter_spacing * max(len(text) - 1, 0)
