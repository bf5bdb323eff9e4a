#!/bin/sh
# Builds the Debian package of the Linux program with dpkg-deb:
#   tools/deb/build-deb.sh BUILD VERSION OUTDIR  ->  OUTDIR/tovra_VERSION_amd64.deb
set -eu
BUILD=$(realpath "$1"); VERSION=$2; OUT=$(realpath "$3")
SRC=$(cd "$(dirname "$0")/../.." && pwd)
STAGE=$(mktemp -d); trap 'rm -rf "$STAGE"' EXIT
ROOT=$STAGE/root
mkdir -p "$ROOT/DEBIAN" "$ROOT/usr/libexec/xscreensaver" "$ROOT/usr/share/xscreensaver/config" \
         "$ROOT/usr/share/tovra" "$ROOT/usr/share/man/man6" "$ROOT/usr/share/doc/tovra"
install -m 755 -s "$BUILD/tovra" "$ROOT/usr/libexec/xscreensaver/tovra"
install -m 644 "$SRC/src/x11/tovra.xml" "$ROOT/usr/share/xscreensaver/config/"
for f in cell cellyellow cellgreen cellblue cellpurple deadcell; do install -m 644 "$BUILD/$f.bmp" "$ROOT/usr/share/tovra/"; done
DATE=$(git -C "$SRC" log -1 --format=%cs 2>/dev/null || date +%Y-%m-%d)
sed "s/@VERSION@/$VERSION/; s/@DATE@/$DATE/" "$SRC/src/x11/tovra.6" | gzip -9n > "$ROOT/usr/share/man/man6/tovra.6.gz"
install -m 644 "$SRC/tools/deb/copyright" "$ROOT/usr/share/doc/tovra/copyright"
install -m 755 "$SRC/tools/deb/postinst" "$SRC/tools/deb/postrm" "$ROOT/DEBIAN/"

# The libraries it needs, as dpkg-shlibdeps finds them.
mkdir -p "$STAGE/debian" && printf 'Source: tovra\n\nPackage: tovra\nArchitecture: amd64\n' > "$STAGE/debian/control"
DEPENDS=$(cd "$STAGE" && dpkg-shlibdeps -O -e "$ROOT/usr/libexec/xscreensaver/tovra" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
SIZE=$(du -sk --exclude=DEBIAN "$ROOT" | cut -f1)
sed "s/@VERSION@/$VERSION/; s/@DEPENDS@/$DEPENDS/; s/@SIZE@/$SIZE/" "$SRC/tools/deb/control.in" > "$ROOT/DEBIAN/control"
(cd "$ROOT" && find usr -type f -exec md5sum {} + | sort -k2) > "$ROOT/DEBIAN/md5sums"
mkdir -p "$OUT"
dpkg-deb --root-owner-group -Zxz --build "$ROOT" "$OUT/tovra_${VERSION}_amd64.deb" >/dev/null
echo "$OUT/tovra_${VERSION}_amd64.deb"
