#!/usr/bin/env bash
# Runs the README's two commands as a new user would, in Debian 12 roots
# where nothing is installed by chance, entered with chroot, with /proc,
# /sys and /dev mounted into them. Two kinds of root, as Debian 12 comes:
#   debootstrap  a bare `debootstrap bookworm` root: the archive in the
#                one-line /etc/apt/sources.list, no security suite;
#   cloud        laid out like a Debian 12 cloud image: no sources.list, the
#                archive and its security suite only in the deb822
#                /etc/apt/sources.list.d/debian.sources, with Signed-By.
# In each:
#   1. `bash scripts/run.sh` until the main window appears on a virtual X
#      display (the display's socket is shared into the root), then the
#      program is closed; the time is said, and the run command must not
#      have installed Wine, MinGW or clang;
#   2. `bash scripts/test.sh`, every test, the Windows build (cold: the root
#      has no cached Windows libraries) and its Wine runs included
#      (ZARVEK_SKIP_WINDOWS=1 in the caller's environment leaves them out;
#      ZARVEK_RUN_ONLY=1 leaves out the test command).
#
# A package missing from scripts/install-deps.sh, or a layout of apt's
# sources that the scripts do not read right, makes one of them fail here
# before a user meets it. It takes long, so it is not part of every .ci/run.
#
# Usage: sudo bash scripts/check-fresh-debian.sh [debootstrap|cloud|both] [ROOT]
#   the kind of root (default both);
#   ROOT  the folder for the new roots, each kind in ROOT-<kind> (default
#         /var/tmp/zarvek-fresh-root); an existing one is removed first.
# Needs root, debootstrap (installed when missing), Xvfb and xwininfo on the
# machine that runs it (scripts/install-deps.sh installs both).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
kinds=${1:-both}
base=${2:-/var/tmp/zarvek-fresh-root}
mirror=${ZARVEK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
title="QUENTARO - GESTIÓN DE EXPEDIENTE"
run_limit=${ZARVEK_RUN_LIMIT:-2400}   # seconds for install + build + window
run_target=180                        # what a new user should wait at most

log() { printf '[fresh-debian] %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

case $kinds in
  both) kinds="cloud debootstrap" ;;
  cloud | debootstrap) ;;
  *) die "usage: $0 [debootstrap|cloud|both] [ROOT]" ;;
esac
[ "$(id -u)" -eq 0 ] || die "must run as root (debootstrap and chroot)"
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq && apt-get install -y -qq debootstrap >/dev/null
fi
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null ||
  die "needs Xvfb and xwininfo here: run scripts/install-deps.sh first"

mounts=(proc sys dev/pts dev tmp/.X11-unix)
root=
xvfb_pid=
unmount_all() {
  [ -n "$root" ] || return 0
  for m in "${mounts[@]}"; do
    if mountpoint -q "$root/$m" 2>/dev/null; then umount -l "$root/$m" || true; fi
  done
}
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  unmount_all
}
trap cleanup EXIT

# The cloud image's apt sources: deb822 only, security suite included.
cloud_layout() {
  rm -f "$root/etc/apt/sources.list"
  mkdir -p "$root/etc/apt/sources.list.d"
  cat >"$root/etc/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror%/debian}/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
}

check_root() {
  local kind=$1 t0 t1 t2 run_pid shown elapsed
  root=$base-$kind
  if [ -e "$root" ]; then
    unmount_all
    rm -rf --one-file-system "$root"
  fi
  t0=$(date +%s)
  log "[$kind] debootstrap bookworm into $root"
  debootstrap bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    die "debootstrap failed; see $root.debootstrap.log"
  rm -f "$root.debootstrap.log"
  [ "$kind" = debootstrap ] || cloud_layout
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mkdir -p "$root/tmp/.X11-unix" /tmp/.X11-unix
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

  # The committed state of the checkout, as a clone would have it.
  git clone -q --no-hardlinks "$repo" "$root/root/zarvek"
  log "[$kind] root ready in $(($(date +%s) - t0)) s"

  # 1. The run command, until its window is on the display.
  t1=$(date +%s)
  log "[$kind] run command on $display"
  setsid chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    DISPLAY="$display" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'cd /root/zarvek && bash scripts/run.sh' >"$root/root/run.log" 2>&1 &
  run_pid=$!
  shown=
  while kill -0 "$run_pid" 2>/dev/null; do
    if grep -qF "$title" <<<"$(xwininfo -display "$display" -root -tree 2>/dev/null)"; then
      shown=1
      break
    fi
    [ $(($(date +%s) - t1)) -lt "$run_limit" ] || break
    sleep 1
  done
  elapsed=$(($(date +%s) - t1))
  kill -- -"$run_pid" 2>/dev/null || true
  wait "$run_pid" 2>/dev/null || true
  if [ -z "$shown" ]; then
    tail -n 30 "$root/root/run.log" >&2
    die "[$kind] the run command showed no window (log: $root/root/run.log)"
  fi
  log "[$kind] run command: window shown after $elapsed s (packages, build and start)"
  [ "$elapsed" -le "$run_target" ] ||
    log "[$kind] WARNING: over the $run_target s a new user should wait"
  local extra
  extra=$(chroot "$root" dpkg-query -W -f='${Package} ${Status}\n' wine wine64 \
    mingw-w64 clang-14 nsis 2>/dev/null | grep 'install ok installed' || true)
  [ -z "$extra" ] || die "[$kind] the run command installed what only the tests need: $extra"

  # 2. The test command (ZARVEK_RUN_ONLY=1 stops before it).
  if [ -n "${ZARVEK_RUN_ONLY:-}" ]; then
    unmount_all
    return 0
  fi
  t2=$(date +%s)
  log "[$kind] test command"
  if ! chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      ${ZARVEK_SKIP_WINDOWS:+ZARVEK_SKIP_WINDOWS=1} \
      bash -c 'cd /root/zarvek && bash scripts/test.sh' >"$root/root/test.log" 2>&1; then
    tail -n 40 "$root/root/test.log" >&2
    die "[$kind] the test command failed (log: $root/root/test.log)"
  fi
  grep -E 'tests passed|passed, [0-9]+ failed|all libraries built in' "$root/root/test.log" >&2 || true
  log "[$kind] test command passed in $(($(date +%s) - t2)) s; all in $(($(date +%s) - t0)) s"
  unmount_all
}

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
for kind in $kinds; do
  check_root "$kind"
done
