#!/usr/bin/env bash
# The print chain's pages per second at 300 and 600 dpi against mupdf drawing
# the same pages (the XPS chain's output) at the same resolution, in the same
# script, as a ratio; then the print chain's peak memory at 600 dpi for 10 and
# 100 pages, which should not grow with the page count.
#
#   bench/print_raster_bench.sh [BUILD_DIR]
#
# Default build/release. The jobs: the corpus documents that are there (one
# after another) and Ghostscript text pages. Goal: a ratio of at most 2.0.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
work="$build/bench-data"
mkdir -p "$work"
. "$here/bench/bench_jobs.sh"
xpspipe="$build/host/xpspipe/xpspipe"
measure() { timed_run "$work/time.log" "$@"; }

jobs=()
for document in "$here"/../shared/corpus/xps/*.xps "$here"/../shared/corpus/oxps/*.oxps; do
  [ -f "$document" ] && jobs+=("$document")
done
command -v gs >/dev/null && jobs+=("$(heavy_job)")

printf '%-16s %5s %4s | %8s %7s | %8s %7s | %5s\n' job dpi pages print-s pages/s mupdf-s pages/s ratio
for dpi in 300 600; do
  total_print=0 total_mupdf=0
  for job in "${jobs[@]}"; do
    "$xpspipe" run --quiet "$job" "$work/chain.xps"
    # Pages as mupdf counts them: each drawn at 1 dpi.
    rm -rf "$work/count" && mkdir "$work/count"
    mutool draw -q -r 1 -o "$work/count/p%d.png" "$work/chain.xps"
    pages=$(find "$work/count" -name '*.png' | wc -l)
    read -r print_s _ < <(measure "$xpspipe" run --quiet --config print -o "printer-resolution=${dpi}dpi" \
      "$job" "$work/out.pwg")
    read -r mupdf_s _ < <(measure mutool draw -q -r "$dpi" -F pnm -o /dev/null "$work/chain.xps")
    ratio=$(awk -v a="$print_s" -v b="$mupdf_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
    printf '%-16s %5s %4s | %8s %7.2f | %8s %7.2f | %5s\n' "$(basename "$job")" "$dpi" "$pages" "$print_s" \
      "$(awk -v p="$pages" -v s="$print_s" 'BEGIN {print (s > 0 ? p / s : 0)}')" "$mupdf_s" \
      "$(awk -v p="$pages" -v s="$mupdf_s" 'BEGIN {print (s > 0 ? p / s : 0)}')" "$ratio"
    total_print=$(awk -v a="$total_print" -v b="$print_s" 'BEGIN {print a + b}')
    total_mupdf=$(awk -v a="$total_mupdf" -v b="$mupdf_s" 'BEGIN {print a + b}')
  done
  awk -v a="$total_print" -v b="$total_mupdf" -v d="$dpi" \
    'BEGIN {printf "all jobs at %s dpi: ratio %.2f (goal <= 2.0)\n", d, (b > 0 ? a / b : 0)}'
done
rm -rf "$work/chain.xps" "$work/out.pwg" "$work/count"

for pages in 10 100; do
  job=$(sample_job "$pages")
  read -r seconds kib < <(measure "$xpspipe" run --quiet --config print -o printer-resolution=600dpi "$job" \
    "$work/out.pwg")
  echo "600 dpi, $pages pages: $seconds s, peak $kib KiB"
done
rm -f "$work/out.pwg"
