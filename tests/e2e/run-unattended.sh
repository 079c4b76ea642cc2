#!/usr/bin/env bash
# ctest's command for the unattended-installation tests: runs the test
# program in a fresh Wine prefix against the distribution folder, in a
# prefix of the build's width: a 32-bit build in a 32-bit prefix (as 32-bit
# Windows runs it), a 64-bit build in a 64-bit one. Keeps the runs' logs and
# result files, and checks the result files with a JSON parser.
#
#   run-unattended.sh PROGRAM.exe DIST_DIR LOG_DIR [GTEST ARGS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"

[ $# -ge 3 ] || { echo "usage: run-unattended.sh PROGRAM.exe DIST_DIR LOG_DIR [GTEST ARGS]" >&2; exit 2; }
program=$1 dist=$2 logs=$3
shift 3
[ -f "$dist/installer.exe" ] || { echo "run-unattended: no installer.exe in $dist" >&2; exit 1; }
mkdir -p "$logs"
UNATTENDED_DIST=$(windows_path "$dist")
UNATTENDED_LOGS=$(windows_path "$logs")
export UNATTENDED_DIST UNATTENDED_LOGS

rm -f "$logs"/*.json
# Ends well within ctest's limit, so the prefix is still cleaned up.
status=0
bash "$here/../wine/run-in-prefix.sh" --timeout 720 -- "$program" "$@" || status=$?
# The result files the runs wrote, read with a JSON parser (not when the
# suite was skipped or ran only some of its tests).
if [ "$status" -eq 0 ] && [ $# -eq 0 ]; then
  python3 "$here/check_results.py" "$logs" install.json config.json tcpip.json || status=1
fi
exit "$status"
