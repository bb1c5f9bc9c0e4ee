#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: normally, then under
# AddressSanitizer and UndefinedBehaviorSanitizer.
# Usage: scripts/test.sh [default|asan ...]   (no argument: all of them, in that order)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/deps.sh"

runs=("$@")
[ ${#runs[@]} -eq 0 ] && runs=(default asan)
for run in "${runs[@]}"; do
  echo "== $run"
  "$root/scripts/build.sh" "$run"
  ctest --preset "$run" -j2
done
