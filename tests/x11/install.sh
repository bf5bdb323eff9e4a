#!/bin/sh
# The CMake install rules, as a packager uses them: a build given Debian's
# hardening flags in CFLAGS, CXXFLAGS, CPPFLAGS and LDFLAGS compiles and
# links with every one of them (blhc on its log); `cmake --install` into a
# scratch prefix puts exactly the package's files there, and the module
# installed there draws its cells from the pictures under that prefix;
# `--prefix /usr` with DESTDIR stages the files at the paths the Debian
# package has, and the package holds those files and no others.
#   tests/x11/install.sh dist/tovra_VERSION_amd64.deb
set -u
DEB=$(realpath "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/../.." && pwd)
. "$SRC/tools/xvfb.sh"
fail=0
check() { if [ "$1" = ok ]; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
# The files of the package, under its prefix (manual pages uncompressed).
FILES="bin/tovra-enable
bin/tovra-life
bin/tovra-wayland
libexec/xscreensaver/tovra
share/man/man1/tovra-enable.1
share/man/man1/tovra-life.1
share/man/man1/tovra-wayland.1
share/man/man6/tovra.6
share/tovra/cell.bmp
share/tovra/cellblue.bmp
share/tovra/cellgreen.bmp
share/tovra/cellpurple.bmp
share/tovra/cellyellow.bmp
share/tovra/deadcell.bmp
share/xscreensaver/config/tovra.xml"
want=$(echo "$FILES" | sort)
listed() { (cd "$1" && find . -type f | sed 's|^\./||' | sort); }

PREFIX=$T/prefix B=$T/build
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# blhc reads a log from its first "dpkg-buildpackage: " line on.
echo "dpkg-buildpackage: a packager's own CMake build follows" > "$T/build.log"
CFLAGS=$(dpkg-buildflags --get CFLAGS) CXXFLAGS=$(dpkg-buildflags --get CXXFLAGS) \
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS) LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
  cmake -S "$SRC" -B "$B" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DCMAKE_VERBOSE_MAKEFILE=ON \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" >> "$T/build.log" 2>&1 &&
  cmake --build "$B" -j "${JOBS:-2}" >> "$T/build.log" 2>&1 && r=ok || r=bad
check $r "configured and built with the given flags: $(tail -3 "$T/build.log")"
out=$(blhc --bindnow --arch="$(dpkg --print-architecture)" "$T/build.log" 2>&1) && r=ok || r=bad
check $r "every compile and link has the hardening flags (blhc): $(echo "$out" | head -3)"

cmake --install "$B" > "$T/install.log" 2>&1 && r=ok || r=bad; check $r "cmake --install: $(tail -2 "$T/install.log")"
got=$(listed "$PREFIX")
[ "$got" = "$want" ] && r=ok || r=bad; check $r "the prefix holds the package's files: $(echo "$got" | tr '\n' ' ')"
man -l "$PREFIX/share/man/man6/tovra.6" 2>/dev/null | grep -q "$PREFIX/share/tovra/\*.bmp" && r=ok || r=bad
check $r "the manual page names the pictures under the prefix"
# The prefix's red and blue pictures swapped: cells drawn in its red picture
# come from the prefix, not from a package's /usr/share/tovra.
(cd "$PREFIX/share/tovra" && mv cell.bmp red && mv cellblue.bmp cell.bmp && mv red cellblue.bmp)
xvfb_start 320x240 || exit 1
"$PREFIX/libexec/xscreensaver/tovra" -root 2> "$T/err" & pid=$!
sleep 2
import -window root "$T/shot.png"
kill "$pid"; wait "$pid" 2>/dev/null
python3 "$SRC/tests/support/picture.py" cells "$PREFIX/share/tovra" red "$T/shot.png" > "$T/cells" && r=ok || r=bad
check $r "the module installed in the prefix draws the prefix's pictures: $(cat "$T/cells") $(cat "$T/err")"

rm -rf "$T/stage"
DESTDIR=$T/stage cmake --install "$B" --prefix /usr > "$T/install.log" 2>&1 && r=ok || r=bad
check $r "cmake --install --prefix /usr with DESTDIR: $(tail -2 "$T/install.log")"
got=$(listed "$T/stage/usr")
[ "$got" = "$want" ] && r=ok || r=bad; check $r "DESTDIR/usr holds the package's files: $(echo "$got" | tr '\n' ' ')"
# Besides them the package has only what debhelper adds: its copyright and
# its changelog.
packaged=$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||; s|\.gz$||' |
           grep -vx 'share/doc/tovra/copyright\|share/doc/tovra/changelog' | sort)
[ "$packaged" = "$want" ] && r=ok || r=bad; check $r "the package holds these files: $(echo "$packaged" | tr '\n' ' ')"
extra=$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { print $6 }' | grep -c '/doc/tovra/copyright$\|/doc/tovra/changelog.gz$')
[ "$extra" = 2 ] && r=ok || r=bad; check $r "and its copyright and changelog ($extra of 2)"
exit $fail
