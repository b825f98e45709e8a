#!/usr/bin/env bash
# Checks the release archive as scripts/package writes it: two runs give the same bytes; it
# holds exactly Kestrane/Kestrane.dll, Readme.txt and LICENSE.txt; its DLL is the shipped build
# that check_dll.sh checks; Readme.txt is plain ASCII with CR LF line ends and no line over 78
# characters; LICENSE.txt holds the MIT licence; the script prints the archive's SHA-256 line.
# Leaves the first run's archive in OUT/1 for the end-to-end scenario that unpacks it.
#   check_archive.sh SOURCE_DIR OUT
set -euo pipefail
export LC_ALL=C
top=$1 out=$2
max_columns=78
fail() { echo "check_archive: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/1" "$out/2"
for run in 1 2; do
  KESTRANE_DIST=$out/$run "$top/scripts/package" >"$out/$run.log" 2>"$out/$run.err" ||
    { cat "$out/$run.err" >&2; fail "scripts/package failed"; }
  # DOS times count in 2-second steps: a time taken from the clock would differ.
  [ "$run" = 2 ] || sleep 2
done
archives=("$out/1"/*.zip)
[ ${#archives[@]} -eq 1 ] && [ -f "${archives[0]}" ] || fail "not one archive in $out/1"
archive=${archives[0]}
cmp -s "$archive" "$out/2/$(basename "$archive")" || fail "two runs gave different archives"
rm -rf "$out/2"

digest=$(sha256sum "$archive" | cut -d' ' -f1)
grep -qxF "$archive" "$out/1.log" || fail "scripts/package did not print the archive's path"
grep -qxF "  sha256 $digest" "$out/1.log" || fail "scripts/package printed a wrong SHA-256"
grep -qxF "Kestrane.sha256: $digest" "$out/1.log" || fail "no Kestrane.sha256: line"

listing=$(unzip -Z1 "$archive")
expected=$'Kestrane/Kestrane.dll\nKestrane/Readme.txt\nKestrane/LICENSE.txt'
[ "$listing" = "$expected" ] || fail "the archive holds"$'\n'"$listing"
unzip -tqq "$archive" || fail "the archive fails its own check"
unzip -p "$archive" Kestrane/Kestrane.dll | cmp -s - "$top/build/win32/Kestrane.dll" ||
  fail "its Kestrane.dll is not build/win32/Kestrane.dll"

# Plain ASCII text with CR LF line ends, no CR elsewhere, ending in a line end.
check_text() {  # NAME [MAX_COLUMNS]
  local text
  text=$(unzip -p "$archive" "Kestrane/$1" | od -An -v -tu1 | tr -s ' \n' '\n' | sed '/^$/d')
  [ -n "$text" ] || fail "$1 is empty"
  awk -v name="$1" -v max="${2:-0}" '
    { byte = $1 + 0 }
    byte == 13 { if (cr) bad = "a CR not before LF"; cr = 1; next }
    byte == 10 { if (!cr) bad = "a bare LF"; if (max && column > max) long++; column = cr = 0; next }
    { if (cr) bad = "a CR not before LF"; if (byte < 32 || byte > 126) nonascii++; column++ }
    END {
      if (bad) { print name ": " bad " (line ends must be CR LF)"; exit 1 }
      if (column || cr) { print name ": does not end with CR LF"; exit 1 }
      if (nonascii) { print name ": " nonascii " bytes that are not printable ASCII"; exit 1 }
      if (long) { print name ": " long " lines longer than " max " characters"; exit 1 }
    }' <<<"$text" || fail "$1 is not plain text as Notepad shows it"
}
check_text Readme.txt "$max_columns"
check_text LICENSE.txt
licence=$(unzip -p "$archive" Kestrane/LICENSE.txt | tr -d '\r')
grep -qF "$(head -n 1 "$top/LICENSE")" <<<"$licence" || fail "LICENSE.txt does not hold Kestrane's licence"
unzip -p "$archive" Kestrane/Readme.txt | tr -d '\r' | cmp -s - "$top/docs/Readme.txt" ||
  fail "Readme.txt is not docs/Readme.txt"
echo "check_archive: $archive ($(stat -c %s "$archive") bytes) reproducible, as expected:"
unzip -Z -l "$archive"
