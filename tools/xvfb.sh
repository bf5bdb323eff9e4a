# Sourced by the X11 scripts (make run-linux, the perf tool, the daemon test):
# a private Xvfb on a display number it picks itself, ended (by its pid) when
# the script exits, with a scratch folder $T.
#   . tools/xvfb.sh; xvfb_start 1024x768[x16] [Xvfb options]    (depth 24 unless given)
T=$(mktemp -d)
XVFB_PID=""
xvfb_stop() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; rm -rf "$T"; }
trap 'xvfb_stop' EXIT
trap 'exit 1' INT TERM
xvfb_start() {
  size=$1; shift
  case $size in *x*x*) ;; *) size=${size}x24 ;; esac
  rm -f "$T/display"
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset "$@" 3>"$T/display" >"$T/xvfb.log" 2>&1 &
  XVFB_PID=$!
  i=0; while [ ! -s "$T/display" ] && [ $i -lt 100 ] && kill -0 "$XVFB_PID" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
  [ -s "$T/display" ] || { echo "xvfb: cannot start Xvfb: $(tail -1 "$T/xvfb.log")" >&2; return 1; }
  export DISPLAY=":$(head -1 "$T/display")"
}
