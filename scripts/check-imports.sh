#!/bin/sh
# check-imports.sh EXE: fails when the executable imports a DLL that Windows does not ship.
set -e
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|COMCTL32|COMDLG32|OLE32|OLEAUT32|WININET|WINMM|WS2_32|SHLWAPI|UXTHEME|msvcrt|IMM32|VERSION|bcrypt|CRYPT32|RPCRT4|MSIMG32|UUID|WINSPOOL\.DRV)\.(dll|DLL)$'
dlls=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports read from $1"; exit 1; }
bad=$(printf '%s\n' "$dlls" | grep -viE "$allowed" || true)
echo "imports:" $dlls
if [ -n "$bad" ]; then echo "not a system DLL:" $bad; exit 1; fi
