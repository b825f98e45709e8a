#!/usr/bin/env bash
# A 50 MB download over loopback under Wine: Kestrane's DownloadUrlToFile against a bare
# WinINet loop of 1024-byte reads into a file, from the same server, runs interleaved.
#   bench/download.sh [runs]    (after scripts/test, or the win32 and native builds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
work=$top/build/bench/download
session=$top/build/bench/session
server=$top/build/native/tests/site/update_site_server
for f in "$server" "$top/build/win32/bench/download_bench.exe"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "download.sh: $f missing: build first" >&2; exit 1; }
done
"$top/tests/e2e/wine_session.sh" start "$session" "$top/build/win32" "$top/build/win64" >/dev/null
rm -rf "$work"
mkdir -p "$work/site" "$work/out"
exec 3> >("$server" "$work/site" "$work/port")
trap 'exec 3>&-; "$top/tests/e2e/wine_session.sh" stop "$session" x x' EXIT
# shellcheck disable=SC1091
. "$session/session.env"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY WINELOADER=$WINE
head -c $((50 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
cp "$top/build/win32/bench/download_bench.exe" "$work/"
(cd "$work" && env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY \
  timeout 600 "$WINE" download_bench.exe "http://127.0.0.1:$port/big.bin" out "$runs")
cmp -s "$work/site/big.bin" "$work/out/kestrane.bin" || { echo "download.sh: the download differs" >&2; exit 1; }
