"""Writes every resource picture's SVG into the directory given as the only
argument. scripts/render-resources.sh turns them into the shipped PNGs."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import brand  # noqa: E402
import drawings  # noqa: E402


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)

    def write(name, svg):
        with open(os.path.join(out_dir, name), "w", encoding="utf-8") as fh:
            fh.write(svg)

    write("ICONO_QUENTARO.svg", brand.icon_svg())
    write("ICONO_QUENTARO_small.svg", brand.icon_svg(small=True))
    write("LOGO_QUENTARO.svg", brand.logo_svg())
    write("CARPETA.svg", brand.folder_svg())
    for alias, acc, typ, ref in drawings.setups():
        write("%s_%s_%s_%s.svg" % (alias, acc, typ, ref),
              drawings.setup_svg(alias, acc, typ, ref))
    for alias, ref in drawings.references():
        write("%s_%s.svg" % (alias, ref), drawings.reference_svg(alias, ref))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: generate.py OUTPUT_DIR")
    main(sys.argv[1])
