#!/usr/bin/env bash
# Runs fuzz_receive for a bounded time on a copy of the seed corpus in the build folder, so
# that the repository stays as it is; any finding ends the run with a non-zero status.
# Usage: tests/fuzz/run.sh [seconds]   (default 60; build the "fuzz" preset first)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-60}"
build="$root/build/fuzz"
fuzzer="$build/tests/fuzz/fuzz_receive"
corpus="$build/fuzz-corpus"
findings="$build/fuzz-findings"

rm -rf "$corpus"
mkdir -p "$corpus" "$findings"
cp "$root"/tests/fuzz/corpus/* "$corpus"/

"$fuzzer" -max_total_time="$seconds" -seed=1 -print_final_stats=1 -timeout=10 \
  -dict="$root/tests/fuzz/frame.dict" -artifact_prefix="$findings/" "$corpus"
