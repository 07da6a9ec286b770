#!/usr/bin/env bash
# Builds everything and runs every test: the native build (core, tools, unit
# tests), the same tests under g++'s sanitizers, the clang build (fuzz targets
# replaying their seeds) and both Windows builds, whose tests run under Wine
# where this machine can run them: the 64-bit build always, the 32-bit build
# only where the 32-bit Wine loader runs (some kernels run 64-bit code only),
# and then the release (scripts/release.sh) with its install test under Wine.
# PKD_WINE64_ONLY=1 takes the 64-bit-only path on any machine.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
status=0

cleanup() {
  for arch in win32 win64; do
    scripts/wine-run.sh --stop "build/$arch/wine" >/dev/null 2>&1 || true
  done
}
trap cleanup EXIT

build_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build/$preset.log" 2>&1; then
    cat "build/$preset.log"; status=1; failed=$((failed + 1)); return 1
  fi
  if ! cmake --build --preset "$preset" -j"$jobs" >>"build/$preset.log" 2>&1; then
    bash scripts/build-error.sh "build/$preset.log"
    status=1; failed=$((failed + 1)); return 1
  fi
}

test_preset() {
  local preset=$1
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
  # ctest that stopped before its summary still failed.
  if [ $rc -ne 0 ] && [ -z "$total" ]; then fails=1; total=1; fi
  passed=$((passed + ${total:-0} - ${fails:-0}))
  failed=$((failed + ${fails:-0}))
}

mkdir -p build
for preset in native native-sanitize native-asan win64; do
  build_preset "$preset" && test_preset "$preset"
done

# The 32-bit build is built everywhere; its tests run where its loader does.
why=""
if [ -n "${PKD_WINE64_ONLY:-}" ]; then
  why="PKD_WINE64_ONLY is set"
elif ! err=$(scripts/wine-run.sh --can-run win32 2>&1); then
  why="the 32-bit Wine loader does not run on this machine${err:+ ($(echo "$err" | tail -1))}"
fi
if build_preset win32; then
  if [ -z "$why" ]; then
    test_preset win32
  else
    echo "=== win32: tests skipped: $why"
  fi
fi

# The release: the four packages made from both builds, then installed,
# upgraded and removed in 64-bit Wine, and the zips tried: the x64 packages
# everywhere, the x86 ones where the 32-bit loader runs (their pkd.exe is
# 32-bit). Each PASS or FAIL line of the install test counts as one test.
echo "=== release: packages and install test"
release_archs=x64
if [ -z "$why" ]; then
  release_archs="x64 x86"
else
  echo "=== release: x86 packages not installed: $why"
fi
if bash scripts/release.sh >build/release.log 2>&1; then
  out=$(bash tests/release/install_test.sh $release_archs 2>&1)
  rc=$?
  echo "$out" | grep -E '^(PASS|FAIL) ' || true
  [ $rc -ne 0 ] && { echo "$out" | tail -80; status=1; }
  ok=$(echo "$out" | grep -c '^PASS ')
  bad=$(echo "$out" | grep -c '^FAIL ')
  # A test that stopped before its verdicts still failed.
  [ $rc -ne 0 ] && [ "$bad" -eq 0 ] && bad=1
  passed=$((passed + ok))
  failed=$((failed + bad))
else
  tail -40 build/release.log
  status=1; failed=$((failed + 1))
fi

cleanup
echo "total: ${passed} passed, ${failed} failed"
exit $status
