#!/usr/bin/env bash
# Checks what the Windows test runner (cmake/wine-run.sh.in) leaves behind, with wine_probe.exe.
#   wine_run_test.sh reports WRAPPER PROBE MISSING_DLL
#     a failing program leaves its exit status, Wine's messages and the server's state; a loader
#     failure and a crash are told apart; a passing program shows its own output only; a process
#     that dies before the loader starts is started once more, and the restart is logged
#   wine_run_test.sh handles WRAPPER PROBE
#     the wineserver survives a process that lists the system's handles while others start
set -uo pipefail
what=$1 wrap=$2 probe=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fails=0

run() {   # run NAME ARGS...: the wrapper's status, stdout and stderr go to $out/NAME.{rc,out,err}
  local name=$1
  shift
  "$wrap" "$@" >"$out/$name.out" 2>"$out/$name.err"
  echo $? >"$out/$name.rc"
  sed -i 's/\r$//' "$out/$name.out" "$out/$name.err"   # the program writes CR LF
}
fail() {
  echo "FAIL: $*"
  fails=$((fails + 1))
}
expect() {   # expect NAME out|err PATTERN: that stream of run NAME has a line matching PATTERN
  grep -qaE -- "$3" "$out/$1.$2" && return
  fail "$1 $2 has no line like /$3/; it holds:"
  sed 's/^/  | /' "$out/$1.$2" | head -n 60
}
expect_rc() {   # expect_rc NAME REGEX
  [[ $(cat "$out/$1.rc") =~ ^($2)$ ]] || fail "$1 exited $(cat "$out/$1.rc"), expected $2"
}
expect_quiet() {   # a passing run: status 0 and, on stderr, the program's own line alone
  expect_rc "$1" 0
  [[ $(cat "$out/$1.err") == "probe's own stderr line" ]] ||
    { fail "$1 stderr is not the program's own line alone:"; sed 's/^/  | /' "$out/$1.err" | head -n 20; }
}

case $what in
reports)
  run ok "$probe" ok
  expect_quiet ok
  expect ok out '^probe ok$'

  run fail "$probe" fail
  expect_rc fail 1
  expect fail out '^probe fail$'
  expect fail err '^---- wine-run: .*wine_probe.exe failed$'
  expect fail err '^exit status 1 \(0x01, the low byte of the Windows exit code\); ran [0-9]+ ms$'
  expect fail err '^wineserver of the prefix: running \(pid [0-9]+\) before and after the program$'
  expect fail err '^(Xvfb :[0-9]+: running|display .*: given by the caller)$'
  expect fail err "^probe's own stderr line$"
  expect fail err ':trace:loaddll:.*wine_probe\.exe'
  expect fail err '^---- end of wine-run report$'

  run crash "$probe" crash
  expect_rc crash '[1-9][0-9]*'
  expect crash err 'Wine reported status 0xc0000005'
  expect crash err '^a process crashed'
  expect crash err '^wine: Unhandled page fault on write access to 0+ '
  expect crash out '^Backtrace:'

  run missing "$4"
  expect_rc missing 53
  expect missing err '^exit status 53 \(0x35, .*; Wine reported status 0xc0000135;'
  expect missing err '^the Windows loader failed \(err:module below\): the program.s main never ran$'
  expect missing err ':err:module:import_dll Library .*probe_dll.* not found'

  # Dying before the loader starts proves the program never ran: one restart, logged.
  QM_WINE_RESTARTS="$out/restarts.log" run absent "$out/no-such-program.exe"
  expect_rc absent 53
  expect absent err '^exit status 53 \(0x35, .*; Wine reported status 0xc0000135;'
  expect absent err '^this was its second start: the first died before the Windows loader started$'
  expect absent err '^Wine loaded no DLL: the process died before the Windows loader started$'
  [[ $(grep -c '^---- wine-run restarted .*no-such-program.exe after status 53' "$out/restarts.log") == 1 ]] ||
    fail "the restart of the absent program is not logged once"
  ;;
handles)
  "$wrap" "$probe" list-handles 4000 >"$out/lister.out" 2>"$out/lister.err" &
  lister=$!
  for i in $(seq 25); do
    run "start$i" "$probe" ok
    expect_quiet "start$i"
  done
  wait $lister
  echo $? >"$out/lister.rc"
  sed -i 's/\r$//' "$out/lister.out" "$out/lister.err"
  expect_quiet lister
  expect lister out "^listed the system's handles [0-9]+ times$"
  ;;
*)
  fail "unknown check: $what"
  ;;
esac
((fails == 0)) && echo "wine-run $what: all checks passed"
exit $((fails > 0))
