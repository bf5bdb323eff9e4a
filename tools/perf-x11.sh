#!/bin/sh
# Speed of the Linux program at 7680 x 4320 on Xvfb at the fastest speed:
# ticks per second, and CPU time per tick of tovra and of the X server.
#   tools/perf-x11.sh [build-dir...]     (default build/native; TICKS=200)
# Several builds (before and after a change) run one after the other on the
# same Xvfb; on this shared machine only such side-by-side ratios compare.
set -u
cd "$(dirname "$0")/.."
TICKS=${TICKS:-200}
[ $# -gt 0 ] || set -- build/native
. tools/xvfb.sh
xvfb_start 7680x4320 ${XVFB_ARGS:-} || exit 1
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # clock ticks used so far
for build in "$@"; do
TOVRA=$(realpath "$build")/tovra
echo "$TOVRA"
for args in "-color red" "-rainbow" "-mode island"; do
  x0=$(cpu "$XVFB_PID")
  TOVRA_EXIT_AFTER_TICKS=$TICKS python3 - "$TOVRA" -root -speed 0 $args <<'PY' > "$T/r"
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
    printf "%-12s %d ticks in %.1f s: %.1f ticks/s, tovra %.1f ms CPU/tick, Xvfb %.1f ms CPU/tick, tovra %d MB\n",
      a, n, w, n / w, 1000 * c / n, 1000 * x / hz / n, m / 1024 }'
done
done
