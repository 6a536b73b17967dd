#!/bin/sh
# The viewer under a real Wayland compositor: weston with its headless
# backend and its software renderer, --debug so that screenshots may be
# taken. The test program (WaylandE2E.cpp) shows the window, drives it, and
# compares weston's screenshots with the render tool's pictures.
set -u
TEST="$1" RENDER="$2"
DIR=$(mktemp -d)
WESTON_PID=""
cleanup() {
  [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null && wait "$WESTON_PID" 2>/dev/null
  rm -rf "$DIR"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$DIR/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
SOCKET=gorvanel-e2e
weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 \
  --socket="$SOCKET" --idle-time=0 --debug >"$DIR/weston.log" 2>&1 &
WESTON_PID=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$SOCKET" ] && break; sleep 0.05; done
if [ ! -S "$XDG_RUNTIME_DIR/$SOCKET" ]; then
  echo "FAIL: weston did not start"; cat "$DIR/weston.log"; exit 1
fi
sleep 0.5 # the desktop shell client comes up
cd "$DIR" || exit 1
WAYLAND_DISPLAY="$SOCKET" QT_QPA_PLATFORM=wayland GORVANEL_RENDER="$RENDER" "$TEST"
STATUS=$?
[ -f last-screenshot.png ] && cp last-screenshot.png /tmp/gorvanel-wayland-last.png
exit $STATUS
