"""Technical drawings of the receiver set-ups and reference points.

Every drawing is built as SVG text from a few parts: an antenna profile per
receiver model (drawn to its catalogue constants, enlarged against the
accessory so that the reference points can be seen), the accessory
(tripod with tribrach, bipod with pole, pole alone), the ground mark, the
measured height Hm and the labels. Set-up drawings are 400 x 700 units
(portrait); reference drawings are 600 x 360 units (landscape).
"""
import math

from fontmetrics import text_width

DARK = "#2C3E50"
ACCENT = "#D35400"
TINT = "#D6DDE4"     # housings, pole
PALE = "#F3F6F8"     # radomes
MID = "#8A9AA9"      # hidden or far parts
FONT = "DejaVu Sans, sans-serif"
LINE = 1.6           # outline width


# Receiver geometry in metres. `radio`, `h_r1` and `placa` are the catalogue
# constants; the rest only shapes the drawing.
MODELS = {
    "R300": dict(kind="dome", radio=0.067, h_r1=0.07, placa=0.12,
                 base=0.036, rim=0.010, dome=0.044, style="round"),
    "R350": dict(kind="dome", radio=0.067, h_r1=0.07, placa=0.12,
                 base=0.036, rim=0.010, dome=0.044, style="round",
                 leds=True),
    "R700": dict(kind="dome", radio=0.0667, h_r1=0.0665, placa=0.13,
                 base=0.054, rim=0.012, dome=0.038, style="straight"),
    "R750": dict(kind="dome", radio=0.0667, h_r1=0.0665, placa=0.13,
                 base=0.054, rim=0.012, dome=0.038, style="straight",
                 window=True),
    "M200 PLUS": dict(kind="smart", radio=0.04, h_r1=0.0, placa=0.12,
                      body_w=0.030, body_h=0.105, ring=0.014, dome=0.062),
    "R100": dict(kind="stick", radio=0.025, h_r1=0.0, placa=0.12,
                 body_h=0.235, dome=0.05),
}
ALIASES = ["R300", "R350", "R700", "R750", "M200 PLUS", "R100"]
NO_R1 = {"M200 PLUS", "R100"}

ACCESSORY_LABEL = {"TRIPODE": "TRÍPODE", "BIPODE Y BASTON": "BÍPODE Y BASTÓN",
                   "BASTON": "BASTÓN"}
REF_LABEL = {"R1": ("R1", "(BORDE DE ANTENA)"), "R2": ("R2", "(PLACA)"),
             "R3": ("R3", "(ARP)")}


def antenna_height(m):
    """Height of the antenna above its ARP, metres."""
    if m["kind"] == "dome":
        return m["h_r1"] + m["rim"] / 2 + m["dome"]
    if m["kind"] == "smart":
        return m["body_h"] + m["ring"] + m["dome"]
    return m["body_h"] + m["dome"]


def setups():
    """(alias, accessory, type, reference) of every set-up the table offers."""
    out = []
    for alias in ALIASES:
        for acc in ("TRIPODE", "BIPODE Y BASTON"):
            for ref in ("R1", "R2"):
                if ref == "R1" and alias in NO_R1:
                    continue
                out.append((alias, acc, "AI", ref))
        for acc in ("BIPODE Y BASTON", "BASTON"):
            out.append((alias, acc, "AV", "R3"))
    return out


def references():
    return [(a, r) for a in ALIASES for r in ("R1", "R2", "R3")
            if not (r == "R1" and a in NO_R1)]


# ---------------------------------------------------------------- primitives

def f(v):
    return ("%.2f" % v).rstrip("0").rstrip(".")


def pts(points):
    return " ".join("%s,%s" % (f(x), f(y)) for x, y in points)


def text(x, y, s, size, bold=False, anchor="start", fill=DARK, halo=True,
         italic=False, rotate=None):
    attrs = ('x="%s" y="%s" font-family="%s" font-size="%s" text-anchor="%s"'
             % (f(x), f(y), FONT, f(size), anchor))
    if bold:
        attrs += ' font-weight="bold"'
    if italic:
        attrs += ' font-style="italic"'
    if rotate is not None:
        attrs += ' transform="rotate(%s %s %s)"' % (f(rotate), f(x), f(y))
    s = s.replace("&", "&amp;")
    out = ""
    if halo:
        out += ('<text %s fill="#FFFFFF" stroke="#FFFFFF" stroke-width="4" '
                'stroke-linejoin="round">%s</text>' % (attrs, s))
    return out + '<text %s fill="%s">%s</text>' % (attrs, fill, s)


