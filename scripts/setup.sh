#!/usr/bin/env bash
# Installs what the two builds and the Wine test run need, once per machine.
# Idempotent and quiet when everything is already there.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev libgmock-dev googletest zlib1g-dev libminizip-dev libgcrypt20-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
  wine wine64 fonts-wine locales xvfb xauth fonts-wqy-zenhei imagemagick sqlite3 python3 unzip
  # The clipboard tests read the X side of Wine's clipboard with it.
  xclip
  # Only suggested by wine64, yet without it nothing reserves Wine's fixed addresses before the
  # loader's heap lands anywhere in the GB above it: now and then on 0x7ffe0000, where the next
  # Wine process then cannot map its shared user data and dies before its loader starts.
  wine64-preloader
  # The install test: the desktop entry's validator, and xwininfo/xprop to find the program's window.
  desktop-file-utils x11-utils
)

missing=()
for p in "${packages[@]}"; do
  st=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$st" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "Quillmark needs these Debian packages: ${missing[*]}" >&2
    echo "Install them as root, then run make again:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes code page 936 from a glibc zh_CN.UTF-8 locale; build a private one (no root needed).
loc="$top/build/locale"
if [[ ! -f "$loc/zh_CN.UTF-8/LC_CTYPE" ]]; then
  mkdir -p "$loc"
  localedef -i zh_CN -f UTF-8 "$loc/zh_CN.UTF-8" 2>/dev/null || test -f "$loc/zh_CN.UTF-8/LC_CTYPE"
fi
if [[ ! -f "$loc/en_US.UTF-8/LC_CTYPE" ]]; then
  localedef -i en_US -f UTF-8 "$loc/en_US.UTF-8" 2>/dev/null || test -f "$loc/en_US.UTF-8/LC_CTYPE"
fi
