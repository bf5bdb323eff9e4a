# Sourced by the scripts that run Windows programs: a private virtual X display
# and a private Wine prefix for one test run, torn down on exit. Only the
# processes started here are ended, by their pid or through this prefix's
# own wineserver.
#
#   . tools/wine-env.sh
#   wine_env_start            # sets DISPLAY, WINEPREFIX, WINEDEBUG
#   wine some.exe
#   (wine_env_stop runs on exit)

WINE_ENV_XVFB_PID=""
WINE_ENV_DIR=""

wine_env_free_display() {
  n=${WINE_ENV_FIRST_DISPLAY:-91}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}

wine_env_start() {
  WINE_ENV_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tovra-wine.XXXXXX")
  export WINEPREFIX="$WINE_ENV_DIR/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # A display number may be taken between the check and the start: try a few.
  tries=0
  while :; do
    d=$(wine_env_free_display)
    Xvfb ":$d" -screen 0 ${WINE_ENV_SCREEN:-1280x800x24} -nolisten tcp >"$WINE_ENV_DIR/xvfb.log" 2>&1 &
    WINE_ENV_XVFB_PID=$!
    i=0
    while [ $i -lt 50 ] && [ ! -e "/tmp/.X11-unix/X$d" ] && kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; do
      sleep 0.1; i=$((i + 1))
    done
    if [ -e "/tmp/.X11-unix/X$d" ] && kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then break; fi
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    tries=$((tries + 1))
    if [ $tries -ge 5 ]; then echo "wine-env: cannot start Xvfb" >&2; return 1; fi
  done
  export DISPLAY=":$d"
  trap wine_env_stop EXIT INT TERM
  echo "wine-env: display $DISPLAY, prefix $WINEPREFIX" >&2
  wine wineboot -i >"$WINE_ENV_DIR/wineboot.log" 2>&1 || true
  wineserver -w
}

wine_env_stop() {
  trap - EXIT INT TERM
  if [ -n "$WINEPREFIX" ] && [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true; fi
  if [ -n "$WINE_ENV_DIR" ] && [ -z "${WINE_ENV_KEEP:-}" ]; then rm -rf "$WINE_ENV_DIR"; fi
  WINE_ENV_XVFB_PID=""
}
