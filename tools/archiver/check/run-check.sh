#!/usr/bin/env bash
# Runs a Windows test program in a fresh Wine prefix, or reports it skipped
# (77) when this machine cannot run programs of its width: where the kernel
# runs no 32-bit code, Wine cannot run 32-bit programs.
#   run-check.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
program=$1
# The PE header's machine field: 0x14c is a 32-bit program.
offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$program" | tr -d ' ')
if [ "$machine" = 014c ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "skipped: this machine cannot run 32-bit Windows programs"
  exit 77
fi
command -v /usr/lib/wine/wine64 >/dev/null 2>&1 || command -v wine >/dev/null 2>&1 || {
  echo "skipped: no Wine"; exit 77; }
exec "$root/tests/wine/run-in-prefix.sh" -- "$@"
