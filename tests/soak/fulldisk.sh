#!/usr/bin/env bash
# Full-disk soak: the window logs the simulated module's stream onto a
# 64 KiB tmpfs until it is full. The write error must be told once, reading
# and display must go on, the file must hold an unbroken piece of what the
# module sent, and Close, Open and a new log must work afterwards.
# Mounts as root, else in a user namespace (unshare -rm). When neither can
# mount, the promise was not checked: under CI (CI=true) that fails; by hand
# it says "SKIPPED" on stderr and stdout and exits 77, which is neither a
# pass nor a failure.
# Usage: tests/soak/fulldisk.sh [BUILD_DIR]
# Ends with one line: "fulldisk: ..., ok", the skip, or the failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
test_bin="$BUILD/tests/ui/form_soak_tests"
# Beside the build, so that two checkouts soaking at once keep their own.
log="$BUILD/fulldisk-soak.log"
[ -x "$test_bin" ] || { echo "fulldisk: build $test_bin first (cmake --build $BUILD --target form_soak_tests)" >&2; exit 2; }
mnt=$(mktemp -d /tmp/vantrel-fulldisk-XXXXXX)
mounted=no
cleanup() {
  if [ "$mounted" = yes ]; then umount "$mnt" || true; fi
  rmdir "$mnt" 2>/dev/null || true
}
trap cleanup EXIT
# Run inside the user namespace too, where the mount exists: $1 mount point,
# $2 test binary. 77: the mount failed.
inner='mount -t tmpfs -o size=64k tmpfs "$1" || exit 77
VANTREL_FULLDISK_DIR="$1" QT_QPA_PLATFORM=offscreen "$2" --gtest_filter="FormLogFullDisk.*"'
rc=0
if mount -t tmpfs -o size=64k tmpfs "$mnt" 2>/dev/null; then
  mounted=yes
  VANTREL_FULLDISK_DIR="$mnt" QT_QPA_PLATFORM=offscreen "$test_bin" \
    --gtest_filter='FormLogFullDisk.*' >"$log" 2>&1 || rc=$?
elif unshare -rm true 2>/dev/null; then
  unshare -rm sh -c "$inner" sh "$mnt" "$test_bin" >"$log" 2>&1 || rc=$?
else
  rc=77
fi
if [ "$rc" = 77 ]; then
  if [ "${CI:-}" = true ]; then
    echo "fulldisk: FAILED: cannot mount a small file system here, so the full disk was not tried" | tee /dev/stderr
    exit 1
  fi
  echo "fulldisk: SKIPPED, NOT CHECKED: cannot mount a small file system (run as root, or allow user namespaces)" | tee /dev/stderr
  exit 77
fi
if [ "$rc" = 0 ] && grep -q '^fulldisk: ' "$log" && ! grep -q '\[  SKIPPED \]' "$log"; then
  echo "$(grep -m1 '^fulldisk: ' "$log"), ok"
else
  tail -n 30 "$log" >&2
  echo "fulldisk: FAILED (log: $log)"
  exit 1
fi
