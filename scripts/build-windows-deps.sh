#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows, the libraries that zarvek.exe links, from
# Debian's own source packages, and prints the folder that holds them (the
# only line written to stdout; progress goes to stderr).
#
# The sources come through a private apt sources list in the build folder
# (the machine's apt configuration is not touched), at the versions pinned in
# the table below, those of Debian 12 (main, or its security suite where that
# has a newer one). Each library is the upstream ".orig" tarball with
# Debian's whole patch series applied, in the series' order and without
# fuzz, as dpkg-source does: the security fixes are among them. Patches
# that cannot matter here may be left out by name in SKIPPED_PATCHES.
#
# The result is cached outside the repository, in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/zarvek-windows/<key>
# where the key is made of the table, the build recipes' revision and the
# cross compiler's version, so that a second run costs nothing.
#
# Every step runs with "set -e" in force (see run_step): the first command
# that fails stops the build, with a message naming the library and the
# command.
#
# Usage: build-windows-deps.sh [BUILD_DIR]   (default: build-win)
# scripts/build-windows-deps-test.sh sources this file for its functions.
set -euo pipefail
shopt -s inherit_errexit

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TRIPLE=x86_64-w64-mingw32
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
JOBS=${ZARVEK_JOBS:-2}

# The libraries: name, Debian source package, version, and the library of
# this table that its build needs, if any (listed above it). Libraries that
# do not need one another build at the same time (see build_all).
# A library no longer needed is dropped by deleting its line here.
LIBRARIES=(
  "bzip2 bzip2 1.0.8-5"
  "libarchive libarchive 3.6.2-1+deb12u5 bzip2"
  "libjpeg-turbo libjpeg-turbo 1:2.1.5-2"
  "libexif libexif 0.6.24-1+deb12u1"
  "libpng libpng1.6 1.6.39-2+deb12u5"
  "qpdf qpdf 11.3.0-1+deb12u1 libjpeg-turbo"
  "tcl tcl8.6 8.6.13+dfsg-2"
  "tk tk8.6 8.6.13-2 tcl"
)
# Debian patches left out, as "<name>/<patch>", each with the reason. Every
# patch of the libraries above applies cleanly to its upstream source and
# none harms the Windows build (those for Debian's Linux packaging touch
# files this build does not use), so none is left out. A patch listed here
# must not be a security fix (CVE-*).
SKIPPED_PATCHES=()
# Raise when a recipe below changes, so that the cache is rebuilt.
RECIPES_REVISION=3

log() { echo "build-windows-deps: $*" >&2; }
die() {
  log "$*"
  exit 1
}

# Runs one step of library $1 ("$@" after the step's description $2) in a
# subshell with "set -e" in force. Called as the condition of "||" or "if",
# as a recipe once was, a function runs with "set -e" off: a failed command
# in its middle went unnoticed, and only the last one's status counted. The
# subshell here is a plain command, so the first failure stops it; it is
# named, and the build stops.
run_step() {
  local name=$1 what=$2 status
  shift 2
  set +e
  # Called itself inside a condition, it could not turn "set -e" back on
  # for the step (bash ignores it there): that is refused.
  (
    set -e
    false
    true
  )
  # shellcheck disable=SC2181
  [ $? -ne 0 ] || die "$name: $what was started where bash ignores set -e (inside if, ||, && or !)"
  (
    set -eE
    trap 'log "$name: $what stopped at: $BASH_COMMAND (exit status $?)"' ERR
    "$@"
  )
  status=$?
  set -e
  [ "$status" -eq 0 ] || die "$name: $what failed (logs above; sources in $SRC_DIR/$name)"
}

