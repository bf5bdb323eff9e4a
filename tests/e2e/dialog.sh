#!/bin/sh
# The configuration dialog end to end: Tovra.scr /c under Wine, driven with
# real clicks and keys through xdotool, with the settings read back from the
# registry. Run by tools/wine-tests.sh with DISPLAY and WINEPREFIX set.
#   tests/e2e/dialog.sh build/win64
set -u
build=$(cd "$1" && pwd)
scr="$build/Tovra.scr"
art="$build/artifacts"
mkdir -p "$art"
KEY='HKCU\Software\SCRNSAVE:Tovra Screensaver'
X11KEY='HKCU\Software\Wine\X11 Driver'
status=0
scr_pid=""

# The layout's scale: 96 dots per inch, 15 twips to the pixel.
TPP=15
CLIENT_W=387
CLIENT_H=273

say() { echo "dialog.sh ($1): $2"; }
shot() { import -display "$DISPLAY" -window root "$art/$1.png" 2>/dev/null || true; }
fail() {
  n=$((${n:-0} + 1))
  echo "dialog.sh: FAIL: $*" >&2
  shot "failure-$n"
  status=1
}

# --- Environment: Wine draws the window frames itself (there is no window
# manager), and finds its own fonts (MS Sans Serif, Marlett for the caption
# buttons) in the prefix. Both are put back as they were at the end.
fonts="$(wine winepath -u 'C:\windows\Fonts' 2>/dev/null | tr -d '\r')"
copied_fonts=""
if [ -n "$fonts" ] && [ -d /usr/share/wine/fonts ]; then
  for f in /usr/share/wine/fonts/*; do
    b=$(basename "$f")
    if [ ! -e "$fonts/$b" ]; then cp "$f" "$fonts/$b" && copied_fonts="$copied_fonts $b"; fi
  done
fi
old_decorated=$(wine reg query "$X11KEY" /v Decorated 2>/dev/null | tr -d '\r' | awk '$1 == "Decorated" {print $3}')
wine reg add "$X11KEY" /v Decorated /d N /f >/dev/null 2>&1

cleanup() {
  if [ -n "$scr_pid" ] && kill -0 "$scr_pid" 2>/dev/null; then kill "$scr_pid" 2>/dev/null; fi
  wine reg delete "$KEY" /f >/dev/null 2>&1
  if [ -n "$old_decorated" ]; then
    wine reg add "$X11KEY" /v Decorated /d "$old_decorated" /f >/dev/null 2>&1
  else
    wine reg delete "$X11KEY" /v Decorated /f >/dev/null 2>&1
  fi
  for b in $copied_fonts; do rm -f "$fonts/$b"; done
}
trap cleanup EXIT

# --- Helpers -------------------------------------------------------------------

clear_store() { wine reg delete "$KEY" /f >/dev/null 2>&1; }
put() { wine reg add "$KEY\\$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }

# All stored values as "Section/Key=Text" lines, sorted.
stored() {
  wine reg query "$KEY" /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { n = split($0, p, /[\\]/); section = p[n]; next }
    NF >= 2 && $2 == "REG_SZ" { text = $0; sub(/^ *[^ ]+ +REG_SZ +/, "", text); if (NF == 2) text = "";
                                print section "/" $1 "=" text }' | sort
}
stored_settings() { stored | grep '^Settings/' ; }
expect_settings() {  # Rainbow Color Torus Speed Delay
  want=$(printf 'Settings/Color=%s\nSettings/Delay=%s\nSettings/Rainbow=%s\nSettings/Speed=%s\nSettings/Torus=%s' "$2" "$5" "$1" "$4" "$3")
  got=$(stored_settings)
  [ "$got" = "$want" ] || fail "$case: settings are [$(echo $got)], expected [$(echo $want)]"
}

# The id of the window whose title matches, waiting up to ten seconds for it.
find_window() {
  found=""
  i=0
  while [ -z "$found" ] && [ $i -lt 100 ]; do
    found=$(xdotool search --name "$1" 2>/dev/null | head -1)
    [ -n "$found" ] || sleep 0.1
    i=$((i + 1))
  done
  echo "$found"
}

# Starts Tovra.scr with the given switch and waits for its dialog; sets wid,
# cx, cy (the client area's top-left corner on the screen).
open_dialog() {
  wine "$scr" "$@" >/dev/null 2>&1 &
  scr_pid=$!
  wid=$(find_window '^About Tovra$')
  if [ -z "$wid" ]; then fail "$case: no window titled \"About Tovra\" after $*"; return 1; fi
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  border=$(((WIDTH - CLIENT_W) / 2))
  cx=$((X + border))
  cy=$((Y + HEIGHT - CLIENT_H - border))
  return 0
}

# The centre of a place given in twips on the client area.
at() { echo "$((cx + ($1 + $3 / 2) / TPP)) $((cy + ($2 + $4 / 2) / TPP))"; }
click_at() { xdotool mousemove $(at "$@") click 1; sleep 0.4; }
# Keys go to the window under the pointer.
keys() { xdotool mousemove $(at 1050 780 100 100); xdotool key --delay 60 "$@"; sleep 0.4; }
type_text() { xdotool mousemove $(at 1050 780 100 100); xdotool type --delay 60 "$1"; sleep 0.3; }

click_ok() { click_at 3000 3720 1260 345; }
click_cancel() { click_at 4440 3720 1260 345; }
click_rainbow() { click_at 240 1920 1215 255; }
click_island() { click_at 360 2880 855 255; }
click_speed() { click_at 2400 2280 3015 510; }
click_delay() { click_at 4320 2880 1095 285; }
click_color() { click_at 2520 1800 1215 315; }
click_close_box() { xdotool mousemove $((X + WIDTH - border - 10)) $((Y + border + 10)) click 1; sleep 0.4; }

# Waits for the program to end after its dialog has closed.
wait_ended() {
  i=0
  while kill -0 "$scr_pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  if kill -0 "$scr_pid" 2>/dev/null; then
    fail "$case: the program is still running after its dialog closed"
    kill "$scr_pid" 2>/dev/null
  fi
  scr_pid=""
}

window_written() {
  stored | grep -q '^Window/Top=' && stored | grep -q '^Window/Left=' || fail "$case: Top and Left were not written"
}

# --- Cases ---------------------------------------------------------------------

case="empty store, OK"
clear_store
if open_dialog /c; then
  shot dialog-screen
  import -display "$DISPLAY" -window "$wid" "$art/dialog.png" 2>/dev/null || fail "$case: no screenshot"
  # The controls' classes, captions, items, places and tab order, read from
  # the running program's window.
  TOVRA_PROBE_DIALOG=1 wine "$build/tovra_win32_tests.exe" --gtest_brief=1 \
    --gtest_filter='ConfigDialogWindow.FrameAndControlsFollowTheLayoutInTabOrder' >"$art/dialog-layout.txt" 2>&1 ||
    fail "$case: the layout check failed (see artifacts/dialog-layout.txt)"
  click_ok
  wait_ended
  expect_settings False 0 True 300 2000
  window_written
fi

case="change every setting"
clear_store
if open_dialog /c:1234; then
  click_color            # opens the list
  click_color            # and closes it again
  keys b                 # Blue
  click_rainbow          # ticked: the list greys out
  click_island
  click_speed
  keys End               # the fastest position
  click_delay
  keys alt+d             # selects the whole text
  type_text 1234
  shot dialog-changed
  click_ok
  wait_ended
  expect_settings True 3 False 3 1234
fi

case="reopen shows the stored values; untick Rainbow, pick Green"
if open_dialog; then
  TOVRA_PROBE_DIALOG=1 wine "$build/tovra_win32_tests.exe" --gtest_brief=1 \
    --gtest_filter='ConfigDialogWindow.ShowsStoredValues' >"$art/dialog-reopen.txt" 2>&1 ||
    fail "$case: the controls do not show the stored values (see artifacts/dialog-reopen.txt)"
  click_rainbow
  click_color
  click_color
  keys g                 # Green
  click_speed
  keys Home Right Right Right  # position 3
  click_ok
  wait_ended
  expect_settings False 2 False 291 1234
fi

case="a full-screen run draws in the chosen colour"
wine "$scr" /s >/dev/null 2>&1 &
saver_pid=$!
sleep 4
shot saver-green
keys x
i=0
while kill -0 "$saver_pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
kill "$saver_pid" 2>/dev/null
# Green cell faces on the screen, and no red ones.
green=$(convert "$art/saver-green.png" -fill black +opaque 'rgb(48,200,64)' -fill white -opaque 'rgb(48,200,64)' -format '%[fx:mean*w*h]' info: 2>/dev/null)
red=$(convert "$art/saver-green.png" -fill black +opaque 'rgb(224,40,40)' -fill white -opaque 'rgb(224,40,40)' -format '%[fx:mean*w*h]' info: 2>/dev/null)
case "$green" in ''|0) fail "$case: no green cells on the screen (see artifacts/saver-green.png)" ;; esac
[ "${red:-1}" = "0" ] || fail "$case: red cells on the screen ($red pixels)"

for how in Cancel Esc close-box; do
  case="$how writes only the position"
  before=$(stored_settings)
  wine reg delete "$KEY\\Window" /f >/dev/null 2>&1
  if open_dialog /c; then
    click_rainbow        # changed, but not accepted
    case $how in
      Cancel) click_cancel ;;
      Esc) keys Escape ;;
      close-box) click_close_box ;;
    esac
    wait_ended
    [ "$(stored_settings)" = "$before" ] || fail "$case: the settings changed"
    window_written
  fi
done

case="delay 40000 and OK"
clear_store
if open_dialog /c; then
  keys alt+d
  type_text 40000
  click_ok
  box=$(find_window '^Error$')
  if [ -z "$box" ]; then
    fail "$case: no message box titled \"Error\""
  else
    sleep 0.3
    shot dialog-delay-error
    eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/BOX_/')"
    xdotool mousemove $((BOX_X + BOX_WIDTH / 2)) $((BOX_Y + BOX_HEIGHT / 2)) key Return
    sleep 0.5
  fi
  [ -z "$(stored)" ] || fail "$case: something was written: $(stored | tr '\n' ' ')"
  kill -0 "$scr_pid" 2>/dev/null || fail "$case: the dialog closed"
  keys Escape
  wait_ended
  [ -z "$(stored_settings)" ] || fail "$case: settings were written after Esc"
fi

case="reopens where it was closed"
clear_store
put Window Top 3000
put Window Left 4500
if open_dialog /c; then
  [ "$X" -eq $((4500 / TPP)) ] && [ "$Y" -eq $((3000 / TPP)) ] ||
    fail "$case: the dialog opened at $X,$Y, expected $((4500 / TPP)),$((3000 / TPP))"
  click_cancel
  wait_ended
  [ "$(stored | grep '^Window/')" = "$(printf 'Window/Left=4500\nWindow/Top=3000')" ] ||
    fail "$case: position written as $(stored | tr '\n' ' ')"
fi

exit $status
