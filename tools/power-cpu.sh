#!/bin/sh
# What Tovra.scr costs while the monitors are off: a full-screen run under
# Wine at the fastest speed (Speed 0), with the monitors on, then switched off
# (the system command SC_MONITORPOWER that powers them down, as the probe
# sends it), then on again. For each phase it prints the CPU of the program,
# the X server and the wineserver over the same seconds, in milliseconds per
# second (1000 is a whole core).
#
#   tools/power-cpu.sh [--seconds N] [--screen WxH] [BUILD]     (default build/win64)
#
# BUILD holds Tovra.scr, its bitmaps and tovra-probe.exe (make win64).
set -u
cd "$(dirname "$0")/.."
SECONDS_MEASURED=20
SCREEN=1920x1080
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_MEASURED=$2; shift 2 ;;
    --screen) SCREEN=$2; shift 2 ;;
    --*) echo "power-cpu: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
BUILD=$(cd "${1:-build/win64}" && pwd) || exit 1
for f in Tovra.scr tovra-probe.exe; do
  [ -f "$BUILD/$f" ] || { echo "power-cpu: $BUILD/$f is missing; build it with make win64" >&2; exit 1; }
done

. tools/wine-env.sh
WINE_ENV_SCREEN="${SCREEN}x24" wine_env_start || exit 1
KEY='HKCU\Software\SCRNSAVE:Tovra Screensaver\Settings'
wine reg add "$KEY" /v Speed /t REG_SZ /d 0 /f >/dev/null 2>&1
wineserver -w

TITLE="Running Screen Saver"
WM_SYSCOMMAND=274
SC_MONITORPOWER=61808
jiffies() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# A process of this prefix by name.
pid_of() {
  for p in $(pgrep -x "$1"); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$p"; return; fi
  done
}
monitors() { wine "$BUILD/tovra-probe.exe" post "$TITLE" $WM_SYSCOMMAND $SC_MONITORPOWER "$1" >/dev/null 2>&1; }

wine "$BUILD/Tovra.scr" /s >/dev/null 2>&1 &
LAUNCHER=$!
SAVER=""
i=0
while [ -z "$SAVER" ] && [ $i -lt 600 ]; do sleep 0.1; SAVER=$(pid_of Tovra.scr); i=$((i + 1)); done
[ -n "$SAVER" ] || { echo "power-cpu: Tovra.scr did not start within a minute" >&2; exit 1; }
SERVER=$(pid_of wineserver)
[ -n "$SERVER" ] || SERVER=$(pid_of wineserver64)
sleep 5  # the first generations and the window's placement are not measured

hz=$(getconf CLK_TCK)
printf '%s, %s, Speed 0, %s s per phase; CPU in ms per second (1000 = one core)\n' \
  "$(date -u '+%Y-%m-%d %H:%M')" "$SCREEN" "$SECONDS_MEASURED"
measure() {
  s0=$(jiffies "$SAVER"); x0=$(jiffies "$WINE_ENV_XVFB_PID"); w0=$(jiffies "${SERVER:-0}")
  sleep "$SECONDS_MEASURED"
  s1=$(jiffies "$SAVER"); x1=$(jiffies "$WINE_ENV_XVFB_PID"); w1=$(jiffies "${SERVER:-0}")
  awk -v what="$1" -v secs="$SECONDS_MEASURED" -v hz="$hz" -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v w=$((w1 - w0)) 'BEGIN {
    k = 1000 / hz / secs
    printf "%-16s program %6.1f  X server %6.1f  wineserver %6.1f  together %6.1f\n", what, s * k, x * k, w * k, (s + x + w) * k
  }'
}
measure "monitors on"
monitors 2
sleep 1
measure "monitors off"
monitors -1
sleep 1
measure "monitors on again"
kill -0 "$SAVER" 2>/dev/null || { echo "power-cpu: Tovra.scr ended during the run" >&2; exit 1; }
wineserver -k 2>/dev/null
wait "$LAUNCHER" 2>/dev/null
exit 0
