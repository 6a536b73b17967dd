# Shared by the X11 end-to-end scripts (sourced): pass and fail counts, a
# private Xvfb, and closing the viewer with Esc. DIR and VIEWER_PID belong
# to the script.
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }

# Starts Xvfb on the first free display from $1 on (the first without a
# lock file) and waits until it answers; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local D=$1
  while [ -e "/tmp/.X$D-lock" ] || [ -e "/tmp/.X11-unix/X$D" ]; do D=$((D + 1)); done
  export DISPLAY=":$D"
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
}

# Presses Esc and checks that the viewer ends, with status 0, within 10 s.
check_esc_closes() {
  local STATUS=timeout
  xdotool key Escape
  for _ in $(seq 100); do
    if ! kill -0 "$VIEWER_PID" 2>/dev/null; then wait "$VIEWER_PID"; STATUS=$?; VIEWER_PID=""; break; fi
    sleep 0.1
  done
  [ "$STATUS" = 0 ] && ok "Esc closes the program with status 0" || fail "program end: $STATUS"
}
