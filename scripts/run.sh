#!/usr/bin/env bash
# Builds the Windows program and the PKD 2025 catalogue beside it, then starts
# the picker under Wine: the 32-bit build where this machine runs the 32-bit
# Wine loader, the 64-bit build otherwise (PKD_WINE64_ONLY=1 chooses it
# anyway). Without a display it runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ -z "${PKD_WINE64_ONLY:-}" ] && scripts/wine-run.sh --can-run win32 2>/dev/null; then
  preset=win32
  echo "Starting the 32-bit pkd.exe (build/win32/bin)."
else
  preset=win64
  why="this machine does not run the 32-bit Wine loader"
  [ -n "${PKD_WINE64_ONLY:-}" ] && why="PKD_WINE64_ONLY is set"
  echo "Starting the 64-bit pkd.exe (build/win64/bin): $why."
fi

jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p build
log=build/run-$preset.log
echo "Building ($preset preset)..."
cmake --preset "$preset" >"$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build --preset "$preset" -j"$jobs" --target pkd pkd_catalogues >>"$log" 2>&1 ||
  { bash scripts/build-error.sh "$log"; exit 1; }

bin=$PWD/build/$preset/bin
state=$PWD/build/$preset/wine-run
[ -f "$bin/pkd.kod" ] || { echo "No pkd.kod: the classification data in data/ is missing." >&2; exit 1; }
# The catalogue as the picker will load it, read by the kodtool built for this machine.
build/$preset/host/tools/kodtool/kodtool dump "$bin/pkd.kod" | sed -n 1,3p

scripts/wine-run.sh --arch "$preset" --start "$state"
stop_wine() { scripts/wine-run.sh --stop "$state" >/dev/null 2>&1 || true; }
trap stop_wine EXIT
trap 'stop_wine; exit 130' INT TERM
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: the picker runs on a virtual X display (Xvfb); it is not visible here. Ctrl+C ends it."
fi
scripts/wine-run.sh --arch "$preset" "$state" "$bin/pkd.exe"
