#!/usr/bin/env bash
# Checks the shipped Kestrane.dll: an i686 PE32 DLL, stripped and within its size limit, that
# imports only Windows system DLLs and corvane.exe, and exports exactly the five functions the
# shell calls, undecorated.
set -euo pipefail
export LC_ALL=C
dll=$1
objdump=i686-w64-mingw32-objdump
max_bytes=$((256 * 1024))
fail() { echo "check_dll: $*" >&2; exit 1; }

[ -f "$dll" ] || fail "$dll missing: build the win32 preset first"
file "$dll" | grep -q 'PE32 executable (DLL).*Intel 80386' || fail "not an i686 DLL: $(file -b "$dll")"

size=$(stat -c %s "$dll")
[ "$size" -le "$max_bytes" ] || fail "$size bytes, more than the $max_bytes allowed"
debug=$($objdump -h "$dll" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
[ -z "$debug" ] || fail "not stripped: $debug"

headers=$($objdump -p "$dll")
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comdlg32|wininet|psapi|msvcrt|ole32|corvane)\.(dll|exe)$'
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
[ -n "$imports" ] || fail "no import table"
for name in $imports; do
  [[ $name =~ $allowed ]] || fail "imports $name, which is neither a system DLL nor corvane.exe"
done

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {table=1; next} table && /^[ \t]*\[/ {print $NF} table && /^$/ {table=0}' <<<"$headers" | sort | tr '\n' ' ')
expected='beginPlugin beginPluginEx beginSlitPlugin endPlugin pluginInfo '
[ "$exports" = "$expected" ] || fail "exports '$exports', expected '$expected'"
echo "check_dll: $dll ($size bytes) imports $(tr '\n' ' ' <<<"$imports")and exports $exports"
