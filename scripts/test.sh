#!/usr/bin/env bash
# Builds both targets and runs every test: native tests directly, Windows tests under Wine in a
# private Xvfb. Ends with one summary line; the exit status is non-zero on any failure.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
scripts/setup.sh || exit 1
scripts/build.sh native windows || { echo "0 passed, 1 failed (build)"; exit 1; }

passed=0 failed=0 status=0
run_ctest() {   # run_ctest <build-dir> <label>
  local log="build/$2-ctest.log"
  echo "== testing $2"
  (cd "$1" && ctest -j2 --timeout 600 --output-on-failure) 2>&1 | tee "$log" | grep -vE '^ *(Start|[0-9]+/[0-9]+ Test) ' || true
  local line p f
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z "$line" ]]; then echo "ctest of $2 gave no summary"; failed=$((failed + 1)); status=1; return; fi
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  p=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - f ))
  passed=$((passed + p)); failed=$((failed + f))
  ((f == 0)) || status=1
}
run_ctest build/native native
# Windows tests always run in the build's own Xvfb, never on the user's desktop.
DISPLAY= run_ctest build/windows windows
echo
echo "native: see build/native-ctest.log, windows: see build/windows-ctest.log"
echo "$passed passed, $failed failed"
exit $status
