#!/bin/sh
# The Debian package with the real XScreenSaver daemon: installing and
# removing it leaves XScreenSaver's own files alone, every option in
# tovra.xml is one the module takes, tovra-enable (twice) puts Tovra on a
# user's list, `xscreensaver-command -select` runs the installed module on
# its own Xvfb and HOME and its cells fill the screen, the daemon's SIGTERM
# ends it by that signal, and removing the package removes everything. Needs
# root (dpkg, and the daemon run as nobody).
#   tests/x11/daemon.sh dist/tovra_VERSION_amd64.deb
set -u
DEB=$(realpath "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../../tools/xvfb.sh"
fail=0
check() { if [ "$1" = ok ]; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
BIN=/usr/libexec/xscreensaver/tovra
# One run at a time on this machine: the package is installed system-wide.
exec 9>/tmp/tovra-daemon-test.lock
flock -w 900 9 || { echo "FAIL: another run of this test held /tmp/tovra-daemon-test.lock for 15 minutes"; exit 1; }
dpkg_retry() { i=0; until dpkg "$@" > "$T/dpkg.log" 2>&1; do i=$((i + 1)); [ $i -lt 30 ] || return 1; sleep 2; done; }
was_installed=$(dpkg-query -W -f='${Status}' tovra 2>/dev/null | grep -c "install ok installed")
DAEMON=""
trap '[ -n "$DAEMON" ] && kill "$DAEMON" 2>/dev/null; [ "$was_installed" = 0 ] && dpkg_retry -P tovra; xvfb_stop' EXIT

theirs=$(md5sum /etc/X11/app-defaults/XScreenSaver*)
dpkg_retry -i "$DEB" || { echo "FAIL: dpkg -i: $(tail -3 "$T/dpkg.log")"; exit 1; }
[ "$(md5sum /etc/X11/app-defaults/XScreenSaver*)" = "$theirs" ] && r=ok || r=bad; check $r "installed: XScreenSaver's files as they were"
for arg in $(python3 -c 'import sys, xml.etree.ElementTree as E
for e in E.parse(sys.argv[1]).iter():  # each value of each option
    values = [e.get("arg").replace("%", e.get(v)) for v in ("low", "high", "default")] if e.tag == "number" else [e.get("arg-set")]
    print(*(v.replace(" ", "=") for v in values if v))' /usr/share/xscreensaver/config/tovra.xml); do
  $BIN $(echo "$arg" | tr = ' ') -help > /dev/null 2> "$T/err" && r=ok || r=bad; check $r "tovra.xml's $arg: $(cat "$T/err")"
done

# The daemon refuses to run as root: it runs as nobody, with a HOME of its own.
xvfb_start 1280x800 || exit 1
H="$T/home"; mkdir -p "$H"
printf 'mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nfade: False\nunfade: False\nsplash: False\n' > "$H/.xscreensaver"
chmod 755 "$T"; chown -R nobody:nogroup "$H"
NOBODY="env -i HOME=$H DISPLAY=$DISPLAY PATH=/usr/bin:/bin setpriv --reuid=nobody --regid=nogroup --clear-groups"
$NOBODY tovra-enable > "$T/enable" && $NOBODY tovra-enable >> "$T/enable" &&
  grep -q "^mode: one$" "$H/.xscreensaver" && [ "$(grep -c 'tovra -root' "$H/.xscreensaver")" = 1 ] &&
  grep -q 'already on' "$T/enable" && r=ok || r=bad; check $r "tovra-enable, twice: $(cat "$T/enable")"
(cd "$H" && exec $NOBODY xscreensaver -no-splash -verbose > "$T/daemon.log" 2>&1) & DAEMON=$!
i=0; until $NOBODY xscreensaver-command -time > /dev/null 2>&1 || [ $i -ge 50 ]; do sleep 0.2; i=$((i + 1)); done
N=$(sed -n '/^programs:/,/[^\\]$/p' "$H/.xscreensaver" | tail -n +2 | grep -n 'tovra -root' | cut -d: -f1)
timeout 30 $NOBODY xscreensaver-command -select "$N" > /dev/null
sleep 3
HACK=$(pgrep -u nobody -x tovra | head -1)
[ -n "$HACK" ] && [ "$(readlink "/proc/$HACK/exe")" = "$BIN" ] && r=ok || r=bad; check $r "the daemon runs the installed $BIN (pid ${HACK:-none})"
for s in a b; do timeout 20 import -window root "$T/$s.png"; sleep 1; done
out=$(python3 "$HERE/../support/picture.py" cells /usr/share/tovra red "$T/a.png") && r=ok || r=bad; check $r "cells on the screen: $out"
! cmp -s "$T/a.png" "$T/b.png" && r=ok || r=bad; check $r "the picture changes"
cp "$T/a.png" "${ARTIFACTS:-$T}/x11-daemon.png" 2>/dev/null
# Another mode chosen, the daemon ends the module with SIGTERM; one that then
# exits with a status instead of by the signal is logged as abnormal.
$NOBODY xscreensaver-command -select 1 > /dev/null
ended="child pid $HACK (tovra) exited normally with SIGTERM"
i=0; until grep -q "$ended" "$T/daemon.log" || [ $i -ge 50 ]; do sleep 0.2; i=$((i + 1)); done
grep -q "$ended" "$T/daemon.log" && r=ok || r=bad
check $r "ended by the daemon's SIGTERM, waited 10 s for \"$ended\": $(grep "pid $HACK (tovra) exited" "$T/daemon.log")"

if [ "$was_installed" = 0 ]; then
  dpkg_retry -P tovra; was_installed=1
  left=$(ls -d $BIN /usr/bin/tovra-enable /usr/bin/tovra-life /usr/bin/tovra-wayland /usr/share/tovra /usr/share/xscreensaver/config/tovra.xml \
             /usr/share/man/man6/tovra.6.gz /usr/share/man/man1/tovra-enable.1.gz /usr/share/man/man1/tovra-life.1.gz /usr/share/man/man1/tovra-wayland.1.gz 2>/dev/null)
  [ -z "$left" ] && [ "$(md5sum /etc/X11/app-defaults/XScreenSaver*)" = "$theirs" ] && r=ok || r=bad
  check $r "removed, nothing left, XScreenSaver's files as they were: $left"
fi
exit $fail
