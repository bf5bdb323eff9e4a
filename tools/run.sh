#!/bin/sh
# Runs the saver full-screen through Wine. On a desktop ($DISPLAY reachable)
# it runs until you move the mouse or press a key. Without a display it runs
# on a private virtual display for a few seconds and saves screenshots.
# On a host that does not run 32-bit x86 programs Wine runs through its
# 64-bit loader (the default build is the 64-bit one).
#   tools/run.sh [build-dir]     (default build/win64)
set -u
cd "$(dirname "$0")/.."
BUILD=${1:-build/win64}
SCR="$PWD/$BUILD/Tovra.scr"
[ -f "$SCR" ] || { echo "run: $SCR is missing; build it with make win64" >&2; exit 1; }
. tools/wine-env.sh
wine_env_detect

if [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="${WINEPREFIX:-$PWD/build/run-prefix}"
  export WINEDEBUG=-all
  echo "run: Tovra full-screen on $DISPLAY (move the mouse or press a key to end it)"
  [ "$TOVRA_RUNS_32BIT" = yes ] || wine_env_use_loader64 "$PWD/build/run-loader"
  exec wine "$SCR" /s
fi

wine_env_start || exit 1
OUT="$PWD/build/run"
mkdir -p "$OUT"
rm -f "$OUT"/screenshot-*.png
wine "$SCR" /s &
SAVER=$!
# The saver's window, given a minute to appear.
i=0
until xdotool search --name '^Running Screen Saver$' >/dev/null 2>&1; do
  if ! kill -0 "$SAVER" 2>/dev/null || [ $i -ge 300 ]; then
    echo "run: the saver's window did not appear within a minute$(kill -0 "$SAVER" 2>/dev/null || echo "; wine ended")" >&2
    exit 1
  fi
  sleep 0.2; i=$((i + 1))
done
sleep 3
for i in 1 2 3; do
  timeout 30 import -display "$DISPLAY" -window root "$OUT/screenshot-$i.png"
  sleep 1
done
kill "$SAVER" 2>/dev/null
echo "run: no display here, so Tovra ran on a virtual one ($DISPLAY) for a few seconds."
echo "run: screenshots:"
for f in "$OUT"/screenshot-*.png; do echo "  $f"; done
