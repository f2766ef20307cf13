#!/usr/bin/env bash
# Whole-process comparison on a large generated job: xpspipe's pass-through
# chain (the bundled XPS chain) against repacking the same package (unzip,
# then zip at the writer's compression level 6), run in the same script and
# reported as a ratio, with the peak memory of each.
#
#   bench/pipeline_passthrough.sh [BUILD_DIR] [PAGES] [NOISE_KIB]
#
# Defaults: build/release, 1000 pages, 100 KiB of incompressible image per page
# (a package of about 100 MB). Goals: at most 1.3 times the repack, and peak
# memory that does not grow with the page count (under 64 MiB plus the largest part).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
noise=${3:-100}
work="$build/bench-data"
mkdir -p "$work"

job="$work/large-$pages-$noise.xps"
[ -f "$job" ] || "$build/tools/make-sample-xps" --pages "$pages" --noise-kib "$noise" "$job"
small="$work/large-$((pages / 4))-$noise.xps"
[ -f "$small" ] || "$build/tools/make-sample-xps" --pages "$((pages / 4))" --noise-kib "$noise" "$small"

# Runs a command under /usr/bin/time; prints "seconds peak-KiB".
measure() {
  local log="$work/time.log"
  /usr/bin/time -v -o "$log" "$@" >/dev/null
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  # h:mm:ss or m:ss.cc into seconds
  echo "$wall" | awk -F: -v rss="$rss" '{s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f %s\n", s, rss}'
}

repack() {
  rm -rf "$work/unpacked" "$work/repacked.xps"
  unzip -q "$1" -d "$work/unpacked"
  (cd "$work/unpacked" && zip -q -r -6 "$work/repacked.xps" .)
}
export -f repack
export work

largest=$(unzip -Z -l "$job" | awk 'NR > 2 && $4 ~ /^[0-9]+$/ {if ($4 > m) m = $4} END {print m}')
read -r pipe_s pipe_kib < <(measure "$build/host/xpspipe/xpspipe" run --quiet -o "$work/out.xps" "$job")
read -r small_s small_kib < <(measure "$build/host/xpspipe/xpspipe" run --quiet -o "$work/out-small.xps" "$small")
read -r repack_s repack_kib < <(measure bash -c "repack '$job'")
rm -rf "$work/unpacked" "$work/repacked.xps" "$work/out-small.xps"

ratio=$(awk -v a="$pipe_s" -v b="$repack_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
limit_kib=$(( 64 * 1024 + largest / 1024 ))
echo "job: $pages pages, $(($(stat -c %s "$job") / 1048576)) MiB, largest part $((largest / 1024)) KiB"
echo "pass-through chain: ${pipe_s} s, peak ${pipe_kib} KiB (at $((pages / 4)) pages: ${small_s} s, peak ${small_kib} KiB)"
echo "repack (unzip + zip -6): ${repack_s} s, peak ${repack_kib} KiB"
echo "ratio chain/repack: $ratio (goal <= 1.3)"
echo "peak memory goal: <= $limit_kib KiB: $([ "$pipe_kib" -le "$limit_kib" ] && echo met || echo missed)"
