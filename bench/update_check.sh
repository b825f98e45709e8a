#!/usr/bin/env bash
# "Check For Updates" under Wine: a check over 16 plug-in sites and the default site (17
# fetches, each site on a loopback port of its own as real sites are distinct hosts, each
# answering after 500 ms) against a check over the default site alone, runs interleaved.
# Measured from the shell's side: how long it waits, after sending the command, for the box
# that reports the count (corvane.exe --timing). Prints the medians and a ROW line.
#   bench/update_check.sh [rounds]    (after scripts/test, or the win32 and native builds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
delay_ms=500
plugins=16
work=$top/build/bench/update_check
session=$top/build/bench/update_check_session
server=$top/build/native/tests/site/update_site_server
[ -x "$server" ] || { echo "update_check.sh: $server missing: build first" >&2; exit 1; }
"$top/tests/e2e/wine_session.sh" start "$session" "$top/build/win32" "$top/build/win64" >/dev/null
rm -rf "$work"
mkdir -p "$work"
# The sites serve until this script closes their common standard input.
mkfifo "$work/sites.in"
exec 3<>"$work/sites.in"
trap 'exec 3>&-; "$top/tests/e2e/wine_session.sh" stop "$session" x x >/dev/null' EXIT
# shellcheck disable=SC1091
. "$session/session.env"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY WINELOADER=$WINE

for i in $(seq 0 "$plugins"); do  # site $plugins is the default site
  mkdir -p "$work/site$i"
  printf 'P%d.version: 2.0\nP%d.date: d2\n' "$i" "$i" >"$work/site$i/meta.txt"
  "$server" "$work/site$i" "$work/port$i" "$delay_ms" <"$work/sites.in" 3>&- &
done
url() {
  for _ in $(seq 50); do [ -s "$work/port$1" ] && break; sleep 0.1; done
  echo "http://127.0.0.1:$(cat "$work/port$1")/meta.txt"
}

# Two shell folders with the same 16 plug-ins: in "sites" each names a site of its own, in
# "default" none does. Both have the default site.
for kind in sites default; do
  dir=$work/$kind
  mkdir -p "$dir"
  cp "$WIN_BUILD/corvane.exe" "$WIN_BUILD/Kestrane.dll" "$dir/"
  : >"$dir/KSTR_Plugins.rc"
  for i in $(seq 0 $((plugins - 1))); do
    mkdir -p "$dir/plugins/p$i"
    cp "$WIN_BUILD/plugins/plugin_full.dll" "$dir/plugins/p$i/p$i.dll"
    printf '1=P%d\n2=1.0\n4=d1\n' "$i" >"$dir/plugins/p$i/p$i.info"
    [ "$kind" = default ] || printf '8=%s\n' "$(url "$i")" >>"$dir/plugins/p$i/p$i.info"
    printf 'plugins\\p%d\\p%d.dll\r\n' "$i" "$i" >>"$dir/KSTR_Plugins.rc"
  done
  printf 'Kestrane.plugin.defaultupdateURL: %s\r\n' "$(url "$plugins")" >"$dir/Kestrane.rc"
  printf 'broam @KestraneInternal CheckForUpdates\nwaitfor 30000 updates available\nend\n' \
    >"$dir/check.txt"
done

measure() {  # kind: prints how long the check took, in microseconds
  local dir=$work/$1
  (cd "$dir" && env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY \
    timeout 120 "$WINE" corvane.exe --timing --quiet-plugins --script check.txt \
    --transcript t.txt Kestrane.dll >/dev/null 2>&1) || true
  awk '/^timing waitfor / {t = $3} END {print t + 0}' "$dir/t.txt"
}

results=$work/results.txt
: >"$results"
for round in $(seq 0 $((rounds - 1))); do
  for k in 0 1; do
    kinds=(sites default)
    kind=${kinds[$(((k + round) % 2))]}
    echo "$kind $(measure "$kind")" >>"$results"
  done
done
grep -q 'There are 16 updates available' "$work/sites/t.txt" ||
  { echo "update_check.sh: the check over 17 sites did not find its 16 updates" >&2; exit 1; }

awk -v rounds="$rounds" '
  { n[$1]++; t[$1, n[$1]] = $2 / 1000 }
  function median(kind,   i, j, x, a) {
    for (i = 1; i <= n[kind]; i++) a[i] = t[kind, i]
    for (i = 2; i <= n[kind]; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n[kind] % 2 ? a[(n[kind] + 1) / 2] : (a[n[kind] / 2] + a[n[kind] / 2 + 1]) / 2
  }
  END {
    printf "medians of %d rounds, ms:\n", rounds
    printf "  check over 16 plug-in sites and the default site: %6.0f\n", median("sites")
    printf "  check over the default site alone:                %6.0f\n", median("default")
    printf "ROW\tupdate check, 17 sites answering in 500 ms / 1 site\t%.0f\t%.0f\tms\t1.50\n", median("sites"), median("default")
  }' "$results"
