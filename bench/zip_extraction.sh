#!/usr/bin/env bash
# Extracting a 1000-entry archive of about 50 MB with Kestrane's extraction (native Release
# build) against `unzip -o -q`, each into an empty folder, runs interleaved.
#   bench/zip_extraction.sh [runs]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
build=$top/build/bench-zip
work=$top/build/bench/zip

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRANE_E2E=OFF >/dev/null
cmake --build "$build" --target zip_extraction_bench >/dev/null
tool=$build/bench/zip_extraction_bench

mkdir -p "$work"
archive=$work/archive.zip
[ -f "$archive" ] || "$tool" make "$archive"
echo "archive: $(du -m "$archive" | cut -f1) MB, $(unzip -Z1 "$archive" | wc -l) entries"

now_us() { echo $(($(date +%s%N) / 1000)); }
run_kestrane() { "$tool" extract "$archive" "$work/out/"; }
run_unzip() { unzip -o -q "$archive" -d "$work/out"; }
measure() {  # prints the microseconds one extraction into an empty folder takes
  rm -rf "$work/out" && mkdir "$work/out" && sync
  local start
  start=$(now_us)
  "$@"
  echo $(($(now_us) - start))
}

run_kestrane && run_unzip  # warm the file cache and check both work
k_times=() u_times=()
for i in $(seq "$runs"); do
  if ((i % 2)); then  # alternate who goes first
    k_times+=("$(measure run_kestrane)") u_times+=("$(measure run_unzip)")
  else
    u_times+=("$(measure run_unzip)") k_times+=("$(measure run_kestrane)")
  fi
done
rm -rf "$work/out"

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
k_ms=$(awk -v us="$(median "${k_times[@]}")" 'BEGIN {printf "%.1f", us / 1000}')
u_ms=$(awk -v us="$(median "${u_times[@]}")" 'BEGIN {printf "%.1f", us / 1000}')
echo "Kestrane extraction: ${k_ms} ms, unzip -o -q: ${u_ms} ms (medians of $runs)"
awk -v k="$k_ms" -v u="$u_ms" 'BEGIN {printf "ratio Kestrane / unzip: %.3f\n", k / u}'
printf 'ROW\tzip extraction, 1000 entries, 50 MB\t%s\t%s\tms\t1.20\n' "$k_ms" "$u_ms"
