#!/bin/sh
# Installs the Debian packages that building, running and testing Gorvanel
# need, and does nothing when they are all present. Uses sudo unless root.
set -eu

# python3 is for scripts/mutate.sh; libmpfr-dev for the software extended
# real's logarithm and number text; ninja-build keeps a build with nothing to
# do quick.
PACKAGES="cmake make ninja-build g++ pkg-config qt6-base-dev libxcb1-dev libgtest-dev
xvfb xauth xdotool x11-utils imagemagick weston qt6-wayland dbus-daemon dbus-bin
desktop-file-utils appstream dpkg-dev file lintian man-db binutils
python3 libmpfr-dev"

# One query for all of them: this runs before every build, so it must be quick.
# shellcheck disable=SC2086
installed=$(dpkg-query -W -f='${Package} ${Status}\n' $PACKAGES 2>/dev/null |
  sed -n 's/^\([^ :]*\)\(:[^ ]*\)\{0,1\} install ok installed$/\1/p')
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
$SUDO apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
