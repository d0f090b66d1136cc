#!/usr/bin/python3
"""The plain design of the photo report, kept as the benchmark baseline:
every photo of the project's photos folder opened with Pillow, reduced while
decoding (draft), turned upright (ImageOps.exif_transpose), scaled
(thumbnail) to 150 dpi at its printed size and saved as JPEG, then placed
six to a page with its caption on reportlab's canvas, encrypted by reportlab
(128 bits, empty user password, printing only). photo_report_bench runs it
in the same run as the real report and prints the ratio.

  photo_baseline.py PHOTOS_DIR OUT.pdf

PHOTOS_DIR holds one folder per point, each with its stage folders. Prints
the seconds the report took, imports and start-up excluded.
"""
import io
import os
import secrets
import string
import sys
import time

from PIL import Image, ImageOps
from reportlab.lib.pagesizes import A4
from reportlab.lib.pdfencrypt import StandardEncryption
from reportlab.lib.units import cm
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas

BOX_W, BOX_H = 250, 150  # points, as the real report's photo box
DPI = 150


def prepared(path):
    im = Image.open(path)
    w, h = im.size
    if im.getexif().get(0x0112, 1) in (5, 6, 7, 8):
        w, h = h, w
    scale = min(BOX_W / w, BOX_H / h) * DPI / 72
    need = (max(1, round(w * scale)), max(1, round(h * scale)))
    im.draft("RGB", need if w == im.size[0] else (need[1], need[0]))
    im = ImageOps.exif_transpose(im)
    im.thumbnail(need)
    out = io.BytesIO()
    im.convert("RGB").save(out, "JPEG", quality=85)
    out.seek(0)
    return ImageReader(out)


def report(photos_dir, out):
    alphabet = string.ascii_letters + string.digits + string.punctuation
    owner = "".join(secrets.choice(alphabet) for _ in range(32))
    enc = StandardEncryption("", ownerPassword=owner, canPrint=1, canModify=0,
                             canCopy=0, canAnnotate=0, strength=128)
    c = canvas.Canvas(out, pagesize=A4, encrypt=enc)
    W, H = A4
    for point in sorted(os.listdir(photos_dir)):
        pdir = os.path.join(photos_dir, point)
        if not os.path.isdir(pdir):
            continue
        slot = 0
        for stage in sorted(os.listdir(pdir)):
            sdir = os.path.join(pdir, stage)
            for name in sorted(os.listdir(sdir)):
                if slot == 6:
                    c.showPage()
                    slot = 0
                if slot == 0:
                    c.setFont("Helvetica-Bold", 14)
                    c.drawString(1.5 * cm, H - 2.5 * cm, "PUNTO " + point)
                col, row = slot % 2, slot // 2
                x = 1.5 * cm + col * (BOX_W + 10)
                y = H - 3.5 * cm - (row + 1) * 192
                c.drawImage(prepared(os.path.join(sdir, name)), x, y + 42,
                            BOX_W, BOX_H, preserveAspectRatio=True)
                c.setFont("Helvetica", 7)
                c.drawString(x, y + 33, name)
                c.drawString(x, y + 24, stage)
                slot += 1
        c.showPage()
    c.save()


def main():
    photos_dir, out = sys.argv[1], sys.argv[2]
    start = time.perf_counter()
    report(photos_dir, out)
    print("%.6f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
