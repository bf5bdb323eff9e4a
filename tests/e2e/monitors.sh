#!/bin/sh
# Cell sizes and monitors under Wine: the system's scaling from the
# registry's LogPixels (144: 150%) with "CellSize" Auto and 20, the dialog at
# 150%, then two monitors (Xinerama on a display of the script's own) with
# "EachMonitor".
#   tests/e2e/monitors.sh BUILD_DIR (artifacts/cells-15.png, cells-20.png, dialog-150.png, two-monitors.png)
. "$(dirname "$0")/probe/lib.sh"
. "$(dirname "$0")/../../tools/wine-env.sh"
scr="$build/Tovra.scr"
title="Running Screen Saver"
DPI_KEYS='[HKEY_CURRENT_USER\Control Panel\Desktop]'
DPI_FONTS='[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]'
dpi() { reg "$DPI_KEYS" "\"LogPixels\"=dword:$1" "$DPI_FONTS" "\"LogPixels\"=dword:$1"; }
xvfb=""
shared_display=$DISPLAY
# The prefix's server, ended and waited for (a minute at most), so that the
# next program starts it afresh on the display and scaling it is given.
restart_wine() { timeout 60 wineserver -k 2>/dev/null; timeout 60 wineserver -w 2>/dev/null || true; }
finish() {
  if [ -n "$xvfb" ]; then restart_wine; kill "$xvfb" 2>/dev/null; fi
  # Back on the shared display before any other Wine program: one started on
  # the ended display would leave the prefix's server with a desktop there.
  export DISPLAY=$shared_display
  dpi 00000060
  cleanup
  # The prefix's server and services afresh on the shared display at 100%, so
  # that the next script's first window does not wait for them.
  restart_wine
  wine_bounded cmd /c exit >/dev/null 2>&1
}
trap finish EXIT
# The dialog's face as Wine draws it (its own fonts in the prefix, as for the
# dialog's script); without them a wider face stands in at every scaling.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for f in /usr/share/wine/fonts/*; do [ -e "$fonts/${f##*/}" ] || cp "$f" "$fonts/"; done

# A run's picture on the pitch, changing.
shows_pitch() { shot "cells-$1" && sleep 1 && shot "cells-$1-later" &&
  picture --pitch "$1" cells "$build" any "$art/cells-$1.png" "$art/cells-$1-later.png"; }
run_with() {  # run_with CELLSIZE PITCH
  reg "[-$KEY]" "[$KEY\\Settings]" "\"CellSize\"=\"$1\"" '"Speed"="200"'
  start run wine "$scr" /s
  check "150%, CellSize $1: cells on a $2-pixel pitch, changing, all over the screen" eventually shows_pitch "$2"
  stop_run "$run"
}

restart_wine
dpi 00000090
run_with Auto 15
run_with 20 20

# The dialog at 150%: its two columns and its last row, all of them half as
# large again as at 100%.
# At the screen's top, where the whole of it fits on the 800 pixels.
reg "[-$KEY]" "[$KEY\\Settings]" '"CellSize"="Auto"' '"EachMonitor"="True"' '"SaveBattery"="True"' \
  "[$KEY\\Window]" '"Top"="0"' '"Left"="0"'
start dlg wine "$scr" /c
check "150%: the dialog opens" eventually has_window "About Tovra"
sleep 0.5
check "150%: a screen shot of the dialog" shot_window "About Tovra" dialog-150
probe controls "About Tovra" >"$work/controls"
for line in 'ComboBox "Auto" 0 enabled=1' 'Button "One world per mo&nitor" 1 enabled=1' 'Button "Sa&ve battery" 1 enabled=1'; do
  check "150%: the stored values shown: $line" grep -qxF "$line" "$work/controls"
done
id=$(xdotool search --name '^About Tovra$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$id")"
check "150%: the dialog's client area is 1149 pixels wide ($WIDTH with its frame)" test $((WIDTH - 1149)) -ge 0 -a $((WIDTH - 1149)) -le 20
probe places "About Tovra" >"$work/places"
check "150%: the about box and the settings at their places, half as large again" kept_places "$work/places" 150
check "150%: Patterns, Monitors and power, Look: a right column" right_column "$work/places"
check "150%: OK and Cancel: the last row, at the bottom" last_row "$work/places" "$(client_height)"
close "About Tovra"
ended "$dlg"
dpi 00000060
restart_wine

# Two monitors: Xinerama without RandR, where Wine sees both screens (both at
# the origin). "EachMonitor" runs a world on each.
d=$(wine_env_free_display)
Xvfb ":$d" +xinerama -extension RANDR -screen 0 800x600x24 -screen 1 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
t=0; while [ $t -lt 50 ] && [ ! -e "/tmp/.X11-unix/X$d" ]; do sleep 0.1; t=$((t + 1)); done
[ -e "/tmp/.X11-unix/X$d" ] || echo "the Xinerama display :$d did not start within 5 seconds" >&2
export DISPLAY=":$d"
reg "[-$KEY]" "[$KEY\\Settings]" '"EachMonitor"="True"' '"Speed"="200"'
start run wine "$scr" /s
check "two monitors, EachMonitor: the run's window" eventually has_window "$title"
two() { shot two-monitors && sleep 1 && shot two-monitors-later &&
  picture cells "$build" any "$art/two-monitors.png" "$art/two-monitors-later.png"; }
check "two monitors, EachMonitor: cells on the pitch, changing" eventually two
sleep 2
check "two monitors, EachMonitor: still running two seconds on" alive "$run"
stop_run "$run"
check "two monitors, EachMonitor: the run ends when closed" ended "$run"
exit $failed
