#!/usr/bin/env bash
# Runs the README's two commands as a new user would, in a Debian 12 root
# where nothing is installed by chance: a bare `debootstrap bookworm` root,
# entered with chroot, with /proc, /sys and /dev mounted into it.
#
#   1. `bash scripts/run.sh` until the main window appears on a virtual X
#      display (the display's socket is shared into the root), then the
#      program is closed;
#   2. `bash scripts/test.sh`, every test, the Windows build and its Wine
#      runs included (ZARVEK_SKIP_WINDOWS=1 in the caller's environment
#      leaves them out).
#
# A package missing from scripts/install-deps.sh makes one of the two fail
# here before a user meets it. It takes long (a cold cross-build of the
# Windows libraries among it), so it is not part of every .ci/run.
#
# Usage: sudo bash scripts/check-fresh-debian.sh [ROOT]
#   ROOT  the folder for the new root (default /var/tmp/zarvek-fresh-root);
#         an existing one is removed first.
# Needs root, debootstrap (installed when missing), Xvfb and xwininfo on the
# machine that runs it (scripts/install-deps.sh installs both).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
root=${1:-/var/tmp/zarvek-fresh-root}
mirror=${ZARVEK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
title="QUENTARO - GESTIÓN DE EXPEDIENTE"
run_limit=${ZARVEK_RUN_LIMIT:-2400}   # seconds for install + build + window

log() { printf '[fresh-debian] %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

[ "$(id -u)" -eq 0 ] || die "must run as root (debootstrap and chroot)"
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq && apt-get install -y -qq debootstrap >/dev/null
fi
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null ||
  die "needs Xvfb and xwininfo here: run scripts/install-deps.sh first"

mounts=(proc sys dev/pts dev tmp/.X11-unix)
xvfb_pid=
unmount_all() {
  for m in "${mounts[@]}"; do
    if mountpoint -q "$root/$m" 2>/dev/null; then umount -l "$root/$m" || true; fi
  done
}
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  unmount_all
}
trap cleanup EXIT

if [ -e "$root" ]; then
  unmount_all
  rm -rf --one-file-system "$root"
fi

t0=$(date +%s)
log "debootstrap bookworm into $root"
debootstrap bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  die "debootstrap failed; see $root.debootstrap.log"
rm -f "$root.debootstrap.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mkdir -p "$root/tmp/.X11-unix" /tmp/.X11-unix
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

# The committed state of the checkout, as a clone would have it.
git clone -q --no-hardlinks "$repo" "$root/root/zarvek"
log "root ready in $(( $(date +%s) - t0 )) s"

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${ZARVEK_SKIP_WINDOWS:+ZARVEK_SKIP_WINDOWS=1} "$@"
}

# 1. The run command, until its window is on the display.
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
t1=$(date +%s)
log "run command on $display"
setsid chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
  DISPLAY="$display" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/zarvek && bash scripts/run.sh' >"$root/root/run.log" 2>&1 &
run_pid=$!
shown=
while kill -0 "$run_pid" 2>/dev/null; do
  if xwininfo -display "$display" -root -tree 2>/dev/null | grep -qF "$title"; then
    shown=1; break
  fi
  [ $(( $(date +%s) - t1 )) -lt "$run_limit" ] || break
  sleep 2
done
kill -- -"$run_pid" 2>/dev/null || true
wait "$run_pid" 2>/dev/null || true
if [ -z "$shown" ]; then
  tail -n 30 "$root/root/run.log" >&2
  die "the run command showed no window (log: $root/root/run.log)"
fi
log "run command: window shown after $(( $(date +%s) - t1 )) s"

# 2. The test command.
t2=$(date +%s)
log "test command"
if ! in_root bash -c 'cd /root/zarvek && bash scripts/test.sh' \
    >"$root/root/test.log" 2>&1; then
  tail -n 40 "$root/root/test.log" >&2
  die "the test command failed (log: $root/root/test.log)"
fi
grep -E 'tests passed|passed, [0-9]+ failed' "$root/root/test.log" >&2 || true
log "test command passed in $(( $(date +%s) - t2 )) s; all in $(( $(date +%s) - t0 )) s"
