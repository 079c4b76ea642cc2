#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh, throw-away prefix, with a
# virtual X server when there is no display. Used by ctest for the contract
# and end-to-end test programs, and by run.sh.
#
#   run-in-prefix.sh [--win32] [--win10] [--keep] [--cwd DIR] -- PROGRAM.exe [ARGS...]
#
#   --win32   create a 32-bit prefix (WINEARCH=win32) instead of the default 64-bit one
#   --win10   make the prefix report Windows 10
#   --keep    keep the prefix (its path is printed) instead of removing it
#   --cwd DIR run the program with DIR as its working directory
#
# The prefix has Wine's crash dialog turned off, so a crash ends the program
# instead of hanging the run. WINEPREFIX_ROOT (default: build/wine-prefixes
# beside this script's project) holds the prefixes. Exit status: the program's.
set -euo pipefail

arch=win64 win10=0 keep=0 cwd=
while [ $# -gt 0 ]; do
  case "$1" in
    --win32) arch=win32 ;;
    --win10) win10=1 ;;
    --keep) keep=1 ;;
    --cwd) cwd=$2; shift ;;
    --) shift; break ;;
    *) echo "run-in-prefix: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ $# -ge 1 ] || { echo "usage: run-in-prefix.sh [options] -- PROGRAM.exe [ARGS...]" >&2; exit 2; }

export PATH="$PATH:/usr/lib/wine"
# This script's own helpers: which loader runs PE programs here. Where the
# kernel runs no 32-bit user code, only the 64-bit loader works.
wine_loader() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo wine; else echo /usr/lib/wine/wine64; fi
}
WINE=$(wine_loader)
if [ "$arch" = win32 ] && [ "$WINE" != wine ]; then
  echo "run-in-prefix: this machine cannot run 32-bit Wine; no 32-bit prefix" >&2; exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
root=${WINEPREFIX_ROOT:-$here/../../build/wine-prefixes}
mkdir -p "$root"
export WINEPREFIX
WINEPREFIX=$(mktemp -d "$root/prefix.XXXXXX")
export WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" 

xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  if [ "$keep" = 1 ]; then echo "run-in-prefix: kept $WINEPREFIX" >&2; else rm -rf "$WINEPREFIX"; fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

timeout 300 "$WINE" wineboot -i >/dev/null 2>&1 || true
timeout 120 wineserver -w || true
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
if [ "$win10" = 1 ]; then
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null 2>&1
fi
timeout 120 wineserver -w || true

prog=$1; shift
[ -n "$cwd" ] && cd "$cwd"
set +e
"$WINE" "$prog" "$@"
rc=$?
set -e
exit $rc