def line(x1, y1, x2, y2, stroke=DARK, width=LINE, dash=None, cap="butt",
         opacity=None):
    extra = ' stroke-dasharray="%s"' % dash if dash else ""
    if opacity is not None:
        extra += ' stroke-opacity="%s"' % opacity
    return ('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="%s" '
            'stroke-width="%s" stroke-linecap="%s"%s/>'
            % (f(x1), f(y1), f(x2), f(y2), stroke, f(width), cap, extra))


def poly(points, fill=TINT, stroke=DARK, width=LINE, closed=True):
    tag = "polygon" if closed else "polyline"
    return ('<%s points="%s" fill="%s" stroke="%s" stroke-width="%s" '
            'stroke-linejoin="round"/>' % (tag, pts(points), fill, stroke,
                                           f(width)))


def rect(x, y, w, h, fill=TINT, stroke=DARK, width=LINE, rx=0):
    return ('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s" '
            'stroke="%s" stroke-width="%s"/>' % (f(x), f(y), f(w), f(h),
                                                 f(rx), fill, stroke,
                                                 f(width)))


def path(d, fill=TINT, stroke=DARK, width=LINE):
    return ('<path d="%s" fill="%s" stroke="%s" stroke-width="%s" '
            'stroke-linejoin="round"/>' % (d, fill, stroke, f(width)))


def point(x, y, colour=ACCENT, r=4.5):
    """An end point or reference point: a filled dot with a white ring."""
    return ('<circle cx="%s" cy="%s" r="%s" fill="%s" stroke="#FFFFFF" '
            'stroke-width="1.6"/>' % (f(x), f(y), f(r), colour))


def leader(points, colour=DARK):
    """A thin leader from a label to a feature, haloed so that it stays
    readable where it crosses the drawing."""
    p = pts(points)
    return ('<polyline points="%s" fill="none" stroke="#FFFFFF" '
            'stroke-width="4" stroke-linejoin="round" stroke-linecap="round"/>'
            '<polyline points="%s" fill="none" stroke="%s" stroke-width="1.1" '
            'stroke-linejoin="round"/>' % (p, p, colour))


def arrowhead(x, y, angle, colour, size=9):
    """A filled arrowhead whose tip is at (x, y), pointing along `angle`."""
    a = math.radians(angle)
    bx, by = x - size * math.cos(a), y - size * math.sin(a)
    nx, ny = -math.sin(a) * size * 0.32, math.cos(a) * size * 0.32
    return poly([(x, y), (bx + nx, by + ny), (bx - nx, by - ny)],
                fill=colour, stroke=colour, width=0.8)


def dimension(x1, y1, x2, y2, colour=DARK, width=1.2, size=9):
    """A dimension line with arrowheads at both ends."""
    ang = math.degrees(math.atan2(y2 - y1, x2 - x1))
    return (line(x1, y1, x2, y2, colour, width) +
            arrowhead(x2, y2, ang, colour, size) +
            arrowhead(x1, y1, ang + 180, colour, size))


def ref_label(x, y, ref, size, anchor="start", two_lines=False):
    """"R1 (BORDE DE ANTENA)" with the code in bold accent colour."""
    code, note = REF_LABEL[ref]
    if two_lines:
        return (text(x, y, code, size * 1.25, bold=True, anchor=anchor,
                     fill=ACCENT) +
                text(x, y + size * 1.25, note, size, bold=True, anchor=anchor))
    w_code = text_width(code + " ", size, True)
    w_all = w_code + text_width(note, size, True)
    x0 = {"start": x, "middle": x - w_all / 2, "end": x - w_all}[anchor]
    return (text(x0, y, code, size, bold=True, fill=ACCENT) +
            text(x0 + w_code, y, note, size, bold=True))


def label_width(ref, size):
    code, note = REF_LABEL[ref]
    return text_width(code + " " + note, size, True)


# ------------------------------------------------------------------ antennas

