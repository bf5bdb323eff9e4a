# Sourced by the end-to-end scripts, which tools/wine-tests.sh runs with
# DISPLAY and WINEPREFIX set:  tests/e2e/NAME.sh BUILD_DIR
# Checks print PASS or FAIL lines, a failure with a screen shot in BUILD/artifacts.
set -u
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
: "${DISPLAY:?}" "${WINEPREFIX:?}"
build=$(cd "$1" && pwd)
art=$build/artifacts
work=$(mktemp -d "${TMPDIR:-/tmp}/tovra-e2e.XXXXXX")
mkdir -p "$art"
KEY='HKEY_CURRENT_USER\Software\SCRNSAVE:Tovra Screensaver'
BITMAPS="cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp"
failed=0
started=""

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# A Wine command that returns by itself, given at most two minutes.
wine_bounded() { timeout -k 5 120 wine "$@"; }
probe() { wine_bounded "$build/tovra-probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
shot() { timeout 30 import -display "$DISPLAY" -window root "$art/$1.png"; }
# A screen shot of the window titled $1 only, as BUILD/artifacts/$2.png.
shot_window() {
  id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
  [ -n "$id" ] || { echo "no window titled \"$1\" to take a screen shot of" >&2; return 1; }
  timeout 30 import -display "$DISPLAY" -window "$id" "$art/$2.png"
}
check() {  # check WHAT COMMAND...
  what=$1; shift
  if "$@"; then echo "PASS $what"; else
    echo "FAIL $what"; failed=1
    shot "FAILED-$(echo "$what" | tr -c 'a-zA-Z0-9\n' - | cut -c1-60)"
  fi
}
# Polls COMMAND for up to a minute; says so when it gives up.
eventually() {
  t=$(($(date +%s) + 60))
  until "$@"; do
    [ "$(date +%s)" -lt $t ] || { echo "waited a minute in vain for: $*" >&2; return 1; }
    sleep 0.2
  done
}
alive() { kill -0 "$1" 2>/dev/null; }
ended() { eventually eval "! alive $1"; }
has_window() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
# start VAR COMMAND...: runs COMMAND in the background, its pid in VAR.
start() { v=$1; shift; "$@" >/dev/null 2>&1 & eval "$v=$!"; started="$started $!"; }
# start_probe host|spy: a probe in the background, its first line in $work/host|spy.
start_probe() { wine "$build/tovra-probe.exe" "$1" >"$work/$1" 2>/dev/null & started="$started $!"; eventually test -s "$work/$1"; }
# Registry lines (regedit's format) in one go.
reg() { { printf 'REGEDIT4\n\n'; printf '%s\n' "$@"; } >"$work/in.reg" && wine_bounded regedit /S "$(winpath "$work/in.reg")"; }
close() { probe post "$1" 16; }  # WM_CLOSE
# A full-screen run's window closed, the run waited for.
stop_run() { close "Running Screen Saver"; ended "$1" || kill "$1"; }
picture() { python3 "$(dirname "$0")/../support/picture.py" "$@"; }
# A folder C:\garden of 2000 pattern files, each a still life that nothing in
# the built-in library or a soup looks like: 11 x 11 blocks one cell apart
# ($work/blocks.rle). Seedings draw from it far more often than from the library.
make_garden() {
  row=$(printf '2ob%.0s' 1 2 3 4 5 6 7 8 9 10)2o
  { echo "x = 32, y = 32, rule = B3/S23"; for i in 1 2 3 4 5 6 7 8 9 10; do printf '%s$%s2$\n' "$row" "$row"; done
    printf '%s$%s!\n' "$row" "$row"; } >"$work/blocks.rle"
  mkdir -p "$WINEPREFIX/drive_c/garden"
  i=0; while [ $i -lt 2000 ]; do cp "$work/blocks.rle" "$WINEPREFIX/drive_c/garden/blocks$i.rle"; i=$((i + 1)); done
}
# A screen shot that shows the block grid.
garden_shown() { shot "$1" && picture holds "$build" "$art/$1.png" "$work/blocks.rle" >/dev/null; }
# Ends what the script started and leaves no settings behind.
cleanup() { for p in $started; do kill "$p" 2>/dev/null; done; reg "[-$KEY]"; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 1' INT TERM
