#!/usr/bin/env bash
# ctest's command for the end-to-end tests: runs e2e_tests.exe in a fresh
# Wine prefix against the installer, and keeps a PNG picture of the dialog.
#
#   run-e2e.sh --program e2e_tests.exe --installer installer.exe --dist DIR --screenshots DIR [-- GTEST ARGS]
#
# The installer runs from the distribution folder (DIR/installer.exe with the
# driver package beside it, as users get it) when that folder exists, else
# from its build folder. The prefix is a Windows of the program's word size
# (a 32-bit one for the 32-bit build), and the program is told which, so that
# it checks the paths the installer takes there. Exit status: the test
# program's; 77 when this host cannot run the program (a 32-bit build where
# no 32-bit code runs).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"

program= installer= dist= shots=
while [ $# -gt 0 ]; do
  case "$1" in
    --program) program=$2; shift ;;
    --installer) installer=$2; shift ;;
    --dist) dist=$2; shift ;;
    --screenshots) shots=$2; shift ;;
    --) shift; break ;;
    *) echo "run-e2e: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$program" ] && [ -n "$installer" ] || { echo "run-e2e: --program and --installer are needed" >&2; exit 2; }

if [ "$(pe_machine "$program")" = i386 ] && ! can_run_win32; then
  echo "run-e2e: skipped: $program is a 32-bit program and this host runs no 32-bit code" >&2
  exit 77
fi

workdir=
if [ -n "$dist" ] && [ -f "$dist/installer.exe" ]; then
  installer=$dist/installer.exe
  workdir=$dist
fi
if [ ! -f "$installer" ]; then
  echo "run-e2e: no installer to test at $installer (build the installer target)" >&2
  exit 1
fi

arch=$(prefix_arch_for "$program")
args=(--installer="$(windows_path "$installer")" --system="$(system_of_arch "$arch")")
[ -z "$workdir" ] || args+=(--workdir="$(windows_path "$workdir")")
bmp=
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  bmp=$shots/dialog.bmp
  rm -f "$bmp" "$shots/dialog.png"
  args+=(--screenshot="$(windows_path "$bmp")")
fi

set +e
# Ends the tests well within ctest's limit, so the prefix is still cleaned up.
bash "$here/../wine/run-in-prefix.sh" "--$arch" --desktop 800x600 --timeout 720 -- "$program" "${args[@]}" "$@"
rc=$?
set -e

if [ -n "$bmp" ] && [ -f "$bmp" ]; then
  if convert "$bmp" "$shots/dialog.png"; then
    rm -f "$bmp"
    echo "run-e2e: picture of the dialog: $shots/dialog.png"
  fi
fi
exit $rc
