#!/bin/bash
# Long renders under the user's control, with the real viewer under Xvfb at
# scale 2 and a private session bus. Two zooms towards the edge of a small
# bulb; the second renders for over a second. Started again and again, that
# render must answer within LIMIT_MS of a right click (the earlier view,
# framed, on the screen; no line for the abandoned view), of Esc and of the
# close box (the program gone, status 0). A drag followed by a right click
# lets it finish, as always. Meanwhile a monitor on the bus must see the
# render's progress on the launcher entry, and see it cleared.
set -u
VIEWER="$1" RENDER="$2" COMPARE="$3" PROBE="$4" LIMIT_MS="$5"
CAPTION="Gorvanel - The Mandelbrot Set"
DIR=$(mktemp -d)
XVFB_PID="" VIEWER_PID="" BUS_PID="" MONITOR_PID=""
cleanup() {
  for P in $MONITOR_PID $VIEWER_PID $BUS_PID $XVFB_PID; do kill "$P" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$DIR"
}
trap cleanup EXIT
. "$(dirname "$0")/x11_lib.sh"
now() { date +%s%3N; }

start_xvfb 140
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$DIR/bus.txt"
export DBUS_SESSION_BUS_ADDRESS; DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$DIR/bus.txt")
BUS_PID=$(sed -n 2p "$DIR/bus.txt")
dbus-monitor --address "$DBUS_SESSION_BUS_ADDRESS" \
  "type='signal',interface='com.canonical.Unity.LauncherEntry'" >"$DIR/monitor.txt" 2>&1 &
MONITOR_PID=$!

# Starts the viewer; each view it prints is stamped with the time it came.
start_viewer() {
  : >"$DIR/views.txt"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$VIEWER" --print-views \
    > >(while read -r L; do echo "$(now) $L"; done >>"$DIR/views.txt") 2>"$DIR/viewer.log" &
  VIEWER_PID=$!
  WID=$(timeout 20 xdotool search --sync --onlyvisible --name "^$CAPTION\$" | head -n 1)
  [ -n "$WID" ] || { echo "FAIL: the window did not appear"; cat "$DIR/viewer.log"; exit 1; }
  xdotool windowmove --sync "$WID" 48 144 # even device pixels: see render_wait_e2e.sh
  local INFO; INFO=$(xwininfo -id "$WID")
  IX=$(( $(echo "$INFO" | awk '/Absolute upper-left X/ {print $4}') + 16 ))
  IY=$(( $(echo "$INFO" | awk '/Absolute upper-left Y/ {print $4}') + 16 ))
  wait_views 1
}
W=1154 H=706
views() { wc -l <"$DIR/views.txt"; }
wait_views() { for _ in $(seq 1000); do [ "$(views)" -ge "$1" ] && return 0; sleep 0.02; done; return 1; }
view() { sed -n "${1}p" "$DIR/views.txt" | cut -d' ' -f2-; }
stamp() { sed -n "${1}p" "$DIR/views.txt" | cut -d' ' -f1; }

# The rectangles of the two zooms, 14 device pixels high around the target,
# on even device pixels (Qt rounds positions to whole logical pixels).
aim() { # TOP LEFT BOTTOM -> SX SY EX EY
  awk -v t="$1" -v l="$2" -v b="$3" -v x=-0.2125858316 -v y=0.6432958455 -v W=$W -v H=$H 'BEGIN {
    u = (t - b) / H; px = (x - l) / u; py = (t - y) / u; h = 14; w = 2 * int(h * W / H / 2)
    sx = 2 * int((px - w / 2) / 2); sy = 2 * int((py - h / 2) / 2)
    printf "%d %d %d %d\n", sx, sy, sx + w, sy + h }'
}
read -r A1 B1 C1 D1 < <(aim 1.25 -2.5 -1.25)
drag() { # SX SY EX EY: a zoom; returns as the button is let go
  xdotool mousemove $((IX + $1)) $((IY + $2)) mousedown 1 mousemove $((IX + $3 - 4)) $((IY + $4 - 2)) \
    mousemove $((IX + $3)) $((IY + $4))
  sleep 0.2
  xdotool mouseup 1
}
# The first zoom, and the rectangle of the second in the view it gives.
first_zoom() {
  drag "$A1" "$B1" "$C1" "$D1"
  wait_views 2
  local L T B
  read -r L T B < <(view 2 | awk '{print $5, $6, $8}')
  read -r A2 B2 C2 D2 < <(aim "$(printf '%.21Lg' "$T")" "$(printf '%.21Lg' "$L")" "$(printf '%.21Lg' "$B")")
  sleep 0.5
}
# Waits for the viewer to end, at most 10 s; prints its status and when it
# ended. Runs in this shell: only the shell that started the viewer can wait.
wait_exit() {
  ( sleep 10; kill "$VIEWER_PID" 2>/dev/null ) &
  local GUARD=$!
  wait "$VIEWER_PID"; local STATUS=$?
  echo "$STATUS $(now)"
  kill "$GUARD" 2>/dev/null
  VIEWER_PID=""
}

