#!/usr/bin/env bash
# Whole-process comparison on large generated jobs: xpspipe's pass-through
# chain (the bundled XPS chain) against repacking the same package (unzip,
# then zip at the writer's compression level 6), run in the same script and
# reported as a ratio, with the peak memory of each, for several page counts.
#
#   bench/pipeline_passthrough.sh [BUILD_DIR] [PAGES,...] [NOISE_KIB]
#
# Defaults: build/release, 250, 1000 and 4000 pages, 100 KiB of incompressible
# image per page (1000 pages make a package of about 100 MB). Goals: at most
# 1.3 times the repack, and peak memory that does not grow with the page count
# (under 64 MiB plus the largest part). The last line gives the growth per
# 1000 pages between the smallest and the largest job.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
IFS=, read -r -a sizes <<< "${2:-250,1000,4000}"
noise=${3:-100}
work="$build/bench-data"
mkdir -p "$work"

# Runs a command under /usr/bin/time; prints "seconds peak-KiB".
measure() { timed_run "$work/time.log" "$@"; }

repack() {
  rm -rf "$work/unpacked" "$work/repacked.xps"
  unzip -q "$1" -d "$work/unpacked"
  (cd "$work/unpacked" && zip -q -r -6 "$work/repacked.xps" .)
}
export -f repack
export work

printf '%7s %7s %9s | %8s %10s | %8s %10s | %5s %s\n' pages MiB largest chain-s chain-KiB repack-s repack-KiB ratio "memory goal"
first_pages="" first_kib="" last_pages="" last_kib=""
for pages in "${sizes[@]}"; do
  job="$work/large-$pages-$noise.xps"
  [ -f "$job" ] || "$build/tools/make-sample-xps" --pages "$pages" --noise-kib "$noise" "$job"
  largest=$(unzip -Z -l "$job" | awk 'NR > 2 && $4 ~ /^[0-9]+$/ {if ($4 > m) m = $4} END {print m}')
  read -r pipe_s pipe_kib < <(measure "$build/host/xpspipe/xpspipe" run --quiet "$job" "$work/out.xps")
  read -r repack_s repack_kib < <(measure bash -c "repack '$job'")
  rm -rf "$work/unpacked" "$work/repacked.xps" "$work/out.xps"
  ratio=$(awk -v a="$pipe_s" -v b="$repack_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
  limit_kib=$(( 64 * 1024 + largest / 1024 ))
  goal=$([ "$pipe_kib" -le "$limit_kib" ] && echo "met (<= $limit_kib KiB)" || echo "missed (> $limit_kib KiB)")
  printf '%7s %7s %8sK | %8s %10s | %8s %10s | %5s %s\n' "$pages" "$(($(stat -c %s "$job") / 1048576))" \
    "$((largest / 1024))" "$pipe_s" "$pipe_kib" "$repack_s" "$repack_kib" "$ratio" "$goal"
  [ -n "$first_pages" ] || { first_pages=$pages; first_kib=$pipe_kib; }
  last_pages=$pages last_kib=$pipe_kib
done
if [ "$last_pages" != "$first_pages" ]; then
  awk -v a="$first_kib" -v b="$last_kib" -v p="$first_pages" -v q="$last_pages" \
    'BEGIN {printf "peak growth: %.0f KiB per 1000 pages (%s to %s pages)\n", (b - a) * 1000 / (q - p), p, q}'
fi
echo "ratio goal: <= 1.3"
