#!/usr/bin/env bash
# Builds Corvina, prepares ./home (the program folder) with the sample race day served by the JV-Link
# stand-in when it is missing, and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_BENCH=OFF -DCORVINA_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
export CORVINA_HOME="$PWD/home"
if [ ! -d "$CORVINA_HOME/jvlink" ]; then
  mkdir -p "$CORVINA_HOME"
  build/tools/jvgen/jvgen --layout standin --out "$CORVINA_HOME/jvlink"
fi
exec build/mainwindow/corvina "$@"
