#!/usr/bin/env bash
# make fuzz: builds the libFuzzer programs with clang into their own build folder
# and runs each for a while, starting from its committed corpus.
#   fuzz/run.sh [build folder] [seconds per target]
# FUZZ_TARGETS picks targets (blank-separated), JOBS the build's parallelism.
# Prints "fuzz <target>: <N> runs, <crashes> crashes" per target; exits non-zero
# when any target crashed. Logs, new inputs and crash inputs stay in the build
# folder (fuzz-logs/, fuzz-corpus/, fuzz-crashes/).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-fuzz}
seconds=${2:-60}
targets=${FUZZ_TARGETS:-textload profile command_line markup variant wire markdown epub_package epub_navigation xhtml_text office_text}
jobs=${JOBS:-$(nproc)}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNEL_SANITIZE=ON -DVARNEL_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link "${launcher[@]}" >/dev/null
programs=()
for target in $targets; do programs+=("fuzz_$target"); done
cmake --build "$build" -j "$jobs" --target "${programs[@]}" >/dev/null

# A folder on tmpfs keeps the file-based targets off the disk.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

failed=0
for target in $targets; do
  work="$build/fuzz-corpus/$target"
  crashes="$build/fuzz-crashes/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$work" "$crashes" "$(dirname "$log")"
  # Only what failed counts: libFuzzer also keeps slow units there.
  before=$(find "$crashes" -type f ! -name 'slow-unit-*' | wc -l)
  status=0
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  found=$(( $(find "$crashes" -type f ! -name 'slow-unit-*' | wc -l) - before ))
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi
  echo "fuzz $target: ${runs:-0} runs, $found crashes"
  [ "$found" -eq 0 ] || failed=1
done
exit "$failed"
