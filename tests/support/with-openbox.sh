#!/usr/bin/env bash
# Runs one test program on its own Xvfb display with openbox managing it, so window tests see
# real focus, activation and placement, and parallel tests never take each other's focus.
# Usage: with-openbox.sh PROGRAM [ARGS...]   (exit status is the program's)
# PENLARK_XVFB_SCREEN sets the screen (default 1280x800x24; a test at 200 % wants 2560x1600x24).
set -uo pipefail

# Xvfb picks a free display number itself and writes it to fd 3 once it accepts clients: no two
# tests started at once (ctest -j) can race for the same number.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${PENLARK_XVFB_SCREEN:-1280x800x24}" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
wm_pid=""
stop_all() {
  [[ -n "$wm_pid" ]] && { kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; }
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  rm -f "$display_file"
}
trap stop_all EXIT
for _ in $(seq 1 200); do
  [[ -s "$display_file" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
display=$(head -n 1 "$display_file")
if [[ -z "$display" ]]; then
  echo "with-openbox: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display"

wm_manages() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# openbox announces itself on the root window once it manages the screen. Started beside other
# tests it may now and then end at once (seen under ctest -j2): it is started again, three times
# at most.
for attempt in 1 2 3; do
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  for _ in $(seq 1 100); do
    wm_manages && break
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.05
  done
  wm_manages && break
  kill "$wm_pid" 2>/dev/null
  wait "$wm_pid" 2>/dev/null
  wm_pid=""
  echo "with-openbox: openbox did not manage the display (attempt $attempt)" >&2
done
if ! wm_manages; then
  echo "with-openbox: no window manager on the display" >&2
  exit 1
fi

export QT_QPA_PLATFORM=xcb
"$@"
