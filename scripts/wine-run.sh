#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix kept in STATE (inside
# the build folder) and a virtual X display when the machine has none.
#   wine-run.sh [--arch win32|win64] STATE PROGRAM [ARGS...]
#                                          run PROGRAM, passing its exit status
#   wine-run.sh [--arch ...] --start STATE create the prefix, start Xvfb and a persistent wineserver
#   wine-run.sh --stop STATE               stop the wineserver and the Xvfb we started
#   wine-run.sh --can-run win32|win64      exit 0 when this machine runs that Wine
# The arch picks the Wine loader: win32 programs need the 32-bit loader, itself
# a 32-bit Linux program that some machines cannot run; win64 programs run
# under the 64-bit loader. STATE may be relative to the current folder.
# Background processes never get our standard output: a process holding it open
# would keep ctest (and CI) waiting.
set -u

arch=win32

loader_for() {
  local name=wine
  [ "$1" = win64 ] && name=wine64
  if [ -x "/usr/lib/wine/$name" ]; then
    echo "/usr/lib/wine/$name"
  else
    command -v "$name" || echo "$name"
  fi
}

absolute() {
  case "$1" in
    /*) echo "$1" ;;
    *) echo "$PWD/$1" ;;
  esac
}

setup_env() {
  local state=$1
  mkdir -p "$state"
  export WINEPREFIX="$state/prefix"
  export WINEARCH=$arch
  export WINELOADER
  WINELOADER=$(loader_for "$arch")
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Console tools need no display (PKD_WINE_NO_DISPLAY=1).
  if [ -n "${PKD_WINE_NO_DISPLAY:-}" ]; then
    :
  elif [ -z "${DISPLAY:-}" ] || [ -f "$state/xvfb.pid" ]; then
    ensure_display "$state"
    export DISPLAY=":$(cat "$state/display")"
  fi
}

xvfb_alive() {
  local state=$1
  [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

ensure_display() {
  local state=$1
  exec 9>"$state/lock"
  flock 9
  if ! xvfb_alive "$state"; then
    rm -f "$state/display" "$state/xvfb.pid" "$state/display.tmp"
    Xvfb -displayfd 8 -nolisten tcp -screen 0 1280x1024x24 8>"$state/display.tmp" </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
      [ -s "$state/display.tmp" ] && break
      sleep 0.1
    done
    tr -d '\n ' <"$state/display.tmp" >"$state/display"
    [ -s "$state/display" ] || { echo "wine-run: Xvfb did not start" >&2; exit 125; }
  fi
  flock -u 9
}

if [ "${1:-}" = --arch ]; then
  arch=${2:-}
  shift 2
  case "$arch" in
    win32|win64) ;;
    *) echo "wine-run: --arch takes win32 or win64" >&2; exit 2 ;;
  esac
fi

case "${1:-}" in
  --can-run)
    # Running the loader is the only sure test: the 32-bit one fails with
    # "Exec format error" where the kernel runs 64-bit code only.
    "$(loader_for "${2:-win32}")" --version >/dev/null
    exit $? ;;
  --start)
    state=$(absolute "$2")
    setup_env "$state"
    # Begin from no wineserver: one still ending from an earlier run would
    # refuse the new persistent one.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    # A persistent wineserver saves every test its start-up; --stop ends it.
    for attempt in 1 2 3; do
      wineserver -p </dev/null >/dev/null 2>&1
      "$WINELOADER" wineboot -i </dev/null >"$state/wineboot.log" 2>&1 && exit 0
      echo "wine-run: wineboot failed (attempt $attempt), see $state/wineboot.log" >&2
      wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
      sleep 1
    done
    exit 1 ;;
  --stop)
    state=$(absolute "$2")
    export WINEPREFIX="$state/prefix"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
      kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
      rm -f "$state/xvfb.pid" "$state/display"
    fi
    exit 0 ;;
esac

state=$(absolute "$1"); shift
setup_env "$state"
out=$(mktemp)
"$WINELOADER" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
