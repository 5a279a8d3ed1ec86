#!/bin/sh
# The program starts, shows its sign-in window and stays on it with no box waiting for a click:
# once the window named "penlark" is up, it stays the process's only visible window while the
# program keeps running. Usage: StartsAndStays.sh PROGRAM. Needs an X display (xvfb-run); without
# one it reports a skip (status 77).
program="$1"
if [ -z "$DISPLAY" ]; then
    echo "skipped: the sign-in window needs an X display (xvfb-run)"
    exit 77
fi
command -v xdotool >/dev/null || { echo "FAIL: xdotool is missing (scripts/install-deps.sh installs it)"; exit 1; }

QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

# The process's visible windows; with a name pattern, those of them so named (--all: every
# criterion must hold, not any one).
visible() { xdotool search --all --onlyvisible --pid "$pid" "$@" 2>/dev/null; }

# The sign-in window, within 45 s (a loaded machine starts the program slowly).
deadline=$(($(date +%s) + 45))
until [ -n "$(visible --name '^penlark$')" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended before its sign-in window appeared"; exit 1; }
    [ "$(date +%s)" -lt "$deadline" ] || { echo "FAIL: no sign-in window after 45 s"; exit 1; }
    sleep 0.1
done
signin=$(visible --name '^penlark$')

# It stays, alone: for 3 s the program runs and shows no other window (a box would be one).
settle=$(($(date +%s) + 3))
while [ "$(date +%s)" -lt "$settle" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended on its sign-in window"; exit 1; }
    shown=$(visible)
    if [ "$shown" != "$signin" ]; then
        echo "FAIL: another window is shown beside the sign-in window:"
        for window in $shown; do echo "  $window $(xdotool getwindowname "$window" 2>/dev/null)"; done
        exit 1
    fi
    sleep 0.2
done
echo "the sign-in window $signin is up and alone"
exit 0
