#!/usr/bin/env bash
# Installs the packages, then configures and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
mkdir -p build
echo "Building into build/ (log: build/build.log)..."
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" && cmake --build build -j"$(nproc)"; } >build/build.log 2>&1; then
  tail -n 60 build/build.log
  echo "Build failed; the whole log is build/build.log" >&2
  exit 1
fi
