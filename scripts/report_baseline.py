#!/usr/bin/python3
"""The plain design of the height conversion report, kept as the benchmark
baseline: the same pages drawn the straightforward way with reportlab's
canvas, pictures passed as PNG files, encrypted by reportlab (128 bits,
empty user password, printing only). report_bench runs it in the same run
as the real report and prints the ratio.

  report_baseline.py RESOURCES_DIR OUT.pdf PAGES [KINDS]

Prints the seconds the report took, imports and start-up excluded (as in a
program that is already running when its button is pressed).
"""
import math
import os
import secrets
import string
import sys
import time

from reportlab.lib.pdfencrypt import StandardEncryption
from reportlab.lib.pagesizes import A4
from reportlab.lib.units import cm
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas

CATALOGUE = {  # model: radio, h_r1, placa, L1, L2, alias
    "QUENTARO R300": (0.067, 0.07, 0.12, 0.084, 0.08, "R300"),
    "QUENTARO R350": (0.067, 0.07, 0.12, 0.084, 0.08, "R350"),
    "QUENTARO R700": (0.0667, 0.0665, 0.13, 0.087, 0.087, "R700"),
    "QUENTARO R750": (0.0667, 0.0665, 0.13, 0.087, 0.087, "R750"),
    "QUENTARO M200 PLUS": (0.04, 0.0, 0.12, 0.161, 0.163, "M200 PLUS"),
    "QUENTARO R100": (0.025, 0.0, 0.12, 0.262, 0.264, "R100"),
}
KINDS = [
    ("QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"),
    ("QUENTARO R700", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.6"),
    ("QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"),
    ("QUENTARO R350", "INCLINADA", "BÍPODE Y BASTÓN", "R1", "1.55"),
    ("QUENTARO M200 PLUS", "INCLINADA", "TRÍPODE", "R2", "1.7"),
    ("QUENTARO R750", "VERTICAL", "BÍPODE Y BASTÓN", "R3", "1.8"),
]
DARK = (0.17, 0.24, 0.31)
URL = "https://example.org/zarvek-certificacion"
CREDIT = "INFORME GENERADO CON ZARVEK - CERTIFICACIÓN DE PG V1.1"


def convert(h, tipo, ref, d):
    radio, h_r1, placa, l1, l2, _ = d
    vals = {"Hm": float(h), "r": radio, "HR1": h_r1, "Placa": placa,
            "Offset": (l1 + l2) / 2}
    hm = vals["Hm"]
    arp, mode = 0.0, ""
    if tipo == "INCLINADA" and ref == "R1":
        arp, mode = math.sqrt(hm * hm - radio * radio) - h_r1, "SLANT_R1"
    elif tipo == "INCLINADA" and ref == "R2":
        arp, mode = math.sqrt(hm * hm - placa * placa), "SLANT_R2"
    elif tipo == "VERTICAL" and ref == "R3":
        arp, mode = hm, "VERTICAL_R3"
    return round(arp, 4), round(arp + vals["Offset"], 4), mode, vals


def image(c, path, x, y, w, h, centre):
    if not os.path.exists(path):
        return False
    iw, ih = ImageReader(path).getSize()
    w = iw if w is None else w
    h = ih if h is None else h
    if centre:
        x, y = x - w / 2, y - h / 2
    c.drawImage(path, x, y, w, h, preserveAspectRatio=True, mask="auto",
                anchor="c")
    return True


def box(c, x, y, w, h, lw=1):
    c.setFillColorRGB(0.96, 0.96, 0.96)
    c.setStrokeColorRGB(*DARK)
    c.setLineWidth(lw)
    c.roundRect(x, y, w, h, 4, fill=1, stroke=1)
    c.setFillColorRGB(*DARK)


def specs(c, x, y, w, d, ref):
    radio, h_r1, placa, l1, l2, _ = d
    c.saveState()
    hb = 4.0 * cm
    box(c, x, y, w, hb)
    c.setFont("Helvetica-Bold", 9)
    c.drawCentredString(x + w / 2, y + hb - 12, "ESPECIFICACIONES TÉCNICAS")
    c.line(x + 5, y + hb - 18, x + w - 5, y + hb - 18)
    lx, vx, sy, gap = x + 10, x + 140 - 0.8 * cm, y + hb - 32, 13
    lbl = {"R1": "CONSTANTE (HR1):", "R2": "CONSTANTE (PLACA):"}.get(
        ref, "CONSTANTE:")
    val = {"R1": "%.3f m" % h_r1, "R2": "%.3f m" % placa}.get(ref, "---")
    rows = [(lx, 0, "RADIO (r):", "%.3f m" % radio), (lx, 1, lbl, val),
            (lx, 2.2, "OFFSETS (L1/L2):", None),
            (lx + 10, 3.2, "L1:", "%.3f m" % l1),
            (lx + 10, 4.2, "L2:", "%.3f m" % l2),
            (lx + 10, 5.2, "PROMEDIO:", "%.3f m" % ((l1 + l2) / 2))]
    for at, k, label, value in rows:
        c.setFont("Helvetica-Bold", 8)
        c.drawString(at, sy - gap * k, label)
        if value is not None:
            c.setFont("Helvetica", 8)
            c.drawString(vx, sy - gap * k, value)
    c.restoreState()


def field(c, x, y, w, tipo, acc, h, ref):
    c.saveState()
    hb = 2.8 * cm
    box(c, x, y, w, hb)
    c.setFont("Helvetica-Bold", 9)
    c.drawCentredString(x + w / 2, y + hb - 12, "APUNTES DE CAMPO")
    c.line(x + 5, y + hb - 18, x + w - 5, y + hb - 18)
    lx, vx, sy, gap = x + 10, x + 140 - 0.8 * cm, y + hb - 35, 18
    acc_str = acc.upper() if len(acc) <= 24 else acc[:22].upper() + "..."
    for k, label, value, font in [
            (0, "TIPO DE MEDIDA:", tipo.upper(), ("Helvetica", 8)),
            (1, "ACCESORIO:", acc_str, ("Helvetica", 8)),
            (2, "ALTURA MEDIDA (%s):" % ref, "%.3f m" % float(h),
             ("Helvetica-Bold", 9))]:
        c.setFont("Helvetica-Bold", 8)
        c.drawString(lx, sy - gap * k, label)
        c.setFont(*font)
        c.drawString(vx, sy - gap * k, value)
    c.restoreState()


def calc(c, x, y, mode, v, arp, pc, ref):
    c.saveState()
    bw, bh = 16 * cm, 5.2 * cm
    box(c, x, y, bw, bh, 1.5)
    cl, cr = x + bw * 0.25, x + bw * 0.75
    y_arp = y + 3.8 * cm
    y_res_arp = y_arp - 0.9 * cm
    y_pc = y_res_arp - 1.2 * cm
    y_res_pc = y_pc - 0.9 * cm
    c.setFont("Helvetica-Bold", 9)
    c.drawCentredString(cl, y + bh - 0.5 * cm, "FÓRMULA TEÓRICA")
    c.drawCentredString(cr, y + bh - 0.5 * cm, "SUSTITUCIÓN DE VALORES")
    c.setFillColorRGB(*DARK)

    def sub(cx, cy, base, s, fs=11):
        c.setFont("Helvetica", fs)
        bwid = c.stringWidth(base, "Helvetica", fs)
        c.drawString(cx, cy, base)
        c.setFont("Helvetica", fs - 3)
        c.drawString(cx + bwid, cy - 2, s)
        return cx + bwid + c.stringWidth(s, "Helvetica", fs - 3)

    def sqrt(cx, cy, content, w, fs=11):
        c.setLineWidth(1)
        c.setStrokeColorRGB(*DARK)
        c.line(cx, cy + fs / 2, cx + 3, cy - 2)
        c.line(cx + 3, cy - 2, cx + 6, cy + fs + 2)
        c.line(cx + 6, cy + fs + 2, cx + 6 + w + 2, cy + fs + 2)
        content(cx + 8, cy)
        return cx + 6 + w + 4

    def theo(tail):
        def draw(dx, dy):
            cur = sub(dx, dy, "H", ref)
            c.setFont("Helvetica", 11)
            c.drawString(cur, dy, tail)
        return draw

    def num(text):
        def draw(dx, dy):
            c.setFont("Helvetica", 11)
            c.drawString(dx, dy, text)
        return draw

    if mode in ("SLANT_R1", "SLANT_R2"):
        r1 = mode == "SLANT_R1"
        w_rad = 2.0 * cm if r1 else 2.8 * cm
        w_suf = c.stringWidth(" - HR1", "Helvetica", 11) if r1 else 0
        end = sqrt(cl - (w_rad + w_suf) / 2, y_arp,
                   theo("² - r²" if r1 else "² - Placa²"), w_rad)
        if r1:
            c.setFont("Helvetica", 11)
            c.drawString(end + 3, y_arp, " - HR1")
        other = v["r"] if r1 else v["Placa"]
        s_rad = "%.4f² - %.4f²" % (v["Hm"], other)
        w_num = c.stringWidth(s_rad, "Helvetica", 11) + 0.5 * cm
        s_suf = " - %.4f" % v["HR1"] if r1 else ""
        w_snum = c.stringWidth(s_suf, "Helvetica", 11)
        end = sqrt(cr - (w_num + w_snum) / 2, y_arp, num(s_rad), w_num)
        if r1:
            c.drawString(end + 3, y_arp, s_suf)
    elif mode == "VERTICAL_R3":
        c.setFont("Helvetica-Oblique", 11)
        c.drawCentredString(cl, y_arp, "H" + ref + " (Medida Directa)")
        c.setFont("Helvetica", 11)
        c.drawCentredString(cr, y_arp, "%.4f" % v["Hm"])
    c.setFont("Helvetica-Bold", 10)
    c.drawCentredString(cl, y_res_arp, "ALTURA A LA BASE DEL SOPORTE:")
    c.setFont("Helvetica-Bold", 12)
    c.drawCentredString(cr, y_res_arp, "%.3f m" % arp)
    c.setLineWidth(0.5)
    c.setStrokeColorRGB(0.7, 0.7, 0.7)
    c.line(x + 0.5 * cm, y_res_arp - 0.3 * cm, x + bw - 0.5 * cm,
           y_res_arp - 0.3 * cm)
    c.setFillColorRGB(*DARK)
    c.setFont("Helvetica-Oblique", 11)
    c.drawCentredString(cl, y_pc, "ARP + Offset Promedio")
    c.setFont("Helvetica", 11)
    c.drawCentredString(cr, y_pc, "%.4f + %.4f" % (arp, v["Offset"]))
    c.setFont("Helvetica-Bold", 10)
    c.drawCentredString(cl, y_res_pc, "ALTURA AL CENTRO DE FASE:")
    c.setFont("Helvetica-Bold", 12)
    c.drawCentredString(cr, y_res_pc, "%.3f m" % pc)
    c.restoreState()


def page(c, res, row, n, total, fecha):
    codigo, rec, tipo, acc, ref, h = row
    d = CATALOGUE[rec]
    arp, pc, mode, vals = convert(h, tipo, ref, d)
    W, H = A4
    header_y = H - 2.5 * cm
    y_info = header_y - 1.8 * cm
    text_y = y_info + 1.8 * cm - 0.8 * cm
    top = y_info - 0.5 * cm
    x_gnss, x_ref = W / 2 - 4.5 * cm, W / 2 + 4.0 * cm
    y_specs = top - 13 * cm
    c.setFont("Helvetica-Bold", 12)
    c.setFillColorRGB(*DARK)
    c.drawRightString(W - 2 * cm, header_y + 0.5 * cm, "CONVERSIÓN DE ALTURA")
    image(c, res + "LOGO_QUENTARO.png", 4.4 * cm, header_y + 0.8 * cm,
          5 * cm, 2 * cm, True)
    c.setLineWidth(2)
    c.setStrokeColorRGB(*DARK)
    c.line(1.5 * cm, header_y, W - 1.5 * cm, header_y)
    c.setLineWidth(1)
    c.setStrokeColorRGB(0.5, 0.5, 0.5)
    c.rect(1.5 * cm, 1.5 * cm, W - 3 * cm, header_y - 1.5 * cm)
    c.setFillColorRGB(0.92, 0.94, 0.96)
    c.rect(1.6 * cm, y_info, W - 3.2 * cm, 1.6 * cm, stroke=0, fill=1)
    c.setFillColorRGB(*DARK)
    c.setFont("Helvetica-Bold", 16)
    c.drawString(2 * cm, text_y, "PUNTO: " + codigo)
    c.setFont("Helvetica", 10)
    c.drawString(2 * cm, text_y - 0.7 * cm, "RECEPTOR GNSS: " + rec +
                 "  |  FECHA DE CONVERSIÓN: " + fecha)
    acc_part = ("TRIPODE" if "TRÍPODE" in acc else "BIPODE Y BASTON"
                if "BÍPODE" in acc else "BASTON" if "BASTÓN" in acc else "")
    name = "%s_%s_%s_%s.png" % (d[5], acc_part,
                                "AI" if tipo == "INCLINADA" else "AV", ref)
    gy = top - 15 * cm + 7 * cm
    if not image(c, res + name, x_gnss, gy, None, 15 * cm, True):
        c.setStrokeColorRGB(0.8, 0.8, 0.8)
        c.rect(x_gnss - 3 * cm, gy - 7.5 * cm, 6 * cm, 15 * cm)
        c.setFont("Helvetica", 8)
        c.drawCentredString(x_gnss, gy - 3, "SIN IMAGEN")
    image(c, res + d[5] + "_" + ref + ".png", x_ref, top - 4 * cm,
          5 * cm * 1.7, None, True)
    bx = x_ref - 7.5 * cm / 2
    specs(c, bx, y_specs, 7.5 * cm, d, ref)
    field(c, bx, y_specs - 3.2 * cm, 7.5 * cm, tipo, acc, h, ref)
    calc(c, 2.5 * cm, 2.5 * cm, mode, vals, arp, pc, ref)
    if os.path.exists(res + "ICONO_QUENTARO.png"):
        c.saveState()
        c.setFillAlpha(0.1)
        c.drawImage(res + "ICONO_QUENTARO.png", (W - 18 * cm) / 2,
                    (H - 18 * cm) / 2, 18 * cm, 18 * cm,
                    preserveAspectRatio=True, mask="auto", anchor="c")
        c.restoreState()
    footer_y = 1.0 * cm
    c.setFont("Helvetica-Bold", 10)
    c.setFillColorRGB(0.16, 0.5, 0.72)
    c.drawCentredString(W / 2, footer_y, URL)
    w_url = c.stringWidth(URL, "Helvetica-Bold", 10)
    c.linkURL(URL, (W / 2 - w_url / 2, footer_y - 2, W / 2 + w_url / 2,
                    footer_y + 8), relative=0, thickness=0)
    c.setFont("Helvetica-Bold", 6)
    c.setFillColorRGB(*DARK)
    c.drawCentredString(W / 2, footer_y - 0.4 * cm, CREDIT)
    c.setFont("Helvetica-Bold", 8)
    c.drawRightString(W - 1.5 * cm, footer_y, "PÁGINA %d/%d" % (n, total))


def report(res, out, rows, fecha):
    alphabet = string.ascii_letters + string.digits + string.punctuation
    owner = "".join(secrets.choice(alphabet) for _ in range(32))
    enc = StandardEncryption("", ownerPassword=owner, canPrint=1, canModify=0,
                             canCopy=0, canAnnotate=0, strength=128)
    c = canvas.Canvas(out, pagesize=A4, encrypt=enc)
    for n, row in enumerate(rows, 1):
        page(c, res, row, n, len(rows), fecha)
        c.showPage()
    c.save()


def main():
    res, out, pages = sys.argv[1], sys.argv[2], int(sys.argv[3])
    kinds = int(sys.argv[4]) if len(sys.argv) > 4 else len(KINDS)
    if not res.endswith("/"):
        res += "/"
    rows = [(str(1000 + i),) + KINDS[i % kinds] for i in range(pages)]
    start = time.perf_counter()
    report(res, out, rows, "07/12/2026")
    print("%.6f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
