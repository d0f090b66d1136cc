#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows, the libraries that zarvek.exe links, from
# Debian's own source packages, and prints the folder that holds them (the
# only line written to stdout; progress goes to stderr).
#
# The sources come through a private apt sources list in the build folder
# (the machine's apt configuration is not touched), at the versions pinned in
# the table below, which are those of Debian's main suite. The upstream
# ".orig" tarball is used; Debian's patches are applied only to the libraries
# listed in DEBIAN_PATCHED, whose patches are fixes to the code itself (the
# others' patches are for Linux builds).
#
# The result is cached outside the repository, in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/zarvek-windows/<key>
# where the key is made of the table, the build recipes' revision and the
# cross compiler's version, so that a second run costs nothing.
#
# Usage: build-windows-deps.sh [BUILD_DIR]   (default: build-win)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${1:-$ROOT/build-win}")
TRIPLE=x86_64-w64-mingw32
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
JOBS=${ZARVEK_JOBS:-2}

# The libraries, in build order: name, Debian source package, version.
# A library no longer needed is dropped by deleting its line here.
LIBRARIES=(
  "bzip2 bzip2 1.0.8-5"
  "libarchive libarchive 3.6.2-1+deb12u4"
  "libjpeg-turbo libjpeg-turbo 1:2.1.5-2"
  "libpng libpng1.6 1.6.39-2+deb12u5"
  "qpdf qpdf 11.3.0-1+deb12u1"
  "tcl tcl8.6 8.6.13+dfsg-2"
  "tk tk8.6 8.6.13-2"
)
# Libraries built with Debian's patch series on top of the upstream source.
# libarchive's are security fixes to its readers, which here read files that
# come from other people's receivers and disks.
DEBIAN_PATCHED=(libarchive)
# Raise when a recipe below changes, so that the cache is rebuilt.
RECIPES_REVISION=1

log() { echo "build-windows-deps: $*" >&2; }
die() {
  log "$*"
  exit 1
}

command -v "$TRIPLE-gcc-posix" >/dev/null ||
  die "the cross compiler $TRIPLE-gcc-posix is missing (Debian package mingw-w64)"
[ -f "/usr/$TRIPLE/lib/libz.a" ] ||
  die "zlib for Windows is missing (Debian package libz-mingw-w64-dev)"

key=$(
  {
    printf '%s\n' "${LIBRARIES[@]}"
    echo "patched: ${DEBIAN_PATCHED[*]}"
    echo "$RECIPES_REVISION"
    "$TRIPLE-g++-posix" --version | head -n1
  } | sha256sum | cut -c1-16
)
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/zarvek-windows
PREFIX=$CACHE/$key
if [ -f "$PREFIX/.complete" ]; then
  echo "$PREFIX"
  exit 0
fi

# --- sources --------------------------------------------------------------

APT_DIR=$BUILD/deps/apt
SRC_DIR=$BUILD/deps/src
mkdir -p "$APT_DIR/parts" "$APT_DIR/lists/partial" "$SRC_DIR"

# The system's own archive, turned into a source list. Debian keeps it in
# debian.sources (deb822) or, on older or hand-made installs, in the one-line
# sources.list; whichever exists is read.
write_sources() {
  local out=$APT_DIR/parts/debian.sources
  : >"$out"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >>"$out"
  fi
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list |
      sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >"$APT_DIR/parts/debian.list" || true
  fi
  [ -s "$out" ] || [ -s "$APT_DIR/parts/debian.list" ] ||
    die "no Debian archive found in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list"
}

APT_OPTS=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$APT_DIR/parts"
  -o "Dir::State::Lists=$APT_DIR/lists" -o "Dir::Cache=$APT_DIR/cache"
  -o "APT::Sandbox::User=root")

write_sources
mkdir -p "$APT_DIR/cache/archives/partial"
log "reading Debian's source index"
apt-get "${APT_OPTS[@]}" -qq update >&2 || die "apt-get update failed for the private source list in $APT_DIR"

