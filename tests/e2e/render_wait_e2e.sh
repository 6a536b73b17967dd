#!/bin/bash
# The window stays alive during long renders: the real viewer under Xvfb at
# scale 2 zooms deep into the seahorse valley while a probe pings it as a
# window manager would; during the last render it is covered and uncovered
# (it must repaint) and gets a drag and right clicks, which must be handled
# afterwards, in order.
set -u
VIEWER="$1" RENDER="$2" COMPARE="$3" PROBE="$4" PING_MS="$5"
CAPTION="Gorvanel - The Mandelbrot Set"
DIR=$(mktemp -d)
XVFB_PID="" VIEWER_PID="" PROBE_PID=""
cleanup() {
  for P in $PROBE_PID $VIEWER_PID $XVFB_PID; do kill "$P" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$DIR"
}
trap cleanup EXIT
. "$(dirname "$0")/x11_lib.sh"

start_xvfb 120

# The views it prints tell when each zoom and return has been handled.
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$VIEWER" --print-views >"$DIR/views.txt" 2>"$DIR/viewer.log" &
VIEWER_PID=$!
WID=$(timeout 20 xdotool search --sync --onlyvisible --name "^$CAPTION\$" | head -n 1)
[ -n "$WID" ] || { echo "FAIL: the window did not appear"; cat "$DIR/viewer.log"; exit 1; }
# At scale 2 a window at an odd device position lies half a logical pixel
# off; put it at an even one, so that device pixels map one to one.
xdotool windowmove --sync "$WID" 48 144
INFO=$(xwininfo -id "$WID")
WX=$(echo "$INFO" | awk '/Absolute upper-left X/ {print $4}')
WY=$(echo "$INFO" | awk '/Absolute upper-left Y/ {print $4}')
W=1154 H=706 IX=$((WX + 16)) IY=$((WY + 16)) # the image area in device pixels
shot() { import -window root -crop "${W}x$H+$IX+$IY" +repage "$1" 2>/dev/null; }

"$PROBE" ping "$WID" 40 "$PING_MS" >"$DIR/ping.txt" 2>&1 &
PROBE_PID=$!

# Each drag keeps a 12-pixel-high rectangle around the target, in the view
# the viewer has then (the same formulas, in doubles: near enough to aim).
# Qt rounds mouse positions to whole logical pixels, so at scale 2 only even
# device pixels can be pointed at.
TOP=1.25 LEFT=-2.5 BOTTOM=-1.25
TX=-0.743643887037158704752 TY=0.131825904205311970493
aim() {
  awk -v t="$TOP" -v l="$LEFT" -v b="$BOTTOM" -v x="$TX" -v y="$TY" -v W=$W -v H=$H 'BEGIN {
    u = (t - b) / H; px = (x - l) / u; py = (t - y) / u; h = 12; w = 2 * int(h * W / H / 2)
    sx = 2 * int((px - w / 2) / 2); sy = 2 * int((py - h / 2) / 2); ex = sx + w; ey = sy + h
    printf "%d %d %d %d %.17g %.17g %.17g\n", sx, sy, ex, ey, t - sy * u, sx * u + l, (H - ey) * u + b }'
}
wait_views() { # waits until the viewer has shown $1 views
  for _ in $(seq 1200); do [ "$(wc -l <"$DIR/views.txt")" -ge "$1" ] && return 0; sleep 0.1; done
  return 1
}
wait_still() { # waits until two screenshots 0.5 s apart agree
  shot "$DIR/a.png"
  for _ in $(seq 120); do sleep 0.5; shot "$DIR/b.png"
    "$COMPARE" "$DIR/b.png" "$DIR/a.png" >/dev/null 2>&1 && return 0; mv "$DIR/b.png" "$DIR/a.png"; done
  return 1
}

"$RENDER" --size ${W}x$H --output "$DIR/start.png" >/dev/null
wait_still
FIRST=""
for STEP in 1 2 3 4 5 6; do
  read -r SX SY EX EY TOP LEFT BOTTOM < <(aim)
  [ -z "$FIRST" ] && FIRST="$SX $SY $EX $EY"
  xdotool mousemove $((IX + SX)) $((IY + SY)) mousedown 1 mousemove $((IX + EX - 4)) $((IY + EY - 2)) \
    mousemove $((IX + EX)) $((IY + EY))
  sleep 0.3
  shot "$DIR/band.png"
  BEGAN=$(date +%s%N)
  xdotool mouseup 1
  # While it renders the screen keeps the rubber band; then the new view.
  if [ "$STEP" -lt 6 ]; then wait_views $((STEP + 1)); wait_still; continue; fi
  # The last render is the long one: cover the window, let it repaint, and
  # send input that must wait.
  sleep 0.3
  "$PROBE" cover "$WID"
  sleep 0.4
  shot "$DIR/exposed.png"
  "$COMPARE" "$DIR/exposed.png" "$DIR/band.png" >"$DIR/exposed.txt" 2>&1 && ok "uncovered during the render, the window repaints what it showed" ||
    { fail "after the expose: $(cat "$DIR/exposed.txt")"; cp "$DIR/exposed.png" /tmp/gorvanel-exposed.png; }
  xdotool mousemove $((IX + 100)) $((IY + 100)) mousedown 1 mousemove $((IX + 300)) $((IY + 250)) mouseup 1
  for _ in 1 2 3 4 5 6; do xdotool click 3; done
  SENT=$(date +%s%N)
done
wait_still
DONE=$(date +%s%N)
echo "last render and what followed: $(( (DONE - BEGAN) / 1000000 )) ms; input sent $(( (SENT - BEGAN) / 1000000 )) ms into it"
# The drag needs the finished picture (its rubber band is drawn on it), and
# then zooms once more; the right clicks after it go back past that zoom
# before its picture could be shown, so that render is abandoned and its
# view never printed. Six returns from it lead back to the first zoom (view
# 13 is view 2, view 8 is view 7), so one more return shows the start view
# framed with the first rectangle. Had the drag been lost, view 8 would be
# view 6; had it come after the returns, it would have zoomed from view 2.
wait_views 13
wait_still
if [ "$(sed -n 13p "$DIR/views.txt")" != "$(sed -n 2p "$DIR/views.txt")" ] ||
   [ "$(sed -n 8p "$DIR/views.txt")" != "$(sed -n 7p "$DIR/views.txt")" ]; then
  fail "views after the input made during the render: $(cat "$DIR/views.txt")"
else
  xdotool click 3
  wait_views 14
  wait_still
  # shellcheck disable=SC2086
  "$COMPARE" "$DIR/b.png" "$DIR/start.png" $FIRST >"$DIR/final.txt" 2>&1 &&
    ok "input during the render: a zoom, then six returns, in order" || {
    fail "final picture: $(cat "$DIR/final.txt")"; cp "$DIR/b.png" /tmp/gorvanel-render-wait-final.png; }
fi

wait "$PROBE_PID"; PROBE_STATUS=$?; PROBE_PID=""
echo "ping probe: $(cat "$DIR/ping.txt")"
[ "$PROBE_STATUS" = 0 ] && ok "every ping answered, all but at most one in 100 within $PING_MS ms" || fail "pings: $(cat "$DIR/ping.txt")"

check_esc_closes
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