def draw_antenna(alias, x0, y0, k, name_size):
    """The antenna of `alias` standing on its ARP at (x0, y0), k px/metre.

    Returns (svg, points) where points holds "arp", "r1" (the outer edge of
    the bumper ring, when the model has one) and "top".
    """
    m = MODELS[alias]
    out = []
    pts_ = {"arp": (x0, y0), "top": y0 - antenna_height(m) * k}
    if m["kind"] == "dome":
        r, b = m["radio"] * k, m["base"] * k
        rim_h = m["rim"] * k
        y_rim = y0 - m["h_r1"] * k
        y_rim_top, y_rim_bot = y_rim - rim_h / 2, y_rim + rim_h / 2
        inset = 0.08 * r
        # Lower housing, from the flat base up under the bumper ring.
        top_half = r - inset
        if m["style"] == "round":
            # A bowl: flat at the base, rising to meet the ring upright.
            hh = y0 - y_rim_bot
            d = ("M %s %s L %s %s C %s %s %s %s %s %s L %s %s C %s %s %s %s %s %s Z"
                 % (f(x0 - b), f(y0), f(x0 + b), f(y0),
                    f(x0 + b + 0.6 * (top_half - b)), f(y0),
                    f(x0 + top_half), f(y_rim_bot + 0.5 * hh),
                    f(x0 + top_half), f(y_rim_bot),
                    f(x0 - top_half), f(y_rim_bot),
                    f(x0 - top_half), f(y_rim_bot + 0.5 * hh),
                    f(x0 - b - 0.6 * (top_half - b)), f(y0),
                    f(x0 - b), f(y0)))
        else:
            ch = 0.35 * (y0 - y_rim_bot)
            d = ("M %s %s L %s %s L %s %s L %s %s L %s %s L %s %s L %s %s Z"
                 % (f(x0 - b), f(y0), f(x0 + b), f(y0), f(x0 + b), f(y0 - ch),
                    f(x0 + top_half), f(y_rim_bot + 0.15 * (y0 - y_rim_bot)),
                    f(x0 + top_half), f(y_rim_bot),
                    f(x0 - top_half), f(y_rim_bot),
                    f(x0 - top_half), f(y_rim_bot + 0.15 * (y0 - y_rim_bot))
                    ) + " L %s %s Z" % (f(x0 - b), f(y0 - ch)))
            d = d.replace(" Z L", " L")
        out.append(path(d, TINT))
        if m.get("window"):
            ww, wh = 0.55 * b, 0.16 * (y0 - y_rim_bot)
            out.append(rect(x0 - ww / 2, y_rim_bot + 0.18 * (y0 - y_rim_bot),
                            ww, wh, fill=DARK, width=1, rx=2))
        if m.get("leds"):
            # Status lights: three short bars under the ring.
            lw_, lh_ = 0.2 * b, max(2.0, 0.05 * (y0 - y_rim_bot))
            for i in (-1, 0, 1):
                out.append(rect(x0 + i * 0.3 * b - lw_ / 2,
                                y_rim_bot + 0.22 * (y0 - y_rim_bot), lw_, lh_,
                                fill="#27AE60" if i == 0 else DARK, stroke="none",
                                width=0, rx=lh_ / 2))
        # Radome.
        dome_h = m["dome"] * k
        d = ("M %s %s C %s %s %s %s %s %s C %s %s %s %s %s %s Z"
             % (f(x0 - top_half), f(y_rim_top),
                f(x0 - top_half), f(y_rim_top - 0.62 * dome_h),
                f(x0 - 0.55 * top_half), f(y_rim_top - dome_h), f(x0),
                f(y_rim_top - dome_h),
                f(x0 + 0.55 * top_half), f(y_rim_top - dome_h),
                f(x0 + top_half), f(y_rim_top - 0.62 * dome_h),
                f(x0 + top_half), f(y_rim_top)))
        out.append(path(d, PALE))
        # A soft highlight on the radome.
        out.append('<path d="M %s %s Q %s %s %s %s" fill="none" stroke="%s" '
                   'stroke-width="%s" stroke-linecap="round"/>'
                   % (f(x0 - 0.62 * top_half), f(y_rim_top - 0.45 * dome_h),
                      f(x0 - 0.45 * top_half), f(y_rim_top - 0.85 * dome_h),
                      f(x0 - 0.05 * top_half), f(y_rim_top - 0.9 * dome_h),
                      "#C5D0DA", f(max(1.5, 0.06 * dome_h))))
        # Bumper ring: its outer edge is R1.
        out.append(rect(x0 - r, y_rim_top, 2 * r, rim_h, fill=DARK,
                        width=1, rx=rim_h / 2))
        name_y = y_rim_bot + 0.68 * (y0 - y_rim_bot) + name_size * 0.36
        out.append(text(x0, name_y, alias, name_size, bold=True,
                        anchor="middle", halo=False))
        pts_["r1"] = (x0 + r, y_rim)
    elif m["kind"] == "smart":
        bw, bh = m["body_w"] * k, m["body_h"] * k
        r = m["radio"] * k
        ring = m["ring"] * k
        y_body = y0 - bh
        out.append(rect(x0 - bw, y_body, 2 * bw, bh, TINT, rx=0.12 * bw))
        # Screen and keys.
        sw = 1.3 * bw
        out.append(rect(x0 - sw / 2, y_body + 0.1 * bh, sw, 0.26 * bh,
                        fill=DARK, width=1, rx=2))
        for i in (-1, 1):
            out.append('<circle cx="%s" cy="%s" r="%s" fill="%s"/>'
                       % (f(x0 + i * 0.38 * bw), f(y_body + 0.47 * bh),
                          f(max(1.6, 0.09 * bw)), DARK))
        name_y = y_body + 0.7 * bh
        words = alias.split(" ")
        for i, w in enumerate(words):
            out.append(text(x0, name_y + i * name_size * 1.05, w,
                            name_size * (1 if i == 0 else 0.8), bold=True,
                            anchor="middle", halo=False))
        y_ring = y_body - ring
        out.append(rect(x0 - r, y_ring, 2 * r, ring, fill=DARK, width=1,
                        rx=ring / 2))
        dome_h = m["dome"] * k
        d = ("M %s %s C %s %s %s %s %s %s C %s %s %s %s %s %s Z"
             % (f(x0 - 0.92 * r), f(y_ring),
                f(x0 - 0.92 * r), f(y_ring - 0.7 * dome_h),
                f(x0 - 0.5 * r), f(y_ring - dome_h), f(x0), f(y_ring - dome_h),
                f(x0 + 0.5 * r), f(y_ring - dome_h),
                f(x0 + 0.92 * r), f(y_ring - 0.7 * dome_h),
                f(x0 + 0.92 * r), f(y_ring)))
        out.append(path(d, PALE))
    else:  # stick
        rad = m["radio"] * k
        bh = m["body_h"] * k
        y_body = y0 - bh
        out.append(rect(x0 - rad, y_body, 2 * rad, bh, TINT))
        dome_h = m["dome"] * k
        d = ("M %s %s C %s %s %s %s %s %s C %s %s %s %s %s %s Z"
             % (f(x0 - rad), f(y_body), f(x0 - rad), f(y_body - 0.75 * dome_h),
                f(x0 - 0.55 * rad), f(y_body - dome_h), f(x0),
                f(y_body - dome_h),
                f(x0 + 0.55 * rad), f(y_body - dome_h), f(x0 + rad),
                f(y_body - 0.75 * dome_h), f(x0 + rad), f(y_body)))
        out.append(path(d, PALE))
        # Seam rings.
        for frac in (0.12, 0.9):
            yy = y0 - frac * bh
            out.append(rect(x0 - rad - 1, yy - 0.025 * bh, 2 * rad + 2,
                            0.05 * bh, fill=DARK, width=1, rx=1))
        out.append(text(x0 + name_size * 0.36, y0 - 0.5 * bh, alias,
                        name_size, bold=True, anchor="middle", halo=False,
                        rotate=-90))
    return "".join(out), pts_