# Applies the patch series of the Debian tarball $2 to the source in $1.
apply_debian_patches() {
  local dir=$1 debian=$2 tmp patch
  tmp=$(mktemp -d "$SRC_DIR/debian.XXXXXX")
  tar -xf "$debian" -C "$tmp"
  while read -r patch; do
    # The series may hold comments, blank lines and "-p" options.
    patch=${patch%%#*}
    patch=${patch%% *}
    [ -n "$patch" ] || continue
    patch -d "$dir" -p1 -s --no-backup-if-mismatch <"$tmp/debian/patches/$patch" >&2 ||
      die "Debian's patch $patch does not apply to $dir"
  done <"$tmp/debian/patches/series"
  rm -rf "$tmp"
}

# Unpacks the upstream tarball of one source package into $SRC_DIR/<name>,
# with Debian's patches applied where the library is in DEBIAN_PATCHED.
fetch() {
  local name=$1 package=$2 version=$3
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local dir=$SRC_DIR/$name
  # The mark holds the Debian revision: a new one brings other patches.
  local mark=$dir/.unpacked-${version#*:}
  if [ -f "$mark" ]; then return; fi
  (cd "$SRC_DIR" && apt-get "${APT_OPTS[@]}" -qq source --download-only \
    "$package=$version" >&2) || log "apt-get source $package=$version reported an error; looking for the upstream tarball"
  local orig
  orig=$(find "$SRC_DIR" -maxdepth 1 -name "${package}_${upstream}.orig.tar.*" ! -name "*.asc" | head -n1)
  [ -n "$orig" ] || die "cannot fetch the source of $package $version (upstream tarball ${package}_${upstream}.orig.tar.*)"
  rm -rf "$dir"
  mkdir -p "$dir"
  tar -xf "$orig" -C "$dir" --strip-components=1
  if [[ " ${DEBIAN_PATCHED[*]} " == *" $name "* ]]; then
    local debian
    debian=$(find "$SRC_DIR" -maxdepth 1 -name "${package}_${version#*:}.debian.tar.*" | head -n1)
    [ -n "$debian" ] || die "cannot fetch Debian's patches of $package $version"
    apply_debian_patches "$dir" "$debian"
  fi
  touch "$mark"
}

for line in "${LIBRARIES[@]}"; do
  # shellcheck disable=SC2086
  fetch $line
done

# --- recipes --------------------------------------------------------------

# Built in place: Tcl and the pkg-config files remember their prefix. The
# ".complete" mark is written last, so an interrupted build is resumed.
STAGE=$PREFIX
mkdir -p "$STAGE"
ZLIB_ARGS=("-DZLIB_INCLUDE_DIR=/usr/$TRIPLE/include" "-DZLIB_LIBRARY=/usr/$TRIPLE/lib/libz.a")

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
  cp -r "$SRC_DIR/bzip2" "$bdir" &&
    make -C "$bdir" -j"$JOBS" CC="$TRIPLE-gcc-posix" AR="$TRIPLE-gcc-ar-posix" \
      RANLIB="$TRIPLE-gcc-ranlib-posix" CFLAGS="-O2 -Wall -D_FILE_OFFSET_BITS=64" \
      libbz2.a >&2 &&
    install -d "$STAGE/lib" "$STAGE/include" &&
    install -m644 "$bdir/libbz2.a" "$STAGE/lib/" &&
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
    -DENABLE_TEST=OFF -DENABLE_INSTALL=OFF -DENABLE_WERROR=OFF &&
    cmake --build "$BUILD/deps/build/libarchive" -j"$JOBS" --target archive_static >&2 &&
    install -d "$STAGE/lib" "$STAGE/include" &&
    install -m644 "$BUILD/deps/build/libarchive/libarchive/libarchive_static.a" \
      "$STAGE/lib/libarchive.a" &&
    install -m644 "$SRC_DIR/libarchive/libarchive/archive.h" \
      "$SRC_DIR/libarchive/libarchive/archive_entry.h" "$STAGE/include/"
}

build_libjpeg-turbo() {
  cmake_lib libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=0 \
    -DWITH_TURBOJPEG=OFF
  cmake --build "$BUILD/deps/build/libjpeg-turbo" -j"$JOBS" --target jpeg-static >&2
  install -d "$STAGE/lib" "$STAGE/include"
  install -m644 "$BUILD/deps/build/libjpeg-turbo/libjpeg.a" "$STAGE/lib/"
  install -m644 "$BUILD/deps/build/libjpeg-turbo/jconfig.h" \
    "$SRC_DIR/libjpeg-turbo/jerror.h" "$SRC_DIR/libjpeg-turbo/jmorecfg.h" \
    "$SRC_DIR/libjpeg-turbo/jpeglib.h" "$STAGE/include/"
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
  install -d "$STAGE/lib" "$STAGE/include/qpdf"
  install -m644 "$(find "$BUILD/deps/build/qpdf" -name 'libqpdf.a' | head -n1)" "$STAGE/lib/"
  install -m644 "$SRC_DIR"/qpdf/include/qpdf/*.h "$SRC_DIR"/qpdf/include/qpdf/*.hh "$STAGE/include/qpdf/"
  find "$BUILD/deps/build/qpdf" -path '*include/qpdf/*.h' -exec install -m644 {} "$STAGE/include/qpdf/" \;
}

# Tcl and Tk build as DLLs: their static form on Windows needs resources and
# start-up code of its own. Their library scripts go to $STAGE/lib/tcl8.6 and
# $STAGE/lib/tk8.6.
build_tcl() {
  local bdir=$BUILD/deps/build/tcl
  rm -rf "$bdir"
  mkdir -p "$bdir"
  (cd "$bdir" && "$SRC_DIR/tcl/win/configure" --host=$TRIPLE --enable-64bit \
    --prefix="$STAGE" >&2 && make -j"$JOBS" >&2 && make install >&2)
}

build_tk() {
  local bdir=$BUILD/deps/build/tk
  rm -rf "$bdir"
  mkdir -p "$bdir"
  (cd "$bdir" && "$SRC_DIR/tk/win/configure" --host=$TRIPLE --enable-64bit \
    --prefix="$STAGE" --with-tcl="$BUILD/deps/build/tcl" >&2 &&
    make -j"$JOBS" >&2 && make install >&2)
}

for line in "${LIBRARIES[@]}"; do
  name=${line%% *}
  if [ -f "$STAGE/.done-$name" ]; then continue; fi
  log "building $name"
  start=$SECONDS
  "build_$name" || die "building $name failed (logs above; sources in $SRC_DIR/$name)"
  touch "$STAGE/.done-$name"
  log "$name built in $((SECONDS - start)) s"
done

touch "$STAGE/.complete"
echo "$PREFIX"
