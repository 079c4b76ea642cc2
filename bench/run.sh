#!/usr/bin/env bash
# Runs every benchmark and prints the figures table of bench/README.md: each
# figure as a ratio against its own floor measured in the same run (median
# and spread of several runs), with its goal beside it, and the machine and
# the date it was measured on. Not part of ./test.sh.
#
#   ./bench/run.sh [--no-build] [--runs N] [--builds "windows windows64"]
#
#   --no-build   measure what was built last
#   --runs N     runs of each measurement (default 5; the start-up takes 7)
#   --builds B   the Windows builds to measure: the 32-bit build ("windows")
#                runs on a 32-bit Windows (a 32-bit Wine prefix) where this
#                host runs 32-bit code, the 64-bit twin ("windows64") on a
#                64-bit one
#
# Both Windows builds run in prefixes of their own that report Windows 10,
# kept warm in build/bench/prefixes/ between runs. The table is also
# written to build/bench/results.md, the full output to build/bench/run.log.
# The figures are only as good as the machine is quiet: the header gives its
# load.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
. tests/wine/wine-env.sh

no_build=0 runs=5 builds="windows windows64"
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) no_build=1 ;;
    --runs) runs=$2; shift ;;
    --builds) builds=$2; shift ;;
    *) echo "usage: ./bench/run.sh [--no-build] [--runs N] [--builds \"windows windows64\"]" >&2; exit 2 ;;
  esac
  shift
done

out=$repo/build/bench
mkdir -p "$out" build/logs
log=$out/run.log
rows=$out/rows.txt
: >"$log"
: >"$rows"
began=$SECONDS

say() { echo "bench: $*" | tee -a "$log"; }
# Runs a benchmark; what it printed goes to the screen and the log once it
# is done, its rows of the figures table to the table. A failed benchmark
# is reported and the others still run.
measure() {
  local what=$1 rc=0 part
  shift
  say "$what"
  part=$(mktemp)
  "$@" >"$part" 2>&1 || rc=$?
  sed 's/^/  /' "$part" | tee -a "$log"
  grep '^| ' "$part" >>"$rows" || true
  rm -f "$part"
  [ "$rc" = 0 ] || { say "FAILED ($what, exit status $rc)"; echo "| $what | failed (exit status $rc) | |" >>"$rows"; }
  return 0
}

if [ "$no_build" = 0 ]; then
  scripts/install-deps.sh
  for preset in native $builds; do
    say "building $preset"
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j2; } >"build/logs/build-$preset.log" 2>&1; then
      tail -n 40 "build/logs/build-$preset.log"
      echo "bench: building $preset failed (build/logs/build-$preset.log)" >&2
      exit 1
    fi
  done
fi

sevenza=$repo/deps/7zip-bin/linux/x64/7za
package=$out/package-50MB.7z
python3 bench/make_large_package.py --sevenza "$sevenza" --output "$package" | tee -a "$log"

# The machine, for the table's header.
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
machine="$(nproc) cores ($cpu), $(free -g | awk '/Mem:/ {print $2}') GB, $(uname -sr), $(wine --version 2>/dev/null || /usr/lib/wine/wine64 --version)"
load_before=$(uptime | sed 's/.*load average: //')
say "machine: $machine; load average before: $load_before"

measure "native extraction" \
  "$repo/build/native/bench/extract_native_bench" --package "$package" --sevenza "$sevenza" --runs "$runs"

XVFB_PID=
SERIAL_PIDS=()
finish() {
  wineserver -k >/dev/null 2>&1 || true
  stop_serial_ports
  stop_xvfb
}
trap finish EXIT
start_xvfb

