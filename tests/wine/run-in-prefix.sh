#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh, throw-away prefix, with a
# virtual X server when there is no display. Used by ctest for the contract
# and end-to-end test programs.
#
#   run-in-prefix.sh [--win32|--win64] [--version V] [--desktop WxH] [--keep] [--cwd DIR] [--timeout SECONDS] [--times] [--serial COMn=PATH]... -- PROGRAM.exe [ARGS...]
#
#   --win32        create a 32-bit prefix (WINEARCH=win32)
#   --win64        create a 64-bit prefix (WINEARCH=win64)
#                  Without either, a 32-bit program gets a 32-bit prefix (32-bit
#                  Windows) and a 64-bit one a 64-bit prefix; --win64 runs a
#                  32-bit program as a WOW64 process.
#   --version V    make the prefix report Windows release V (winxp, win7, win10)
#   --desktop WxH  show every window inside one Wine virtual desktop of that size
#                  (Wine then draws captions and frames, which Xvfb alone lacks)
#   --keep         keep the prefix (its path is printed) instead of removing it
#   --cwd DIR      run the program with DIR as its working directory
#   --timeout S    end the program after S seconds (exit status 124), so that the
#                  prefix and the X server are cleaned up before a caller's own
#                  time limit kills this script
#   --times        print how long making the prefix and running the program took
#   --serial COMn=PATH
#                  give the prefix a COM port on the device PATH (such as one end
#                  of a socat pseudo-terminal pair); it is also listed in
#                  HARDWARE\DEVICEMAP\SERIALCOMM
#
# The prefix has Wine's crash dialog turned off, so a crash ends the program
# instead of hanging the run. WINEPREFIX_ROOT (default: build/wine-prefixes
# in this project) holds the prefixes. Exit status: the program's, or 77
# (skipped) for a 32-bit program or prefix on a host that runs no 32-bit code.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

arch= options=() keep=0 cwd= limit=0 times=0 serial=()
while [ $# -gt 0 ]; do
  case "$1" in
    --win32) arch=win32 ;;
    --win64) arch=win64 ;;
    --version) options+=("version=$2"); shift ;;
    --desktop) options+=("desktop=$2"); shift ;;
    --keep) keep=1 ;;
    --cwd) cwd=$2; shift ;;
    --timeout) limit=$2; shift ;;
    --times) times=1 ;;
    --serial) serial+=("$2"); shift ;;
    --) shift; break ;;
    *) echo "run-in-prefix: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ $# -ge 1 ] || { echo "usage: run-in-prefix.sh [options] -- PROGRAM.exe [ARGS...]" >&2; exit 2; }
prog=$1; shift
[ -f "$prog" ] || { echo "run-in-prefix: no such program: $prog" >&2; exit 2; }
[ -n "$arch" ] || arch=$(prefix_arch_for "$prog")

if ! can_run_win32; then
  if [ "$arch" = win32 ]; then
    echo "run-in-prefix: skipped: this host runs no 32-bit code, so no 32-bit Wine prefix" >&2; exit 77
  fi
  if [ "$(pe_machine "$prog")" = i386 ]; then
    echo "run-in-prefix: skipped: $prog is a 32-bit program and this host runs no 32-bit code" >&2; exit 77
  fi
fi
# A 64-bit program is started by the 64-bit loader itself, so that it stays
# native where the 32-bit loader would run under emulation.
if [ "$(pe_machine "$prog")" = amd64 ]; then WINE=/usr/lib/wine/wine64; else WINE=$(wine_loader); fi

root=${WINEPREFIX_ROOT:-$here/../../build/wine-prefixes}
mkdir -p "$root"
export WINEPREFIX WINEARCH=$arch
WINEPREFIX=$(mktemp -d "$root/prefix.XXXXXX")
# wineboot wants to create the prefix folder itself.
rmdir "$WINEPREFIX"

XVFB_PID=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
  if [ "$keep" = 1 ]; then echo "run-in-prefix: kept $WINEPREFIX" >&2; else rm -rf "$WINEPREFIX"; fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT

[ -n "${DISPLAY:-}" ] || start_xvfb
began=$SECONDS
prepare_prefix "${options[@]}"
[ "$times" = 0 ] || echo "run-in-prefix: the prefix took $((SECONDS - began)) s to make"
[ ${#serial[@]} -eq 0 ] || wine_com_ports "${serial[@]}"

[ -z "$cwd" ] || cd "$cwd"
set +e
began=$SECONDS
if [ "$limit" -gt 0 ]; then
  timeout --kill-after=10 "$limit" "$WINE" "$prog" "$@"
else
  "$WINE" "$prog" "$@"
fi
rc=$?
[ "$times" = 0 ] || echo "run-in-prefix: $(basename "$prog") ran $((SECONDS - began)) s"
[ "$rc" -ne 124 ] || echo "run-in-prefix: $prog still ran after $limit s and was ended" >&2
set -e
exit $rc
