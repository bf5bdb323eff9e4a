# Sourced by the X11 test scripts: a private Xvfb on a free display number,
# ended (by its pid) when the script exits, with a scratch folder $T.
#   . tests/x11/xvfb.sh; xvfb_start 1024x768 [Xvfb options]
T=$(mktemp -d)
XVFB_PID=""
xvfb_stop() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; rm -rf "$T"; }
trap 'xvfb_stop' EXIT
trap 'exit 1' INT TERM
xvfb_start() {
  size=$1; shift
  for try in 1 2 3 4 5; do
    n=${XVFB_FIRST_DISPLAY:-140}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset "$@" >"$T/xvfb.log" 2>&1 &
    XVFB_PID=$!
    i=0
    while [ $i -lt 50 ] && [ ! -e "/tmp/.X11-unix/X$n" ] && kill -0 "$XVFB_PID" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
    if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; return 0; fi
  done
  echo "xvfb: cannot start Xvfb" >&2; return 1
}
fail=0
check() { if [ "$1" = ok ]; then :; else echo "FAIL: $2"; fail=1; fi; }
# A screenshot of window $1 into $T/$2.png; never waits for a click.
shot() { [ -n "$1" ] && timeout 20 import -window "$1" "$T/$2.png"; }