# The system's own archive, turned into a private list of source indexes in
# $APT_DIR/parts. Debian keeps it in /etc/apt/sources.list.d/debian.sources
# (deb822: cloud images, new installs), in the one-line /etc/apt/sources.list
# (debootstrap roots, older installs), or in both. Both are read; a suite
# the deb822 file already lists is not taken again from the one-line file,
# because apt refuses one source listed twice with different Signed-By.
# $1: the folder that holds apt's configuration (default /etc/apt).
write_sources() {
  local etc=${1:-/etc/apt} parts=$APT_DIR/parts
  local deb822=$etc/sources.list.d/debian.sources oneline=$etc/sources.list
  local covered=$APT_DIR/covered-suites
  rm -f "$parts/debian.sources" "$parts/debian.list" "$parts/security.list"
  : >"$covered"
  # deb822: every stanza becomes a source stanza, its Signed-By and any
  # other field kept; the "URI suite" pairs of the enabled ones are noted.
  if [ -f "$deb822" ]; then
    awk -v covered="$covered" '
      function flush(  i, j) {
        if (enabled && has_types)
          for (i in uris) for (j in suites) print uris[i] " " suites[j] >covered
        delete uris; delete suites; enabled = 1; has_types = 0
      }
      BEGIN { enabled = 1 }
      /^[[:space:]]*$/ { flush(); print; next }
      /^#/ { print; next }
      tolower($1) == "types:" { has_types = 1; print "Types: deb-src"; next }
      tolower($1) == "uris:" {
        for (i = 2; i <= NF; i++) { u = $i; sub(/\/+$/, "", u); uris[i] = u }
        print; next
      }
      tolower($1) == "suites:" { for (i = 2; i <= NF; i++) suites[i] = $i; print; next }
      tolower($1) == "enabled:" { if (tolower($2) == "no") enabled = 0; print; next }
      { print }
      END { flush() }' "$deb822" >"$parts/debian.sources"
  fi
  # One-line: "deb [options] URI suite components", once per URI and suite.
  if [ -f "$oneline" ]; then
    awk -v covered="$covered" '
      BEGIN { while ((getline pair <covered) > 0) seen[pair] = 1; close(covered) }
      /^[[:space:]]*deb(-src)?[[:space:]]/ {
        line = $0
        sub(/[[:space:]]#.*$/, "", line)
        sub(/^[[:space:]]*deb(-src)?[[:space:]]+/, "", line)
        options = ""
        if (substr(line, 1, 1) == "[") {
          options = substr(line, 1, index(line, "]"))
          line = substr(line, index(line, "]") + 1)
          sub(/^[[:space:]]+/, "", line)
        }
        if (split(line, word, /[[:space:]]+/) < 2) next
        uri = word[1]; sub(/\/+$/, "", uri)
        if ((uri " " word[2]) in seen) next
        seen[uri " " word[2]] = 1
        print uri " " word[2] >>covered
        print "deb-src " (options == "" ? "" : options " ") line
      }' "$oneline" >"$parts/debian.list"
  fi
  [ -s "$parts/debian.sources" ] || [ -s "$parts/debian.list" ] ||
    die "no Debian archive found in $deb822 or $oneline"
  # Some pinned versions are security updates. A system that lists no
  # security suite (a bare debootstrap root, say) still gets them from it.
  if ! grep -q -- ' [^ ]*-security$' "$covered"; then
    echo "deb-src http://deb.debian.org/debian-security bookworm-security main" \
      >"$parts/security.list"
  fi
}

# Applies to the source in $2 the patch series of library $1's Debian
# tarball $3, in order, as dpkg-source does: each patch with its "-pN" from
# the series (default -p1) and no fuzz, so that a patch that does not fit
# exactly stops the build. Patches in SKIPPED_PATCHES are left out.
apply_debian_patches() {
  local name=$1 dir=$2 debian=$3 tmp line level
  local -a words
  tmp=$(mktemp -d "$SRC_DIR/debian.XXXXXX")
  tar -xf "$debian" -C "$tmp"
  local patches=$tmp/debian/patches
  if [ ! -f "$patches/series" ]; then
    log "$name: Debian applies no patches"
    rm -rf "$tmp"
    return 0
  fi
  while IFS= read -r line || [ -n "$line" ]; do
    # The series holds comments, blank lines and "-pN" options.
    read -ra words <<<"${line%%#*}"
    [ "${#words[@]}" -gt 0 ] || continue
    level=-p1
    if [ "${#words[@]}" -gt 1 ]; then
      [[ ${#words[@]} -eq 2 && ${words[1]} =~ ^-p[0-9]+$ ]] ||
        die "$name: series line '$line' has options other than -pN"
      level=${words[1]}
    fi
    if [[ " ${SKIPPED_PATCHES[*]} " == *" $name/${words[0]} "* ]]; then
      log "$name: Debian's patch ${words[0]} left out (SKIPPED_PATCHES)"
      continue
    fi
    [ -f "$patches/${words[0]}" ] || die "$name: Debian's series names ${words[0]}, which is missing"
    patch -d "$dir" "$level" -s --batch --forward --fuzz=0 --no-backup-if-mismatch \
      <"$patches/${words[0]}" >&2 ||
      die "$name: Debian's patch ${words[0]} does not apply to $dir"
  done <"$patches/series"
  rm -rf "$tmp"
}

# Unpacks the upstream tarball of one source package into $SRC_DIR/<name>
# and applies Debian's patches to it.
fetch() {
  local name=$1 package=$2 version=$3
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local dir=$SRC_DIR/$name
  # The mark holds the Debian revision and the patches left out: another
  # revision or list means other patches.
  local mark=$dir/.debian-patched want
  want="${version#*:} skipped: ${SKIPPED_PATCHES[*]}"
  if [ -f "$mark" ] && [ "$(cat "$mark")" = "$want" ]; then return 0; fi
  (cd "$SRC_DIR" && apt-get "${APT_OPTS[@]}" -qq source --download-only \
    "$package=$version" >&2) ||
    log "$name: apt-get source $package=$version reported an error; looking for tarballs fetched before"
  local orig debian
  orig=$(find "$SRC_DIR" -maxdepth 1 -name "${package}_${upstream}.orig.tar.*" ! -name "*.asc" -print -quit)
  [ -n "$orig" ] || die "$name: cannot fetch the source of $package $version (upstream tarball ${package}_${upstream}.orig.tar.*)"
  debian=$(find "$SRC_DIR" -maxdepth 1 -name "${package}_${version#*:}.debian.tar.*" -print -quit)
  [ -n "$debian" ] || die "$name: cannot fetch Debian's patches of $package $version"
  rm -rf "$dir"
  mkdir -p "$dir"
  tar -xf "$orig" -C "$dir" --strip-components=1
  apply_debian_patches "$name" "$dir" "$debian"
  echo "$want" >"$mark"
}

# --- recipes --------------------------------------------------------------
# Each runs through run_step, so any command that fails stops it.

cmake_lib() {
  local name=$1
  shift
  local bdir=$BUILD/deps/build/$name
  rm -rf "$bdir"
  cmake -S "$SRC_DIR/$name" -B "$bdir" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DZARVEK_WIN_PREFIX="$STAGE" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$STAGE" \
    -DCMAKE_PREFIX_PATH="$STAGE" "$@" >&2
}

# bzip2 has a plain Makefile; only its static library and header are needed.
build_bzip2() {
  local bdir=$BUILD/deps/build/bzip2
  rm -rf "$bdir"
  mkdir -p "$(dirname "$bdir")"
  cp -r "$SRC_DIR/bzip2" "$bdir"
  make -C "$bdir" -j"$JOBS" CC="$TRIPLE-gcc-posix" AR="$TRIPLE-gcc-ar-posix" \
    RANLIB="$TRIPLE-gcc-ranlib-posix" CFLAGS="-O2 -Wall -D_FILE_OFFSET_BITS=64" \
    libbz2.a >&2
  install -d "$STAGE/lib" "$STAGE/include"
  install -m644 "$bdir/libbz2.a" "$STAGE/lib/"
  install -m644 "$bdir/bzlib.h" "$STAGE/include/"
}

# libarchive for reading gzip, bzip2, Unix compress (built in) and zip
# (deflate through zlib): only zlib and bzip2 are given to it. Everything
# else is off, so that no other library is looked for: the xz/lzma, zstd,
# lz4, lzo and BLAKE2 compressors, the OpenSSL, Nettle, mbed TLS and
# Windows CNG cryptography (encrypted zip and the digests of archive
# writers), libxml2 and expat (xar), iconv (Windows' own code-page calls do
# the conversions), POSIX regular expressions, ACLs, extended attributes,
# and the bsdtar, bsdcpio and bsdcat programs and the tests. Only the static
# library is built; it is installed as libarchive.a.
build_libarchive() {
  cmake_lib libarchive "${ZLIB_ARGS[@]}" \
    -DBZIP2_INCLUDE_DIR="$STAGE/include" -DBZIP2_LIBRARIES="$STAGE/lib/libbz2.a" \
    -DBZIP2_LIBRARY="$STAGE/lib/libbz2.a" \
    -DENABLE_ZLIB=ON -DENABLE_BZip2=ON \
    -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF \
    -DENABLE_LIBB2=OFF -DENABLE_OPENSSL=OFF -DENABLE_NETTLE=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_CNG=OFF -DENABLE_LIBXML2=OFF \
    -DENABLE_EXPAT=OFF -DENABLE_ICONV=OFF -DENABLE_PCREPOSIX=OFF \
    -DENABLE_LIBGCC=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_ACL=OFF \
    -DENABLE_XATTR=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
    -DENABLE_TEST=OFF -DENABLE_INSTALL=OFF -DENABLE_WERROR=OFF
  cmake --build "$BUILD/deps/build/libarchive" -j"$JOBS" --target archive_static >&2
  install -d "$STAGE/lib" "$STAGE/include"
  install -m644 "$BUILD/deps/build/libarchive/libarchive/libarchive_static.a" \
    "$STAGE/lib/libarchive.a"
  install -m644 "$SRC_DIR/libarchive/libarchive/archive.h" \
    "$SRC_DIR/libarchive/libarchive/archive_entry.h" "$STAGE/include/"
}

# libjpeg for qpdf, and TurboJPEG (libturbojpeg.a, the same decoder behind a
# simpler interface) for the photo report; static, without the SIMD code
# (which needs the NASM assembler).
build_libjpeg-turbo() {
  cmake_lib libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=0 \
    -DWITH_TURBOJPEG=ON
  cmake --build "$BUILD/deps/build/libjpeg-turbo" -j"$JOBS" \
    --target jpeg-static turbojpeg-static >&2
  install -d "$STAGE/lib" "$STAGE/include"
  install -m644 "$BUILD/deps/build/libjpeg-turbo/libjpeg.a" \
    "$BUILD/deps/build/libjpeg-turbo/libturbojpeg.a" "$STAGE/lib/"
  install -m644 "$BUILD/deps/build/libjpeg-turbo/jconfig.h" \
    "$SRC_DIR/libjpeg-turbo/jerror.h" "$SRC_DIR/libjpeg-turbo/jmorecfg.h" \
    "$SRC_DIR/libjpeg-turbo/jpeglib.h" "$SRC_DIR/libjpeg-turbo/turbojpeg.h" \
    "$STAGE/include/"
}

# libexif's upstream tarball is its repository without the generated
# configure script (Debian runs autoreconf), so its few C files are compiled
# here directly into libexif.a, with the two files configure would write:
# config.h (no translations: the program shows no libexif texts) and
# _stdint.h.
build_libexif() {
  local bdir=$BUILD/deps/build/libexif src=$SRC_DIR/libexif f
  rm -rf "$bdir"
  mkdir -p "$bdir/libexif"
  printf '%s\n' '#define GETTEXT_PACKAGE "libexif-12"' >"$bdir/config.h"
  printf '%s\n' '#include <stdint.h>' >"$bdir/libexif/_stdint.h"
  for f in "$src"/libexif/*.c "$src"/libexif/*/*.c; do
    "$TRIPLE-gcc-posix" -O2 -I"$bdir" -I"$src" -c "$f" \
      -o "$bdir/$(basename "$f" .c).o" >&2
  done
  rm -f "$bdir/libexif.a"
  "$TRIPLE-gcc-ar-posix" rcs "$bdir/libexif.a" "$bdir"/*.o
  install -d "$STAGE/lib" "$STAGE/include/libexif"
  install -m644 "$bdir/libexif.a" "$STAGE/lib/"
  # The public headers: all but the three that libexif keeps to itself.
  install -m644 "$src"/libexif/exif-*.h "$bdir/libexif/_stdint.h" "$STAGE/include/libexif/"
  rm -f "$STAGE/include/libexif/"{exif-mnote-data-priv.h,exif-system.h,exif-gps-ifd.h}
}

build_libpng() {
  cmake_lib libpng "${ZLIB_ARGS[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
  cmake --build "$BUILD/deps/build/libpng" -j"$JOBS" >&2
  cmake --install "$BUILD/deps/build/libpng" >&2
}

build_qpdf() {
  # qpdf's own encryption code (no GnuTLS or OpenSSL for Windows here); its
  # AES header misses <cstdint> under mingw. Only the static library is built.
  PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig cmake_lib qpdf \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_DOC=OFF \
    -DREQUIRE_CRYPTO_NATIVE=ON -DUSE_IMPLICIT_CRYPTO=OFF \
    -DZLIB_H_PATH=/usr/$TRIPLE/include -DZLIB_LIB_PATH=/usr/$TRIPLE/lib/libz.a \
    -DLIBJPEG_H_PATH="$STAGE/include" -DLIBJPEG_LIB_PATH="$STAGE/lib/libjpeg.a" \
    -DCMAKE_CXX_FLAGS="-include cstdint"
  PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig \
    cmake --build "$BUILD/deps/build/qpdf" -j"$JOBS" --target libqpdf >&2
  local lib
  lib=$(find "$BUILD/deps/build/qpdf" -name 'libqpdf.a')
  [ -n "$lib" ] || die "qpdf: the build left no libqpdf.a"
  install -d "$STAGE/lib" "$STAGE/include/qpdf"
  install -m644 "$lib" "$STAGE/lib/"
  install -m644 "$SRC_DIR"/qpdf/include/qpdf/*.h "$SRC_DIR"/qpdf/include/qpdf/*.hh "$STAGE/include/qpdf/"
  # The headers that configuring qpdf writes (DLL.h).
  find "$BUILD/deps/build/qpdf" -path '*include/qpdf/*.h' -print0 |
    xargs -0 -r install -m644 -t "$STAGE/include/qpdf/"
}

# Tcl and Tk build as DLLs: their static form on Windows needs resources and
# start-up code of its own. Their library scripts go to $STAGE/lib/tcl8.6 and
# $STAGE/lib/tk8.6. Only the libraries, their headers and scripts are made:
# an empty TCLSH or WISH leaves out the shells, whose rules then name no
# target, and TCL_EXE=":" skips the time-zone data and message catalogues
# (which a tclsh on the build machine would lay out), none of which the
# program uses. No documentation, demos or tests are built.
build_tcl() {
  local bdir=$BUILD/deps/build/tcl
  rm -rf "$bdir"
  mkdir -p "$bdir"
  cd "$bdir"
  "$SRC_DIR/tcl/win/configure" --host=$TRIPLE --enable-64bit --prefix="$STAGE" >&2
  make -j"$JOBS" TCLSH= binaries >&2
  make TCLSH= TCL_EXE=: install-binaries install-libraries >&2
}

build_tk() {
  local bdir=$BUILD/deps/build/tk
  rm -rf "$bdir"
  mkdir -p "$bdir"
  cd "$bdir"
  "$SRC_DIR/tk/win/configure" --host=$TRIPLE --enable-64bit --prefix="$STAGE" \
    --with-tcl="$BUILD/deps/build/tcl" >&2
  make -j"$JOBS" WISH= binaries >&2
  make WISH= install-binaries install-libraries >&2
}

# Builds library $1 unless an earlier run did, its output in its own log:
# libraries build side by side, and a failure shows the end of its log.
build_one() {
  local name=$1 logfile=$LOG_DIR/$1.log start=$SECONDS status
  if [ -f "$STAGE/.done-$name" ]; then return 0; fi
  log "building $name (log: $logfile)"
  set +e
  (run_step "$name" "the build" "build_$name") 2>"$logfile" >&2
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$logfile" >&2
    die "$name: the build failed (whole log: $logfile)"
  fi
  touch "$STAGE/.done-$name"
  log "$name built in $((SECONDS - start)) s"
}

# Builds every library of the table: each one that needs no other starts a
# chain, and a library that needs another is built after it in its chain.
# Chains run at the same time, each compiling with $JOBS jobs.
build_all() {
  local line name needs i
  local -a chains=() words pids=()
  local -A chain_of=()
  for line in "${LIBRARIES[@]}"; do
    read -ra words <<<"$line"
    name=${words[0]} needs=${words[3]:-}
    if [ -z "$needs" ]; then
      chain_of[$name]=${#chains[@]}
      chains+=("$name")
    else
      [ -n "${chain_of[$needs]:-}" ] || die "$name needs $needs, which is not listed above it"
      chain_of[$name]=${chain_of[$needs]}
      chains[${chain_of[$needs]}]+=" $name"
    fi
  done
  for i in "${!chains[@]}"; do
    (
      for name in ${chains[$i]}; do build_one "$name"; done
    ) &
    pids+=($!)
  done
  local failed=0
  for i in "${pids[@]}"; do
    wait "$i" || failed=1
  done
  [ "$failed" -eq 0 ] || die "a library failed to build (see above)"
}

main() {
  BUILD=$(realpath -m "${1:-$ROOT/build-win}")
  command -v "$TRIPLE-gcc-posix" >/dev/null ||
    die "the cross compiler $TRIPLE-gcc-posix is missing (Debian package mingw-w64)"
  [ -f "/usr/$TRIPLE/lib/libz.a" ] ||
    die "zlib for Windows is missing (Debian package libz-mingw-w64-dev)"

  local key
  key=$(
    {
      printf '%s\n' "${LIBRARIES[@]}"
      echo "skipped: ${SKIPPED_PATCHES[*]}"
      echo "$RECIPES_REVISION"
      "$TRIPLE-g++-posix" --version | sed -n 1p
    } | sha256sum | cut -c1-16
  )
  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/zarvek-windows
  PREFIX=$cache/$key
  if [ -f "$PREFIX/.complete" ]; then
    echo "$PREFIX"
    return 0
  fi

  # --- sources ------------------------------------------------------------
  APT_DIR=$BUILD/deps/apt
  SRC_DIR=$BUILD/deps/src
  mkdir -p "$APT_DIR/parts" "$APT_DIR/lists/partial" "$SRC_DIR"
  APT_OPTS=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$APT_DIR/parts"
    -o "Dir::State::Lists=$APT_DIR/lists" -o "Dir::Cache=$APT_DIR/cache"
    -o "APT::Sandbox::User=root")
  write_sources
  mkdir -p "$APT_DIR/cache/archives/partial"
  log "reading Debian's source index"
  apt-get "${APT_OPTS[@]}" -qq update >&2 || die "apt-get update failed for the private source list in $APT_DIR"
  local line words
  for line in "${LIBRARIES[@]}"; do
    read -ra words <<<"$line"
    run_step "${words[0]}" "fetching and patching the source" fetch "${words[@]:0:3}"
  done

  # --- builds -------------------------------------------------------------
  # Built in place: Tcl and the pkg-config files remember their prefix. The
  # ".complete" mark is written last, so an interrupted build is resumed.
  STAGE=$PREFIX
  mkdir -p "$STAGE"
  ZLIB_ARGS=("-DZLIB_INCLUDE_DIR=/usr/$TRIPLE/include" "-DZLIB_LIBRARY=/usr/$TRIPLE/lib/libz.a")
  LOG_DIR=$BUILD/deps/logs
  mkdir -p "$LOG_DIR"
  local start=$SECONDS
  build_all
  log "all libraries built in $((SECONDS - start)) s"

  touch "$STAGE/.complete"
  echo "$PREFIX"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  main "$@"
fi
