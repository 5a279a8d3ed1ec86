#!/usr/bin/env bash
# Runs one test program on its own Xvfb display with openbox managing it, so window tests see
# real focus, activation and placement, and parallel tests never take each other's focus.
# Usage: with-openbox.sh PROGRAM [ARGS...]   (exit status is the program's)
set -uo pipefail

# Xvfb picks a free display number itself and writes it to fd 3 once it accepts clients: no two
# tests started at once (ctest -j) can race for the same number.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
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

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!

# openbox announces itself on the root window once it manages the screen.
for _ in $(seq 1 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  if ! kill -0 "$wm_pid" 2>/dev/null; then
    echo "with-openbox: openbox exited before managing the display" >&2
    exit 1
  fi
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "with-openbox: openbox did not manage the display within 5 s" >&2
  exit 1
fi

export QT_QPA_PLATFORM=xcb
"$@"
