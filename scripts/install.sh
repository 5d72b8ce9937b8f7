#!/usr/bin/env bash
# install.sh install|uninstall: installs Quillmark for the current user on a Linux desktop, or
# removes it again. No root needed. PREFIX (default ~/.local) gets the launcher bin/quillmark;
# XDG_DATA_HOME (default ~/.local/share) gets quillmark/program/ (the exe beside the user's stores
# and settings file), quillmark/wine/ (the Wine prefix, made by the launcher on first start),
# quillmark/support/ (what the launcher needs), the desktop entry and the icons.
# An install over an older one replaces the exe and the launcher and keeps the data and the prefix;
# uninstall keeps the data. QM_INSTALL_EXE and QM_STORE_TOOL name a built exe and native store
# tool instead of building them (the install test does this).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
what=${1:-}
[[ $what == install || $what == uninstall ]] || { echo "usage: install.sh install|uninstall" >&2; exit 64; }

# The base directory specification ignores an empty or relative XDG_DATA_HOME.
data_home=${XDG_DATA_HOME:-}
[[ $data_home == /* ]] || data_home="$HOME/.local/share"
prefix=${PREFIX:-$HOME/.local}
data="$data_home/quillmark"
launcher="$prefix/bin/quillmark"
entry="$data_home/applications/quillmark.desktop"
icon_sizes=(48 128 256)
icon() { echo "$data_home/icons/hicolor/$1x$1/apps/quillmark.png"; }

if [[ $what == uninstall ]]; then
  # The prefix's server may still run the program; it goes with the prefix.
  if [[ -d "$data/wine" ]] && command -v wineserver >/dev/null; then
    WINEPREFIX="$data/wine" wineserver -k 2>/dev/null || true
  fi
  rm -f "$launcher" "$entry" "$data/program/Quillmark.exe"
  for s in "${icon_sizes[@]}"; do
    rm -f "$(icon "$s")"
    rmdir "$(dirname "$(icon "$s")")" "$(dirname "$(dirname "$(icon "$s")")")" 2>/dev/null || true
  done
  rm -rf "$data/wine" "$data/support"
  rmdir "$data/program" "$data" 2>/dev/null || true
  echo "Quillmark is uninstalled."
  if [[ -d "$data/program" ]]; then
    echo "Your stores and settings are kept in $data/program/:"
    (cd "$data/program" && ls -1 | sed 's/^/  /')
  fi
  exit 0
fi

exe=${QM_INSTALL_EXE:-}
tool=${QM_STORE_TOOL:-}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
if [[ -z $exe ]]; then
  "$top/scripts/setup.sh"
  "$top/scripts/build.sh" windows -- Quillmark >"$stage/build.log" || { cat "$stage/build.log" >&2; exit 1; }
  exe="$top/build/windows/src/app/Quillmark.exe"
fi
if [[ -z $tool ]]; then
  "$top/scripts/build.sh" native -- store_tool >"$stage/build.log" || { cat "$stage/build.log" >&2; exit 1; }
  tool="$top/build/native/tools/store_tool"
fi

mkdir -p "$data/program" "$data/support" "$prefix/bin" "$data_home/applications"

# Each file is written beside its place and renamed over it, so an upgrade never leaves half a file.
put() {   # put SOURCE DEST MODE
  cp "$1" "$2.new.$$"
  chmod "$3" "$2.new.$$"
  mv -f "$2.new.$$" "$2"
}

x86_64-w64-mingw32-strip -o "$stage/Quillmark.exe" "$exe"
put "$stage/Quillmark.exe" "$data/program/Quillmark.exe" 644
# The program never creates a store: a fresh install gets the three empty ones, existing ones stay.
# The native tool reads its folder as GBK: it is given ".", as the data folder may have any name.
(cd "$data/program" && "$tool" create . >/dev/null)

# The test prefix's settings without Managed=N: on a desktop the window manager manages the
# windows (the taskbar shows them). Decorated=N stays: the skin draws every caption itself. Wine's
# menu builder stays off in the prefix too, should anyone run wine on it.
{
  printf '\377\376'
  { sed '/^"Managed"=/d' "$top/cmake/wine-settings.reg.utf8"
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\n"winemenubuilder.exe"=""\n'
  } | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE
} >"$stage/wine-settings.reg"
put "$stage/wine-settings.reg" "$data/support/wine-settings.reg" 644
put "$top/cmake/patch-wineserver.sh" "$data/support/patch-wineserver.sh" 755

# The launcher and the desktop entry get the paths of this install.
quote_sh() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
sed "s|@DATA@|$(quote_sh "$data" | sed 's/[\\&|]/\\&/g')|" "$top/packaging/linux/quillmark.sh.in" >"$stage/quillmark"
put "$stage/quillmark" "$launcher" 755

# Exec quotes the path as the desktop entry rules ask: inside double quotes, backslash before
# " ` $ and \; then every backslash doubled for the string value, and % doubled.
exec_arg=$(printf '%s' "$launcher" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')
exec_arg="\"$exec_arg\""
sed "s|@EXEC@|$(printf '%s' "$exec_arg" | sed 's/[\\&|]/\\&/g')|" \
  "$top/packaging/linux/quillmark.desktop.in" >"$stage/quillmark.desktop"
put "$stage/quillmark.desktop" "$entry" 644

# The largest frame of the exe's icon, scaled to the theme's sizes.
ico="$top/src/app/Quillmark.ico"
best=$(identify -format '%p %w\n' "$ico" | sort -k2,2n | tail -n 1 | cut -d' ' -f1)
for s in "${icon_sizes[@]}"; do
  mkdir -p "$(dirname "$(icon "$s")")"
  convert "$ico[$best]" -filter Lanczos -resize "${s}x$s" "PNG32:$stage/$s.png"
  put "$stage/$s.png" "$(icon "$s")" 644
done
touch "$data_home/icons/hicolor"   # desktops re-read a theme whose folder changed

echo "Quillmark is installed: start it from the application menu or with $launcher"
echo "Its data lives in $data/program/"
