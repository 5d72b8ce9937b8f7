#!/usr/bin/env bash
# make install for a user of a Linux desktop, end to end:
#   install_test.sh TOP EXE WRAPPER INSTALL_SITES
# In a temporary HOME, once with XDG_DATA_HOME unset and once with it set to a folder whose name
# holds a space and Chinese characters on a system that offers only an en_US locale:
# scripts/install.sh installs EXE; desktop-file-validate accepts the entry and the icons are the
# exe's; the launcher, started by the entry's Exec in a private Xvfb, makes its prefix and shows
# the main window, whose X class is the entry's StartupWMClass; the program keeps its data in the
# program folder under the right Chinese names and nothing of it in the prefix; Wine adds nothing
# to the menus. A site added with INSTALL_SITES (through WRAPPER) survives an upgrade, which
# replaces the exe and the launcher; uninstall leaves exactly the data.
# The program runs in a network namespace of its own, as its update check looks up a real host.
set -uo pipefail
top=$1 exe=$2 wrap=$3 sites=$4
work=$(mktemp -d)
fail() {
  echo "FAIL: $*"
  echo "$*" >>"$work/failures"
}
step() { echo "-- $* ($SECONDS s)"; }
# The installed exe is the built one stripped: equal but for the time stamp and check sum that
# strip writes into the PE header.
same_exe() {
  [[ $(stat -c %s "$1") == $(stat -c %s "$2") ]] &&
    ! cmp -l "$1" "$2" | awk '$1 < 137 || ($1 > 140 && $1 < 217) || $1 > 220 { found = 1 } END { exit !found }'
}

if ! unshare -n true 2>/dev/null; then
  echo "SKIP: unshare -n cannot give the program a network namespace here (it needs root)"
  rm -rf "$work"
  exit 77
fi

