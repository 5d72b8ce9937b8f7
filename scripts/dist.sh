#!/usr/bin/env bash
# dist.sh [--zip]: lays out the program folder dist/Quillmark/ from the Windows build and, with
# --zip, writes the portable archive dist/Quillmark-<version>.zip. Stores and settings already in
# the folder (a user's data) are never replaced.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"

# Creates the empty stores of a new installation in a folder, keeping existing ones.
make_stores() {
  [[ -f tools/store_tool.cpp ]] || return 0   # no store tool yet: the folder holds the program alone
  scripts/build.sh native -- store_tool >/dev/null
  build/native/tools/store_tool create "$1"
}

scripts/build.sh windows -- Quillmark >/dev/null
out=dist/Quillmark
mkdir -p "$out"
x86_64-w64-mingw32-strip -o "$out/Quillmark.exe" build/windows/src/app/Quillmark.exe
make_stores "$out"
if [[ "${1:-}" == "--zip" ]]; then
  version=$(sed -nE 's/^project\(Quillmark VERSION ([0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)   # "1.3", as the caption says
  zip="dist/Quillmark-$version.zip"
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  # The archive gets fresh, empty stores: never the data of the local folder.
  mkdir -p "$stage/Quillmark"
  cp "$out/Quillmark.exe" "$stage/Quillmark/"
  make_stores "$stage/Quillmark"
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$top/$zip" --format=zip Quillmark)
  echo "wrote $zip"
fi
echo "program folder: $out"
