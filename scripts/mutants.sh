#!/usr/bin/env bash
# make mutants: the project's mutation sweep of the portable core. Each mutant in
# scripts/mutants.list is one small text replacement in one source file. The sweep copies the
# sources to build/mutants/src (the working tree is never touched), builds that copy natively with
# the sanitizers of the native build, and then for each mutant applies it, rebuilds incrementally
# and runs the native test executables, the mutant's own area first, stopping at the first failure.
# A mutant is killed when a test fails, crashes or runs past the time limit; one whose text no
# longer matches (or matches twice) is reported as stale and not counted, as is one that does not
# build. One line per mutant, then the totals; the last line is
#   mutants killed K of N (P%), store engine K of N (P%)
# Not part of make test or CI. Usage: scripts/mutants.sh [--check]  (--check: only match the list)
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
list="$top/scripts/mutants.list"
work="$top/build/mutants"
src="$work/src"
bin="$work/build"
check_only=0
[[ "${1:-}" == "--check" ]] && check_only=1

# Applies one mutant to a file: prints "ok LINE<tab>CHANGE" (CHANGE shows the text that differs,
# with a little context), "stale" or "ambiguous". In the list, {NL} stands for a line break.
apply_mutant() {  # apply_mutant FILE ORIGINAL REPLACEMENT DRY
  python3 - "$@" <<'PY'
import sys
path, orig, repl, dry = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
orig, repl = orig.replace("{NL}", "\n").encode(), repl.replace("{NL}", "\n").encode()
try:
    text = open(path, "rb").read()
except OSError:
    print("stale"); sys.exit()
count = text.count(orig)
if count != 1:
    print("stale" if count == 0 else "ambiguous"); sys.exit()
at = text.index(orig)
if not dry:
    open(path, "wb").write(text[:at] + repl + text[at + len(orig):])
a, b = orig.decode(errors="replace"), repl.decode(errors="replace")
p = 0
while p < min(len(a), len(b)) and a[p] == b[p]: p += 1
q = 0
while q < min(len(a), len(b)) - p and a[len(a) - 1 - q] == b[len(b) - 1 - q]: q += 1
def window(t):
    lo, hi = max(0, p - 16), len(t) - max(0, q - 16)
    w = " ".join(t[lo:hi].split())
    return ("..." if lo else "") + w + ("..." if hi < len(t) else "")
print("ok %d\t%s -> %s" % (text[:at].count(b"\n") + 1, window(a) or "(nothing)", window(b) or "(nothing)"))
PY
}

# Test executables to run for an area, most likely killers first.
preferred() {
  case "$1" in
    store) echo store_engine_tests store_safety_tests store_tool_tests core_store_tests ;;
    gbk|ini) echo platform_portable_tests ini_text_tests catalogue_portable_tests ;;
    web) echo web_portable_tests ;;
    core) echo core_store_tests catalogue_portable_tests ;;
    catalogue) echo catalogue_portable_tests ;;
  esac
}

mutants=()
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  mutants+=("$line")
done <"$list"

if ((check_only)); then
  bad=0
  for m in "${mutants[@]}"; do
    IFS=$'\t' read -r area file orig repl <<<"$m"
    r=$(apply_mutant "$top/$file" "$orig" "$repl" 1)
    [[ "$r" == ok* ]] || { echo "$r: $area $file ${orig:0:60}"; bad=$((bad + 1)); }
  done
  echo "${#mutants[@]} mutants, $bad stale"
  exit 0
fi

scripts/setup.sh >/dev/null || exit 1
start=$(date +%s)
# A private copy of the sources; files are copied only when they changed, so that the build of
# the copy stays incremental from one sweep to the next.
mkdir -p "$src"
if git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
  files=$(git -C "$top" ls-files --cached --others --exclude-standard -- CMakeLists.txt cmake src tests tools)
else
  files=$(find CMakeLists.txt cmake src tests tools -type f)
fi
while IFS= read -r f; do
  [[ -f "$f" ]] || continue
  mkdir -p "$src/$(dirname "$f")"
  cmp -s "$f" "$src/$f" || cp -p "$f" "$src/$f"
done <<<"$files"
if [[ ! -f "$bin/build.ninja" ]]; then
  cmake -S "$src" -B "$bin" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold \
    >"$work/configure.log" 2>&1 || { echo "configure failed: see $work/configure.log"; exit 1; }
fi
echo "== building the unchanged copy"
ninja -C "$bin" >"$work/build.log" 2>&1 || { echo "build failed: see $work/build.log"; exit 1; }
tests=$(cd "$bin" && find tests -type f -executable -name '*_tests' | sort)
# run_tests AREA: builds and runs the test executables one at a time, the area's first, and prints
# the name of the first that fails ("build" when one does not build), nothing when all pass.
run_tests() {
  local order=() t name
  for name in $(preferred "$1"); do
    for t in $tests; do [[ "$(basename "$t")" == "$name" ]] && order+=("$t"); done
  done
  for t in $tests; do [[ " ${order[*]} " == *" $t "* ]] || order+=("$t"); done
  for t in "${order[@]}"; do
    ninja -C "$bin" "$(basename "$t")" >"$work/build.log" 2>&1 || { echo build; return; }
    if ! (cd "$bin" && timeout 300 "./$t" --gtest_fail_fast --gtest_brief=1 >"$work/test.log" 2>&1); then
      basename "$t"
      return
    fi
  done
}
echo "== the unchanged copy against its tests"
failing=$(run_tests none)
[[ -z "$failing" ]] || { echo "the tests fail without a mutant ($failing): see $work/test.log"; exit 1; }

killed=0 total=0 store_killed=0 store_total=0 stale=0 unbuilt=0
for m in "${mutants[@]}"; do
  IFS=$'\t' read -r area file orig repl <<<"$m"
  cp -p "$src/$file" "$work/original" 2>/dev/null
  r=$(apply_mutant "$src/$file" "$orig" "$repl" 0)
  if [[ "$r" != ok* ]]; then
    printf '%-9s %-9s %s  %s\n' "stale" "$area" "$file" "${orig:0:60}"
    stale=$((stale + 1))
    continue
  fi
  r="${r#ok }"
  where="$file:${r%%$'\t'*}"
  what="${r#*$'\t'}"
  failing=$(run_tests "$area")
  if [[ "$failing" == build ]]; then
    printf '%-9s %-9s %s  %s\n' "no build" "$area" "$where" "$what"
    unbuilt=$((unbuilt + 1))
  else
    total=$((total + 1))
    [[ "$area" == store ]] && store_total=$((store_total + 1))
    if [[ -n "$failing" ]]; then
      killed=$((killed + 1))
      [[ "$area" == store ]] && store_killed=$((store_killed + 1))
      printf '%-9s %-9s %s  %s  (%s)\n' "killed" "$area" "$where" "$what" "$failing"
    else
      printf '%-9s %-9s %s  %s\n' "SURVIVED" "$area" "$where" "$what"
    fi
  fi
  # The original text back, with a new time so that the next build compiles it again.
  cp "$work/original" "$src/$file" && touch "$src/$file"
done
pct() { (($2)) && echo $((100 * $1 / $2)) || echo 0; }
echo "stale: $stale, not built: $unbuilt, time: $(( ($(date +%s) - start) / 60 )) min $(( ($(date +%s) - start) % 60 )) s"
echo "mutants killed $killed of $total ($(pct $killed $total)%), store engine $store_killed of $store_total ($(pct $store_killed $store_total)%)"
