#!/usr/bin/env bash
# Builds everything, then makes the Debian package of the client, the reference service and
# essay-tool: build/package/penlark_<version>_<arch>.deb (dependencies declared, menu entry, icons).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cpack -G DEB --config build/CPackConfig.cmake -B build/package
ls build/package/*.deb
