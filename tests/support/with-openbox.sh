#!/usr/bin/env bash
# Runs one test program on its own Xvfb display with openbox managing it, so window tests see
# real focus, activation and placement, and parallel tests never take each other's focus.
# Usage: with-openbox.sh PROGRAM [ARGS...]   (exit status is the program's)
set -uo pipefail

if [[ "${PENLARK_INSIDE_XVFB:-}" != 1 ]]; then
  export PENLARK_INSIDE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
stop_wm() { kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; }
trap stop_wm EXIT

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
