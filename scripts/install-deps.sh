#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its tools need.
# Idempotent and quick when everything is already there: apt-get runs only
# for packages that dpkg does not report as installed.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config
  # toolkit and libraries the program links
  tcl8.6-dev tk8.6-dev libqpdf-dev libpng-dev zlib1g-dev
  # reading RINEX files through their wrappers (gzip, compress, bzip2, zip)
  libarchive-dev
  # the photo report: scaled JPEG decoding (libjpeg's own interface, for its
  # memory limit and progress watch) and encoding, and EXIF tags
  libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick qpdf poppler-utils mupdf-tools
  # the plain designs the report benchmarks measure themselves against, and
  # the EXIF tags of the photos the tests make
  python3-reportlab python3-pil libimage-exiftool-perl
  # resources are rendered from SVG sources
  librsvg2-bin
  # fonts the window and its emoji button use
  fonts-dejavu-core fonts-dejavu-extra fonts-noto-color-emoji
  # opening the finished report
  xdg-utils
  # the fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the
  # sanitizer runtimes
  clang-14 libclang-rt-14-dev
  # packaging checks
  lintian dpkg-dev file
  # a comma-decimal locale for the tests that prove numbers ignore it
  locales
  # the C library's own messages in Spanish (system error texts)
  libc-l10n
  # the Windows program: cross compiler, zlib for it, GoogleTest's sources,
  # Wine to run it, the installer and the zip (scripts/build-windows.sh);
  # tclsh, which Tcl's Windows "make install" runs to lay out its time-zone
  # data (tcl8.6-dev has the library only)
  mingw-w64 libz-mingw-w64-dev googletest wine wine64 nsis zip unzip tcl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && locale -a 2>/dev/null | grep -qi '^es_ES\.utf-\?8$'; then
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

if ! locale -a 2>/dev/null | grep -qi '^es_ES\.utf-\?8$'; then
  "${SUDO[@]}" localedef -i es_ES -f UTF-8 es_ES.UTF-8
fi
