#!/usr/bin/env bash
# Tests build-windows-deps.sh without building anything: its functions run
# in a shell that sourced it, on throw-away recipes and sources.
#  - A step that fails anywhere stops the build, names the library and the
#    failing command, and runs nothing after it, also where the caller has
#    put it inside a condition (where bash ignores set -e).
#  - Debian's patch series is applied to every library, in order, with its
#    "-pN" options and without fuzz; a patch that does not fit stops the
#    build; only patches named in SKIPPED_PATCHES are left out.
#  - SKIPPED_PATCHES names libraries of the table and no security fix.
# The bodies in single quotes are bash code that in_script runs.
# shellcheck disable=SC2016
set -u
deps="$(cd "$(dirname "$0")" && pwd)/build-windows-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Runs the bash code $1 after sourcing the script, with its output in
# $work/out; returns its status.
in_script() {
  W=$work bash -c 'source "$1"; SRC_DIR=$W/src; eval "$2"' _ "$deps" "$1" >"$work/out" 2>&1
}

# --- failing steps --------------------------------------------------------

# Recipe bodies whose first command fails; the touch after it must not run.
failing_bodies=(
  'false'
  'false | cat'
  'x=$(false; echo late); echo "$x"'
  'cd "$W/nowhere"'
  'helper() { false; true; }; helper'
  'install -m644 "$W/no-such-lib.a" "$W/"'
)
# How the step is started: as the build does, and inside conditions.
callers=(
  'run_step demo "the build" build_demo'
  'run_step demo "the build" build_demo || true'
  'if run_step demo "the build" build_demo; then :; fi'
)
for body in "${failing_bodies[@]}"; do
  for caller in "${callers[@]}"; do
    rm -f "$work/after"
    if in_script "build_demo() { $body; touch \"\$W/after\"; }; $caller; touch \"\$W/after\""; then
      fail "[$body] started by [$caller] did not stop the build"
    fi
    [ ! -e "$work/after" ] || fail "[$body] started by [$caller]: commands after the failure ran"
    grep -q "demo" "$work/out" || fail "[$body]: the message does not name the library: $(cat "$work/out")"
  done
done
in_script 'build_demo() { true; false; touch "$W/after"; }; run_step demo "the build" build_demo'
grep -q "demo: the build stopped at: false" "$work/out" ||
  fail "the failing command is not named: $(cat "$work/out")"
rm -f "$work/after"
in_script 'build_demo() { true; touch "$W/after"; }; run_step demo "the build" build_demo' ||
  fail "a step that succeeds stopped the build: $(cat "$work/out")"
[ -e "$work/after" ] || fail "a step that succeeds did not run to its end"

# --- Debian's patches -----------------------------------------------------

# An upstream tarball and a Debian tarball for package "demo-src" 1.0-2,
# as apt-get source leaves them; apt-get is replaced by a copy of them.
mkdir -p "$work/up/demo-1.0" "$work/deb/debian/patches" "$work/tarballs" "$work/src"
printf 'one\ntwo\nthree\nfour\nfive\n' >"$work/up/demo-1.0/a.txt"
printf 'alpha\nbeta\ngamma\n' >"$work/up/demo-1.0/b.txt"
tar -czf "$work/tarballs/demo-src_1.0.orig.tar.gz" -C "$work/up" demo-1.0
p=$work/deb/debian/patches
printf -- '--- a/a.txt\n+++ b/a.txt\n@@ -1,5 +1,5 @@\n one\n two\n-three\n+THREE\n four\n five\n' >"$p/CVE-1.patch"
printf -- '--- b.txt\n+++ b.txt\n@@ -1,3 +1,3 @@\n alpha\n-beta\n+BETA\n gamma\n' >"$p/p0.patch"
printf -- '--- a/missing.txt\n+++ b/missing.txt\n@@ -1 +1 @@\n-x\n+y\n' >"$p/linux-only.patch"
# Fits only with fuzz: its first context line is not in a.txt.
printf -- '--- a/a.txt\n+++ b/a.txt\n@@ -1,5 +1,5 @@\n ONE\n two\n-THREE\n+3\n four\n five\n' >"$p/fuzzy.patch"
printf '# comments, blank lines and -p options, as in real series\nCVE-1.patch\n\np0.patch -p0\nlinux-only.patch\n' >"$p/series"
tar -cJf "$work/tarballs/demo-src_1.0-2.debian.tar.xz" -C "$work/deb" debian
fake_apt='apt-get() { cp "$W"/tarballs/*.tar.* .; }; APT_OPTS=()'

# Any library of the table gets its series, not only a chosen few.
in_script "$fake_apt; SKIPPED_PATCHES=(demo/linux-only.patch); fetch demo demo-src 1:1.0-2" ||
  fail "the series with a skipped patch did not apply: $(cat "$work/out")"
[ "$(sed -n 3p "$work/src/demo/a.txt")" = THREE ] || fail "the -p1 patch was not applied"
[ "$(sed -n 2p "$work/src/demo/b.txt")" = BETA ] || fail "the -p0 patch was not applied"
grep -q "linux-only.patch left out" "$work/out" || fail "the skipped patch is not reported"

# Without the skip, the patch that cannot apply stops the build.
in_script "$fake_apt; run_step demo fetching fetch demo demo-src 1:1.0-2" &&
  fail "a patch that does not apply did not stop the build"
grep -q "linux-only.patch does not apply" "$work/out" ||
  fail "the patch that does not apply is not named: $(cat "$work/out")"

# A patch that needs fuzz is refused, as dpkg-source refuses it.
echo fuzzy.patch >>"$p/series"
tar -cJf "$work/tarballs/demo-src_1.0-2.debian.tar.xz" -C "$work/deb" debian
in_script "$fake_apt; SKIPPED_PATCHES=(demo/linux-only.patch); run_step demo fetching fetch demo demo-src 1:1.0-2" &&
  fail "a patch that needs fuzz was applied"
grep -q "fuzzy.patch does not apply" "$work/out" || fail "the fuzzy patch is not named: $(cat "$work/out")"

# --- the table ------------------------------------------------------------

in_script '
  for skipped in "${SKIPPED_PATCHES[@]}"; do
    [[ $skipped != */CVE-* ]] || { echo "security fix left out: $skipped"; exit 1; }
    found=
    for line in "${LIBRARIES[@]}"; do
      [ "${skipped%%/*}" != "${line%% *}" ] || found=1
    done
    [ -n "$found" ] || { echo "not a library of the table: $skipped"; exit 1; }
  done' || fail "SKIPPED_PATCHES: $(cat "$work/out")"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "build-windows-deps.sh: all checks passed"