def draw_plate(x0, y0, half, t):
    """The measuring plate at ARP level, seen edge-on, with a notch at
    each end. Its top surface at the right end is R2."""
    notch = min(6.0, 0.6 * half)
    d = ("M %s %s L %s %s L %s %s L %s %s L %s %s L %s %s L %s %s L %s %s Z"
         % (f(x0 - half), f(y0), f(x0 + half), f(y0),
            f(x0 + half - notch * 0.5), f(y0 + t * 0.5), f(x0 + half), f(y0 + t),
            f(x0 - half), f(y0 + t), f(x0 - half + notch * 0.5),
            f(y0 + t * 0.5), f(x0 - half), f(y0), f(x0 - half), f(y0)))
    return path(d, fill="#5D6D7E", width=1.2)


def draw_stud(x0, y0, half, h):
    """The 5/8" threaded adaptor under the antenna."""
    out = [rect(x0 - half, y0, 2 * half, h, fill="#B8C3CD", width=1.2)]
    n = 3
    for i in range(1, n + 1):
        yy = y0 + h * i / (n + 1)
        out.append(line(x0 - half, yy, x0 + half, yy, DARK, 0.8))
    return "".join(out)


# ------------------------------------------------------------- accessories

GROUND = 630.0


def leg(x1, y1, x2, y2, w_top, w_bot, colour=TINT, stroke=DARK):
    """A telescopic leg from (x1, y1) to a spike on the ground at (x2, y2)."""
    dx, dy = x2 - x1, y2 - y1
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    nx, ny = -uy, ux

    def at(t):
        return x1 + dx * t, y1 + dy * t

    def quad(t0, t1, w0, w1):
        a, b = at(t0), at(t1)
        return [(a[0] + nx * w0 / 2, a[1] + ny * w0 / 2),
                (b[0] + nx * w1 / 2, b[1] + ny * w1 / 2),
                (b[0] - nx * w1 / 2, b[1] - ny * w1 / 2),
                (a[0] - nx * w0 / 2, a[1] - ny * w0 / 2)]

    out = []
    spike = 16.0 / length
    out.append(poly(quad(0.5, 1 - spike, w_bot, w_bot), colour, stroke, 1.3))
    out.append(poly(quad(0.0, 0.56, w_top, w_top), colour, stroke, 1.3))
    # Clamp at the joint.
    out.append(poly(quad(0.53, 0.58, w_top + 4, w_top + 4), stroke, stroke, 1))
    # Spike.
    s = at(1 - spike)
    out.append(poly([(s[0] + nx * w_bot / 2, s[1] + ny * w_bot / 2), (x2, y2),
                     (s[0] - nx * w_bot / 2, s[1] - ny * w_bot / 2)],
                    stroke, stroke, 1))
    # Foot peg.
    p = at(1 - spike * 1.6)
    out.append(line(p[0] - 7 * (1 if dx > 0 else -1), p[1],
                    p[0] + 7 * (1 if dx > 0 else -1), p[1], stroke, 3, cap="round"))
    return "".join(out)


