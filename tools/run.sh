#!/bin/sh
# Runs the saver full-screen through Wine. On a desktop ($DISPLAY reachable)
# it runs until you move the mouse or press a key. Without a display it runs
# on a private virtual display for a few seconds and saves screenshots.
#   tools/run.sh [build-dir]     (default build/win64)
set -u
cd "$(dirname "$0")/.."
BUILD=${1:-build/win64}
SCR="$PWD/$BUILD/Tovra.scr"
[ -f "$SCR" ] || { echo "run: $SCR is missing; build it with make win64" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="${WINEPREFIX:-$PWD/build/run-prefix}"
  export WINEDEBUG=-all
  echo "run: Tovra full-screen on $DISPLAY (move the mouse or press a key to end it)"
  exec wine "$SCR" /s
fi

. tools/wine-env.sh
wine_env_start || exit 1
OUT="$PWD/build/run"
mkdir -p "$OUT"
rm -f "$OUT"/screenshot-*.png
wine "$SCR" /s &
SAVER=$!
sleep 3
for i in 1 2 3; do
  import -display "$DISPLAY" -window root "$OUT/screenshot-$i.png"
  sleep 1
done
kill "$SAVER" 2>/dev/null
echo "run: no display here, so Tovra ran on a virtual one ($DISPLAY) for a few seconds."
echo "run: screenshots:"
for f in "$OUT"/screenshot-*.png; do echo "  $f"; done
