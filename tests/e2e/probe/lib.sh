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
# The configuration dialog's layout, from "probe places" in FILE.
# The controls that keep their places in the left column, in twips at 100%:
# what a control's line holds, then its left, top, width and height.
KEPT_PLACES='Static ""|240,240,540,540
Static "Tovra"|1050,240,3885,480
Static "Version 2.0"|1050,780,3885,225
Static "A screen saver modelled on Conway|1050,1125,3885,450
Button "Settings"|120,1560,5535,1815
Button "&Rainbow"|240,1920,1215,255
Static "C&olor:"|1680,1920,615,255
ComboBox "Red"|2520,1800,1215,315
Button "&Mode"|240,2280,1335,975
Button "Torus"|360,2520,975,255
Button "Island"|360,2880,855,255
Static "&Speed:"|1680,2400,615,255
msctls_trackbar32|2400,2280,3015,510
Static "&Delay Between Random Seedings:"|1680,2880,2535,255
Edit "2000"|4320,2880,1095,285
 2026 The Tovra developers"|255,3705,2670,345'
# kept_places FILE PERCENT: each at its place at that scaling, give or take a pixel.
kept_places() {
  echo "$KEPT_PLACES" | while IFS='|' read -r what twips; do
    line=$(grep -aF -- "$what" "$1" | head -1)
    [ -n "$line" ] || { echo "no control $what in $1" >&2; return 1; }
    echo "$twips ${line##* } $2" | awk -F'[ ,]' '{ for (i = 1; i <= 4; i++) { d = $(i + 4) - $i / 15 * $9 / 100; if (d > 1 || d < -1) exit 1 } }' ||
      { echo "$what at ${line##* }, not at $twips twips at $2%" >&2; return 1; }
  done
}
# last_row FILE CLIENT_HEIGHT: OK and Cancel side by side below every other control, at the bottom.
last_row() {
  awk -v h="$2" '{ split($NF, r, ","); b = r[2] + r[4] }
    /^Button "OK" |^Button "&Cancel" / { top[++n] = r[2]; left[n] = r[1]; bottom = b; next }
    b > low { low = b }
    END { exit !(n == 2 && top[1] == top[2] && left[1] < left[2] && low <= top[1] && h - bottom >= 0 && h - bottom < h / 20) }' "$1"
}
# right_column FILE: the Patterns, Monitors and power, and Look groups one below the other, right of Settings.
right_column() {
  awk '{ split($NF, r, ",") } /^Button "Settings" / { edge = r[1] + r[3] }
    /^Button "(Patterns|Monitors and power|Look)" / { left[++n] = r[1]; top[n] = r[2]; bottom[n] = r[2] + r[4] }
    END { ok = n == 3; for (i = 1; i <= n; i++) ok = ok && left[i] > edge && left[i] == left[1] && (i == 1 || top[i] >= bottom[i - 1]); exit !ok }' "$1"
}
# The dialog's client area height in pixels.
client_height() { probe win "About Tovra" | sed -n 's/.* client=[0-9]*x\([0-9]*\)$/\1/p' | head -1; }
