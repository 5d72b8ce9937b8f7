#!/usr/bin/env bash
# Starts Quillmark.exe from dist/Quillmark/ under Wine. Without a display it runs in a private
# Xvfb, saves a screenshot to build/screenshot.png after a few seconds and ends the program.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
scripts/setup.sh
scripts/dist.sh
wrap=build/windows/wine-run.sh
exe="$top/dist/Quillmark/Quillmark.exe"
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$wrap" "$exe"
fi
prefix=$(sed -nE 's/^: "\$\{WINEPREFIX:=(.*)\}"$/\1/p' "$wrap")
"$wrap" --stop
"$wrap" "$exe" >/dev/null 2>&1 &
pid=$!
sleep "${QM_SCREENSHOT_DELAY:-6}"
display=":$(cat "$prefix.state/display")"
import -display "$display" -window root build/screenshot.png
kill "$pid" 2>/dev/null || true
"$wrap" --stop
echo "Quillmark ran under Xvfb (no DISPLAY was set); screenshot: $top/build/screenshot.png"
