#!/bin/sh
# Ending full-screen runs under Wine with real X input, with and without the
# stand-in password.cpl. "tovra-probe spy" logs the input the window takes, so
# that input that changed nothing is known to have arrived.   tests/e2e/exit.sh BUILD_DIR
. "$(dirname "$0")/probe/lib.sh"
scr="$build/Tovra.scr"
log="$work/log"
accept="$work/accept"
desktop='[HKEY_CURRENT_USER\Control Panel\Desktop]'
sysdirs="$WINEPREFIX/drive_c/windows/system32 $WINEPREFIX/drive_c/windows/syswow64"
trap 'reg "$desktop" "\"ScreenSaveUsePassword\"=-"; cleanup; for d in $sysdirs; do rm -f "$d/password.cpl"; done' EXIT

# run_saver [SCR]: a full-screen run with the pointer in the middle, past
# the half second after its start in which input is ignored.
run_saver() {
  : >"$log"
  xdotool mousemove 640 400
  start run env TOVRA_TEST_LOG="$(winpath "$log")" TOVRA_TEST_ACCEPT="$(winpath "$accept")" wine "${1:-$scr}" /s
  eventually has_window "Running Screen Saver" && sleep 1.5
}
taken() { [ "$(grep -c "^$1\$" "$log")" -ge "$2" ]; }
# The window goes at once when a run ends; the process lingers a while.
gone() { grep -q "^destroy Running Screen Saver" "$log"; }
goes_on() { sleep 1 && ! gone; }
finished() { ended "$run" && grep -qx "destroy Running Screen Saver cursor=1" "$log" && [ "$(probe flag)" = 0 ]; }

reg "[-$KEY]" "$desktop" '"ScreenSaveUsePassword"="0"'
check "the input spy is ready" start_probe spy

run_saver
for key in shift:16 F1:112 alt+F4:115; do
  xdotool key "${key%:*}"
  check "${key%:*} reaches the window" eventually taken "key ${key#*:}" 1
  check "${key%:*} leaves the run going" goes_on
  gone && { ended "$run"; run_saver; }
done
xdotool key a
check "the letter a ends the run" finished

run_saver
xdotool click 1
check "a click ends the run" finished

run_saver
n=$(grep -c '^move$' "$log")
check "fewer than seven mouse moves before the test's own ($n)" test "$n" -lt 7
step=3
while [ "$n" -lt 7 ] && alive "$run"; do
  step=$((-step))
  xdotool mousemove_relative -- $step $step
  eventually taken move $((n + 1)) || break
  n=$(grep -c '^move$' "$log")
  [ "$n" -ge 8 ] || goes_on || break
done
seven() { [ "$n" -eq 7 ] && ! gone; }
check "mouse moves 1 to 7 leave the run going (the window took $n)" seven
xdotool mousemove_relative -- 3 3
check "the eighth mouse move ends the run" finished
stop_run "$run"

# Password protection on.
reg "$desktop" '"ScreenSaveUsePassword"="1"'
for d in $sysdirs; do [ -d "$d" ] && cp "$build/test-password/password.cpl" "$d/"; done
rm -f "$accept"
run_saver
check "a run sets the screen-saver-running flag" test "$(probe flag)" = 1
close "Running Screen Saver"
check "protected, WM_CLOSE: the password dialog over the run's window" eventually taken "password Running Screen Saver" 1
check "protected, WM_CLOSE: refused, the run goes on" goes_on
probe post "Running Screen Saver" 22 1  # WM_ENDSESSION
check "protected, WM_ENDSESSION: the run ends" finished
check "protected, WM_ENDSESSION: no second password dialog" test "$(grep -c password "$log")" = 1
touch "$accept"
run_saver
xdotool key a
check "protected, a letter: the password accepted, the run ends" finished
check "protected, a letter: the dialog was asked" taken "password Running Screen Saver" 1

# A password.cpl beside the program, none in the system folder.
for d in $sysdirs; do rm -f "$d/password.cpl"; done
rm -f "$accept"
mkdir "$work/beside"
(cd "$build" && cp Tovra.scr $BITMAPS test-password/password.cpl "$work/beside/")
run_saver "$work/beside/Tovra.scr"
xdotool key a
check "protected, password.cpl only beside the program: a letter ends the run" finished
check "protected, password.cpl only beside the program: it was not asked" test -z "$(grep password "$log")"
exit $failed
