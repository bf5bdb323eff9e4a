#!/bin/sh
# Tovra.scr full-screen under Wine on one large virtual screen at the fastest
# speed (Speed 0): an earlier version and this one, one after the other on
# the same X server and Wine prefix. For each it prints
#   - generations per second: the generation timer's messages handed to the
#     window, counted in Wine's relay log of user32.DispatchMessageA;
#   - CPU per generation of the program and of the X server (and of the
#     wineserver), from /proc/PID/stat over the same seconds;
#   - generations that reached the screen half drawn: with Wine's bitblt
#     trace on for a few seconds, a flush of the window's picture to the X
#     server that falls inside the handling of one timer message shows part
#     of a generation. The trace slows the drawing, so this errs on the side
#     of finding too many;
#   - screen grabs (xwd) checked cell by cell: every cell a whole picture or
#     black, the strips beyond the last cell black.
#
#   tools/bench-wine.sh [--seconds N] [--grabs N] [--rainbow] [--screen WxH] [BUILD...]
#
# BUILD is a folder holding Tovra.scr and its bitmaps, or a git commit, which
# is built for 64-bit Windows in build/bench-wine/COMMIT from a detached
# worktree. Default: main^ and build/win64 (make win64 first).
set -u
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_MEASURED=20
GRABS=20
RAINBOW=False
SCREEN=7680x4320
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_MEASURED=$2; shift 2 ;;
    --grabs) GRABS=$2; shift 2 ;;
    --rainbow) RAINBOW=True; shift ;;
    --screen) SCREEN=$2; shift 2 ;;
    --*) echo "bench-wine: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || set -- main^ build/win64

# A commit becomes a build folder of its own.
build_of() {
  if [ -f "$1/Tovra.scr" ]; then (cd "$1" && pwd); return; fi
  sha=$(git rev-parse --short=10 "$1^{commit}" 2>/dev/null) || { echo "bench-wine: $1 is neither a build folder nor a commit" >&2; return 1; }
  out="$ROOT/build/bench-wine/$sha"
  if [ ! -f "$out/build/Tovra.scr" ]; then
    rm -rf "$out/src"
    git worktree add --detach "$out/src" "$sha" >&2 || return 1
    cmake -S "$out/src" -B "$out/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$out/src/cmake/mingw-x86_64.cmake" >"$out/configure.log" 2>&1 &&
      cmake --build "$out/build" --target Tovra -j 2 >"$out/build.log" 2>&1
    status=$?
    git worktree remove --force "$out/src" >&2
    [ $status -eq 0 ] || { echo "bench-wine: building $1 failed, see $out/build.log" >&2; return 1; }
  fi
  echo "$out/build"
}

builds=""
for b in "$@"; do
  dir=$(build_of "$b") || exit 1
  builds="$builds $b=$dir"
done

. tools/wine-env.sh
WINE_ENV_SCREEN="${SCREEN}x24" wine_env_start || exit 1
trap 'wine_env_stop; exit 1' INT TERM
OUT="$ROOT/build/bench-wine/run"
rm -rf "$OUT"
mkdir -p "$OUT"
KEY='HKCU\Software\SCRNSAVE:Tovra Screensaver\Settings'
for v in "Speed 0" "Rainbow $RAINBOW" "Color 0" "Torus True" "Delay 2000"; do
  set -- $v
  timeout 120 wine reg add "$KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
done
timeout 120 wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d user32.DispatchMessageA /f >/dev/null 2>&1
timeout 120 wineserver -w

jiffies() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The relay log shows each message twice, on the way into the window procedure
# and back out; one tick is one call.
ticks() { grep -c "Call window proc.*msg=WM_TIMER,wp=00000001" "$1"; }
# The program's own process: Tovra.scr in this prefix.
saver_pid() {
  for p in $(pgrep -x Tovra.scr); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$p"; return; fi
  done
}
server_pid() {
  for p in $(pgrep -x wineserver) $(pgrep -x wineserver64); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$p"; return; fi
  done
}
# Starts the program full-screen with the given debug channels; sets SAVER.
start_saver() {
  WINEDEBUG="$2" wine "$1/Tovra.scr" /s 2>"$3" &
  LAUNCHER=$!
  SAVER=""
  i=0
  while [ -z "$SAVER" ] && [ $i -lt 600 ]; do sleep 0.1; SAVER=$(saver_pid); i=$((i + 1)); done
  [ -n "$SAVER" ] || { echo "bench-wine: Tovra.scr did not start" >&2; return 1; }
  # The first generations and the window's placement are not measured.
  sleep 6
}
stop_saver() {
  timeout 30 wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
  wait "$LAUNCHER" 2>/dev/null
}

