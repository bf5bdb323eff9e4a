#!/bin/sh
# The release files under Wine: both archives hold exactly the expected
# files; the installer's silent install puts Tovra where the Screen Saver
# Settings page looks, makes it the current saver, and the installed program
# draws cells; it refuses to overwrite files it does not own; the silent
# uninstall leaves no file and no uninstall entry behind.
#   tests/release/installer.sh DIST-DIR   (DISPLAY and WINEPREFIX set by the caller)
set -u
DIST=$(cd "$1" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
VERSION=$(cat "$HERE/../../VERSION")
ART="$DIST/../build/release-artifacts"
mkdir -p "$ART"
SYS="$WINEPREFIX/drive_c/windows/system32"
UNKEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovra'
FILES="Tovra.scr cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp"
fail=0
check() { if [ "$1" = ok ]; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
# A Wine command that returns by itself, given at most two minutes.
wine_bounded() { timeout -k 5 120 wine "$@"; }
wait_for() {  # seconds command...
  n=$1; shift
  while [ "$n" -gt 0 ]; do "$@" && return 0; sleep 1; n=$((n - 1)); done
  return 1
}

# --- the archives
for arch in win32 win64; do
  want=$(for f in $FILES README.txt; do echo "Tovra-$VERSION-$arch/$f"; done | sort)
  got=$(unzip -Z1 "$DIST/Tovra-$VERSION-$arch.zip" | grep -v '/$' | sort)
  [ "$want" = "$got" ] && r=ok || r=bad; check $r "Tovra-$VERSION-$arch.zip holds exactly the program, six bitmaps and README.txt"
done

# --- silent install: it opens no window, during or after
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }
windows > "$ART/windows-before"
wine_bounded "$DIST/Tovra-$VERSION-setup.exe" /S; rc=$?
[ $rc -eq 0 ] && r=ok || r=bad; check $r "silent install exits 0 (got $rc)"
sleep 2
opened=$(windows | comm -13 "$ART/windows-before" -)
[ -z "$opened" ] && r=ok || r=bad
check $r "no window open after the silent install: $(for w in $opened; do xdotool getwindowname "$w"; done | tr '\n' ' ')"
for f in $FILES; do
  [ -f "$SYS/$f" ] && r=ok || r=bad; check $r "installed $f in the system folder"
done
cmp -s "$SYS/Tovra.scr" "$DIST/win64/Tovra.scr" && r=ok || r=bad; check $r "the 64-bit program on 64-bit Windows"
wine_bounded reg query "$UNKEY" /reg:64 /v DisplayVersion 2>/dev/null | grep -q "$VERSION" && r=ok || r=bad; check $r "uninstall entry with the version"
# The fields winget matches the installed program by, as its manifest says.
/usr/bin/python3 "$HERE/winget-check.py" --arp "$DIST" "$VERSION" > "$ART/arp"
[ "$(wc -l < "$ART/arp")" = 3 ] && r=ok || r=bad; check $r "the winget manifest names DisplayName, DisplayVersion and Publisher"
while IFS== read -r v want; do
  got=$(wine_bounded reg query "$UNKEY" /reg:64 /v "$v" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$v *REG_SZ *//p")
  [ "$got" = "$want" ] && r=ok || r=bad; check $r "uninstall entry's $v is the winget manifest's \"$want\": \"$got\""
done < "$ART/arp"
for v in DisplayName Publisher DisplayIcon UninstallString EstimatedSize; do
  wine_bounded reg query "$UNKEY" /reg:64 /v $v >/dev/null 2>&1 && r=ok || r=bad; check $r "uninstall entry has $v"
done
wine_bounded reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE 2>/dev/null | tr -d '\r' | grep -qi 'system32\\Tovra.scr$' && r=ok || r=bad
check $r "Tovra is the current screen saver"

# --- the installed program runs and draws red cells (the default colour)
# The 64-bit loader runs a program in the native system folder directly (the
# plain wine launcher hands a .scr there to the 32-bit start command, which
# looks in the 32-bit system folder).
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=wine
"$WINE64" "$SYS/Tovra.scr" /s &
SAVER=$!
sleep 4
timeout 30 import -display "$DISPLAY" -window root "$ART/installed-run.png"
out=$(python3 "$HERE/../support/picture.py" cells "$SYS" red "$ART/installed-run.png") && r=ok || r=bad
check $r "the installed saver draws red cells on the pitch: $out"
kill "$SAVER" 2>/dev/null
wine_pid_gone() { ! kill -0 "$SAVER" 2>/dev/null; }
wait_for 10 wine_pid_gone

# --- silent uninstall
UNINSTALLER=$(wine_bounded reg query "$UNKEY" /reg:64 /v UninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *"\(.*\)".*/\1/p')
[ -n "$UNINSTALLER" ] && r=ok || r=bad; check $r "uninstaller found: $UNINSTALLER"
wine_bounded "$UNINSTALLER" /S
entry_gone() { ! wine_bounded reg query "$UNKEY" /reg:64 >/dev/null 2>&1; }
files_gone() { for f in $FILES; do [ -e "$SYS/$f" ] && return 1; done; return 0; }
wait_for 30 entry_gone && r=ok || r=bad; check $r "uninstall entry removed"
wait_for 30 files_gone && r=ok || r=bad; check $r "installed files removed"
prog=$(wine_bounded winepath -u "$(dirname "$(echo "$UNINSTALLER" | tr '\\' '/')")" 2>/dev/null)
uninstaller_gone() { [ ! -e "$prog" ]; }
wait_for 30 uninstaller_gone && r=ok || r=bad; check $r "program folder removed ($prog)"
wine_bounded reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null 2>&1 && r=bad || r=ok
check $r "the current screen saver no longer names the removed program"

# --- files of someone else's are never overwritten
printf 'not ours' > "$SYS/cellgreen.bmp"
wine_bounded "$DIST/Tovra-$VERSION-setup.exe" /S; rc=$?
[ $rc -ne 0 ] && r=ok || r=bad; check $r "install over a foreign file is refused (exit $rc)"
[ "$(cat "$SYS/cellgreen.bmp")" = "not ours" ] && r=ok || r=bad; check $r "the foreign file is untouched"
[ ! -e "$SYS/Tovra.scr" ] && r=ok || r=bad; check $r "nothing installed beside it"
rm -f "$SYS/cellgreen.bmp"
exit $fail
