#!/usr/bin/env bash
# One apply pass of the window controllers over 200 top-level windows of another program (10 of
# a listed class) against a bare loop that opens every window's process and reads its
# executable's name, under Wine, interleaved in one run. Prints the medians and a ROW line.
#   bench/controller_pass.sh [runs]    (after scripts/test or the win32/win64 builds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-21}
session=$top/build/bench/controller_session
"$top/tests/e2e/wine_session.sh" start "$session" "$top/build/win32" "$top/build/win64" >/dev/null
trap '"$top/tests/e2e/wine_session.sh" stop "$session" x x' EXIT
# shellcheck disable=SC1091
. "$session/session.env"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY WINELOADER=$WINE

bench=$WIN_BUILD/bench/controller_pass_bench.exe
[ -f "$bench" ] || { echo "no $bench: build the win32 preset first" >&2; exit 1; }
maker="Z:$(realpath "$WIN_BUILD/plugins/window_maker.exe" | tr / '\\')"
timeout 300 "$WINE" "$bench" "$maker" "$runs" | tr -d '\r'
