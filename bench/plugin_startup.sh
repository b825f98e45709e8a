#!/usr/bin/env bash
# Start-up under Wine: Kestrane starting 100 enabled plug-ins against the shell starting the
# same 100 DLLs itself, and each side again with none, so that what every hosted plug-in adds
# shows apart from Kestrane's own start. The four runs of a round take turns, so a busy machine
# slows all of them alike. Each run also says what the shell's process holds once started: its
# private bytes, or where the system does not tell them (Wine 8) its peak working set. Prints
# the medians and, for scripts/bench, its ROW lines.
#   bench/plugin_startup.sh [rounds]    (needs the win32/win64 builds: scripts/bench makes them)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-15}  # goals near a busy machine's noise: more rounds, steadier medians
work=$top/build/bench/work/plugin_startup
session=$work/session
"$top/tests/e2e/wine_session.sh" start "$session" "$top/build/win32" "$top/build/win64" >/dev/null
trap '"$top/tests/e2e/wine_session.sh" stop "$session" x x >/dev/null' EXIT
# shellcheck disable=SC1091
. "$session/session.env"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY WINELOADER=$WINE

# Two shell folders: "none" with empty lists, "full" with 100 plug-ins in both lists.
for folder in none full; do
  dir=$work/$folder
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$WIN_BUILD/corvane.exe" "$WIN_BUILD/Kestrane.dll" "$dir/"
  : >"$dir/KSTR_Plugins.rc"
  : >"$dir/hosted.txt"
  printf 'memory\nend\n' >"$dir/end.txt"
  # Kestrane's settings as it leaves them, last written a while ago, as on a user's machine.
  printf 'Kestrane.plugin.x: 10\r\nKestrane.plugin.y: 10\r\n' >"$dir/Kestrane.rc"
  touch -d '-1 minute' "$dir/Kestrane.rc"
done
# 100 copies of one test plug-in: Wine takes hard links of a file for one module. The shell
# gets full paths, as Kestrane makes them, so neither side searches for a DLL.
plugin=$work/plugin.dll
strip=i686-w64-mingw32-strip
[ "$WIN_BUILD" = "$top/build/win64" ] && strip=x86_64-w64-mingw32-strip
"$strip" -o "$plugin" "$WIN_BUILD/plugins/plugin_full.dll"
windows_full=$(echo "z:$work/full" | tr / '\\')
for i in $(seq 0 99); do
  mkdir -p "$work/full/plugins/p$i"
  cp "$plugin" "$work/full/plugins/p$i/p$i.dll"
  printf 'plugins\\p%d\\p%d.dll\r\n' "$i" "$i" >>"$work/full/KSTR_Plugins.rc"
  printf '%s\\plugins\\p%d\\p%d.dll\r\n' "$windows_full" "$i" "$i" >>"$work/full/hosted.txt"
done

# One start-up: prints "start-up-us settings-calls-us memory-bytes measure" (settings calls 0
# for the shell alone; measure "private" or "peak").
measure() {  # folder, then what corvane.exe hosts
  local dir=$work/$1
  shift
  (cd "$dir" && timeout 120 "$WINE" corvane.exe --timing --quiet-plugins --script end.txt \
    --transcript t.txt "$@" >/dev/null 2>&1) || true
  awk '/^timing start / {s = $3} /^timing start-config / {c = $5}
    /^memory private=/ { for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
    END { m = v["private"] > 0 ? "private" : "peak"
          print s + 0, c + 0, (m == "private" ? v["private"] : v["peak-working-set"]) + 0, m }' \
    "$dir/t.txt"
}
run() {  # kind: shell0 shell100 kestrane0 kestrane100
  case $1 in
    shell0) measure none --host-list hosted.txt ;;
    shell100) measure full --host-list hosted.txt ;;
    kestrane0) measure none Kestrane.dll ;;
    kestrane100) measure full Kestrane.dll ;;
  esac
}

kinds=(shell0 shell100 kestrane0 kestrane100)
for kind in "${kinds[@]}"; do run "$kind" >/dev/null; done  # warm the file cache
results=$work/results.txt
: >"$results"
for round in $(seq 0 $((rounds - 1))); do
  for k in 0 1 2 3; do
    kind=${kinds[$(((k + round) % 4))]}
    echo "$round $kind $(run "$kind")" >>"$results"
  done
done

# Medians: of each kind's start-up, of the per-round differences 100 minus none divided by
# 100, and of the settings calls' share in Kestrane's own start.
awk -v rounds="$rounds" '
  { t[$1, $2] = $3; c[$1, $2] = $4; mem[$1, $2] = $5; measure = $6 }
  function median(a, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function of(kind, what,   r) { for (r = 0; r < rounds; r++) v[r + 1] = what == "t" ? t[r, kind] : what == "m" ? mem[r, kind] : c[r, kind]; return median(v, rounds) }
  function each(kind,   r) { for (r = 0; r < rounds; r++) v[r + 1] = (t[r, kind "100"] - t[r, kind "0"]) / 100; return median(v, rounds) }
  END {
    printf "medians of %d rounds, us:\n", rounds
    printf "  shell starting 100 plug-ins itself:  %8.0f   none: %6.0f\n", of("shell100", "t"), of("shell0", "t")
    printf "  Kestrane starting the same 100:      %8.0f   none: %6.0f\n", of("kestrane100", "t"), of("kestrane0", "t")
    printf "  of that in the settings calls:       %8.0f   none: %6.0f\n", of("kestrane100", "c"), of("kestrane0", "c")
    printf "ROW\tstart-up, 100 plug-ins: Kestrane / shell\t%.0f\t%.0f\tus\t1.10\n", of("kestrane100", "t"), of("shell100", "t")
    printf "ROW\tstart-up, each plug-in: Kestrane / shell\t%.1f\t%.1f\tus\t1.10\n", each("kestrane"), each("shell")
    printf "ROW\tstart-up, no plug-ins: settings calls / whole\t%.0f\t%.0f\tus\t0.50\n", of("kestrane0", "c"), of("kestrane0", "t")
    what = measure == "private" ? "private bytes" : "peak working set"
    printf "memory, %s (KiB):\n", what
    printf "  shell hosting 100 plug-ins itself:   %8.0f   none: %6.0f\n", of("shell100", "m") / 1024, of("shell0", "m") / 1024
    printf "  Kestrane hosting the same 100:       %8.0f   none: %6.0f\n", of("kestrane100", "m") / 1024, of("kestrane0", "m") / 1024
    printf "  Kestrane'"'"'s own share, no plug-ins:   %8.0f   (goal: at most 2048)\n", (of("kestrane0", "m") - of("shell0", "m")) / 1024
    printf "ROW\tmemory (%s), 100 plug-ins: Kestrane / shell\t%.0f\t%.0f\tKiB\t1.10\n", what, of("kestrane100", "m") / 1024, of("shell100", "m") / 1024
    # At most 2 MiB above the shell alone, as a ratio to it.
    none = of("shell0", "m")
    printf "ROW\tmemory (%s), no plug-ins: with Kestrane / without\t%.0f\t%.0f\tKiB\t%.4f\n", what, of("kestrane0", "m") / 1024, none / 1024, (none > 0 ? 1 + 2097152 / none : 0)
  }' "$results"
