#!/usr/bin/env bash
# fuzz.sh [SECONDS] [TARGET...]: builds the fuzz targets with clang's libFuzzer (build/fuzz, from a
# copy of the sources whose GBK literals clang can take, see scripts/gbk-literals.py) and runs each
# for SECONDS (default 300), one after the other. Each starts from its corpus in tests/fuzz/corpus
# and works in build/fuzz/corpus/<target>; what it finds that crashes, leaks, breaks an invariant,
# takes over 10 s (FUZZ_TIMEOUT: more on a loaded machine, where a starved run trips the clock) or
# 2 GB is written to build/fuzz/findings/<target>/. Add a finding to the corpus
# once it is fixed: make test replays every corpus file.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
seconds=${1:-300}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(store_open native_import custom_import zip_restore)
scripts/setup.sh
if ! command -v clang++ >/dev/null || ! dpkg-query -W libclang-rt-14-dev >/dev/null 2>&1; then
  echo "Installing clang and its libFuzzer"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

shadow=build/fuzz-src
mkdir -p "$shadow"
python3 scripts/gbk-literals.py src "$shadow/src"
python3 scripts/gbk-literals.py tests/fuzz "$shadow/tests/fuzz"
python3 scripts/gbk-literals.py tests/native/exchange "$shadow/tests/native/exchange"
cp -u CMakeLists.txt "$shadow/"
cp -ru cmake "$shadow/"
if [[ ! -f build/fuzz/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S "$shadow" -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQM_FUZZ=ON >/dev/null
fi
cmake --build build/fuzz --target $(printf 'fuzz_%s ' "${targets[@]}")

status=0
for t in "${targets[@]}"; do
  work=build/fuzz/corpus/$t findings=build/fuzz/findings/$t
  mkdir -p "$work" "$findings"
  echo "== fuzzing $t for $seconds s"
  if ! build/fuzz/tests/fuzz/fuzz_$t "$work" "tests/fuzz/corpus/$t" -max_total_time="$seconds" \
       -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 -max_len=1048576 -artifact_prefix="$findings/" \
       -print_final_stats=1 2>"build/fuzz/$t.log"; then
    status=1
    echo "$t: a finding, see build/fuzz/$t.log and $findings/"
  fi
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|stat::peak_rss_mb)' "build/fuzz/$t.log" |
    sed "s/^/  /" || true
done
exit $status
