#!/usr/bin/env bash
# Starting 100 enabled plug-ins through Kestrane against the shell starting the same 100 DLLs
# itself, under Wine. Prints the median start-up time of each and their ratio.
#   bench/plugin_startup.sh [runs]    (after scripts/test or the win32/win64 builds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
work=$top/build/bench/startup
session=$top/build/bench/session
"$top/tests/e2e/wine_session.sh" start "$session" "$top/build/win32" "$top/build/win64" >/dev/null
trap '"$top/tests/e2e/wine_session.sh" stop "$session" x x' EXIT
# shellcheck disable=SC1091
. "$session/session.env"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY WINELOADER=$WINE

rm -rf "$work"
mkdir -p "$work"
cp "$WIN_BUILD/corvane.exe" "$WIN_BUILD/Kestrane.dll" "$work/"
: >"$work/KSTR_Plugins.rc"
: >"$work/hosted.txt"
for i in $(seq 0 99); do
  mkdir -p "$work/plugins/p$i"
  ln "$WIN_BUILD/plugins/plugin_full.dll" "$work/plugins/p$i/p$i.dll"  # one module per path
  printf 'plugins\\p%d\\p%d.dll\r\n' "$i" "$i" >>"$work/KSTR_Plugins.rc"
  printf 'plugins\\p%d\\p%d.dll\r\n' "$i" "$i" >>"$work/hosted.txt"
done
echo end >"$work/end.txt"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
measure() {  # prints the start-up time in microseconds of one run
  (cd "$work" && timeout 120 "$WINE" corvane.exe --timing --quiet-plugins --script end.txt \
    --transcript t.txt "$@" >/dev/null 2>&1)
  awk '/^timing start/ {print $3}' "$work/t.txt"
}

measure --host-list hosted.txt >/dev/null  # warm the file cache
shell_us=$(for _ in $(seq "$runs"); do measure --host-list hosted.txt; done | median)
kestrane_us=$(for _ in $(seq "$runs"); do measure Kestrane.dll; done | median)
echo "shell starting 100 plug-ins itself:   ${shell_us} us (median of $runs)"
echo "Kestrane starting the same 100:       ${kestrane_us} us (median of $runs)"
awk -v k="$kestrane_us" -v s="$shell_us" 'BEGIN {printf "ratio Kestrane / shell: %.3f\n", k / s}'
