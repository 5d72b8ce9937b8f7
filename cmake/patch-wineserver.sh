#!/bin/sh
# patch-wineserver.sh SRC DST: writes to DST a copy of Debian's Wine 8.0 wineserver (SRC) whose
# handle enumeration stops at an empty handle table. Exit status 1, and no DST, when SRC does not
# hold that code exactly once (another Wine build): the caller then keeps the system's server.
#
# Why: NtQuerySystemInformation(SystemHandleInformation) makes the server walk the handle table
# of every process. Its loop is "for (unsigned i = 0; i <= table->last; i++)", and a process that
# is being created has an empty table with last == -1, so the loop runs on past the table until it
# faults. The server dies and takes every program of the prefix with it: some exit with status 0
# as if they had passed, some fail with no output, some hang. libgcrypt's Windows entropy poll
# asks for that class, so a test that draws its first random bytes while another test process
# starts used to bring the server down.
#
# The compiled loop jumps into its body without checking the bound and ends with an unsigned
# compare. Two bytes change: the first jump goes to the bound check, and the check compares signed.
#   31 ff          xor  %edi,%edi
#   eb 7d          jmp  body          -> eb 77  jmp check
#   ...
#   41 39 7a 54    cmp  %edi,0x54(%r10)   (check: table->last against i)
#   72 22          jb   done          -> 7c 22  jl done
#   48 83 3a 00    cmpq $0x0,(%rdx)       (body: entry->ptr)
set -e
src=$1 dst=$2
bytes() { od -An -v -tx1 -j "$1" -N "$2" "$src" | tr -d ' \n'; }
sites=""
for a in $(LC_ALL=C grep -obaP '\x31\xff\xeb\x7d' "$src" | cut -d: -f1); do
  [ "$(bytes $((a + 0x7b)) 10)" = 41397a54722248833a00 ] && sites="$sites $a"
done
set -- $sites
[ $# -eq 1 ] || exit 1
tmp="$dst.tmp.$$"
cp "$src" "$tmp"
printf '\167' | dd of="$tmp" bs=1 seek=$(($1 + 3)) conv=notrunc status=none      # eb 77
printf '\174' | dd of="$tmp" bs=1 seek=$(($1 + 0x7b + 4)) conv=notrunc status=none  # 7c
[ "$(cmp -l "$src" "$tmp" | wc -l)" -eq 2 ] || { rm -f "$tmp"; exit 1; }
chmod 755 "$tmp"
mv -f "$tmp" "$dst"
