#!/usr/bin/env bash
# test.sh [native] [windows]: builds and runs the tests of both builds (or of those named): native
# tests directly, Windows tests under Wine in a private Xvfb. Ends with one summary line, "N passed,
# M failed, K restarted" (K: Windows test processes that died before Wine's loader started, and
# were started again); the exit status is non-zero on any failure. Logs: build/*-ctest.log.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
builds=("$@")
((${#builds[@]})) || builds=(native windows)
scripts/setup.sh || exit 1
SECONDS=0
scripts/build.sh "${builds[@]}" || { echo "0 passed, 1 failed, 0 restarted (build)"; exit 1; }
times="build ${SECONDS} s"

passed=0 failed=0 restarted=0 status=0
run_ctest() {   # run_ctest <build-dir> <label>
  local log="build/$2-ctest.log" start=$SECONDS
  echo "== testing $2"
  # ctest hands its stdin to every test; a terminal there would give each Wine program a console.
  (cd "$1" && ctest -j2 --timeout 600 --output-on-failure </dev/null) 2>&1 | tee "$log" |
    grep -vE '^ *(Start|[0-9]+/[0-9]+ Test) ' || true
  times+=", $2 $((SECONDS - start)) s"
  local line p f
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z "$line" ]]; then echo "ctest of $2 gave no summary"; failed=$((failed + 1)); status=1; return; fi
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  p=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - f ))
  passed=$((passed + p)); failed=$((failed + f))
  ((f == 0)) || status=1
}

# What the Windows runs left beside the prefix: the restarts, the messages of runs that ctest killed
# on time-out (the runner removes its file when the program ends) and what the wineserver wrote.
wine_state() {
  local prefix
  prefix=$(sed -nE 's/^: "\$\{WINEPREFIX:=(.*)\}"$/\1/p' build/windows/wine-run.sh 2>/dev/null)
  echo "${prefix:-build/windows/wine-prefix}.state"
}
report_wine_leftovers() {   # report_wine_leftovers <state-dir> <server-log-lines-before>
  local st=$1 log=build/windows-ctest.log f n
  if [[ -s "$st/restarts.log" ]]; then
    restarted=$(grep -c '^---- wine-run restarted ' "$st/restarts.log")
    { echo; cat "$st/restarts.log"; } >>"$log"
    echo "$restarted Windows test process(es) died before Wine's loader started and were started again:"
    echo "  see the end of $log"
  fi
  for f in "$st"/run.*; do
    [[ -f "$f" ]] || continue
    { echo; echo "---- $(head -n 1 "$f") was killed before it ended (time-out); its stderr with Wine's messages:"
      tail -n +2 "$f" | tail -n 300; } >>"$log"
    echo "a Windows test was killed on time-out: its Wine messages are at the end of $log"
    rm -f "$f"
  done
  n=$(wc -l 2>/dev/null <"$st/wineserver.log" || echo 0)
  if ((n > $2)); then
    { echo; echo "---- the wineserver wrote during this run:"; tail -n +$(($2 + 1)) "$st/wineserver.log"; } >>"$log"
    echo "the wineserver wrote messages during the run: see the end of $log"
  fi
  if compgen -G "$st/wineserver-*/unknown" >/dev/null; then
    echo "warning: Wine's server is not the known 8.0 build, so it runs without the fix of"
    echo "  cmake/patch-wineserver.sh; a test that lists the system's handles may bring it down"
  fi
}

# The layer order of docs/architecture.md, counted as one test.
echo "== checking the include layers"
if scripts/check-layers.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

for b in "${builds[@]}"; do
  if [[ $b == windows ]]; then
    st=$(wine_state)
    mkdir -p "$st"
    rm -f "$st"/run.* "$st/restarts.log"
    before=$(wc -l 2>/dev/null <"$st/wineserver.log" || echo 0)
    # Windows tests always run in the build's own Xvfb, never on the user's desktop.
    DISPLAY= run_ctest build/windows windows
    report_wine_leftovers "$st" "$before"
  else
    run_ctest "build/$b" "$b"
  fi
done
echo
echo "logs: $(printf 'build/%s-ctest.log ' "${builds[@]}")(wall times: $times)"
echo "$passed passed, $failed failed, $restarted restarted"
exit $status
