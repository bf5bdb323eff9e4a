#!/bin/sh
# make test, once everything is built: every part in turn, each through its
# own make target, then one line per part and "N passed, N failed".
#   tools/test-all.sh MAKE-COMMAND WIN32-BUILD WIN64-BUILD DIST-DIR
# A failing part does not stop the ones after it. The run fails when a part
# failed; with TOVRA_REQUIRE_ALL=1 also when a part was not run (the 32-bit
# ones on a host that does not run 32-bit x86 programs).
set -u
[ $# -eq 4 ] || { echo "usage: $0 MAKE-COMMAND WIN32-BUILD WIN64-BUILD DIST-DIR" >&2; exit 2; }
MAKE_COMMAND=$1
cd "$(dirname "$0")/.."
. tools/parts.sh
. tools/wine-env.sh
parts_open
wine_env_detect
[ "$TOVRA_RUNS_32BIT" = yes ] || echo "test-all: $TOVRA_NO_32BIT_REASON: the 32-bit Windows build and the installer are built but not run"

# GoogleTest programs write XML reports, from which their tests are counted.
PART_XML=$(mktemp -d "${TMPDIR:-/tmp}/tovra-xml.XXXXXX")
trap 'rm -rf "$PART_XML"; [ -z "$PARTS_OWN" ] || rm -f "$TOVRA_PARTS"' EXIT
trap 'exit 1' INT TERM
with_xml() { GTEST_OUTPUT="xml:$PART_XML/" "$@"; }
part_run native with_xml $MAKE_COMMAND test-native
rm -f "$PART_XML"/*.xml
part_run sanitizers with_xml $MAKE_COMMAND test-asan
rm -f "$PART_XML"/*.xml
part_run "Linux package" $MAKE_COMMAND test-linux
part_run Wayland $MAKE_COMMAND test-wayland
sh tools/wine-tests.sh --dist "$4" "$2" "$3"
parts_summary
