#!/bin/sh
# The configuration dialog under Wine, driven with real clicks and keys, the
# settings read from the registry, and a run with the seeding it wrote.
#   tests/e2e/dialog.sh BUILD_DIR (artifacts/dialog.png)
. "$(dirname "$0")/probe/lib.sh"
scr="$build/Tovra.scr"
TPP=15  # twips per pixel at 96 dots per inch
CLIENT_W=766
CLIENT_H=334

# Wine draws the window frames itself (there is no window manager) and needs
# its own fonts in the prefix.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for f in /usr/share/wine/fonts/*; do [ -e "$fonts/${f##*/}" ] || cp "$f" "$fonts/"; done
reg '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"'
trap 'reg "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]" "\"Decorated\"=-"; cleanup' EXIT

# Every stored value as "Section/Name=Text", sorted.
stored() {
  wine_bounded reg query "$KEY" /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { n = split($0, p, /[\\]/); section = p[n]; next }
    $2 == "REG_SZ" { text = $0; sub(/^ *[^ ]+ +REG_SZ +/, "", text); if (NF == 2) text = ""; print section "/" $1 "=" text }' | sort
}
# Opens the dialog; sets X, Y, WIDTH, HEIGHT and cx, cy (its client area's corner).
open_dialog() {
  start dlg wine "$scr" /c
  eventually has_window "About Tovra" || return 1
  sleep 0.5
  id=$(xdotool search --name '^About Tovra$' | head -1)
  [ -n "$id" ] || { echo "the dialog's window went before it could be measured" >&2; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$id")"
  border=$(((WIDTH - CLIENT_W) / 2))
  cx=$((X + border))
  cy=$((Y + HEIGHT - CLIENT_H - border))
}
# Clicks the middle of a place given in twips (left, top, width, height).
# OK and Cancel: the last row, at the bottom right.
click_ok() { click_at 8640 4545 1260 345; }
click_at() { xdotool mousemove $((cx + ($1 + $3 / 2) / TPP)) $((cy + ($2 + $4 / 2) / TPP)) click 1; sleep 0.4; }
keys() { xdotool key --delay 60 "$@"; sleep 0.4; }
click_rainbow() { click_at 240 1920 1215 255; }
closed() { ended "$dlg"; }
centred() { [ $(((X + WIDTH / 2 - 640) / 3)) = 0 ] && [ $(((Y + HEIGHT / 2 - 400) / 3)) = 0 ]; }  # 1280x800
position_only() { [ "$(stored | grep -v '^Window/Left=\|^Window/Top=')" = "$1" ] && stored | grep -q '^Window/Top=' && stored | grep -q '^Window/Left='; }

reg "[-$KEY]"
check "an empty store, /c: the dialog opens" open_dialog
check "a screen shot of the dialog" shot_window "About Tovra" dialog
probe places "About Tovra" >"$work/places"
check "the about box and the settings at their places in the left column" kept_places "$work/places" 100
check "Patterns, Monitors and power, Look: a right column" right_column "$work/places"
check "OK and Cancel: the last row, at the bottom" last_row "$work/places" "$(client_height)"
click_ok
check "OK: the dialog closes" closed
defaults=$(printf 'Settings/AgeColors=False\nSettings/BurnInGuard=False\nSettings/CellShape=Square\nSettings/CellSize=10\nSettings/Color=0\nSettings/Delay=2000\nSettings/EachMonitor=False\nSettings/Fade=0\nSettings/Palette=Classic\nSettings/Patterns=\nSettings/Rainbow=False\nSettings/ReduceFlashing=Auto\nSettings/SaveBattery=False\nSettings/Seeding=0\nSettings/Smooth=False\nSettings/Speed=300\nSettings/Torus=True')
check "OK: the defaults and the position are written" position_only "$defaults"

for how in Cancel Esc close-box; do
  reg "[$KEY\\Window]" '"Top"="-4500"' '"Left"="30000"'
  open_dialog
  check "$how: a stored position on no monitor, the dialog centred ($X,$Y)" centred
  click_rainbow
  case $how in
    Cancel) click_at 10080 4545 1260 345 ;;
    Esc) keys Escape ;;
    close-box) xdotool mousemove $((X + WIDTH - border - 10)) $((Y + border + 10)) click 1 ;;
  esac
  check "$how: the dialog closes" closed
  check "$how: only the position is written" position_only "$defaults"
done

reg "[-$KEY]" "[$KEY\\Settings]" '"Rainbow"="False"' '"Color"="3"' '"Torus"="False"' '"Speed"="3"' '"Delay"="1234"'
values=$(stored)
open_dialog
click_rainbow
keys alt+d
xdotool type --delay 60 40000
probe controls "About Tovra" >"$work/before"
shows() { grep -qxF "$1" "$work/before"; }
for line in 'Button "&Rainbow" 1 enabled=1' 'ComboBox "Blue" 3 enabled=0' 'Button "Island" 1 enabled=1' \
  'msctls_trackbar32 "" 99 enabled=1' 'Edit "40000" 0 enabled=1'; do
  check "the stored values shown, Rainbow ticked, the delay typed: $line" shows "$line"
done
refused() {
  check "delay 40000, $1: a message box titled \"Error\"" eventually has_window Error
  close Error
  check "delay 40000, $1: the box closes" eventually eval "! has_window Error"
}
click_at 2400 2280 3015 510  # the speed slider
refused "a click on the slider"
probe controls "About Tovra" >"$work/after"
check "delay 40000, a click on the slider: the dialog stays, its controls as they were" diff "$work/before" "$work/after"
click_ok
refused OK
check "delay 40000, OK: nothing is written" test "$(stored)" = "$values"
keys Escape
check "delay 40000, then Esc: the dialog closes, writing only the position" position_only "$values"

