#!/bin/sh
# Tovra.scr under Wine: the full-screen run (its window, cells all over the
# screen, a repaint), a second start and /c while it runs, the preview in a
# host window, bad /p lines, a garden from the registry's settings, Reduce
# flashing following the system's animations switch.
#   tests/e2e/saver.sh BUILD_DIR (artifacts/saver.png, garden.png)
. "$(dirname "$0")/probe/lib.sh"
scr="$build/Tovra.scr"
title="Running Screen Saver"

reg "[-$KEY]" "[$KEY\\Settings]" '"Rainbow"="False"' '"Color"="4"' '"Speed"="200"'
start run wine "$scr" /s
check "/s: a window titled \"$title\"" eventually has_window "$title"
w=$(xdotool getdisplaygeometry | tr ' ' x)
covers() { probe win "$title" | cut -d' ' -f3- | grep -qx "visible=1 topmost=1 child=0 rect=0,0,${w%x*},${w#*x} client=$w"; }
check "/s: one visible top-most window covering the whole $w screen" eventually covers
# Purple cells, changing, all over the screen.
frames() { shot saver && sleep 1 && shot saver-later && picture cells "$build" purple "$art/saver.png" "$art/saver-later.png"; }
check "/s: purple and dead cells on the 10-pixel pitch, changing, in every part of the screen" eventually frames
repainted() { shot saver-before && probe repaint "$title" && sleep 0.5 && shot saver-after &&
  picture cells "$build" purple "$art/saver-before.png" "$art/saver-after.png" repainted; }
check "/s: after a repaint of the whole window the picture is back" repainted
monitors() { probe post "$title" 274 61808 "$1"; sleep 1; }  # WM_SYSCOMMAND, SC_MONITORPOWER: 2 off, -1 on
still() { monitors 2 && shot off-1 && sleep 1 && shot off-2 && [ "$(compare -metric AE "$art/off-1.png" "$art/off-2.png" null: 2>&1)" = 0 ]; }
check "/s: the monitors off, the picture stands still" still
check "/s: the monitors on, the cells change again" eval 'monitors -1 && eventually frames'
hwnd=$(probe win "$title" | cut -d' ' -f1)
for switch in /s /c; do
  check "$switch while running: ends at once, starting nothing" timeout 60 wine "$scr" $switch
done
check "the first run goes on alone" test "$(probe win "$title" | cut -d' ' -f1)" = "$hwnd"
stop_run "$run"

# Mixed seeding and a folder from the registry: the first seeding, on the empty
# grid, places a block grid of the folder among the random cells, and it stays
# for the next few generations, four seconds each, however slowly the first screen shot comes.
make_garden
reg "[-$KEY]" "[$KEY\\Settings]" '"Seeding"="2"' '"Patterns"="C:\\garden"' '"Speed"="4000"'
start run wine "$scr" /s
check "/s, Mixed and a folder in the registry: a block grid of the folder among random cells" eventually garden_shown garden
check "/s, Mixed: cells all over the screen" picture cells "$build" any "$art/garden.png"
stop_run "$run"

# A drawn palette from the registry: Paper's dots, aged and fading, on its
# light background; then Ocean's squares, blending between generations.
reg "[-$KEY]" "[$KEY\\Settings]" '"Palette"="Paper"' '"CellShape"="Dot"' '"CellSize"="20"' '"AgeColors"="True"' '"Fade"="8"'
start run wine "$scr" /s
paper() { shot paper && picture --pitch 20 look dot f4f1ea c8c4bc 1a1a1a,3a3a48,5a5a6e "$art/paper.png" blends; }
check "/s, Paper in dots from the registry: each cell a dot of its colour on the palette's background" eventually paper
stop_run "$run"
reg "[-$KEY]" "[$KEY\\Settings]" '"Palette"="Ocean"' '"Smooth"="True"' '"Speed"="300"'
start run wine "$scr" /s
blended() {
  shot ocean && picture look square 000000 0a2850 e0fbff,7fdbff,2a9df4,1e6edc,2850c8 "$art/ocean.png" blends >"$work/ocean" &&
    grep -q " between [1-9]" "$work/ocean"; s=$?; cat "$work/ocean" 2>/dev/null; return $s
}
check "/s, Ocean and Smooth from the registry: squares of its colours, some blending" eventually blended
stop_run "$run"

# Reduce flashing under Auto follows the system's "Show animations" switch,
# which the probe sets for every process: with it off the fastest run's
# picture changes at most about six times a second (some 11 in two seconds);
# with it on, or with a stored Off, about as often as the probe looks.
trap 'probe animations on; cleanup' EXIT
changes() { n=$(probe changes "$title" 2); echo "$n"; test "${n%% *}" "$@"; }
# flashing ANIMATIONS STORED OP N: a run at Speed 0, ReduceFlashing STORED (empty: none
# stored), whose picture changes OP N times in two seconds.
flashing() {
  probe animations "$1"
  check "animations $1: another process reads them $1" test "$(probe animations)" = "animations $1"
  reg "[-$KEY]" "[$KEY\\Settings]" '"Speed"="0"' ${2:+"\"ReduceFlashing\"=\"$2\""}
  start run wine "$scr" /s
  eventually has_window "$title" && sleep 1
  how=$([ "$3" = -le ] && echo "at most" || echo "more than")
  check "/s at Speed 0, animations $1, Reduce flashing ${2:-not stored}: the picture changes $how $4 times in two seconds" changes "$3" "$4"
  stop_run "$run"
}
flashing off "" -le 15
flashing on Auto -gt 25
flashing off Off -gt 25
probe animations on

# The preview: a child filling its host's client area, ending with the host.
start_probe host
host=$(tr -d '\r' <"$work/host")
start preview wine "$scr" /p "$host"
fills() { probe win "Preview Screen Saver" "$host" | grep -q "visible=1 .* child=1 rect=0,0,203,157 client=203x157$"; }
check "/p: a visible child window filling its host's 203x157 client area" eventually fills
sleep 2
check "/p: still running two seconds on" alive "$preview"
close "Tovra probe host"
check "/p: ends when its host goes" ended "$preview"

# Lines naming no usable window: a message box, no display window.
for line in "/p" "/p 2147483648"; do
  start bad wine "$scr" $line
  box() { probe win Tovra | grep -q "class=#32770 visible=1"; }
  check "$line: a message box" eventually box
  check "$line: no display window" test -z "$(probe win "$title"; probe win "Preview Screen Saver")"
  close Tovra
  check "$line: ends when the box is closed" ended "$bad"
done
exit $failed