# Each scenario runs beside the other, with an Xvfb of its own; what they leave running is ended
# here, whatever happened.
cleanup() {
  local f
  for f in "$work"/*.prefix; do
    [[ -f $f && -d $(cat "$f") ]] && WINEPREFIX="$(cat "$f")" wineserver -k 2>/dev/null
  done
  for f in "$work"/*.xvfb; do [[ -f $f ]] && kill "$(cat "$f")" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
private_display() {   # private_display TAG: starts an Xvfb and exports its DISPLAY
  Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$work/$1.display" </dev/null >/dev/null 2>&1 &
  echo $! >"$work/$1.xvfb"
  for ((i = 0; i < 200; i++)); do [[ -s $work/$1.display ]] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/$1.display")"
}

step "building the native store tool"
"$top/scripts/build.sh" native -- store_tool >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
tool="$top/build/native/tools/store_tool"
x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$exe"
# The names the program's files have on disk, sorted as bytes.
data_files=$'信息.ini\n分类数据库.edb\n综合库.edb\n网站数据库.edb'
program_files=$(printf 'Quillmark.exe\n%s\n' "$data_files" | LC_ALL=C sort)
data_files=$(LC_ALL=C sort <<<"$data_files")

# The visible X window whose name begins with the main window's caption.
main_window() {
  local w
  for w in $(xwininfo -root -children 2>/dev/null | awk '/"Quillmark_v1\.3 - / {print $1}'); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$w"; return 0; }
  done
  return 1
}
# Other visible windows of the program's process: a message box would be one.
other_windows() {   # other_windows MAIN CLASS
  local w
  for w in $(xwininfo -root -children 2>/dev/null | grep -F "(\"$2\" " | awk '{print $1}'); do
    [[ $w == "$1" ]] && continue
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
    xwininfo -id "$w" | sed -n 's/^xwininfo: Window id: //p'
  done
}

# start LAUNCH_ENV...: runs the entry's Exec with the given environment and waits for the main window.
start() {
  local cmd value
  value=$(sed -n 's/^Exec=//p' "$entry")
  eval "cmd=($value)"   # the entry's quoting is that of the shell's double quotes
  (cd / && exec env -u XDG_DATA_HOME -u LOCPATH -u LC_ALL HOME="$home" "$@" unshare -n "${cmd[@]}") >>"$work/$name.launcher.log" 2>&1 &
  launched=$!
  # A first start makes the prefix: 28 s on 2 cores at a load average of 9, 90 s at 16.
  cp "$data/program/综合库.edb" "$work/$name.general"
  local t0=$SECONDS
  while ((SECONDS - t0 < 240)); do
    win=$(main_window) && return 0
    kill -0 "$launched" 2>/dev/null || break
    sleep 0.2
  done
  fail "$name: no main window after $((SECONDS - t0)) s; the launcher said:"
  sed 's/^/  | /' "$work/$name.launcher.log" | tail -n 20
  return 1
}
# The window shows before its created event has written the settings and the use time (which
# may compact the general store): wait for both, so that no write is cut off.
started() {
  local t0=$SECONDS
  while ((SECONDS - t0 < 60)); do
    [[ -f "$data/program/信息.ini" ]] && ! cmp -s "$data/program/综合库.edb" "$work/$name.general" && return 0
    sleep 0.1
  done
  return 1
}
stop() {
  WINEPREFIX="$data/wine" wineserver -k 2>/dev/null
  wait "$launched" 2>/dev/null
}
files_under() {   # every file in the user's folders outside the program's data folder, sorted
  find "$home" ${xdg:+"$xdg"} -path "$data" -prune -o \( -type f -o -type l \) -print | LC_ALL=C sort
}

# scenario NAME XDG_DATA_HOME|"" LAUNCH_ENV...
scenario() {
  name=$1 xdg=$2
  shift 2
  private_display "$name"
  home="$work/$name/my home"   # a space in every path of the install
  mkdir -p "$home"
  local data_home=${xdg:-$home/.local/share}
  data="$data_home/quillmark"
  echo "$data/wine" >"$work/$name.prefix"
  local prog="$data/program" launcher="$home/.local/bin/quillmark" v
  entry="$data_home/applications/quillmark.desktop"
  local inst=(env -u XDG_DATA_HOME -u PREFIX HOME="$home" ${xdg:+XDG_DATA_HOME="$xdg"}
              QM_INSTALL_EXE="$exe" QM_STORE_TOOL="$tool" "$top/scripts/install.sh")

  step "$name: install"
  "${inst[@]}" install >"$work/$name.install.log" 2>&1 || { fail "$name: install failed:"; cat "$work/$name.install.log"; return; }
  [[ -x $launcher ]] || fail "$name: no launcher at $launcher"
  v=$(ls -A "$prog" | LC_ALL=C sort)
  [[ $v == "$(grep -v 信息.ini <<<"$program_files")" ]] || fail "$name: the program folder holds" $v
  same_exe "$work/stripped.exe" "$prog/Quillmark.exe" || fail "$name: the installed exe is not the built one"
  v=$(desktop-file-validate "$entry" 2>&1) && [[ -z $v ]] || fail "$name: desktop-file-validate: $v"
  local s ico="$top/src/app/Quillmark.ico" frame
  frame=$(identify -format '%p %w\n' "$ico" | sort -k2,2n | tail -n 1)   # index and width of the largest
  for s in 48 128 256; do
    local png="$data_home/icons/hicolor/${s}x$s/apps/quillmark.png"
    [[ $(identify -format '%m %wx%h' "$png" 2>&1) == "PNG ${s}x$s" ]] || { fail "$name: $png is no ${s} px PNG"; continue; }
    # Scaled back to the exe's largest frame it is that frame again, up to the resampling.
    convert "$png" -resize "${frame#* }x${frame#* }" "$work/$name.png"
    v=$(compare -metric RMSE "$ico[${frame% *}]" "$work/$name.png" null: 2>&1 | sed -E 's/.*\((.*)\)/\1/')
    awk -v e="$v" 'BEGIN { exit !(e < 0.08) }' || fail "$name: the $s px icon is not the exe's (RMSE $v)"
  done

  step "$name: first start"
  start "$@" || return
  started || fail "$name: the program did not write its settings and use time in $prog"
  local class
  class=$(xprop -id "$win" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = //p')
  local wanted
  wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
  [[ -n $wanted && $class == "\"$wanted\", \"$wanted\"" ]] ||
    fail "$name: the main window's WM_CLASS is $class, the entry's StartupWMClass $wanted"
  # A window manager sees it (Managed=N, as in the test prefix, makes it override-redirect).
  xwininfo -id "$win" | grep -q 'Override Redirect State: no' ||
    fail "$name: the main window is hidden from window managers (override-redirect)"
  v=$(other_windows "$win" "$wanted")
  [[ -z $v ]] || fail "$name: the program shows more windows than its main window (a message box?): $v"
  v=$(ls -A "$prog" | LC_ALL=C sort)
  [[ $v == "$program_files" ]] || fail "$name: the program folder holds" $v
  if [[ $name == en_US && ! -f $data/support/locale/zh_CN.UTF-8/LC_CTYPE ]]; then
    fail "$name: the launcher made no zh_CN.UTF-8 locale of its own"
  fi
  v=$(find "$data/wine" \( -name '*.edb' -o -name '信息.ini' \))
  [[ -z $v ]] || fail "$name: the program left data in its prefix: $v"
  v=$(files_under | grep -vxF -e "$launcher" -e "$entry" -e "$data_home/icons/hicolor/48x48/apps/quillmark.png" \
      -e "$data_home/icons/hicolor/128x128/apps/quillmark.png" -e "$data_home/icons/hicolor/256x256/apps/quillmark.png")
  [[ -z $v ]] || fail "$name: besides its own files the user's folders got: $v"
  v=$(find "$home" ${xdg:+"$xdg"} -type d \( -name menus -o -name desktop-directories -o -name mime \))
  [[ -z $v ]] || fail "$name: Wine's menu builder made $v"
  stop

  step "$name: a site, then an upgrade"
  "$wrap" "$sites" add "$prog" 新闻 http://www.example.cn/ || fail "$name: could not add a site"
  mkdir -p "$work/$name/before"
  (cd "$prog" && cp -p -- 信息.ini *.edb "$work/$name/before/")
  echo "# the old launcher" >>"$launcher"
  printf 'old' >"$prog/Quillmark.exe"
  touch "$data/wine/kept"
  "${inst[@]}" install >"$work/$name.install.log" 2>&1 || { fail "$name: upgrade failed:"; cat "$work/$name.install.log"; return; }
  same_exe "$work/stripped.exe" "$prog/Quillmark.exe" || fail "$name: the upgrade did not replace the exe"
  grep -q 'the old launcher' "$launcher" && fail "$name: the upgrade did not replace the launcher"
  [[ -f $data/wine/kept ]] || fail "$name: the upgrade did not keep the prefix"
  for f in $data_files; do
    cmp -s "$prog/$f" "$work/$name/before/$f" || fail "$name: the upgrade changed $f"
  done
  v=$("$wrap" "$sites" list "$prog" | tr -d '\r' | iconv -f GBK -t UTF-8)
  [[ $v == "新闻 http://www.example.cn/" ]] || fail "$name: after the upgrade the sites are: $v"
  if [[ $name == default ]]; then   # the upgraded program starts on its kept prefix
    if start "$@"; then
      started || fail "$name: the upgraded program did not record its use time"
      stop
    fi
    (cd "$prog" && cp -p -- 信息.ini *.edb "$work/$name/before/")
  fi

  step "$name: uninstall"
  "${inst[@]}" uninstall >"$work/$name.uninstall.log" 2>&1 || fail "$name: uninstall failed"
  grep -qF "$prog" "$work/$name.uninstall.log" || { fail "$name: uninstall does not say where the data is:"; cat "$work/$name.uninstall.log"; }
  v=$(files_under; find "$data" -type f | LC_ALL=C sort)
  [[ $v == "$(sed "s|^|$prog/|" <<<"$data_files")" ]] || fail "$name: after uninstall the user's folders hold: $v"
  for f in $data_files; do
    cmp -s "$prog/$f" "$work/$name/before/$f" || fail "$name: uninstall changed $f"
  done
}

cp -r "$top/build/locale/en_US.UTF-8" "$work/" 2>/dev/null ||
  localedef -i en_US -f UTF-8 "$work/en_US.UTF-8" 2>/dev/null || true
mkdir -p "$work/en-only" && mv "$work/en_US.UTF-8" "$work/en-only/"
[[ $(LOCPATH="$work/en-only" LC_ALL=zh_CN.UTF-8 locale charmap 2>/dev/null) != UTF-8 ]] ||
  fail "LOCPATH does not hide the system's zh_CN.UTF-8 locale: the en_US scenario would prove nothing"

scenario default "" LANG=C.UTF-8 >"$work/default.out" 2>&1 &
scenario en_US "$work/用户 数据/share" LANG=en_US.UTF-8 LOCPATH="$work/en-only" >"$work/en_US.out" 2>&1 &
wait
cat "$work/default.out" "$work/en_US.out"
if [[ -s $work/failures ]]; then
  echo "$(wc -l <"$work/failures") check(s) failed"
  exit 1
fi
echo "install test passed in $SECONDS s"
