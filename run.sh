#!/usr/bin/env bash
# Builds Corvina and its tools (jvgen, dayreport, unpack), prepares ./home (the program folder) with the sample race day served by the JV-Link
# stand-in and the two providers' predicted-odds archives of that day when it is missing, and starts the
# program. The README's "A first day" says what to press then.
#   CORVINA_BUILD_DIR  build folder (default: build)     CORVINA_JOBS  parallel build jobs (default: all cores)
#   CORVINA_HOME       program folder (default: ./home)
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
build="${CORVINA_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_BENCH=OFF -DCORVINA_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "${CORVINA_JOBS:-$(nproc)}" --target corvina jvgen dayreport unpack
export CORVINA_HOME="${CORVINA_HOME:-$PWD/home}"
mkdir -p "$CORVINA_HOME"
# The stand-in's root: $CORVINA_JVLINK_ROOT when set, else the program folder's jvlink (as the program looks).
root="${CORVINA_JVLINK_ROOT:-$CORVINA_HOME/jvlink}"
if [ ! -d "$root" ]; then
  # Today's race day: cards published two days before, results and odds through the day on the clock.
  day=$(date +%Y%m%d)
  texts=$(mktemp -d)
  "$build/tools/jvgen/jvgen" --date "$day" --layout standin --out "$root" --providers "$texts" >/dev/null
  echo "Sample race day for the JV-Link stand-in written to $root"
  # The providers' predicted odds come as LZH archives; ylzh is the folder the "予想配当" dialog opens while
  # no other folder is set.
  archives="$(cd "$CORVINA_HOME" && pwd)/ylzh"
  mkdir -p "$archives"
  yymmdd=${day:2}
  (cd "$texts" && jlha a "$archives/OZ$yymmdd.lzh" "Oz$yymmdd.txt" && jlha a "$archives/kd3_jb$yymmdd.lzh" kol_ods.kd3) >/dev/null
  rm -rf "$texts"
  echo "Predicted-odds archives OZ$yymmdd.lzh (JRDB) and kd3_jb$yymmdd.lzh (KOL) written to $archives"
fi
exec "$build/mainwindow/ui/corvina" "$@"