def draw_tripod(x0, y_top):
    """Tribrach on a tripod head whose top is at y_top. Returns (svg,
    label anchor point, y of the tribrach top)."""
    out = []
    # Tribrach: carrier, levelling screws, base plate.
    y = y_top
    out.append(rect(x0 - 20, y, 40, 10, TINT, rx=2))
    out.append(rect(x0 - 30, y + 10, 60, 8, "#B8C3CD"))
    for sx in (-24, 24, 0):
        col = MID if sx == 0 else DARK
        out.append(rect(x0 + sx - 4, y + 18, 8, 8, col, col, 1))
    out.append(rect(x0 - 36, y + 26, 72, 5, DARK, DARK, 1, rx=1))
    y_head = y + 31
    # Tripod head.
    out.append(rect(x0 - 42, y_head, 84, 9, "#5D6D7E", DARK, 1.2, rx=2))
    legs_top = y_head + 9
    # Rear leg first, lighter, then the two side legs in front.
    out.insert(0, leg(x0 + 2, legs_top, x0 - 28, GROUND - 14, 8, 5,
                      "#E9EDF1", MID))
    out.append(leg(x0 - 36, legs_top, x0 - 158, GROUND, 10, 6))
    out.append(leg(x0 + 36, legs_top, x0 + 158, GROUND, 10, 6))
    # Plumb line from the tribrach to the mark.
    out.insert(0, line(x0, legs_top, x0, GROUND - 6, MID, 1, dash="4 4"))
    t = 0.47
    anchor = (x0 - 36 + (-122) * t, legs_top + (GROUND - legs_top) * t)
    return "".join(out), anchor


