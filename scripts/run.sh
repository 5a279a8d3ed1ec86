#!/usr/bin/env bash
# The run command: set-up, build, start the reference service on 127.0.0.1:8089, run the client.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
server_pid=""
if [ -x build/bin/platform-service ]; then
  mkdir -p build/service-data
  # No balancer polls a local service: it stops accepting at once when the run ends.
  build/bin/platform-service --port 8089 --db build/service-data/platform.db --data data --drain-grace 0 &
  server_pid=$!
  trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true' EXIT
  sleep 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running the client under Xvfb." >&2
  xvfb-run -a -s "-screen 0 1280x800x24" build/bin/penlark "$@"
else
  build/bin/penlark "$@"
fi
