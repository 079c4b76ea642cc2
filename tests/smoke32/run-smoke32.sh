#!/usr/bin/env bash
# ctest's command for the 32-bit smoke suite: runs smoke32_tests.exe against
# the real 32-bit installer.exe of the distribution folder, in one fresh Wine
# prefix, and prints how long each step took.
#
#   run-smoke32.sh --program smoke32_tests.exe --dist DIR [--timings FILE] [-- GTEST ARGS]
#
#   --timings FILE  also write the lines with the times to FILE
#
# Where the kernel runs no 32-bit code, the i386 emulation that
# scripts/install-deps.sh registered (switched off) is switched on for this
# run only, and put back as it was found when the run ends, also when it
# fails or is ended: while it is on, every new 64-bit prefix on this host
# builds its 32-bit half under emulation, which slows other Wine runs down.
# Exit status: the test program's; 77 (skipped) when no 32-bit code can run.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"
# shellcheck source=../wine/i386-emulation.sh
. "$here/../wine/i386-emulation.sh"

program= dist= timings=
while [ $# -gt 0 ]; do
  case "$1" in
    --program) program=$2; shift ;;
    --dist) dist=$2; shift ;;
    --timings) timings=$2; shift ;;
    --) shift; break ;;
    *) echo "run-smoke32: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -f "$program" ] || { echo "run-smoke32: no test program at '$program'" >&2; exit 2; }
[ -f "$dist/installer.exe" ] || { echo "run-smoke32: no installer.exe in '$dist'" >&2; exit 1; }

output=$(mktemp)
cleanup() { restore_i386_emulation; rm -f "$output"; }
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
enable_i386_for_this_run || exit $?

began=$SECONDS
# qemu's user-mode emulation itself now and then dies of a signal it could
# not hand to the emulated Wine ("qemu: uncaught target signal"), seen once
# in four emulated runs, never where the kernel runs the 32-bit code. Such a
# run says nothing of the installer: it is run once more, in a fresh prefix.
# The bounds of making the prefix (measured: 3.5 to 4.5 minutes on a busy
# host) and of the program (9 minutes) end even two runs within ctest's, so
# that the prefix is removed and the emulation switched back even then.
for attempt in 1 2; do
  set +e
  WINEBOOT_TIMEOUT=600 bash "$here/../wine/run-in-prefix.sh" --desktop 800x600 --timeout 900 --times -- \
    "$program" --installer="$(windows_path "$dist/installer.exe")" \
    --workdir="$(windows_path "$dist")" "$@" 2>&1 | tee "$output"
  rc=${PIPESTATUS[0]}
  set -e
  if [ "$rc" != 0 ] && [ "$attempt" = 1 ] && grep -q '^qemu: uncaught target signal' "$output"; then
    echo "run-smoke32: the emulator died of a signal (above); running the suite once more"
  else
    break
  fi
done
summary="run-smoke32: the whole suite took $((SECONDS - began)) s"
echo "$summary"
if [ -n "$timings" ]; then
  { grep -E '^\[   TIME   \]|^run-in-prefix: .* (took|ran) ' "$output" || true
    echo "$summary"; } >"$timings"
fi
exit "$rc"
