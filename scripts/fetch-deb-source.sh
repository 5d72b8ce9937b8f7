#!/usr/bin/env bash
# fetch-deb-source.sh <srcpkg[=version]> <dest-dir>
# Downloads and unpacks a Debian source package (patches applied) into dest-dir, using a private
# copy of the machine's own apt sources turned into deb-src entries. The system apt set-up is untouched.
set -euo pipefail
pkg="$1"
dest="$(mkdir -p "$2" && cd "$2" && pwd)"
a="$dest/.apt"
mkdir -p "$a/sources.list.d" "$a/lists/partial" "$a/cache/archives/partial"
: > "$a/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] || continue
  sed -E 's/^Types:.*/Types: deb-src/' "$f" > "$a/sources.list.d/src-$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -e "$f" ] || continue
  sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >> "$a/sources.list"
done
o=(-o "Dir::Etc::SourceList=$a/sources.list" -o "Dir::Etc::SourceParts=$a/sources.list.d"
   -o "Dir::State::Lists=$a/lists" -o "Dir::Cache=$a/cache" -o "APT::Sandbox::User=root")
apt-get "${o[@]}" -qq update
(cd "$dest" && apt-get "${o[@]}" -qq source --download-only "$pkg")
(cd "$dest" && for d in ./*.dsc; do dpkg-source --no-check -x "$d" >/dev/null; done)
rm -rf "$a"
