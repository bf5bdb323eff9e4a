#!/bin/sh
# Speed of the Linux program on Xvfb: ticks per second, and CPU time per tick
# of tovra and of the X server (and their sum per second).
#   tools/perf-x11.sh [build-dir...]     (default build/native)
# SIZE (7680x4320), SPEED (0, the fastest; 33 for 30 generations a second),
# TICKS (200), DEPTHS (24; e.g. "24 16 30", one Xvfb of each depth after
# the other) and RUNS (the options of each run, one run a line; the default
# runs "-color red", "-rainbow" and "-mode island") choose the run. Several builds (before and after a change) run
# one after the other on the same Xvfb; on this shared machine only such
# side-by-side ratios compare.
set -u
cd "$(dirname "$0")/.."
TICKS=${TICKS:-200}
[ $# -gt 0 ] || set -- build/native
. tools/xvfb.sh
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # clock ticks used so far
for depth in ${DEPTHS:-24}; do
[ -n "$XVFB_PID" ] && kill "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null
xvfb_start "${SIZE:-7680x4320}x$depth" ${XVFB_ARGS:-} || exit 1
for build in "$@"; do
TOVRA=$(realpath "$build")/tovra
echo "$TOVRA, depth $depth"
printf '%s\n' "${RUNS:-"-color red
-rainbow
-mode island"}" | while IFS= read -r args; do
  x0=$(cpu "$XVFB_PID")
  TOVRA_EXIT_AFTER_TICKS=$TICKS python3 - "$TOVRA" -root -speed "${SPEED:-0}" $args <<'PY' > "$T/r"
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], check=True, timeout=900)  # a run that never ends fails
wall = time.monotonic() - start
u = resource.getrusage(resource.RUSAGE_CHILDREN)
print(wall, u.ru_utime + u.ru_stime, u.ru_maxrss)
PY
  x1=$(cpu "$XVFB_PID")
  read wall cpu rss < "$T/r"
  awk -v a="$args" -v n="$TICKS" -v w="$wall" -v c="$cpu" -v x="$((x1 - x0))" -v hz="$(getconf CLK_TCK)" -v m="$rss" 'BEGIN {
    printf "%-12s\n  %d ticks in %.1f s: %.1f ticks/s, tovra %.2f ms CPU/tick, Xvfb %.2f ms CPU/tick, together %.0f ms CPU/s, tovra %d MB\n",
      a, n, w, n / w, 1000 * c / n, 1000 * x / hz / n, 1000 * (c + x / hz) / w, m / 1024 }'
done
done
done
