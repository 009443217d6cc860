#!/usr/bin/env bash
# Builds Corvina, prepares ./home (the program folder) with the sample race day served by the JV-Link
# stand-in when it is missing, and starts the program. A first run then goes: "JVデータ取得", "データ取込み開始",
# close the import window, choose the day in the date box.
#   CORVINA_BUILD_DIR  build folder (default: build)     CORVINA_JOBS  parallel build jobs (default: all cores)
#   CORVINA_HOME       program folder (default: ./home)
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
build="${CORVINA_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_BENCH=OFF -DCORVINA_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "${CORVINA_JOBS:-$(nproc)}" --target corvina jvgen
export CORVINA_HOME="${CORVINA_HOME:-$PWD/home}"
mkdir -p "$CORVINA_HOME"
# The stand-in's root: $CORVINA_JVLINK_ROOT when set, else the program folder's jvlink (as the program looks).
root="${CORVINA_JVLINK_ROOT:-$CORVINA_HOME/jvlink}"
if [ ! -d "$root" ]; then
  # Today's race day: cards published two days before, results and odds through the day on the clock.
  "$build/tools/jvgen/jvgen" --layout standin --out "$root" >/dev/null
  echo "Sample race day for the JV-Link stand-in written to $root"
fi
exec "$build/mainwindow/corvina" "$@"
