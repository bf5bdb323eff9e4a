# Sourced by the scripts that run Windows programs: a private virtual X display
# and a private Wine prefix for one test run, torn down on exit. Only the
# processes started here are ended, by their pid or through this prefix's
# own wineserver.
#
#   . tools/wine-env.sh
#   wine_env_start            # sets DISPLAY, WINEPREFIX, WINEDEBUG
#   wine some.exe
#   (wine_env_stop runs on exit)
#
# Not every x86-64 host runs 32-bit x86 programs. wine_env_detect finds out
# once per run (the answer is exported, so the scripts started from here
# reuse it): on such a host Debian's `wine` launcher still picks the 32-bit
# loader, so `wine` becomes the 64-bit loader instead, and the callers leave
# out what only runs as a 32-bit program.

WINE_ENV_XVFB_PID=""
WINE_ENV_DIR=""
WINE_ENV_LOADER32=${WINE_ENV_LOADER32:-/usr/lib/wine/wine}
WINE_ENV_LOADER64=${WINE_ENV_LOADER64:-/usr/lib/wine/wine64}

# Sets and exports TOVRA_RUNS_32BIT (yes or no) and, for no,
# TOVRA_NO_32BIT_REASON.
wine_env_detect() {
  case "${TOVRA_RUNS_32BIT:-}" in yes|no) return 0 ;; esac
  TOVRA_NO_32BIT_REASON=""
  if [ ! -x "$WINE_ENV_LOADER32" ]; then
    TOVRA_RUNS_32BIT=no
    TOVRA_NO_32BIT_REASON="Wine's 32-bit loader $WINE_ENV_LOADER32 is not installed (package wine32:i386)"
  elif err=$(timeout 30 "$WINE_ENV_LOADER32" --version 2>&1 >/dev/null); then
    TOVRA_RUNS_32BIT=yes
  else
    TOVRA_RUNS_32BIT=no
    err=$(echo "$err" | tail -1 | sed 's/^timeout: failed to run command [^:]*: //')
    TOVRA_NO_32BIT_REASON="this host does not run 32-bit x86 programs ($WINE_ENV_LOADER32 --version: $err)"
  fi
  export TOVRA_RUNS_32BIT TOVRA_NO_32BIT_REASON
}

# On a host without 32-bit programs: `wine` in $1/bin (put first on PATH) is
# the 64-bit loader, which also starts the programs that Wine itself starts.
wine_env_use_loader64() {
  export WINELOADER="$WINE_ENV_LOADER64"
  mkdir -p "$1/bin"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINE_ENV_LOADER64" >"$1/bin/wine"
  chmod +x "$1/bin/wine"
  export PATH="$1/bin:$PATH"
}

wine_env_free_display() {
  n=${WINE_ENV_FIRST_DISPLAY:-91}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}

# Prints the last lines of a log, indented, for a message about a failure.
wine_env_tail() { if [ -s "$1" ]; then tail -n 15 "$1" | sed 's/^/    /'; else echo "    (empty)"; fi; }

wine_env_start() {
  wine_env_detect
  WINE_ENV_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tovra-wine.XXXXXX")
  trap wine_env_stop EXIT
  trap 'exit 1' INT TERM HUP PIPE
  export WINEPREFIX="$WINE_ENV_DIR/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  [ "$TOVRA_RUNS_32BIT" = yes ] || wine_env_use_loader64 "$WINE_ENV_DIR"
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
    if [ $tries -ge 5 ]; then
      echo "wine-env: Xvfb did not start within 5 seconds in 5 tries; the last lines of its log:" >&2
      wine_env_tail "$WINE_ENV_DIR/xvfb.log" >&2
      return 1
    fi
  done
  export DISPLAY=":$d"
  if [ "$TOVRA_RUNS_32BIT" = yes ]; then loader=$(command -v wine || echo "no wine on PATH")
  else loader="$WINE_ENV_LOADER64 (no 32-bit programs here)"; fi
  echo "wine-env: display $DISPLAY, prefix $WINEPREFIX, wine: $loader" >&2
  # Creating the prefix takes some 20 to 60 seconds; one that hangs or fails
  # means Wine cannot run here, and nothing after it could work.
  limit=${WINE_ENV_BOOT_SECONDS:-150}
  timeout -k 10 "$limit" wine wineboot -i >"$WINE_ENV_DIR/wineboot.log" 2>&1
  rc=$?
  # The prefix's own processes end a few seconds later; the tests go on
  # either way once a minute has passed.
  [ $rc -ne 0 ] || timeout -k 5 60 wineserver -w || echo "wine-env: Wine's processes for the new prefix are still running after a minute; going on" >&2
  if [ $rc -ne 0 ]; then
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then how="did not finish within $limit seconds"; else how="failed with status $rc"; fi
    echo "wine-env: Wine cannot start here: 'wine wineboot -i' $how (wine: $loader); the last lines of its log:" >&2
    wine_env_tail "$WINE_ENV_DIR/wineboot.log" >&2
    return 1
  fi
}

wine_env_stop() {
  trap - EXIT INT TERM HUP PIPE
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then timeout -k 5 30 wineserver -k 2>/dev/null || true; fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true; fi
  if [ -n "$WINE_ENV_DIR" ] && [ -z "${WINE_ENV_KEEP:-}" ]; then rm -rf "$WINE_ENV_DIR"; fi
  WINE_ENV_XVFB_PID=""
}
