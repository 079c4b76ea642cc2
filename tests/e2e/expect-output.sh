#!/usr/bin/env bash
# Runs a command and passes only when it succeeds and its output has a line
# matching each PATTERN (extended regular expressions). ctest's own output
# patterns ignore the exit status, so a run that printed the right line and
# then failed would pass there.
#
#   expect-output.sh PATTERN... -- COMMAND [ARGS...]
#
# Exit status: the command's when it failed (77, skipped, included), 1 when
# a pattern is missing, else 0.
set -uo pipefail

patterns=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do patterns+=("$1"); shift; done
[ "${1:-}" = -- ] && [ $# -ge 2 ] || { echo "usage: expect-output.sh PATTERN... -- COMMAND [ARGS...]" >&2; exit 2; }
shift

output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$@" 2>&1 | tee "$output"
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || exit "$rc"
for pattern in "${patterns[@]}"; do
  if ! grep -qE -- "$pattern" "$output"; then
    echo "expect-output: no line matches: $pattern" >&2
    exit 1
  fi
done
exit 0
