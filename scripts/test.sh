#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds Vantrel and runs every test:
# the plain build and the short forms of the soak scripts, then
# AddressSanitizer + UndefinedBehaviorSanitizer, then
# ThreadSanitizer over the core and link tests, then the fuzzers' corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing_packages

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

step() { printf '\n=== %s\n' "$*"; }

step "layers"
python3 scripts/check-includes.py

step "plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$JOBS"
ctest --test-dir build --output-on-failure -j"$JOBS"

step "soak, short forms"
# Each ends with its line of figures; the long forms are run by hand. None
# may hang the run.
for soak in tests/soak/*.sh; do
  case "$(basename "$soak")" in
    hangup.sh) timeout 300 bash "$soak" 20 build 5 ;;
    stream.sh) timeout 400 bash "$soak" 120 build ;;
    replay.sh) timeout 300 bash "$soak" 2 build ;;
    commands.sh) timeout 600 bash "$soak" 3 build ;;
    # 77: it could not mount and said so loudly; under CI=true it fails instead.
    fulldisk.sh) timeout 300 bash "$soak" build || [ $? = 77 ] ;;
    *) echo "no short form for $soak" >&2; exit 1 ;;
  esac
done

step "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVANTREL_SANITIZE=address,undefined -DVANTREL_BUILD_BENCH=OFF
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS"

step "ThreadSanitizer (core, link and the receiver session)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVANTREL_SANITIZE=thread -DVANTREL_BUILD_GUI=OFF -DVANTREL_BUILD_BENCH=OFF
cmake --build build-tsan -j"$JOBS"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$JOBS" -L 'core|link'

if [ -x scripts/fuzz.sh ]; then
  step "fuzzers"
  scripts/fuzz.sh "${VANTREL_FUZZ_SECONDS:-30}"
fi
step "all tests passed"
