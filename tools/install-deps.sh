#!/bin/sh
# Installs every Debian package the build, the tests and the runtime need.
# Safe to run again; runs as root or through sudo.
set -eu

PACKAGES="
build-essential
cmake
ninja-build
pkg-config
python3
googletest
libgtest-dev
qt6-base-dev
qt6-qpa-plugins
qt6-wayland
libonig-dev
libedit-dev
libgl-dev
fonts-ipafont-gothic
fonts-ipafont-mincho
tcl
lua5.4
time
xvfb
xauth
xdotool
imagemagick
poppler-utils
xdg-utils
"

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: run as root or install sudo" >&2
  exit 1
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
