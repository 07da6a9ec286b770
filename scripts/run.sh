#!/usr/bin/env bash
# Builds the Windows program and the PKD 2025 catalogue beside it, then starts
# the picker under Wine. Without a display it runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
echo "Building (win32 preset)..."
cmake --preset win32 >build-run.log 2>&1 || { cat build-run.log; exit 1; }
cmake --build --preset win32 -j"$jobs" >>build-run.log 2>&1 || { grep -E -A10 'error|Error' build-run.log | head -80; exit 1; }
rm -f build-run.log

bin=$PWD/build/win32/bin
state=$PWD/build/win32/wine-run
[ -f "$bin/pkd.kod" ] || { echo "No pkd.kod: the classification data in ../shared/data is missing." >&2; exit 1; }
scripts/wine-run.sh --start "$state"
stop_wine() { scripts/wine-run.sh --stop "$state" >/dev/null 2>&1 || true; }
trap stop_wine EXIT
trap 'stop_wine; exit 130' INT TERM
# The catalogue as the picker will load it.
summary=$(PKD_WINE_NO_DISPLAY=1 scripts/wine-run.sh "$state" build/win32/tools/kodtool/kodtool.exe dump "$bin/pkd.kod")
printf '%s\n' "$summary" | sed -n 1,3p

if [ ! -f "$bin/pkd.exe" ]; then
  echo "pkd.exe is not part of this build yet."
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting the picker on a virtual X display (Xvfb); it is not visible here. Ctrl+C ends it."
fi
scripts/wine-run.sh "$state" "$bin/pkd.exe"
