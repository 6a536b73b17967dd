#!/bin/sh
# Installs the Debian packages that building, running and testing Gorvanel
# need, and does nothing when they are all present. Uses sudo unless root.
# With "arm64": also what the cross build for 64-bit Arm needs (the cross
# compiler, qemu, and the arm64 libraries beside the native ones).
set -eu

# python3 is for scripts/mutate.sh; libmpfr-dev for the software extended
# real's logarithm and number text; ninja-build keeps a build with nothing to
# do quick; clang 19 with the WASI C library and libc++ for wasm32 builds the
# page's WebAssembly, and the page is tested in Chromium and Firefox ESR.
PACKAGES="cmake make ninja-build g++ pkg-config qt6-base-dev libxcb1-dev libgtest-dev
xvfb xauth xdotool x11-utils imagemagick weston qt6-wayland dbus-daemon dbus-bin
desktop-file-utils appstream dpkg-dev file lintian man-db binutils
python3 libmpfr-dev
clang-19 lld-19 wasi-libc libc++-19-dev-wasm32 libc++abi-19-dev-wasm32 libclang-rt-19-dev-wasm32
chromium firefox-esr"
# The page's tests run under Node.js with npm; a Node.js from elsewhere
# (which brings its own npm) is kept.
command -v node >/dev/null 2>&1 || PACKAGES="$PACKAGES nodejs"
command -v npm >/dev/null 2>&1 || PACKAGES="$PACKAGES npm"
CROSS=""
if [ "${1:-}" = arm64 ]; then
  CROSS=arm64
  PACKAGES="$PACKAGES g++-aarch64-linux-gnu qemu-user
qt6-base-dev:arm64 libxcb1-dev:arm64 libgtest-dev:arm64 libmpfr-dev:arm64"
fi

# One query for all of them: this runs before every build, so it must be
# quick. An installed package counts as name:architecture, and as its bare
# name when it is for this machine.
NATIVE=$(dpkg --print-architecture)
# shellcheck disable=SC2086
installed=$(dpkg-query -W -f='${Package} ${Architecture} ${Status}\n' $PACKAGES 2>/dev/null |
  awk -v native="$NATIVE" '$3 " " $4 " " $5 == "install ok installed" {
    print $1 ":" $2; if ($2 == native || $2 == "all") print $1 }')
missing=""
for p in $PACKAGES; do
  case " $(echo $installed) " in *" $p "*) ;; *) missing="$missing $p" ;; esac
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
if [ -n "$CROSS" ] && ! dpkg --print-foreign-architectures | grep -qx "$CROSS"; then
  $SUDO dpkg --add-architecture "$CROSS"
fi
$SUDO apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
