#!/usr/bin/env bash
# ctest's command for the port dialogs under Wine: runs the test program in
# a fresh prefix and keeps PNG pictures of the dialogs.
#
#   run-port-dialogs.sh PROGRAM.exe SCREENSHOT_DIR [GTEST ARGS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"

[ $# -ge 2 ] || { echo "usage: run-port-dialogs.sh PROGRAM.exe SCREENSHOT_DIR [GTEST ARGS]" >&2; exit 2; }
program=$1 shots=$2
shift 2
mkdir -p "$shots"
rm -f "$shots"/*.bmp "$shots"/*.png
PORT_DIALOG_SHOTS=$(windows_path "$shots")
export PORT_DIALOG_SHOTS

set +e
# Ends well within ctest's limit, so the prefix is still cleaned up.
bash "$here/../wine/run-in-prefix.sh" --desktop 800x600 --timeout 300 -- "$program" "$@"
rc=$?
set -e

for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  if convert "$bmp" "${bmp%.bmp}.png"; then
    rm -f "$bmp"
    echo "run-port-dialogs: picture: ${bmp%.bmp}.png"
  fi
done
exit $rc