def draw_pole(x0, y_top, y_bottom):
    """A survey pole from y_top down to its tip on the mark."""
    out = []
    tip = 20.0
    hw = 5.5
    out.append(rect(x0 - hw, y_top, 2 * hw, y_bottom - tip - y_top, TINT))
    # Section joint.
    mid = y_top + 0.52 * (y_bottom - y_top)
    out.append(rect(x0 - hw - 2, mid - 4, 2 * hw + 4, 8, "#5D6D7E", DARK, 1,
                    rx=1.5))
    # Grip.
    g0 = y_top + 0.66 * (y_bottom - y_top)
    out.append(rect(x0 - hw - 2, g0, 2 * hw + 4, 58, DARK, DARK, 1, rx=3))
    for i in range(1, 7):
        out.append(line(x0 - hw - 2, g0 + i * 8.3, x0 + hw + 2, g0 + i * 8.3,
                        "#5D6D7E", 1))
    # Tip.
    out.append(poly([(x0 - hw, y_bottom - tip), (x0 + hw, y_bottom - tip),
                     (x0, y_bottom)], "#5D6D7E", DARK, 1.2))
    # Circular bubble level on a bracket, on the left side.
    yb = y_top + 0.22 * (y_bottom - y_top)
    out.append(rect(x0 - hw - 8, yb + 3, 8, 6, "#B8C3CD", DARK, 1))
    out.append(rect(x0 - hw - 26, yb, 18, 12, TINT, DARK, 1.2, rx=2))
    out.append('<ellipse cx="%s" cy="%s" rx="5" ry="2.2" fill="%s"/>'
               % (f(x0 - hw - 17), f(yb + 4.5), "#7FB3D5"))
    return "".join(out), (x0 - hw, mid + 40)


def draw_bipod(x0, y_clamp):
    """The two bipod legs, both behind the pole on its left, from a clamp
    at y_clamp. Returns (legs svg, clamp svg)."""
    legs = (leg(x0 - 4, y_clamp + 4, x0 - 98, GROUND - 12, 7, 4.5,
                "#E9EDF1", MID) +
            leg(x0 - 6, y_clamp + 6, x0 - 150, GROUND, 8, 5))
    clamp = (rect(x0 - 11, y_clamp - 6, 22, 14, "#5D6D7E", DARK, 1.2, rx=2) +
             rect(x0 + 11, y_clamp - 2, 9, 5, DARK, DARK, 1, rx=1.5))
    return legs, clamp


def draw_ground(x0, left=18.0, right=382.0):
    out = [line(left, GROUND, right, GROUND, DARK, 2)]
    x = left + 4
    while x < right - 4:
        out.append(line(x, GROUND + 2, x - 9, GROUND + 12, MID, 1))
        x += 11
    # The survey mark: a nail head set in the ground.
    out.append('<rect x="%s" y="%s" width="16" height="16" fill="#FFFFFF"/>'
               % (f(x0 - 8), f(GROUND + 1)))
    out.append(poly([(x0 - 3, GROUND + 3), (x0 + 3, GROUND + 3),
                     (x0 + 1, GROUND + 15), (x0 - 1, GROUND + 15)], DARK, DARK, 1))
    out.append(rect(x0 - 9, GROUND - 1.5, 18, 4, DARK, DARK, 1, rx=1))
    return "".join(out)


# ---------------------------------------------------------------- drawings

SETUP_K = {"dome": 1000.0, "smart": 760.0, "stick": 540.0}
TYPE_TEXT = {"AI": "ALTURA INCLINADA", "AV": "ALTURA VERTICAL"}


def svg_doc(w, h, body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n<rect width="%d" height="%d" fill="#FFFFFF"/>\n'
            '%s\n</svg>\n' % (w, h, w, h, w, h, body))


def header(w, title, subtitle, y=30):
    return (text(w / 2, y, title, 19, bold=True, anchor="middle", halo=False) +
            text(w / 2, y + 20, subtitle, 11.5, anchor="middle", halo=False,
                 fill="#5D6D7E") +
            line(24, y + 32, w - 24, y + 32, "#C5D0DA", 1))


