#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and runs installer.exe
# under Wine from its distribution folder (the installer with the driver
# package and the archiver library beside it).
#
#   ./run.sh [--no-build] [--headless] [--build-dir DIR] [--driver NAME] [--serial-printer [MODE]]
#            [--windows RELEASE] [--prefix-root DIR] [--slow]
#
#   --no-build       run what was built last, without installing or building
#   --headless       run under Xvfb even when $DISPLAY is set
#   --build-dir DIR  run the installer of that build folder (its dist/ folder)
#                    with a Wine prefix kept inside it
#   --driver NAME    headless: install the driver of that name from the
#                    package's list ("3150TF(Label)" for a label printer)
#                    instead of the first one
#   --serial-printer [MODE]
#                    give Wine the serial ports COM5, COM6 and COM7 (socat
#                    pseudo-terminals) with the simulated serial printer on COM7;
#                    MODE is the simulator's (answer, silent, garbage, flood, drop)
#   --windows RELEASE
#                    make Wine report that Windows release (winxp, win7, win10;
#                    winxp with the 32-bit build only) instead of its default, 7
#   --prefix-root DIR
#                    keep the Wine prefixes in DIR instead of build/wine-run/
#                    (or the build folder's wine-run/)
#   --slow           headless: wait five times as long for each step, for 32-bit
#                    Wine under emulation
#
# With $DISPLAY set the dialog opens there and the script ends when you close
# it. Without a display it runs headless under Xvfb: it adds a USB port to
# the prefix, waits until the start-up has ended (the Install button is
# enabled), installs the package's first driver on the USB row, prints what
# was installed, saves a picture of the finished dialog, presses "&Finish"
# and prints where the picture is.
#
# The 32-bit installer.exe runs where this host can run 32-bit Wine, on a
# 32-bit Windows (a 32-bit Wine prefix), else the same program built as
# 64-bit on a 64-bit Windows. The Wine prefixes are kept in build/wine-run/.
set -euo pipefail
cd "$(dirname "$0")"
repo=$(pwd)
. tests/wine/wine-env.sh

no_build=0 headless=0 out= driver= serial_mode= release= root= patience=1
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) no_build=1 ;;
    --headless) headless=1 ;;
    --build-dir) out=$(realpath -m "$2"); shift ;;
    --driver) driver=$2; shift ;;
    --serial-printer)
      serial_mode=answer
      case "${2:-}" in answer|silent|garbage|flood|drop) serial_mode=$2; shift ;; esac ;;
    --windows) release=$2; shift ;;
    --prefix-root) root=$(realpath -m "$2"); shift ;;
    --slow) patience=5 ;;
    *) { echo usage:; sed -n '/^#   \.\/run\.sh /,/^#$/s/^#   //p' "$repo/run.sh"; } >&2; exit 2 ;;
  esac
  shift
done

mkdir -p build/logs
build() {
  local preset=$1 log=build/logs/build-$1.log
  echo "run.sh: building $preset"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j2; } >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "run.sh: building $preset failed (full log: $log)" >&2
    exit 1
  fi
}
if [ "$no_build" = 0 ]; then
  scripts/install-deps.sh
  build windows
  build windows64
fi

prefix_root=$repo/build/wine-run
if [ -z "$out" ]; then
  if can_run_win32; then out=$repo/build/windows; else out=$repo/build/windows64; fi
else
  prefix_root=$out/wine-run
fi
if [ -f "$out/dist/installer.exe" ]; then
  folder=$out/dist
else
  folder=$out
  echo "run.sh: no distribution folder in $out; running the bare installer.exe (no driver package)" >&2
fi
[ -f "$folder/installer.exe" ] || { echo "run.sh: no installer.exe in $folder" >&2; exit 1; }
if [ "$(pe_machine "$folder/installer.exe")" = i386 ] && ! can_run_win32; then
  echo "run.sh: $folder/installer.exe is a 32-bit program and this host runs no 32-bit code" >&2
  exit 77