start_viewer
first_zoom
# shellcheck disable=SC2046
"$RENDER" --size ${W}x$H --output "$DIR/view2.png" $(view 2 | cut -d' ' -f4-) >/dev/null

# A drag during the render needs its picture: the render completes, then the
# right click goes back from it.
drag "$A2" "$B2" "$C2" "$D2"
sleep 0.3
xdotool mousemove $((IX + 100)) $((IY + 100)) mousedown 1 mousemove $((IX + 300)) $((IY + 250)) \
  mousemove $((IX + 102)) $((IY + 100)) mouseup 1 click 3
wait_views 4
sleep 0.5
if [ "$(views)" = 4 ] && [ "$(view 4)" = "$(view 2)" ] && [ "$(view 3)" != "$(view 2)" ]; then
  ok "a drag during the render: the render completes, then the right click goes back"
else
  fail "views after a drag and a right click: $(cat "$DIR/views.txt")"
fi
# Its progress reached the launcher entry, and was cleared at the end.
SHARES=$(awk '/double/ {print $NF}' "$DIR/monitor.txt")
if echo "$SHARES" | awk '$1 > 0 && $1 < 1 {found = 1} END {exit !found}' &&
   [ "$(awk '/boolean/ {v = $NF} END {print v}' "$DIR/monitor.txt")" = false ]; then
  ok "progress on the launcher entry: $(echo "$SHARES" | tr '\n' ' '), then cleared"
else
  fail "launcher entry signals: $(cat "$DIR/monitor.txt")"
fi

# A right click 300 ms into the render: the earlier view, framed, at once,
# and no line for the abandoned view. The screen shows that same picture
# before the click (the rubber band lies where the frame goes), so what is
# timed is the window's going back; the screen is then checked, and checked
# again once the render would have ended, had it gone on.
drag "$A2" "$B2" "$C2" "$D2"
sleep 0.3
CLICK=$(now)
xdotool click 3
wait_views 5
screen_is_view2() { "$COMPARE" --watch "$IX" "$IY" 0 "$DIR/view2.png" "$A2" "$B2" "$C2" "$D2"; }
FIRST=$(screen_is_view2)
sleep 3
LATER=$(screen_is_view2)
TOLD=$(( $(stamp 5) - CLICK ))
if [ "$(views)" = 5 ] && [ "$(view 5)" = "$(view 2)" ] && [ "$TOLD" -le "$LIMIT_MS" ] &&
   [ "$(( ${FIRST%% *} - CLICK ))" -le 1000 ] 2>/dev/null && [ "${LATER%% *}" -gt 0 ] 2>/dev/null; then
  ok "right click during a render: back to the earlier view, framed, in $TOLD ms"
else
  fail "right click during a render: back in $TOLD ms, screen '$FIRST' then '$LATER'; views: $(cut -c1-80 "$DIR/views.txt")"
fi

# Esc 300 ms into the render: the program ends at once, with status 0.
drag "$A2" "$B2" "$C2" "$D2"
sleep 0.3
PRESSED=$(now)
xdotool key Escape
wait_exit >"$DIR/exit.txt"
read -r STATUS ENDED <"$DIR/exit.txt"
[ "$STATUS" = 0 ] && [ $((ENDED - PRESSED)) -le "$LIMIT_MS" ] &&
  ok "Esc during a render: the program ends with status 0 in $((ENDED - PRESSED)) ms" ||
  fail "Esc during a render: status $STATUS after $((ENDED - PRESSED)) ms"

# The close box 300 ms into the render: the same.
start_viewer
first_zoom
drag "$A2" "$B2" "$C2" "$D2"
sleep 0.3
ASKED=$("$PROBE" close "$WID")
wait_exit >"$DIR/exit.txt"
read -r STATUS ENDED <"$DIR/exit.txt"
[ "$STATUS" = 0 ] && [ $((ENDED - ASKED)) -le "$LIMIT_MS" ] &&
  ok "the close box during a render: the program ends with status 0 in $((ENDED - ASKED)) ms" ||
  fail "the close box during a render: status $STATUS after $((ENDED - ASKED)) ms"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
