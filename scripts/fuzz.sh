#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for a few seconds from its seed corpus; a crash, leak, hang or sanitizer report fails the run.
# Usage: scripts/fuzz.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
scripts/deps.sh clang-14 libclang-rt-14-dev
build=${CORVINA_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_FUZZ=ON -DCORVINA_WERROR=ON \
  -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF
targets=()
for dir in fuzz/*/; do
  [ -f "$dir/CMakeLists.txt" ] && targets+=("fuzz_$(basename "$dir")")
done
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  mkdir -p "$work/$name"
  echo "== $t (${seconds}s)"
  # New inputs go to a scratch folder; the committed corpus is only read.
  if ! TMPDIR="$work" "$build/fuzz/$name/$t" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$work/$name-" "$work/$name" "fuzz/$name/corpus" >"$work/$name.log" 2>&1; then
    tail -n 80 "$work/$name.log" >&2
    cp "$work/$name-"* . 2>/dev/null || true
    echo "$t failed; the failing input (if any) is copied here: $(cd "$work" && ls "$name-"* 2>/dev/null)" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' "$work/$name.log"
done
