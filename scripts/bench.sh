#!/usr/bin/env bash
# Builds and runs every benchmark (tools/bench_*): native ones directly, Windows ones under Wine.
# Each prints lines "bench <name> <value> <unit>".
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
scripts/setup.sh
mapfile -t benches < <(sed -nE 's/^[[:space:]]*add_executable\((bench_[A-Za-z0-9_]+).*/\1/p' tools/CMakeLists.txt)
if ((${#benches[@]} == 0)); then
  echo "no benchmarks yet"
  exit 0
fi
# Benchmarks measure optimised code: a Release native build of their own, without sanitizers.
if [[ ! -f build/bench/build.ninja ]]; then
  cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_SANITIZE=OFF >/dev/null
fi
cmake --build build/bench --target "${benches[@]}" >/dev/null
scripts/build.sh windows -- "${benches[@]}" >/dev/null
for b in "${benches[@]}"; do
  echo "== $b (native)"
  build/bench/tools/$b
  echo "== $b (windows, under Wine)"
  DISPLAY= build/windows/wine-run.sh "build/windows/tools/$b.exe"
done
DISPLAY= build/windows/wine-run.sh --stop
