#!/usr/bin/env bash
# Builds everything and runs every test: the native build (core, tools, unit
# tests), the same tests under g++'s sanitizers, the clang build (fuzz targets
# replaying their seeds) and the Windows build (every test under Wine).
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
status=0

cleanup() { scripts/wine-run.sh --stop "$PWD/build/win32/wine" >/dev/null 2>&1 || true; }
trap cleanup EXIT

run_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build/$preset.log" 2>&1; then
    cat "build/$preset.log"; status=1; failed=$((failed + 1)); return
  fi
  if ! cmake --build --preset "$preset" -j"$jobs" >>"build/$preset.log" 2>&1; then
    grep -E -B2 -A12 'error|Error' "build/$preset.log" | head -150
    status=1; failed=$((failed + 1)); return
  fi
  echo "=== $preset: tests"
  local out
  out=$(ctest --preset "$preset" -j"$jobs" 2>&1)
  local rc=$?
  echo "$out" | grep -aE 'Test +#|tests passed|FAILED|Failed|Timeout|Not Run' || true
  if [ $rc -ne 0 ]; then
    echo "$out" | tail -200
    status=1
  fi
  local total fails
  total=$(echo "$out" | sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' | tail -1)
  fails=$(echo "$out" | sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' | tail -1)
  passed=$((passed + ${total:-0} - ${fails:-0}))
  failed=$((failed + ${fails:-0}))
}

mkdir -p build
run_preset native
run_preset native-sanitize
run_preset native-asan
run_preset win32
cleanup
echo "total: ${passed} passed, ${failed} failed"
exit $status
