#!/bin/bash
# The real viewer under Xvfb, driven by real X events through xdotool as a
# user would drive it; every picture on the screen is compared pixel for
# pixel with gorvanel-render's picture of the same view.
set -u
VIEWER="$1" RENDER="$2" COMPARE="$3" DESKTOP_FILE="$4"
CAPTION="Gorvanel - The Mandelbrot Set"
DIR=$(mktemp -d)
XVFB_PID="" VIEWER_PID=""
cleanup() {
  [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$DIR"
}
trap cleanup EXIT
. "$(dirname "$0")/x11_lib.sh"

# Without a display: one line that says why, and status 1 (not Qt's abort).
OUT=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$VIEWER" 2>&1)
STATUS=$?
[ "$STATUS" = 1 ] && [ "$(echo "$OUT" | wc -l)" = 1 ] &&
  echo "$OUT" | grep -q "^gorvanel: cannot open a display: .*DISPLAY is not set$" &&
  ok "no display: one line that says DISPLAY is not set, status 1" ||
  fail "no display: status $STATUS: $OUT"

start_xvfb 90

QT_QPA_PLATFORM=xcb "$VIEWER" --print-views >"$DIR/views.txt" 2>"$DIR/viewer.log" &
VIEWER_PID=$!
WID=$(timeout 20 xdotool search --sync --onlyvisible --name "^$CAPTION\$" | head -n 1)
if [ -z "$WID" ]; then
  echo "FAIL: the window did not appear"; cat "$DIR/viewer.log"; exit 1
fi
# Without --print-views the viewer writes nothing.
OUT=$(QT_QPA_PLATFORM=offscreen timeout 2 "$VIEWER" 2>/dev/null)
[ -z "$OUT" ] && ok "without --print-views nothing on stdout" || fail "stdout: $OUT"
INFO=$(xwininfo -id "$WID")
WX=$(echo "$INFO" | awk '/Absolute upper-left X/ {print $4}')
WY=$(echo "$INFO" | awk '/Absolute upper-left Y/ {print $4}')
W=$(echo "$INFO" | awk '/Width:/ {print $2}')
H=$(echo "$INFO" | awk '/Height:/ {print $2}')
[ "$W" = 592 ] && [ "$H" = 367 ] && ok "client area 592x367" || fail "client area ${W}x$H"
DX=$((2 * WX + W - 1280)) DY=$((2 * WY + H - 1024)) # twice the offset from the centre
[ "${DX#-}" -le 2 ] && [ "${DY#-}" -le 2 ] && ok "centred on the screen" || fail "placed at $WX,$WY"
IX=$((WX + 8)) IY=$((WY + 8)) # the image area

# A normal application window, tied to its desktop entry, with its icon.
PROPS=$(xprop -id "$WID" _NET_WM_WINDOW_TYPE WM_CLASS WM_TRANSIENT_FOR WM_NORMAL_HINTS)
ICONS=$(xprop -id "$WID" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
echo "$PROPS" | grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL$' &&
  ok "window type NORMAL" || fail "window type: $(echo "$PROPS" | grep _NET_WM_WINDOW_TYPE)"
echo "$PROPS" | grep -q 'WM_CLASS(STRING) = "gorvanel", "gorvanel"' &&
  ok "window class gorvanel" || fail "window class: $(echo "$PROPS" | grep WM_CLASS)"
DESKTOP_CLASS=$(sed -n 's/^StartupWMClass=//p' "$DESKTOP_FILE")
echo "$PROPS" | grep -q "\"$DESKTOP_CLASS\"\$" && ok "StartupWMClass matches" ||
  fail "StartupWMClass=$DESKTOP_CLASS"
echo "$PROPS" | grep -q 'WM_TRANSIENT_FOR: *not found' && ok "not transient for another window" ||
  fail "transient: $(echo "$PROPS" | grep WM_TRANSIENT_FOR)"
case "$ICONS" in *"Icon (48 x 48)"*"Icon (128 x 128)"*) ok "window icon: $ICONS" ;; *) false ;; esac ||
  fail "window icon: '$ICONS'"
