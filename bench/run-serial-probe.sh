#!/usr/bin/env bash
# The serial probe over pseudo-terminals under Wine: three socat pairs are
# mapped as COM5, COM6 and COM7 of a fresh prefix, the serial printer
# simulator sits at the far end of COM7, and serial_probe_bench.exe probes
# the three ports as a serial installation does, printing the port it found
# and the installer's CPU during the probe.
#
#   run-serial-probe.sh --bench serial_probe_bench.exe --printer serial-printer
#                       [--mode answer|silent|garbage|flood|drop] [--expect COM7:|none] [--label]
#
# Exit status: the bench's; 77 when this host cannot run it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bench= printer= mode=answer expect= extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --bench) bench=$2; shift ;;
    --printer) printer=$2; shift ;;
    --mode) mode=$2; shift ;;
    --expect) expect=$2; shift ;;
    --label) extra+=(--label) ;;
    *) echo "run-serial-probe: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -f "$bench" ] && [ -x "$printer" ] || { echo "run-serial-probe: --bench and --printer are needed" >&2; exit 2; }
command -v socat >/dev/null || { echo "run-serial-probe: skipped: socat is not installed" >&2; exit 77; }

# shellcheck source=../tests/wine/wine-env.sh
. "$here/../tests/wine/wine-env.sh"
dir=$(mktemp -d)
SERIAL_PIDS=()
cleanup() {
  stop_serial_ports
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

start_serial_ports "$dir" "$printer" "$mode"
serial=()
for mapping in "${SERIAL_MAPPINGS[@]}"; do serial+=(--serial "$mapping"); done

args=(--ports COM5:,COM6:,COM7: --baud 9600 "${extra[@]}")
[ -z "$expect" ] || args+=(--expect "$expect")
set +e
bash "$here/../tests/wine/run-in-prefix.sh" --timeout 180 "${serial[@]}" -- "$bench" "${args[@]}"
rc=$?
set -e
sed "s/^/run-serial-probe: /" "$dir/printer.log"
exit $rc
