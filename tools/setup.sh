#!/bin/sh
# Installs what the build and the tests need on a Debian 12 machine.
# Safe to run again: it only installs what is missing.
set -e

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

PKGS="cmake make g++ googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
      clang libclang-rt-dev llvm
      xvfb xdotool x11-apps x11-utils imagemagick fonts-wine python3 zip unzip nsis golly time
      libx11-dev libxext-dev libxrandr-dev libstb-dev pkg-config dpkg-dev xscreensaver lintian
      build-essential debhelper blhc autopkgtest python3-yaml
      libwayland-dev libwayland-bin wayland-protocols zlib1g-dev sway grim wtype swayidle weston procps"
WINE_PKGS="wine wine64 wine32:i386"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  UPDATE=1
fi
for p in $PKGS; do
  have_pkg "$p" || need="$need $p"
done
wine_need=""
for p in $WINE_PKGS; do
  have_pkg "$p" || wine_need="$wine_need $p"
done
if [ -n "$need$wine_need" ]; then
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync fails an index now and then: try again,
  # and install from what did arrive when it keeps failing.
  for try in 1 2 3; do $SUDO apt-get update -q && break; sleep 10; done
  [ -z "$need" ] || $SUDO apt-get install -y -q --no-install-recommends $need
  # The 32-bit Wine on its own: where it cannot be installed (no i386
  # packages that match this machine's), the 64-bit one still is, and make
  # test says that the 32-bit parts did not run.
  if [ -n "$wine_need" ] && ! $SUDO apt-get install -y -q --no-install-recommends $wine_need; then
    echo "setup: the 32-bit Wine (wine32:i386) cannot be installed here; installing the 64-bit one alone" >&2
    $SUDO apt-get install -y -q --no-install-recommends wine wine64
  fi
fi