echo "$PROPS" | grep -q 'program specified minimum size: 592 by 367' &&
  echo "$PROPS" | grep -q 'program specified maximum size: 592 by 367' && ok "fixed size" ||
  fail "size hints: $(echo "$PROPS" | grep -i size)"

# expect NAME EXPECTED.png [L T R B]: the image area shows it, within 10 s.
expect() {
  name="$1"; shift
  for _ in $(seq 100); do
    import -window root -crop "577x353+$IX+$IY" +repage "$DIR/shot.png" 2>/dev/null
    if "$COMPARE" "$DIR/shot.png" "$@" >"$DIR/compare.txt" 2>&1; then ok "$name"; return; fi
    sleep 0.1
  done
  fail "$name: $(cat "$DIR/compare.txt")"
  cp "$DIR/shot.png" "/tmp/gorvanel-e2e-$name.png" 2>/dev/null
}

"$RENDER" --output "$DIR/start.png" >/dev/null
# Zooming into (100, 50)-(300, 200) of the start view gives these edges.
"$RENDER" --output "$DIR/zoom.png" -- -0xe.559337d7635aa6cp-3 0xe.559337d7635aa6cp-4 -0xa.a6cc8289ca5593p-6 >/dev/null
# And a drag from (300, 200) to (250, -150), above the window, these.
"$RENDER" --output "$DIR/outside.png" -- -0xb.abe01734f0c541ep-4 0x9.3fd1961e757c02ep-2 -0xa.a6cc8289ca5593p-6 >/dev/null

expect "start view" "$DIR/start.png"

xdotool mousemove $((IX + 100)) $((IY + 50)) mousedown 1 mousemove $((IX + 200)) $((IY + 120)) mousemove $((IX + 300)) $((IY + 200))
expect "rubber band during the drag" "$DIR/start.png" 100 50 300 200
# GORVANEL_SCREENSHOT=FILE keeps a picture of the whole window at this point
# (the README's screenshot comes from here).
if [ -n "${GORVANEL_SCREENSHOT:-}" ]; then
  import -window root -crop "${W}x$H+$WX+$WY" +repage "$GORVANEL_SCREENSHOT"
fi
xdotool mouseup 1
expect "zoomed view after the release" "$DIR/zoom.png"

# The line printed for the zoomed view renders what the window shows.
LINE=$(sed -n 2p "$DIR/views.txt")
case "$LINE" in "gorvanel-render --size 577x353 -- "*) ok "printed view: $LINE" ;; *) fail "printed view: '$LINE'" ;; esac
# shellcheck disable=SC2086
"$RENDER" --output "$DIR/printed.png" ${LINE#gorvanel-render } >/dev/null
expect "the printed view renders the zoomed view" "$DIR/printed.png"

xdotool click 3
expect "right click: start view with the rectangle framed" "$DIR/start.png" 100 50 300 200
[ "$(sed -n 3p "$DIR/views.txt")" = "$(sed -n 1p "$DIR/views.txt")" ] && ok "the return prints the start view again" ||
  fail "printed views: $(cat "$DIR/views.txt")"

xdotool mousemove $((IX + 300)) $((IY + 200)) mousedown 1 mousemove $((IX + 280)) $((IY + 20)) mousemove $((IX + 250)) $((IY - 150)) mouseup 1
expect "drag ending outside the window" "$DIR/outside.png"
xdotool mousemove $((IX + 200)) $((IY + 100)) click 3
expect "back again" "$DIR/start.png" 250 -150 300 200

xdotool mousemove $((IX + 50)) $((IY + 50)) mousedown 1 mousemove $((IX + 150)) $((IY + 150))
expect "a new drag wipes the frame" "$DIR/start.png" 50 50 150 150
xdotool key Escape
expect "Esc cancels the drag" "$DIR/start.png"
xdotool mouseup 1
expect "the release after Esc does nothing" "$DIR/start.png"

check_esc_closes

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
