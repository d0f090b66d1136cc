"""The program's icon and logo, as SVG text.

The icon is a GNSS antenna on its pole over a ground survey mark, with two
signal arcs, in white on a blue-to-navy tile. Sizes of 24 px and below use
a bolder variant with one arc, so the shape survives the pixel grid.
"""
from fontmetrics import text_width

DARK = "#2C3E50"
BLUE = "#2980B9"
GREEN = "#27AE60"
FONT = "DejaVu Sans, sans-serif"


def icon_mark(small=False, gid="mark"):
    """The icon drawn in a 256 x 256 box, as an SVG group (no <svg>)."""
    arcs = ('<path d="M 80 76 A 68 68 0 0 1 176 76" opacity="0.85"/>'
            if small else
            '<path d="M 86 78 A 60 60 0 0 1 170 78" opacity="0.75"/>'
            '<path d="M 62 54 A 94 94 0 0 1 194 54" opacity="0.4"/>')
    stroke = 16 if small else 11
    # The big icon separates dome, bumper ring and housing with thin gaps;
    # at small sizes they would only blur, so the silhouette is solid.
    dome_bottom = 131 if small else 124
    housing_top = 147 if small else 154
    pole = 22 if small else 16
    return f'''<g id="{gid}">
  <defs>
    <linearGradient id="{gid}-tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{BLUE}"/>
      <stop offset="1" stop-color="{DARK}"/>
    </linearGradient>
  </defs>
  <rect x="8" y="8" width="240" height="240" rx="52" fill="url(#{gid}-tile)"/>
  <g fill="none" stroke="#FFFFFF" stroke-linecap="round" stroke-width="{stroke}">{arcs}</g>
  <g fill="#FFFFFF">
    <path d="M 72 {dome_bottom} C 72 100 96 88 128 88 C 160 88 184 100 184 {dome_bottom} Z"/>
    <rect x="52" y="129" width="152" height="20" rx="10"/>
    <path d="M 86 {housing_top} L 170 {housing_top} L 158 172 L 98 172 Z"/>
    <rect x="{128 - pole / 2}" y="170" width="{pole}" height="32"/>
  </g>
  <ellipse cx="128" cy="212" rx="46" ry="13" fill="{GREEN}"/>
  <ellipse cx="128" cy="210" rx="12" ry="4.5" fill="#FFFFFF"/>
</g>'''


def icon_svg(small=False):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            'viewBox="0 0 256 256">\n' + icon_mark(small) + '\n</svg>\n')


def logo_svg():
    """QUENTARO word mark beside the icon, 666 x 200, transparent."""
    w, h = 666, 200
    icon = 176
    y_icon = (h - icon) / 2
    x_text = 12 + icon + 26
    avail = w - x_text - 10
    word = "QUENTARO"
    spacing = 1.5
    size = (avail - spacing * (len(word) - 1)) / text_width(word, 1, True)
    tag = "CERTIFICACIÓN GNSS"
    tag_size = 22
    tag_spacing = (avail - text_width(tag, tag_size, True)) / (len(tag) - 1)
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">
<g transform="translate(12 {y_icon}) scale({icon / 256})">{icon_mark()}</g>
<text x="{x_text}" y="106" font-family="{FONT}" font-weight="bold" font-size="{size}" letter-spacing="{spacing:.2f}" fill="{DARK}">{word}</text>
<rect x="{x_text + 2}" y="122" width="{avail - 2}" height="5" rx="2.5" fill="{GREEN}"/>
<text x="{x_text + 1}" y="160" font-family="{FONT}" font-weight="bold" font-size="{tag_size}" letter-spacing="{tag_spacing:.2f}" fill="{BLUE}">{tag}</text>
</svg>
'''


def folder_svg():
    """The open folder on the BUSCAR button, 16 x 16 design units: a picture
    rather than the emoji, which Windows fonts under Wine draw as boxes.
    White, so that it reads on the button's accent blue."""
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" '
            'viewBox="0 0 16 16">\n'
            '<path d="M1.5 3.5h4.5l1.5 1.5h5.5v2H4.2L1.5 13z" fill="#FFFFFF" '
            'fill-opacity="0.75" stroke="#FFFFFF" stroke-width="1" '
            'stroke-linejoin="round"/>\n'
            '<path d="M1.5 13.5l2.7-6.5h11.3l-2.7 6.5z" fill="#FFFFFF" '
            'stroke="#FFFFFF" stroke-width="1" stroke-linejoin="round"/>\n'
            '</svg>\n')
