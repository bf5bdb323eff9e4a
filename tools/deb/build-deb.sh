#!/bin/sh
# Builds the Debian package of the Linux program: compiled in its own build
# folder with Debian's hardening flags (dpkg-buildflags), stripped as
# dh_strip strips, and packed with dpkg-deb:
#   tools/deb/build-deb.sh BUILD VERSION OUTDIR  ->  OUTDIR/tovra_VERSION_amd64.deb
set -eu
SRC=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$1" "$3"
BUILD=$(realpath "$1"); VERSION=$2; OUT=$(realpath "$3")
DEB=$SRC/tools/deb
changed=$(dpkg-parsechangelog -l "$DEB/changelog" -S Version)
[ "$changed" = "$VERSION" ] || { echo "build-deb: tools/deb/changelog's last entry is $changed, VERSION says $VERSION" >&2; exit 1; }

cd "$SRC"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" > "$BUILD/configure.log"
cmake --build "$BUILD" -j "${JOBS:-2}" --target tovra tovra-enable tovra_bitmaps > "$BUILD/build.log" ||
  { tail -20 "$BUILD/build.log" >&2; exit 1; }

STAGE=$(mktemp -d); trap 'rm -rf "$STAGE"' EXIT
ROOT=$STAGE/root
mkdir -p "$ROOT/DEBIAN" "$ROOT/usr/bin" "$ROOT/usr/libexec/xscreensaver" "$ROOT/usr/share/xscreensaver/config" \
         "$ROOT/usr/share/tovra" "$ROOT/usr/share/man/man1" "$ROOT/usr/share/man/man6" "$ROOT/usr/share/doc/tovra"
install -m 755 "$BUILD/tovra" "$ROOT/usr/libexec/xscreensaver/tovra"
install -m 755 "$BUILD/tovra-enable" "$ROOT/usr/bin/tovra-enable"
strip --remove-section=.comment --remove-section=.note "$ROOT/usr/libexec/xscreensaver/tovra" "$ROOT/usr/bin/tovra-enable"
install -m 644 "$SRC/src/x11/tovra.xml" "$ROOT/usr/share/xscreensaver/config/"
for f in cell cellyellow cellgreen cellblue cellpurple deadcell; do install -m 644 "$BUILD/$f.bmp" "$ROOT/usr/share/tovra/"; done
DATE=$(dpkg-parsechangelog -l "$DEB/changelog" -S Date | xargs -I{} date -u -d {} +%Y-%m-%d)
for page in man6/tovra.6 man1/tovra-enable.1; do
  sed "s/@VERSION@/$VERSION/; s/@DATE@/$DATE/" "$SRC/src/x11/${page#*/}" | gzip -9n > "$ROOT/usr/share/man/$page.gz"
done
install -m 644 "$DEB/copyright" "$ROOT/usr/share/doc/tovra/copyright"
gzip -9nc "$DEB/changelog" > "$ROOT/usr/share/doc/tovra/changelog.gz"
chmod 644 "$ROOT"/usr/share/man/*/*.gz "$ROOT/usr/share/doc/tovra/changelog.gz"

# The libraries it needs, as dpkg-shlibdeps finds them.
mkdir -p "$STAGE/debian" && printf 'Source: tovra\n\nPackage: tovra\nArchitecture: amd64\n' > "$STAGE/debian/control"
DEPENDS=$(cd "$STAGE" && dpkg-shlibdeps -O -e "$ROOT/usr/libexec/xscreensaver/tovra" -e "$ROOT/usr/bin/tovra-enable" 2>/dev/null |
          sed -n 's/^shlibs:Depends=//p')
SIZE=$(du -sk --exclude=DEBIAN "$ROOT" | cut -f1)
sed "s/@VERSION@/$VERSION/; s/@DEPENDS@/$DEPENDS/; s/@SIZE@/$SIZE/" "$DEB/control.in" > "$ROOT/DEBIAN/control"
(cd "$ROOT" && find usr -type f -exec md5sum {} + | sort -k2) > "$ROOT/DEBIAN/md5sums"
dpkg-deb --root-owner-group -Zxz --build "$ROOT" "$OUT/tovra_${VERSION}_amd64.deb" >/dev/null
echo "$OUT/tovra_${VERSION}_amd64.deb"
