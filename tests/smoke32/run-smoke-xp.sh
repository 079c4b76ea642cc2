#!/usr/bin/env bash
# ctest's command for the 32-bit smoke suite's run on Windows XP: the real
# 32-bit installer.exe and 7-zip32.dll of the 32-bit build, in a
# fresh 32-bit Wine prefix that reports Windows XP (under user-mode
# emulation where the kernel runs no 32-bit code), install the first receipt
# printer on the USB row through run.sh, headless. Nobody is on line there,
# so the installation asks, is answered Cancel and completes.
#
#   run-smoke-xp.sh --build-dir DIR [--timings FILE]
#
#   --build-dir DIR  the 32-bit build folder (its dist/ and e2e_drive.exe)
#   --timings FILE   also write the lines with the times to FILE
#
# Passes when the installer names "Microsoft Windows XP  32 bit", registers
# the driver for "Windows NT x86", the printer is on the USB port and the
# run ends cleanly. Exit status 77 (skipped) when no 32-bit code can run,
# and where the kernel runs none unless SMOKE_XP_EMULATED=1: under emulation
# making the 32-bit prefix alone takes over 20 minutes on two cores, too
# long for the test command.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
# shellcheck source=../wine/i386-emulation.sh
. "$repo/tests/wine/i386-emulation.sh"

build= timings=
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build=$2; shift ;;
    --timings) timings=$2; shift ;;
    *) echo "run-smoke-xp: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -f "$build/dist/installer.exe" ] || { echo "run-smoke-xp: no installer.exe in '$build/dist'" >&2; exit 1; }

mkdir -p "$repo/build/wine-prefixes"
root=$(mktemp -d "$repo/build/wine-prefixes/smoke-xp.XXXXXX")
output=$(mktemp)
cleanup() {
  WINEPREFIX=$root/win32 wineserver -k >/dev/null 2>&1 || true
  restore_i386_emulation
  rm -rf "$root" "$output"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
slow=()
if ! kernel_runs_i386; then
  if [ "${SMOKE_XP_EMULATED:-0}" != 1 ]; then
    echo "run-smoke-xp: skipped: this kernel runs no 32-bit code, and a 32-bit prefix made under emulation takes over 20 minutes (SMOKE_XP_EMULATED=1 runs it anyway)"
    exit 77
  fi
  slow=(--slow)
fi
enable_i386_for_this_run || exit $?

began=$SECONDS
set +e
# Making a 32-bit prefix under emulation takes minutes.
WINEBOOT_TIMEOUT=2400 timeout --kill-after=20 3300 bash "$repo/run.sh" --no-build --headless \
  --build-dir "$build" --prefix-root "$root" --windows winxp "${slow[@]}" 2>&1 | tee "$output"
rc=${PIPESTATUS[0]}
set -e
summary="run-smoke-xp: the whole run took $((SECONDS - began)) s"
echo "$summary"
if [ -n "$timings" ]; then
  { grep -E '^run.sh: times:' "$output" || true; echo "$summary"; } >"$timings"
fi
[ "$rc" -eq 0 ] || exit "$rc"

failed=0
expect() {
  grep -qF -- "$1" "$output" || { echo "run-smoke-xp: missing: $1" >&2; failed=1; }
}
expect 'status line: "Current System is Microsoft Windows XP  32 bit"'
expect 'status line:     "The installation is completed."'
expect 'driver:          "SK200K8" for "Windows NT x86"'
expect 'port:            "USB001"'
expect 'default printer: "SK200K8,winspool,USB001"'
drivers=$root/win32/drive_c/windows/system32/spool/drivers/w32x86
[ -f "$drivers/3/SK200K8.GPD" ] || { echo "run-smoke-xp: no SK200K8.GPD in $drivers/3" >&2; failed=1; }
[ ! -e "$drivers/SK200K8.GPD" ] || { echo "run-smoke-xp: the staged SK200K8.GPD is left" >&2; failed=1; }
[ ! -e "$root/win32/drive_c/Ticket" ] || { echo "run-smoke-xp: working files left on C:" >&2; failed=1; }
exit "$failed"