for preset in $builds; do
  build=$repo/build/$preset
  dist=$build/dist
  [ -f "$dist/installer.exe" ] || { say "no $dist/installer.exe: $preset skipped"; continue; }
  arch=$(prefix_arch_for "$dist/installer.exe")
  if [ "$arch" = win32 ] && ! can_run_win32; then
    say "this host runs no 32-bit code: the 32-bit build is not measured"
    continue
  fi
  if [ "$arch" = win32 ]; then
    label="32-bit build, 32-bit Windows 10"
    WINE=$(wine_loader)
  else
    label="64-bit build, 64-bit Windows 10"
    WINE=/usr/lib/wine/wine64
  fi
  mkdir -p "$out/prefixes"
  export WINEPREFIX=$out/prefixes/$arch WINEARCH=$arch
  say "$label (prefix $WINEPREFIX)"
  prepare_prefix desktop=1024x768 version=win10
  # One wine server for all runs, as on a machine that is up.
  wineserver -p
  win_dist=$(windows_path "$dist")
  bin=$build/bench

  if [ "$arch" = win32 ]; then sevenza_exe=$repo/deps/7zip-bin/win/ia32/7za.exe
  else sevenza_exe=$repo/deps/7zip-bin/win/x64/7za.exe; fi
  win_sevenza=$(windows_path "$sevenza_exe")

  echo "| installer.exe size ($label) | $(( $(stat -c %s "$dist/installer.exe") / 1024 )) KB | <= 2048 KB |" >>"$rows"
  echo "| installer.exe + 7-zip32.dll size ($label) | $(( ($(stat -c %s "$dist/installer.exe") + $(stat -c %s "$dist/7-zip32.dll")) / 1024 )) KB ($(( $(stat -c %s "$dist/7-zip32.dll") / 1024 )) KB the library) | <= 2048 KB |" >>"$rows"
  measure "spooler restarts ($label)" \
    "$WINE" "$bin/restart_bench.exe" --runs "$runs" --cycles 4 --label "$label"
  measure "start-up ($label)" \
    "$WINE" "$bin/startup_bench.exe" --dist "$win_dist" --trivial "$(windows_path "$bin/trivial_dialog.exe")" \
      --sevenza "$win_sevenza" \
      --runs $((runs + 2)) --label "$label"
  measure "50 MB extraction ($label)" \
    "$WINE" "$bin/extract_bench.exe" --dist "$win_dist" --sevenza "$win_sevenza" \
      --package "$(windows_path "$package")" --runs "$runs" \
      --label "$label"
  measure "USB row ($label)" \
    "$WINE" "$bin/install_bench.exe" usb --dist "$win_dist" --ports 1,4,16 --runs "$runs" --label "$label"

  # Three COM ports of socat pseudo-terminals, the simulated printer on COM7.
  serial_dir=$out/serial-$arch
  rm -rf "$serial_dir" && mkdir -p "$serial_dir"
  if start_serial_ports "$serial_dir" "$build/tools/serial-printer/serial-printer" answer; then
    wine_com_ports "${SERIAL_MAPPINGS[@]}"
    wineserver -p
    measure "serial row ($label)" \
      "$WINE" "$bin/install_bench.exe" serial --dist "$win_dist" --runs "$runs" --label "$label"
    cpu_runs=$out/serial-cpu-$arch.txt
    : >"$cpu_runs"
    for n in $(seq 1 "$runs"); do
      measure "serial probe CPU, run $n ($label)" \
        "$WINE" "$bin/serial_probe_bench.exe" --ports COM5:,COM6:,COM7: --baud 9600 --expect COM7:
    done
    grep -h 'installer CPU while probing:' "$log" | tail -n "$runs" >"$cpu_runs"
    # "installer CPU while probing: 98 ms in 2108 ms = 4.65 % of one core"
    share=$(sed -n 's/^ *installer CPU while probing: .* = \([0-9.]*\) % of one core.*/\1/p' "$cpu_runs" | sort -g |
      awk '{v[NR]=$1} END {if (NR) printf "%.1f %% (%.1f-%.1f)", (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2), v[1], v[NR]}')
    echo "| installer CPU during a three-port serial probe, 9600 baud ($label) | ${share:--} of one core | <= 5 % |" >>"$rows"
    stop_serial_ports
    for mapping in "${SERIAL_MAPPINGS[@]}"; do
      "$(wine_loader)" reg delete 'HKLM\Software\Wine\Ports' /v "${mapping%%=*}" /f >/dev/null 2>&1 || true
    done
  else
    say "no serial ports (socat): the serial row is not measured"
  fi
  wineserver -k >/dev/null 2>&1 || true
done

load_after=$(uptime | sed 's/.*load average: //')
{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $machine."
  echo "Load average (1, 5, 15 min) before: $load_before; after: $load_after."
  echo
  echo "| figure | measured: median (lowest-highest) | goal |"
  echo "|---|---|---|"
  cat "$rows"
} >"$out/results.md"
echo
cat "$out/results.md"
echo
echo "bench: the table is in $out/results.md, everything printed in $log; took $((SECONDS - began)) s"