def setup_svg(alias, acc, typ, ref):
    W, H = 400, 700
    x0 = 200.0
    m = MODELS[alias]
    k = SETUP_K[m["kind"]]
    y_arp = 86 + antenna_height(m) * k
    body = []
    acc_text = ACCESSORY_LABEL[acc]
    body.append(header(W, "QUENTARO " + alias,
                       "%s  ·  %s A %s" % (acc_text, TYPE_TEXT[typ], ref)))
    body.append(draw_ground(x0))

    stud_h = 12.0
    y_under = y_arp + stud_h
    parts_back, parts_front = [], []
    if acc == "TRIPODE":
        tri, acc_anchor = draw_tripod(x0, y_under)
        parts_front.append(tri)
    else:
        pole, pole_anchor = draw_pole(x0, y_under, GROUND)
        parts_front.append(pole)
        acc_anchor = pole_anchor
        if acc == "BIPODE Y BASTON":
            y_clamp = y_under + 0.45 * (GROUND - y_under)
            legs, clamp = draw_bipod(x0, y_clamp)
            parts_back.append(legs)
            parts_front.append(clamp)
            acc_anchor = (x0 - 11, y_clamp)
    body += parts_back + parts_front
    body.append(draw_stud(x0, y_arp, 6, stud_h))
    if ref == "R2":
        body.append(draw_plate(x0, y_arp, m["placa"] * k, 4))
    ant, p = draw_antenna(alias, x0, y_arp, k, 11)
    body.append(ant)

    # Accessory label, on the left.
    if acc == "TRIPODE":
        lx, ly = 22, acc_anchor[1] - 52
    elif acc == "BIPODE Y BASTON":
        lx, ly = 22, acc_anchor[1] - 70
    else:
        lx, ly = 60, acc_anchor[1] - 30
    lw = text_width(acc_text, 13, True)
    body.append(leader([(lx + lw + 3, ly - 4), (lx + lw + 12, ly - 4),
                        acc_anchor]))
    body.append(text(lx, ly, acc_text, 13, bold=True))

    mark = (x0, GROUND)
    if typ == "AI":
        target = p["r1"] if ref == "R1" else (x0 + m["placa"] * k, y_arp)
        # The measured slant height, drawn over everything it crosses.
        body.append(line(mark[0], mark[1], target[0], target[1], "#FFFFFF", 5,
                         cap="round"))
        body.append(line(mark[0], mark[1], target[0], target[1], ACCENT, 2.2))
        # Hm where the line has most room: low down between the tape and
        # the right tripod leg, half-way up beside a pole.
        t = 0.3 if acc == "TRIPODE" else 0.5
        hx = mark[0] + (target[0] - mark[0]) * t + 12
        hy = mark[1] + (target[1] - mark[1]) * t
        body.append(text(hx, hy, "Hm", 18, bold=True, italic=True, fill=ACCENT))
        # Reference label above right, with a leader down to the point.
        if ref == "R1":
            lw = text_width(REF_LABEL["R1"][1], 11, True)
            lx, ly = min(target[0] + 10, W - 14 - lw), p["top"] + 2
            body.append(leader([(lx + 4, ly + 20), target]))
            body.append(ref_label(lx, ly, ref, 11, two_lines=True))
        else:
            lx, ly = target[0] - 20, y_arp - 56
            body.append(leader([(lx + 8, ly + 19), target]))
            body.append(ref_label(lx, ly, ref, 11, two_lines=True))
        # ARP, on the left.
        ax, ay = x0 - 118, y_arp + 48
        body.append(leader([(ax + 30, ay - 5), (x0 - 62, ay - 5), (x0, y_arp)]))
        body.append(text(ax, ay, "ARP", 13, bold=True))
        body.append(point(x0, y_arp, DARK, 3.8))
        body.append(point(*mark))
        body.append(point(*target))
    else:
        # Vertical height: a dimension line beside the pole, with extension
        # lines from the ARP and along the ground.
        xd = x0 + 132
        body.append(line(x0 + 8, y_arp, xd + 10, y_arp, ACCENT, 1, dash="5 3"))
        body.append(line(x0 + 14, GROUND, xd + 10, GROUND, ACCENT, 1,
                         dash="5 3"))
        body.append(dimension(xd, GROUND, xd, y_arp, ACCENT, 2, 11))
        body.append(text(xd + 8, (GROUND + y_arp) / 2 + 6, "Hm", 18,
                         bold=True, italic=True, fill=ACCENT))
        body.append(ref_label(x0 + max(m["radio"], m.get("base", 0)) * k + 10,
                              y_arp - 8, "R3", 13))
        body.append(point(x0, y_arp))
        body.append(point(*mark))
    body.append(text(x0, GROUND + 40, "MARCA", 13, bold=True, anchor="middle"))
    return svg_doc(W, H, "\n".join(body))