# The seeding and the folder chosen in the dialog, the folder picker, then a run with them.
# Mixed: its random cells keep changing, so the run does not reseed at every
# generation as Patterns does on a grid of still lifes alone (until the grid
# is full and random cells are sprinkled over the blocks).
make_garden
reg "[-$KEY]" "[$KEY\\Settings]" '"Seeding"="1"' '"Patterns"="C:\\nowhere"'
open_dialog
probe controls "About Tovra" >"$work/before"
check "the stored seeding shown: Patterns" shows 'ComboBox "Patterns" 1 enabled=1'
check "the stored folder shown" shows 'Edit "C:\nowhere" 0 enabled=1'
click_at 5925 480 1215 255  # the seeding's label: the keys go to the dialog
keys alt+e Down
keys alt+f
xdotool type --delay 60 'C:\garden'
click_at 10005 765 1215 345  # Browse
check "Browse: the system's folder picker opens" eventually has_window "Browse for Folder"
keys Return
check "the picker closes" eventually eval "! has_window 'Browse for Folder'"
probe controls "About Tovra" >"$work/before"
check "the picker's choice, the folder typed, in the box" shows 'Edit "C:\garden" 0 enabled=1'
check "the seeding chosen: Mixed" shows 'ComboBox "Mixed" 2 enabled=1'
click_ok
check "OK: Seeding and Patterns written" eval 'stored | grep -q "^Settings/Seeding=2\$" && stored | grep -qF "Settings/Patterns=C:\garden"'
# Two seconds a generation: the first seeding's block grids stay in view
# however loaded the machine is.
reg "[$KEY\\Settings]" '"Speed"="2000"'
start run wine "$scr" /s
check "/s with the dialog's settings: a block grid of the folder" eventually garden_shown dialog-garden
stop_run "$run"

# The cell size, the worlds on the monitors and the battery: shown as stored
# (an unusable size as 10), chosen with the keyboard, written on OK.
reg "[-$KEY]" "[$KEY\\Settings]" '"CellSize"="41"' '"EachMonitor"="True"' '"SaveBattery"="False"' '"BurnInGuard"="yes"'
open_dialog
probe controls "About Tovra" >"$work/before"
check "the cell size shown: 10 for a stored 41" shows 'ComboBox "10" 1 enabled=1'
check "one world per monitor shown ticked" shows 'Button "One world per mo&nitor" 1 enabled=1'
check "save battery shown unticked" shows 'Button "Sa&ve battery" 0 enabled=1'
check "the burn-in guard shown unticked for a stored \"yes\"" shows 'Button "Burn-&in guard" 0 enabled=1'
click_at 5925 1680 1215 255  # the cell size's label: the keys go to the dialog
keys alt+z Home
keys alt+n alt+v alt+i
probe controls "About Tovra" >"$work/before"
check "the cell size chosen: Auto" shows 'ComboBox "Auto" 0 enabled=1'
click_ok
check "OK: CellSize, EachMonitor, SaveBattery and BurnInGuard written" eval 'stored | grep -qx "Settings/CellSize=Auto" &&
  stored | grep -qx "Settings/EachMonitor=False" && stored | grep -qx "Settings/SaveBattery=True" &&
  stored | grep -qx "Settings/BurnInGuard=True"'

# The look: shown as stored (an unusable Smooth and shape as their defaults),
# chosen with the keyboard and the fade's arrows, a fade above 64 refused,
# written on OK.
reg "[-$KEY]" "[$KEY\\Settings]" '"Palette"="Ocean"' '"AgeColors"="True"' '"Fade"="16"' '"Smooth"="maybe"' '"CellShape"="Dots"'
values=$(stored)
open_dialog
probe controls "About Tovra" >"$work/before"
for line in 'ComboBox "Ocean" 5 enabled=1' 'Button "Colour by a&ge" 1 enabled=1' 'Edit "16" 0 enabled=1' \
  'Button "Smoo&th" 0 enabled=1' 'ComboBox "Square" 0 enabled=1' 'Static "generations" 0 enabled=1'; do
  check "the look shown as stored: $line" shows "$line"
done
click_at 5925 3240 1215 255  # the palette's label: the keys go to the dialog
keys alt+p End alt+g alt+t alt+h End alt+a
xdotool type --delay 60 70
click_ok
check "fade 70, OK: a message box titled \"Error\"" eventually has_window Error
check "fade 70: the message names it and what is allowed" eval 'probe controls Error | grep -qF "Invalid fade \"70\": it must be a number of generations from 0 to 64."'
close Error
check "fade 70: the box closes" eventually eval "! has_window Error"
check "fade 70, OK: nothing is written" test "$(stored)" = "$values"
xdotool type --delay 60 40
# The arrows' upper half, right of the fade box: one step up.
xdotool mousemove $((cx + 532)) $((cy + 241)) click 1; sleep 0.4
probe controls "About Tovra" >"$work/before"
for line in 'ComboBox "Sunset" 9 enabled=1' 'Button "Colour by a&ge" 0 enabled=1' 'Edit "41" 0 enabled=1' \
  'Button "Smoo&th" 1 enabled=1' 'ComboBox "Dot" 2 enabled=1'; do
  check "the look chosen: $line" shows "$line"
done
click_ok
check "OK: the look written" eval 'stored | grep -x "Settings/\(Palette\|AgeColors\|Fade\|Smooth\|CellShape\)=.*" | tr "\n" " " |
  grep -qx "Settings/AgeColors=False Settings/CellShape=Dot Settings/Fade=41 Settings/Palette=Sunset Settings/Smooth=True "'
exit $failed
