#!/bin/sh
# The winget manifests of the release: every field they need, the version
# of VERSION and the SHA-256 of the installer beside them.
#   tests/release/winget.sh DIST-DIR
HERE=$(cd "$(dirname "$0")" && pwd)
exec /usr/bin/python3 "$HERE/winget-check.py" "$1" "$(cat "$HERE/../../VERSION")"
