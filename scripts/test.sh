#!/usr/bin/env bash
# The test command: set-up, build, then every test through ctest (window tests under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
cd build
xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"
