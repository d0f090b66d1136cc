#!/usr/bin/env bash
# Tests build-windows-deps.sh without building anything: its functions run
# in a shell that sourced it, on throw-away recipes and sources.
#  - A step that fails anywhere stops the build, names the library and the
#    failing command, and runs nothing after it, also where the caller has
#    put it inside a condition (where bash ignores set -e).
#  - Debian's patch series is applied to every library, in order, with its
#    "-pN" options and without fuzz; a patch that does not fit stops the
#    build; only patches named in SKIPPED_PATCHES are left out.
#  - Libraries that do not need each other build at the same time, each one
#    after the library it needs; a failure names the library and shows its log.
#  - SKIPPED_PATCHES names libraries of the table and no security fix.
#  - The private source list is one that apt accepts, with the main and
#    security suites once each, whatever the layout of /etc/apt.
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

# --- libraries side by side ----------------------------------------------

# A library is built after the one it needs; libraries that need none of
# each other build at the same time (each waits here until the other has
# started, which a build one after the other never lets happen).
build_table='
  LIBRARIES=("a a 1" "b b 1 a" "c c 1")
  STAGE=$W/stage LOG_DIR=$W/logs
  rm -rf "$STAGE" "$LOG_DIR" && mkdir -p "$STAGE" "$LOG_DIR"
  await() { for _ in $(seq 200); do [ -e "$W/started-$1" ] && return 0; sleep 0.05; done; return 1; }
  build_a() { touch "$W/started-a"; await c; echo "a built" >&2; }
  build_c() { touch "$W/started-c"; await a; }'
rm -f "$work"/started-*
in_script "$build_table"'
  build_b() { [ -e "$STAGE/.done-a" ]; }
  build_all' || fail "independent libraries did not build side by side, or b before a: $(cat "$work/out")"
for n in a b c; do [ -e "$work/stage/.done-$n" ] || fail "library $n is not marked built"; done
grep -q "a built" "$work/logs/a.log" || fail "a library's output is not in its log"
# A failure names the library and shows the end of its log; the others
# still finish, and it is built again next time.
rm -f "$work"/started-*
in_script "$build_table"'
  build_b() { echo "b: the detail of the failure" >&2; false; }
  build_all' && fail "a library that failed to build did not stop the build"
grep -q "the detail of the failure" "$work/out" || fail "the failing library's log is not shown: $(cat "$work/out")"
grep -q "b: the build failed" "$work/out" || fail "the failing library is not named: $(cat "$work/out")"
[ ! -e "$work/stage/.done-b" ] || fail "a library that failed is marked built"
[ -e "$work/stage/.done-c" ] || fail "a failure stopped a library that does not need it"

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

# --- the system's archive --------------------------------------------------

# write_sources over every layout of /etc/apt that Debian 12 machines have.
# apt itself reads the result (--print-uris lists the indexes it would fetch,
# offline): it must accept the list, and the main and security suites'
# source indexes must each be there exactly once.
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
stanza() { # URI, suites
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n\n' "$1" "$2" "$keyring"
}
main822=$(stanza http://deb.debian.org/debian "bookworm bookworm-updates")
security822=$(stanza http://deb.debian.org/debian-security/ bookworm-security)
mainline='deb http://deb.debian.org/debian bookworm main'
securityline='deb http://deb.debian.org/debian-security bookworm-security main'
# name | debian.sources | sources.list ("-": the file is absent)
layouts=(
  "cloud image|$main822"$'\n\n'"$security822|-"
  "deb822 without security|$main822|-"
  "debootstrap|-|$mainline"
  "one-line with security|-|# comment"$'\n'"$mainline"$'\n'"$securityline"
  "both, same suites|$main822"$'\n\n'"$security822|$mainline"$'\n'"$securityline"
  "both, security in the one-line file|$main822|$mainline"$'\n'"$securityline"
  "both, security in deb822|$main822"$'\n\n'"$security822|deb [arch=amd64] http://deb.debian.org/debian/ bookworm main contrib"
  "disabled deb822, one-line|$main822"$'\n'"Enabled: no|$mainline"
)
apt_dir=$work/apt
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache"
for layout in "${layouts[@]}"; do
  IFS='|' read -r name sources list <<<"${layout//$'\n'/$'\x1f'}"
  etc=$work/etc-apt
  rm -rf "$etc"
  mkdir -p "$etc/sources.list.d"
  [ "$sources" = - ] || printf '%s\n' "${sources//$'\x1f'/$'\n'}" >"$etc/sources.list.d/debian.sources"
  [ "$list" = - ] || printf '%s\n' "${list//$'\x1f'/$'\n'}" >"$etc/sources.list"
  # The parts of the layout before stay in the folder, as in a build folder
  # used again on another machine.
  if ! in_script "APT_DIR=$apt_dir; write_sources $etc"; then
    fail "[$name] write_sources failed: $(cat "$work/out")"
    continue
  fi
  if ! apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/parts" \
      -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
      --print-uris update >"$work/uris" 2>&1; then
    fail "[$name] apt refuses the list: $(cat "$work/uris")"
    continue
  fi
  for suite in bookworm bookworm-security; do
    n=$(grep -c "/dists/$suite/main/source/Sources" "$work/uris")
    [ "$n" -eq 1 ] || fail "[$name] $suite's source index is listed $n times: $(cat "$work/uris")"
  done
done
# No archive at all is said, with the files looked for.
rm -rf "$work/etc-apt" && mkdir -p "$work/etc-apt"
in_script "APT_DIR=$apt_dir; write_sources $work/etc-apt" &&
  fail "write_sources found an archive where there is none"
grep -q "no Debian archive found in $work/etc-apt/sources.list.d/debian.sources" "$work/out" ||
  fail "no archive: the message does not name the files: $(cat "$work/out")"

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
