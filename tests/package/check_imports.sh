#!/usr/bin/env bash
# Checks that every function Kestrane.dll imports by name at load time is known to exist on
# Windows 2000 (tests/package/windows2000_imports.txt, one "dll function" a line) or is one of
# the shell's exports (src/host/corvane.def). Anything newer must be looked up at run time, or
# the loader refuses the whole DLL on the older systems. Imports by ordinal are refused too.
#   check_imports.sh Kestrane.dll ALLOWLIST CORVANE_DEF
set -euo pipefail
export LC_ALL=C
dll=$1 allowlist=$2 def=$3
fail() { echo "check_imports: $*" >&2; exit 1; }
[ -f "$dll" ] || fail "$dll missing: build the win32 preset first"

# "dll function" for every import by name; "dll #ordinal" for imports by ordinal.
imports=$(i686-w64-mingw32-objdump -p "$dll" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  /^$/ || /^ *vma:/ { next }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && /<none>/ { print dll, "#" $2; next }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && NF == 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }
  /^The Export Tables/ { dll = "" }')
[ -n "$imports" ] || fail "no imports found in $dll"

allowed=$(grep -v '^\s*\(#\|$\)' "$allowlist" | awk '{print tolower($1), $2}' | sort -u)
shell=$(awk 'seen {print "corvane.exe", $1} /^EXPORTS/ {seen=1}' "$def" | sort -u)
unknown=$(comm -23 <(sort -u <<<"$imports") <(sort -u <<<"$allowed"$'\n'"$shell"))
[ -z "$unknown" ] || fail "imports not known to exist on Windows 2000 (look them up at run time, or review and add them to $(basename "$allowlist")):
$unknown"
echo "check_imports: $(wc -l <<<"$imports") imports, all on the Windows 2000 list or the shell's"
