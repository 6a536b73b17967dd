#!/bin/sh
# Installs the Debian packages that building, running and testing Gorvanel
# need, and does nothing when they are all present. Uses sudo unless root.
set -eu

PACKAGES="cmake make g++ pkg-config qt6-base-dev libxcb1-dev libgtest-dev
xvfb xauth xdotool x11-utils imagemagick weston qt6-wayland dbus-daemon dbus-bin
desktop-file-utils appstream dpkg-dev file lintian man-db binutils"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: missing packages:$missing; run as root or install sudo" >&2
  exit 1
fi
echo "install-deps: installing$missing" >&2
$SUDO apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
