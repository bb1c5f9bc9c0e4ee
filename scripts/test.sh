#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: normally, then under
# AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzes the receive path for 60 s.
# Usage: scripts/test.sh [default|asan|fuzz ...]   (no argument: all of them, in that order)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/deps.sh"

runs=("$@")
[ ${#runs[@]} -eq 0 ] && runs=(default asan fuzz)
for run in "${runs[@]}"; do
  echo "== $run"
  "$root/scripts/build.sh" "$run"
  if [ "$run" = fuzz ]; then
    "$root/tests/fuzz/run.sh" 60
  else
    ctest --preset "$run" -j2
  fi
done