def reference_svg(alias, ref):
    W, H = 600, 360
    m = MODELS[alias]
    x0 = 232.0
    y_arp = 262.0
    h = antenna_height(m)
    reach = {"R1": m["radio"] + 0.0, "R2": m["placa"], "R3": m["radio"]}[ref]
    limit_w = {"R1": 120.0, "R2": 185.0, "R3": 120.0}[ref]
    k = min((y_arp - 78) / h, limit_w / reach)
    body = []
    body.append(text(24, 34, "QUENTARO " + alias, 18, bold=True, halo=False))
    body.append(text(W - 24, 34, "PUNTO DE REFERENCIA " + ref, 12,
                     bold=True, anchor="end", halo=False, fill="#5D6D7E"))
    body.append(line(24, 46, W - 24, 46, "#C5D0DA", 1))
    # Axis.
    body.append(line(x0, 62, x0, y_arp + 62, MID, 1, dash="14 4 2 4"))
    stud_half = max(6.0, 0.008 * k)
    stud_h = max(12.0, 0.014 * k)
    body.append(draw_stud(x0, y_arp, stud_half, stud_h))
    if ref == "R2":
        body.append(draw_plate(x0, y_arp, m["placa"] * k, max(5.0, 0.004 * k)))
    ant, p = draw_antenna(alias, x0, y_arp, k, max(10.0, min(18.0, 0.11 * k * m["radio"] * 2.2)))
    body.append(ant)

    y_dim = y_arp + 50
    if ref == "R1":
        rx, ry = p["r1"]
        # r: from the axis to R1, below the antenna.
        body.append(line(rx, ry + 8, rx, y_dim + 8, DARK, 0.9, dash="4 3"))
        body.append(dimension(x0, y_dim, rx, y_dim))
        body.append(text((x0 + rx) / 2, y_dim - 7, "r", 15, bold=True,
                         italic=True, anchor="middle"))
        # HR1: from the ARP up to R1, on the right.
        xd = rx + 30
        base_x = x0 + m["base"] * k
        body.append(line(base_x + 6, y_arp, xd + 8, y_arp, DARK, 0.9,
                         dash="4 3"))
        body.append(line(rx + 8, ry, xd + 8, ry, DARK, 0.9, dash="4 3"))
        body.append(dimension(xd, y_arp, xd, ry))
        body.append(text(xd + 10, (y_arp + ry) / 2 + 5, "HR1", 14, bold=True,
                         italic=True))
        lx, ly = rx + 46, ry - 48
        body.append(leader([(lx - 4, ly - 5), (rx + 30, ly - 5), (rx, ry)]))
        body.append(ref_label(lx, ly, "R1", 14))
        body.append(point(rx, ry, ACCENT, 5.5))
        arp_colour = DARK
    elif ref == "R2":
        px = x0 + m["placa"] * k
        body.append(line(px, y_arp + 10, px, y_dim + 8, DARK, 0.9, dash="4 3"))
        body.append(dimension(x0, y_dim, px, y_dim))
        body.append(text((x0 + px) / 2, y_dim - 7, "PLACA", 13, bold=True,
                         anchor="middle"))
        lx, ly = min(px + 4, W - 24 - label_width("R2", 14)), y_arp - 62
        body.append(leader([(lx + 10, ly + 6), (px, y_arp)]))
        body.append(ref_label(lx, ly, "R2", 14))
        body.append(point(px, y_arp, ACCENT, 5.5))
        arp_colour = DARK
    else:
        base_x = x0 + m.get("base", m.get("body_w", m["radio"])) * k
        label_x = x0 + m["radio"] * k + 14
        xd = x0 + 170
        body.append(line(base_x + 6, y_arp, xd + 60, y_arp, ACCENT, 1.1,
                         dash="5 3"))
        body.append(line(xd, H - 14, xd, y_arp, ACCENT, 2))
        body.append(arrowhead(xd, y_arp, -90, ACCENT, 12))
        body.append(text(xd + 10, y_arp + 52, "Hm", 17, bold=True,
                         italic=True, fill=ACCENT))
        body.append(text(xd + 14, y_arp + 22, "VERTICAL", 10, fill="#5D6D7E"))
        body.append(ref_label(label_x, y_arp - 10, "R3", 14))
        arp_colour = ACCENT
    if ref != "R3":
        ax, ay = x0 - 150, y_arp + 36
        body.append(leader([(ax + 34, ay - 5), (x0 - 50, ay - 5), (x0, y_arp)]))
        body.append(text(ax, ay, "ARP", 14, bold=True))
    body.append(point(x0, y_arp, arp_colour, 5))
    return svg_doc(W, H, "\n".join(body))
