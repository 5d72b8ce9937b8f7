#!/usr/bin/env bash
# check-layers.sh: every #include "folder/..." in src/ runs downward in the layer order of
# docs/architecture.md, and portable files never include the Windows headers. Prints each
# offending line; exit status 1 when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

# The folders each folder of src/ may include (its own is always allowed).
declare -A allowed=(
  [platform]=""
  [store]="platform"
  [core]="store platform"
  [web]="core store platform"
  [skin]="platform"
  [catalogue]="core web skin store platform"
  [exchange]="core web skin store platform"
  [app]="catalogue exchange core web skin store platform"
)

bad=0
while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  rest=${rest#*:}
  from=$(cut -d/ -f2 <<<"$file")
  to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"$rest")
  [[ "$to" == "$rest" || "$to" == "$from" ]] && continue
  if [[ -z "${allowed[$from]+set}" ]]; then
    echo "$file: folder src/$from has no place in the layer order"; bad=1; continue
  fi
  [[ " ${allowed[$from]} " == *" $to "* ]] && continue
  echo "$file: src/$from may not include src/$to: $rest"
  bad=1
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' src --include='*.h' --include='*.cpp')

# Portable files (no _win suffix, outside win32/ and the Windows-only app/) build natively.
while IFS= read -r line; do
  echo "${line%%:*}: a portable file includes a Windows header: ${line#*:*:}"
  bad=1
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+<(windows|commctrl|wininet|shellapi|shlobj|commdlg)\.h>' \
           src --include='*.h' --include='*.cpp' | grep -vE '^src/app/|/win32/|_win\.(h|cpp):')

if ((bad)); then echo "layer check: failed (see docs/architecture.md)"; exit 1; fi
echo "layer check: every include runs downward"
