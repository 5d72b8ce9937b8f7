#!/usr/bin/env bash
# repeat-tests.sh cold|warm N [--beside]: runs the tests N times in a row and tallies the results.
#   cold      each run: a fresh clone of HEAD in a temporary folder, `make test` there (new build,
#             new Wine prefix), then the clone is deleted
#   warm      each run: the Windows tests of this tree (scripts/test.sh windows)
#   --beside  a clean native build of this tree runs in a loop beside the runs, as load
# One line per run: wall time, the summary line and the test runner's wall times. The logs of runs
# with a failure are kept in build/repeat/. Exit status 1 when any run failed.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
mode=${1:-} count=${2:-}
beside=0
[[ ${3:-} == --beside ]] && beside=1
if [[ ! $mode =~ ^(cold|warm)$ || ! $count =~ ^[0-9]+$ ]]; then
  sed -n '2,8p' "$0" >&2
  exit 2
fi
keep="$top/build/repeat"
mkdir -p "$keep"
work=$(mktemp -d /tmp/quillmark-repeat.XXXXXX)
load_pgid=""
cleanup() {
  [[ -z $load_pgid ]] || kill -- "-$load_pgid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ((beside)); then
  cmake -S "$top" -B "$work/beside" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  setsid bash -c 'while :; do cmake --build "$1" --clean-first -j2 >/dev/null 2>&1; done' \
    _ "$work/beside" </dev/null &
  load_pgid=$!
  echo "a clean native build runs in a loop beside the runs (process group $load_pgid)"
fi

rev=$(git rev-parse HEAD)
clean=0 restarted=0 walls=()
for ((i = 1; i <= count; i++)); do
  start=$SECONDS
  if [[ $mode == cold ]]; then
    tree="$work/clone"
    git clone -q "$top" "$tree" && git -C "$tree" checkout -q --detach "$rev"
    make --no-print-directory -C "$tree" test >"$work/run.log" 2>&1
  else
    tree="$top"
    scripts/test.sh windows >"$work/run.log" 2>&1
  fi
  wall=$((SECONDS - start))
  walls+=("$wall")
  summary=$(tail -n 1 "$work/run.log")
  times=$(sed -nE 's/.*\(wall times: (.*)\)$/\1/p' "$work/run.log" | tail -n 1)
  if [[ $summary =~ ^[0-9]+\ passed,\ 0\ failed,\ ([0-9]+)\ restarted$ ]]; then
    restarted=$((restarted + BASH_REMATCH[1]))
    clean=$((clean + 1))
    echo "$mode run $i: ${wall} s, $summary ($times)"
  else
    saved="$keep/$mode-$i-$(date +%H%M%S)"
    mkdir -p "$saved"
    cp "$work/run.log" "$tree"/build/*-ctest.log "$saved/" 2>/dev/null
    echo "$mode run $i: ${wall} s, FAILED: $summary ($times); logs in $saved"
  fi
  if [[ $mode == cold ]]; then
    DISPLAY= "$tree/build/windows/wine-run.sh" --stop 2>/dev/null   # after a run that broke off
    rm -rf "$tree"
  fi
done

sorted=($(printf '%s\n' "${walls[@]}" | sort -n))
echo "$mode: $count runs, $clean without a failure, $restarted restarted processes in all;" \
     "wall time min ${sorted[0]} s," \
     "median ${sorted[$((count / 2))]} s, max ${sorted[$((count - 1))]} s" \
     "$( ((beside)) && echo '(with a build beside)')"
((clean == count))
