#!/bin/sh
# Prints an apt configuration that limits apt to this machine's own
# architecture and the foreign ones that have packages installed. The set-up
# adds i386 for the 32-bit Wine; where that cannot be installed, nothing here
# uses i386, and its index in the middle of a mirror sync must not fail the
# apt-get update that autopkgtest runs before and after the tests.
set -e
arches=$( { dpkg --print-architecture; dpkg-query -W -f='${Architecture}\n'; } |
  grep -vx all | sort -u | sed 's/.*/"&";/' | tr '\n' ' ')
echo "APT::Architectures { $arches};"