hz=$(getconf CLK_TCK)
status=0
printf '%s, %s, Speed 0, Rainbow %s, %s s measured\n' "$(date -u '+%Y-%m-%d %H:%M')" "$SCREEN" "$RAINBOW" "$SECONDS_MEASURED"
for entry in $builds; do
  name=${entry%%=*}
  dir=${entry#*=}
  tag=$(echo "$name" | tr -c 'A-Za-z0-9_.\n-' '_')
  log="$OUT/$tag-relay.log"

  # 1. Rate and CPU.
  start_saver "$dir" "+timestamp,+relay" "$log" || { status=1; continue; }
  server=$(server_pid)
  t0=$(ticks "$log"); s0=$(jiffies "$SAVER"); x0=$(jiffies "$WINE_ENV_XVFB_PID"); w0=$(jiffies "$server")
  sleep "$SECONDS_MEASURED"
  t1=$(ticks "$log"); s1=$(jiffies "$SAVER"); x1=$(jiffies "$WINE_ENV_XVFB_PID"); w1=$(jiffies "$server")

  # 2. Grabs, taken while it runs on.
  i=0
  while [ $i -lt "$GRABS" ]; do
    xwd -root -silent -display "$DISPLAY" >"$OUT/$tag-grab-$i.xwd"
    sleep 0.3
    i=$((i + 1))
  done
  stop_saver

  # 3. Half-drawn generations.
  trace="$OUT/$tag-trace.log"
  start_saver "$dir" "+timestamp,+relay,+bitblt" "$trace" || { status=1; continue; }
  sleep 5
  stop_saver
  torn=$(awk '/Call window proc.*msg=WM_TIMER,wp=00000001/ { inside = 1; flushed = 0; n++ }
              /x11drv_surface_flush flushing/ { if (inside && !flushed) { torn++; flushed = 1 } }
              /Ret  user32.DispatchMessageA/ { inside = 0 }
              END { printf "%d of %d", torn, n }' "$trace")
  blits=$(awk '/Call window proc.*msg=WM_TIMER,wp=00000001/ { n++ } /NtGdiStretchBlt/ { b++ } END { if (n) printf "%.0f", b / n; else print 0 }' "$trace")
  rm -f "$trace"

  n=$((t1 - t0))
  awk -v name="$name" -v n="$n" -v secs="$SECONDS_MEASURED" -v hz="$hz" -v s=$((s1 - s0)) -v x=$((x1 - x0)) \
      -v w=$((w1 - w0)) -v torn="$torn" -v blits="$blits" 'BEGIN {
    per = n > 0 ? 1000 / hz / n : 0
    printf "%-14s %6.1f generations/s  CPU per generation: program %.1f ms, X server %.1f ms, wineserver %.1f ms, together %.1f ms (%.0f%% of a core)\n",
      name, n / secs, s * per, x * per, w * per, (s + x + w) * per, (s + x + w) * 100 / hz / secs
    printf "%-14s half-drawn generations flushed to the screen (traced run): %s; BitBlt calls per generation: %s\n", name, torn, blits
  }'
  if ! python3 tools/bench-wine-grab.py "$dir" "$OUT/$tag"-grab-*.xwd >"$OUT/$tag-grabs.txt"; then status=1; fi
  printf '%-14s %s\n' "$name" "$(tail -1 "$OUT/$tag-grabs.txt")"
  grep FAILED "$OUT/$tag-grabs.txt" | head -3
  # One grab stays, at a quarter of its size, to be looked at.
  convert "xwd:$OUT/$tag-grab-0.xwd" -resize 25% "$OUT/$tag-grab.png" 2>/dev/null
  rm -f "$OUT/$tag"-grab-*.xwd
done
exit $status
