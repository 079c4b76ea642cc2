#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the
# native unit and simulator tests (also under AddressSanitizer and UBSan),
# then the contract and end-to-end tests of the Windows builds under Wine.
# Exits non-zero when anything fails to build or any test fails.
#
#   ./test.sh
#
# Logs: build/logs/. The 32-bit build's Wine tests run on 32-bit Windows (32-bit
# prefixes) where the kernel runs 32-bit code, and report "Skipped" on hosts
# that run none; the 64-bit build runs the same tests on 64-bit Windows. The
# 32-bit smoke suite (label win32-smoke, run by the 64-bit build's tests)
# runs the real 32-bit programs as WOW64 processes (under emulation where
# the kernel runs no 32-bit code, about 12 minutes there) and once on 32-bit
# Windows XP (skipped under emulation unless SMOKE_XP_EMULATED=1: a 32-bit
# prefix alone takes over 20 minutes there); its step times close the
# summary. SMOKE32=0 leaves it out of a quick run.
set -uo pipefail
cd "$(dirname "$0")"
started=$SECONDS

jobs=2
logs=build/logs
mkdir -p "$logs"

scripts/install-deps.sh || { echo "test.sh: installing dependencies failed" >&2; exit 1; }

presets=(native native-asan windows64 windows)
# Passed, failed, and skipped (not run or disabled) in ctest's JUnit report $1;
# no report counts as a failure.
junit_counts() {
  python3 -c 'import sys, xml.etree.ElementTree as ET
s = [case.get("status") for case in ET.parse(sys.argv[1]).iter("testcase")]
print(s.count("run"), s.count("fail"), len(s) - s.count("run") - s.count("fail"))' "$1" 2>/dev/null ||
    echo 0 1 0
}

failures=()
built=()
for preset in "${presets[@]}"; do
  echo "== build $preset"
  log=$logs/build-$preset.log
  if cmake --preset "$preset" >"$log" 2>&1 && cmake --build --preset "$preset" -j"$jobs" >>"$log" 2>&1; then
    built+=("$preset")
  else
    tail -n 80 "$log"
    echo "test.sh: building $preset failed (full log: $log)"
    failures+=("build $preset")
  fi
done

total_passed=0 total_failed=0 total_skipped=0
summaries=()
for preset in "${presets[@]}"; do
  if [[ " ${built[*]} " != *" $preset "* ]]; then continue; fi
  echo "== test $preset"
  log=$logs/test-$preset.log
  junit=$PWD/$logs/test-$preset.xml
  rm -f "$junit"
  exclude=()
  [ "$preset" != windows64 ] || [ "${SMOKE32:-1}" != 0 ] || exclude=(-LE win32-smoke)
  ctest --preset "$preset" -j"$jobs" --no-tests=error --output-junit "$junit" "${exclude[@]}" 2>&1 |
    tee "$log"
  rc=${PIPESTATUS[0]}
  read -r passed failed skipped < <(junit_counts "$junit")
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
  summaries+=("$preset: $passed passed, $failed failed, $skipped skipped")
  if [ "$rc" -ne 0 ] || [ "$failed" -ne 0 ]; then failures+=("tests $preset"); fi
done

# Sanitizers the presets above leave out, each kept short: a few seconds
# of each fuzz target from its seed corpus (clang's libFuzzer), and the
# threaded cases under ThreadSanitizer (the start-up worker, the serial
# channel and probe, closing) in one process, as each process under it takes
# seconds to start.
tsan_filter='CloseDuring*:*CloseAtStep*:SerialChannelTest.*:*SerialProbe*:Startup.*'
for preset in fuzz native-tsan; do
  echo "== build and test $preset"
  log=$logs/$preset.log
  step_started=$SECONDS
  if [ "$preset" = fuzz ]; then
    cmake --preset fuzz >"$log" 2>&1 && cmake --build --preset fuzz -j"$jobs" >>"$log" 2>&1 &&
      ctest --preset fuzz -j"$jobs" --no-tests=error 2>&1 | tee -a "$log"
  else
    cmake --preset native-tsan >"$log" 2>&1 &&
      cmake --build --preset native-tsan -j"$jobs" --target unit_tests >>"$log" 2>&1 &&
      build/native-tsan/tests/unit/unit_tests --gtest_filter="$tsan_filter" 2>&1 | tee -a "$log"
  fi
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] && grep -qE '(tests passed, 0 tests failed|\[  PASSED  \])' "$log" || rc=1
  summaries+=("$preset: $([ "$rc" -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - step_started)) s")
  if [ "$rc" -ne 0 ]; then
    tail -n 40 "$log"
    failures+=("$preset")
    total_failed=$((total_failed + 1))
  else
    total_passed=$((total_passed + 1))
  fi
done

echo
echo "== summary"
for line in "${summaries[@]}"; do echo "$line"; done
for smoke_times in build/windows64/smoke32-timings.txt build/windows64/smoke-xp-timings.txt; do
  if [ -f "$smoke_times" ] && [ "$smoke_times" -nt "$logs/build-windows64.log" ]; then
    echo "32-bit smoke suite ($(basename "$smoke_times" -timings.txt)):"
    sed 's/^/  /' "$smoke_times"
  fi
done
for failure in "${failures[@]}"; do echo "FAILED: $failure"; done
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
echo "test.sh took $(( (SECONDS - started) / 60 ))m $(( (SECONDS - started) % 60 ))s"
[ ${#failures[@]} -eq 0 ]
