#!/usr/bin/env bash
# Builds and runs every benchmark (tools/bench_*): native ones directly, Windows ones under Wine.
# Each prints lines "bench <name> <value> <unit>".
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
scripts/setup.sh
# Benchmarks measure optimised code: a Release native build of their own, without sanitizers.
if [[ ! -f build/bench/build.ninja ]]; then
  cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_SANITIZE=OFF >/dev/null
fi
cmake --build build/bench --target benchmarks >/dev/null
scripts/build.sh windows -- benchmarks >/dev/null
shopt -s nullglob
ran=0
for b in build/bench/tools/bench_*; do
  [[ -x "$b" && "$b" != *.* ]] || continue
  echo "== $(basename "$b") (native)"
  "$b"
  ran=1
done
for b in build/windows/tools/bench_*.exe; do
  echo "== $(basename "$b") (windows, under Wine)"
  DISPLAY= build/windows/wine-run.sh "$b"
  ran=1
done
((ran)) && DISPLAY= build/windows/wine-run.sh --stop
((ran)) || echo "no benchmarks yet"
