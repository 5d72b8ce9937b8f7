#!/usr/bin/env bash
# build.sh [native] [windows] [-- targets...]: configures once and builds incrementally.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
which=()
targets=()
while (($#)); do
  case "$1" in
    --) shift; targets=("$@"); break ;;
    *) which+=("$1"); shift ;;
  esac
done
((${#which[@]})) || which=(native windows)
for b in "${which[@]}"; do
  dir="build/$b"
  if [[ ! -f "$dir/build.ninja" ]]; then
    case "$b" in
      native)  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null ;;
      windows) cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
                     -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64-posix.cmake" >/dev/null ;;
      *) echo "unknown build: $b" >&2; exit 2 ;;
    esac
  fi
  echo "== building $b"
  if ((${#targets[@]})); then
    cmake --build "$dir" --target "${targets[@]}"
  else
    cmake --build "$dir"
  fi
done
