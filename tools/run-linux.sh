#!/bin/sh
# Runs the Linux program in a window of its own (q, Escape or closing the
# window ends it); in a Wayland session, tovra-wayland instead (see
# tools/run-wayland.sh). Without a display it runs both for a few seconds,
# the X11 one on a private virtual X server and tovra-wayland on a private
# headless sway, and saves screenshots.
#   tools/run-linux.sh [build-dir] [tovra options...]    (default build/native)
set -u
cd "$(dirname "$0")/.."
BUILD=${1:-build/native}; [ $# -gt 0 ] && shift
TOVRA="$PWD/$BUILD/tovra"
[ -x "$TOVRA" ] || { echo "run-linux: $TOVRA is missing; build it with make native" >&2; exit 1; }
if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/$WAYLAND_DISPLAY" ]; then
  exec sh tools/run-wayland.sh "$BUILD" "$@"
fi
if [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
  echo "run-linux: tovra in a window on $DISPLAY (q or Escape ends it)"
  exec "$TOVRA" -window "$@"
fi
. tools/xvfb.sh
xvfb_start 1280x800 || exit 1
OUT="$PWD/build/run-linux"; mkdir -p "$OUT"; rm -f "$OUT"/screenshot-*.png
"$TOVRA" -root "$@" & SAVER=$!
sleep 2
for i in 1 2 3; do timeout 30 import -window root "$OUT/screenshot-$i.png"; sleep 1; done
kill "$SAVER"
echo "run-linux: no display here, so tovra ran on a virtual one ($DISPLAY) for a few seconds."
echo "run-linux: screenshots:"; for f in "$OUT"/screenshot-*.png; do echo "  $f"; done
if [ -x "$PWD/$BUILD/tovra-wayland" ]; then sh tools/run-wayland.sh "$BUILD" "$@"; fi
