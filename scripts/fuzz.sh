#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ into build-fuzz/ (clang, ASan, UBSan) and runs each one:
# first over its seeds (fuzz/corpus/<target>/, regression cases included), then fuzzing with its
# dictionary for the given time. New inputs go to build-fuzz/corpus/<target>/, a crash to
# build-fuzz/crashes/. Exit status non-zero when the build fails or any target crashes.
#   bash scripts/fuzz.sh [SECONDS]            each target SECONDS (default 60)
#   bash scripts/fuzz.sh --check [SECONDS]    the test command's step: seeds plus SECONDS (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=60
CHECK=0
if [ "${1:-}" = "--check" ]; then
  CHECK=1
  SECONDS_EACH=${2:-3}
else
  SECONDS_EACH=${1:-60}
fi

# target name : seed folder : dictionary
TARGETS=(
  service_reply_fuzzer:service_reply:soap
  result_document_fuzzer:result_document:json
  picture_fuzzer:picture:
  skin_fuzzer:skin:skin
  profile_fuzzer:profile:profile
  edit_script_fuzzer:edit_script:edit_script
  service_request_fuzzer:service_request:http
  corpus_markup_fuzzer:corpus_markup:corpus_markup
  paper_layout_fuzzer:paper_layout:
)

bash scripts/install-deps.sh
mkdir -p build-fuzz
echo "Building the fuzz targets into build-fuzz/ (log: build-fuzz/build.log)..."
if ! { CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENLARK_FUZZ=ON \
       && cmake --build build-fuzz -j"$(nproc)" --target fuzzers; } >build-fuzz/build.log 2>&1; then
  tail -n 40 build-fuzz/build.log
  echo "Building the fuzz targets failed; the whole log is build-fuzz/build.log" >&2
  exit 1
fi

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
# fontconfig keeps its caches to the end of the process (the corpus markup target measures text).
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
mkdir -p build-fuzz/crashes
failed=()
for entry in "${TARGETS[@]}"; do
  IFS=: read -r target seeds dict <<<"$entry"
  # The check starts from the committed seeds alone, the same here as on a fresh machine.
  if [ "$CHECK" = 1 ]; then
    work=$(mktemp -d)
  else
    work=build-fuzz/corpus/$seeds
    mkdir -p "$work"
  fi
  args=(-max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="build-fuzz/crashes/$target-")
  [ -n "$dict" ] && args+=(-dict="fuzz/dict/$dict.dict")
  echo "== $target: seeds of fuzz/corpus/$seeds, then ${SECONDS_EACH}s"
  if ! "build-fuzz/fuzz/$target" "${args[@]}" "$work" "fuzz/corpus/$seeds" >"build-fuzz/$target.log" 2>&1; then
    tail -n 40 "build-fuzz/$target.log"
    failed+=("$target")
  else
    grep -E '^stat::number_of_executed_units' "build-fuzz/$target.log"
  fi
  if [ "$CHECK" = 1 ]; then rm -rf "$work"; fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/crashes/, logs in build-fuzz/)" >&2
  exit 1
fi
