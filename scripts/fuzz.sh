#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz, replays the committed seed
# corpus, then runs each target for SECONDS (default 60) on a working copy
# of its corpus. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
JOBS=${VANTREL_FUZZ_JOBS:-2}

CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTREL_BUILD_FUZZ=ON -DVANTREL_BUILD_GUI=OFF -DVANTREL_BUILD_BENCH=OFF \
  -DVANTREL_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
cmake --build build-fuzz -j"$JOBS" --target pipeline_fuzz sentence_fuzz numbers_fuzz reply_fuzz sim_command_fuzz \
  replay_fuzz sim_control_fuzz sequencer_fuzz evaluation_fuzz

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for name in pipeline sentence numbers reply sim_command replay sim_control sequencer evaluation; do
  target=build-fuzz/fuzz/${name}_fuzz
  seeds=fuzz/corpus/$name
  work=build-fuzz/corpus/$name
  artifacts=build-fuzz/artifacts/$name
  mkdir -p "$work" "$artifacts"
  echo "=== $name: replaying $(ls "$seeds" | wc -l) seeds"
  "$target" -runs=0 -artifact_prefix="$artifacts/" "$seeds" 2>&1 | tail -n 1
  echo "=== $name: fuzzing for ${SECONDS_EACH}s"
  status=0
  "$target" -max_total_time="$SECONDS_EACH" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "$seeds" >"$artifacts/log.txt" 2>&1 || status=$?
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$artifacts/log.txt" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$artifacts/log.txt" >&2
    echo "fuzzer $name failed; the input is in $artifacts" >&2
    exit 1
  fi
done
echo "=== fuzzing passed"
