#!/usr/bin/env bash
# Builds every target but the tests with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer), so that
# CI sees what clang refuses in the program and the tools as well, and runs each fuzz target for a few seconds from
# its seed corpus; a compile error, crash, leak, hang or sanitizer report fails the run.
# Usage: scripts/fuzz.sh [seconds per target, default 10]
#        scripts/fuzz.sh --max-len TARGET   (prints the target's libFuzzer length option)
set -euo pipefail
cd "$(dirname "$0")/.."

# Each target's longest input: room for its largest seed and some growth. The day target's seeds are
# whole race days (the largest 106 KB); a cut day never reaches the later racecourses' files.
max_len() {
  case $1 in
    day) echo 196608 ;;
    oddsseries) echo 49152 ;;
    *) echo 8192 ;;
  esac
}
if [ "${1:-}" = --max-len ]; then
  echo "-max_len=$(max_len "$2")"
  exit 0
fi
seconds=${1:-10}
scripts/deps.sh clang-14 libclang-rt-14-dev
build=${CORVINA_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_FUZZ=ON -DCORVINA_WERROR=ON \
  -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF
targets=()
for dir in fuzz/*/; do
  [ -f "$dir/CMakeLists.txt" ] && targets+=("fuzz_$(basename "$dir")")
done
cmake --build "$build" --parallel "$(nproc)"
# The targets write their files (extracted entries, day and settings files) under TMPDIR: in memory where
# the system has it, for the saves' flushes to disk would cost more than the code under test.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  mkdir -p "$work/$name"
  echo "== $t (${seconds}s)"
  # New inputs go to a scratch folder; the committed corpus is only read.
  if ! TMPDIR="$work" "$build/fuzz/$name/$t" -max_total_time="$seconds" -timeout=10 -max_len="$(max_len "$name")" \
      -print_final_stats=1 -artifact_prefix="$work/$name-" "$work/$name" "fuzz/$name/corpus" >"$work/$name.log" 2>&1; then
    tail -n 80 "$work/$name.log" >&2
    cp "$work/$name-"* . 2>/dev/null || true
    echo "$t failed; the failing input (if any) is copied here: $(cd "$work" && ls "$name-"* 2>/dev/null)" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' "$work/$name.log"
done