fi
[ -z "$root" ] || prefix_root=$root
# A Windows of the installer's own word size: the 32-bit build takes its x86
# paths there, as on the 32-bit Windows of many point-of-sale terminals.
arch=$(prefix_arch_for "$folder/installer.exe")
export WINEPREFIX=$prefix_root/$arch WINEARCH=$arch
mkdir -p "$prefix_root"
if [ "$arch" = win32 ]; then
  WINE=$(wine_loader)
  echo "run.sh: running the 32-bit $folder/installer.exe on 32-bit Windows (Wine prefix $WINEPREFIX)"
else
  WINE=/usr/lib/wine/wine64
  echo "run.sh: running the 64-bit $folder/installer.exe on 64-bit Windows (Wine prefix $WINEPREFIX)"
fi
XVFB_PID=
installer_pid=
SERIAL_PIDS=()
finish() {
  [ -z "$installer_pid" ] || kill "$installer_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
  stop_serial_ports
}
trap finish EXIT

# The simulated serial printer, set up before Wine starts the installer.
com_ports() {
  [ -n "$serial_mode" ] || return 0
  local dir=$prefix_root/serial
  rm -rf "$dir" && mkdir -p "$dir"
  start_serial_ports "$dir" "$out/tools/serial-printer/serial-printer" "$serial_mode" || exit 1
  wine_com_ports "${SERIAL_MAPPINGS[@]}"
  echo "run.sh: a simulated serial printer ($serial_mode) is on COM7; COM5 and COM6 have none"
}

if [ -n "${DISPLAY:-}" ] && [ "$headless" = 0 ]; then
  prepare_prefix nodesktop "version=$release"
  com_ports
  (cd "$folder" && "$WINE" installer.exe)
  exit 0
fi

# How long each step took, printed at the end.
step_began=$SECONDS times=()
step_done() { times+=("$1 $((SECONDS - step_began)) s"); step_began=$SECONDS; }

start_xvfb
# A virtual desktop, so that Wine draws the caption and frame a window
# manager would.
prepare_prefix desktop=1024x768 "version=$release"
drive=$out/tests/e2e/e2e_drive.exe
if [ -n "$serial_mode" ]; then
  com_ports
else
  # A USB port for the printer, as a USB printer plugged in gives one.
  "$WINE" "$drive" add-usb-port USB001
fi
step_done prefix
(cd "$folder" && exec "$WINE" installer.exe) &
installer_pid=$!

shots=$out/screenshots
mkdir -p "$shots"
picture() {
  "$WINE" "$drive" screenshot "$(windows_path "$shots/$1.bmp")" &&
    convert "$shots/$1.bmp" "$shots/$1.png" && rm -f "$shots/$1.bmp"
}
if ! ready=$("$WINE" "$drive" wait-ready $((180 * patience))); then
  picture not-ready && echo "run.sh: how the dialog looked: $shots/not-ready.png" >&2
  exit 1
fi
step_done start-up
# The start-up's last status line names the Windows the installer found.
echo "run.sh: $(printf '%s' "$ready" | tr -d '\r')"
picture ready
# On the USB row, which the USB port makes the proposed kind, or on the
# serial row with the simulated serial printer.
kind="the USB port"
if [ -n "$serial_mode" ]; then
  "$WINE" "$drive" choose-port-row 0
  kind="a serial port"
fi
if [ -n "$driver" ]; then
  "$WINE" "$drive" choose-driver "$driver"
  echo "run.sh: installing \"$driver\" on $kind"
else
  echo "run.sh: installing the first driver of the package on $kind"
fi
step_began=$SECONDS
if ! "$WINE" "$drive" install $((300 * patience)); then
  picture not-installed && echo "run.sh: how the dialog looked: $shots/not-installed.png" >&2
  exit 1
fi
step_done installation
picture run
step_began=$SECONDS
"$WINE" "$drive" finish $((60 * patience))
# The dialog is gone; the program ends once its clean-up is done.
for _ in $(seq 1 $((300 * patience))); do
  kill -0 "$installer_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$installer_pid" 2>/dev/null; then
  echo "run.sh: installer.exe did not end after its dialog closed" >&2
  exit 1
fi
installer_pid=
step_done "\"&Finish\" until the end"
echo "run.sh: picture of the dialog: $shots/run.png"
echo "run.sh: times: $(IFS=,; echo "${times[*]}" | sed 's/,/, /g')"
