#!/bin/sh
# Builds the Debian package, unpacks it into a temporary root, validates the
# desktop entry and the AppStream metadata, and runs the installed programs
# (in the emulator given after the build, for a cross build's package).
set -u
BUILD="$1"
shift
RUN="$*"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
ID=org.gorvanel.Gorvanel

if ! cpack -G DEB -B "$DIR/out" --config "$BUILD/CPackConfig.cmake" >"$DIR/cpack.log" 2>&1; then
  cat "$DIR/cpack.log"; echo "FAIL: cpack"; exit 1
fi
DEB=$(ls "$DIR"/out/gorvanel_*.deb 2>/dev/null | head -n 1)
[ -n "$DEB" ] && ok "package $(basename "$DEB"), $(wc -c <"$DEB") bytes" || { echo "FAIL: no package"; exit 1; }
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
case "$DEPENDS" in *libqt6widgets6*libc6*|*libc6*libqt6widgets6*) ok "dependencies from dpkg-shlibdeps" ;;
  *) fail "dependencies: $DEPENDS" ;; esac
[ -n "$(dpkg-deb -f "$DEB" Maintainer)" ] && [ -n "$(dpkg-deb -f "$DEB" Description)" ] &&
  ok "maintainer and description" || fail "maintainer or description missing"

# Debian policy, at lintian's strictest: no tag at all.
TAGS=$(lintian -i -I -E --pedantic "$DEB" 2>&1 | grep -E '^[A-Z]: ')
[ -z "$TAGS" ] && ok "lintian -i -I -E --pedantic: no tags" || fail "lintian: $TAGS"

ROOT="$DIR/root"
dpkg -x "$DEB" "$ROOT"
DOC="$ROOT/usr/share/doc/gorvanel"
head -n 1 "$DOC/copyright" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" &&
  ok "machine-readable copyright" || fail "copyright: $(head -n 1 "$DOC/copyright")"
LICENSE=$(sed -n 's/^License: //p' "$DOC/copyright")
grep -q "<project_license>$LICENSE</project_license>" "$ROOT/usr/share/metainfo/$ID.metainfo.xml" &&
  ok "copyright and AppStream agree on the licence ($LICENSE)" || fail "licence: $LICENSE"
VERSION=$(dpkg-deb -f "$DEB" Version)
zcat "$DOC/changelog.gz" | head -n 1 | grep -q "^gorvanel ($VERSION) " && ok "changelog of $VERSION" ||
  fail "changelog: $(zcat "$DOC/changelog.gz" | head -n 1)"
grep -q "<release version=\"$VERSION\" date=\"$(date -u -d "$(zcat "$DOC/changelog.gz" | sed -n 's/^ -- .*  //p')" +%F)\"" \
  "$ROOT/usr/share/metainfo/$ID.metainfo.xml" && ok "AppStream release matches the changelog" ||
  fail "AppStream release"
for PAGE in gorvanel gorvanel-render; do
  WARNINGS=$(MANWIDTH=80 man --warnings -l "$ROOT/usr/share/man/man1/$PAGE.1.gz" 2>&1 >/dev/null)
  [ -z "$WARNINGS" ] && ok "man $PAGE renders without warnings" || fail "man $PAGE: $WARNINGS"
done
# The manual pages name every option --help lists.
for PAGE in gorvanel gorvanel-render; do
  TEXT=$(MANWIDTH=200 man -l "$ROOT/usr/share/man/man1/$PAGE.1.gz" 2>/dev/null)
  MISSING=""
  for OPT in $($RUN "$ROOT/usr/bin/$PAGE" --help | grep -o -- '--[a-z-]*' | sort -u); do
    echo "$TEXT" | grep -q -- "$OPT" || MISSING="$MISSING $OPT"
  done
  [ -z "$MISSING" ] && ok "man $PAGE documents every option of --help" || fail "man $PAGE lacks$MISSING"
done
! grep -rq "example\.org" "$ROOT/usr/share/metainfo" "$ROOT/usr/share/applications" &&
  ok "no placeholder addresses in AppStream or the desktop entry" || fail "placeholder addresses"
desktop-file-validate "$ROOT/usr/share/applications/$ID.desktop" && ok "desktop-file-validate" ||
  fail "desktop-file-validate"
OUT=$(appstreamcli validate --no-net "$ROOT/usr/share/metainfo/$ID.metainfo.xml" 2>&1)
[ $? -eq 0 ] && ! echo "$OUT" | grep -qE '^[WE]:' && ok "appstreamcli validate: no warnings" ||
  fail "appstreamcli validate: $OUT"
EXEC=$(sed -n 's/^Exec=//p' "$ROOT/usr/share/applications/$ID.desktop")
[ -x "$ROOT/usr/bin/$EXEC" ] && ok "Exec=$EXEC is installed" || fail "Exec=$EXEC not in bin"
for SIZE in 48 128 256; do
  ICON="$ROOT/usr/share/icons/hicolor/${SIZE}x${SIZE}/apps/$ID.png"
  file "$ICON" | grep -q "PNG image data, $SIZE x $SIZE" && ok "icon ${SIZE}x$SIZE" || fail "icon ${SIZE}x$SIZE"
done
$RUN "$ROOT/usr/bin/gorvanel-render" --version | grep -q "^gorvanel-render " && ok "installed gorvanel-render --version" ||
  fail "installed gorvanel-render --version"
LINE=$($RUN "$ROOT/usr/bin/gorvanel-render" --size 64x40 --output "$DIR/render.png")
case "$LINE" in "limit=50 min=1 max="*) ok "installed gorvanel-render renders" ;; *) fail "render: $LINE" ;; esac
env -u DISPLAY -u WAYLAND_DISPLAY $RUN "$ROOT/usr/bin/gorvanel" --version | grep -q "^gorvanel " &&
  ok "gorvanel --version needs no display" || fail "gorvanel --version"
env -u DISPLAY -u WAYLAND_DISPLAY $RUN "$ROOT/usr/bin/gorvanel" --help | grep -q "Right click" &&
  ok "gorvanel --help" || fail "gorvanel --help"
# The desktop entry's Exec line starts the installed viewer (offscreen here).
QT_QPA_PLATFORM=offscreen $RUN "$ROOT/usr/bin/$EXEC" >"$DIR/viewer.log" 2>&1 &
VIEWER=$!
sleep 1
if kill -0 "$VIEWER" 2>/dev/null; then ok "installed viewer starts"; kill "$VIEWER"; else
  fail "installed viewer exited: $(cat "$DIR/viewer.log")"; fi
wait "$VIEWER" 2>/dev/null
[ -z "$(find "$ROOT" -name '*_tests' -o -name 'e2e-*')" ] && ok "no test programs packaged" || fail "test programs packaged"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
