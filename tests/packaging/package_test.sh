#!/bin/sh
# Builds the Debian package, unpacks it into a temporary root, validates the
# desktop entry and the AppStream metadata, and runs the installed programs.
set -u
BUILD="$1"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
ID=org.gorvanel.Gorvanel

if ! cpack -G DEB -B "$DIR/out" --config "$BUILD/CPackConfig.cmake" >"$DIR/cpack.log" 2>&1; then
  cat "$DIR/cpack.log"; echo "FAIL: cpack"; exit 1
fi
DEB=$(ls "$DIR"/out/gorvanel_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$DEB" ] && ok "package $(basename "$DEB"), $(wc -c <"$DEB") bytes" || { echo "FAIL: no package"; exit 1; }
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
case "$DEPENDS" in *libqt6widgets6*libc6*|*libc6*libqt6widgets6*) ok "dependencies from dpkg-shlibdeps" ;;
  *) fail "dependencies: $DEPENDS" ;; esac
[ -n "$(dpkg-deb -f "$DEB" Maintainer)" ] && [ -n "$(dpkg-deb -f "$DEB" Description)" ] &&
  ok "maintainer and description" || fail "maintainer or description missing"

ROOT="$DIR/root"
dpkg -x "$DEB" "$ROOT"
desktop-file-validate "$ROOT/usr/share/applications/$ID.desktop" && ok "desktop-file-validate" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/$ID.metainfo.xml" && ok "appstreamcli validate" ||
  fail "appstreamcli validate"
EXEC=$(sed -n 's/^Exec=//p' "$ROOT/usr/share/applications/$ID.desktop")
[ -x "$ROOT/usr/bin/$EXEC" ] && ok "Exec=$EXEC is installed" || fail "Exec=$EXEC not in bin"
for SIZE in 48 128 256; do
  ICON="$ROOT/usr/share/icons/hicolor/${SIZE}x${SIZE}/apps/$ID.png"
  file "$ICON" | grep -q "PNG image data, $SIZE x $SIZE" && ok "icon ${SIZE}x$SIZE" || fail "icon ${SIZE}x$SIZE"
done
"$ROOT/usr/bin/gorvanel-render" --version | grep -q "^gorvanel-render " && ok "installed gorvanel-render --version" ||
  fail "installed gorvanel-render --version"
LINE=$("$ROOT/usr/bin/gorvanel-render" --size 64x40 --output "$DIR/render.png")
case "$LINE" in "limit=50 min=1 max="*) ok "installed gorvanel-render renders" ;; *) fail "render: $LINE" ;; esac
env -u DISPLAY -u WAYLAND_DISPLAY "$ROOT/usr/bin/gorvanel" --version | grep -q "^gorvanel " &&
  ok "gorvanel --version needs no display" || fail "gorvanel --version"
env -u DISPLAY -u WAYLAND_DISPLAY "$ROOT/usr/bin/gorvanel" --help | grep -q "Right click" &&
  ok "gorvanel --help" || fail "gorvanel --help"
# The desktop entry's Exec line starts the installed viewer (offscreen here).
QT_QPA_PLATFORM=offscreen "$ROOT/usr/bin/$EXEC" >"$DIR/viewer.log" 2>&1 &
VIEWER=$!
sleep 1
if kill -0 "$VIEWER" 2>/dev/null; then ok "installed viewer starts"; kill "$VIEWER"; else
  fail "installed viewer exited: $(cat "$DIR/viewer.log")"; fi
wait "$VIEWER" 2>/dev/null
[ -z "$(find "$ROOT" -name '*_tests' -o -name 'e2e-*')" ] && ok "no test programs packaged" || fail "test programs packaged"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
