#!/usr/bin/env bash
# Installs the Debian packages that building and running the program needs
# ("program", for scripts/run.sh), or those and what the tests, the fuzzing
# and the Windows build add ("all", the default, for scripts/test.sh).
# Idempotent and quick when everything is already there: apt-get runs only
# for packages that dpkg does not report as installed.
# Usage: install-deps.sh [program|all]
set -euo pipefail

PROGRAM_PACKAGES=(
  # build
  build-essential cmake pkg-config
  # toolkit and libraries the program links
  tcl8.6-dev tk8.6-dev libqpdf-dev libpng-dev zlib1g-dev
  # reading RINEX files through their wrappers (gzip, compress, bzip2, zip)
  libarchive-dev
  # the photo report: scaled JPEG decoding (libjpeg's own interface, for its
  # memory limit and progress watch) and encoding, and EXIF tags
  libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev
  # fonts the window and its emoji button use
  fonts-dejavu-core fonts-dejavu-extra fonts-noto-color-emoji
  # opening the finished report
  xdg-utils
  # the C library's own messages in Spanish (system error texts)
  libc-l10n
)
TEST_PACKAGES=(
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick qpdf poppler-utils mupdf-tools
  # the plain designs the report benchmarks measure themselves against, and
  # the EXIF tags of the photos the tests make
  python3-reportlab python3-pil libimage-exiftool-perl
  # resources are rendered from SVG sources (scripts/render-resources.sh)
  librsvg2-bin
  # the fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the
  # sanitizer runtimes
  clang-14 libclang-rt-14-dev
  # packaging checks
  lintian dpkg-dev file
  # a comma-decimal locale for the tests that prove numbers ignore it
  locales
  # archive programs that must read the delivery package (with unzip and
  # Python's zipfile): libarchive's bsdtar and 7-Zip
  libarchive-tools p7zip-full
  # the Windows program: cross compiler, zlib for it, GoogleTest's sources,
  # Wine to run it, the installer and the zip (scripts/build-windows.sh)
  mingw-w64 libz-mingw-w64-dev googletest wine wine64 nsis zip unzip
)

case ${1:-all} in
  program) PACKAGES=("${PROGRAM_PACKAGES[@]}") ;;
  all) PACKAGES=("${PROGRAM_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *)
    echo "usage: $0 [program|all]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The tests need the Spanish locale made; the program takes the desktop's.
need_locale=
if [ "${1:-all}" = all ] && ! grep -qi '^es_ES\.utf-\?8$' <<<"$(locale -a 2>/dev/null)"; then
  need_locale=1
fi
if [ ${#missing[@]} -eq 0 ] && [ -z "$need_locale" ]; then
  exit 0
fi

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  SUDO=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ -n "$need_locale" ]; then
  "${SUDO[@]}" localedef -i es_ES -f UTF-8 es_ES.UTF-8
fi
