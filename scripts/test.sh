#!/usr/bin/env bash
# The test command: set-up, build, then every test through ctest (window tests under Xvfb, the
# service's database tests also on a private PostgreSQL cluster),
# then the fuzz targets over their seeds for a few seconds each (scripts/fuzz.sh --check).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
cd build
# A private PostgreSQL cluster for the run (the service's tests on that engine), removed after.
bash ../tests/support/with-postgres.sh \
  xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"
# The fuzz targets over their seeds (regression cases included) and a few seconds each.
cd ..
bash scripts/fuzz.sh --check 3
