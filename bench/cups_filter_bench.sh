#!/usr/bin/env bash
# The CUPS filter's cost: one job through `cupsfilter` (CUPS's own filter
# runner, with the generated PPD, to PWG Raster) against `xpspipe run
# --config print` on the same job, run in the same script and reported as a
# ratio. The filter shares xpspipe's pipeline, so the difference is CUPS's
# start-up and the pipe its output goes through.
#
#   bench/cups_filter_bench.sh [BUILD_DIR] [PAGES]
#
# Defaults: build/release, 100 pages. Goal: a ratio of at most 1.1.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-100}
work="$build/bench-data"
mkdir -p "$work"
. "$here/bench/bench_jobs.sh"
command -v cupsfilter >/dev/null || { echo "cups_filter_bench: cupsfilter is missing (scripts/setup installs it)" >&2; exit 1; }

# CUPS's folders for cupsfilter: its MIME rules with ours, its filters with ours.
cups="$work/cups"
rm -rf "$cups"
mkdir -p "$cups/root" "$cups/serverbin/filter" "$cups/tmp"
ln -s /usr/share/cups/mime/* "$cups/root/"
cp "$here/host/cups_filter/kestrel-xps.types" "$here/host/cups_filter/kestrel-xps.convs" "$cups/root/"
ln -s "$build/host/cups_filter/kestrel-xps" "$cups/serverbin/filter/kestrel-xps"
printf 'ServerBin %s\nTempDir %s\n' "$cups/serverbin" "$cups/tmp" >"$cups/root/cups-files.conf"

job=$(sample_job "$pages")
read -r pipe_s pipe_kib < <(timed_run "$work/time.log" "$build/host/xpspipe/xpspipe" run --quiet --config print "$job" "$work/out.pwg")
read -r cups_s cups_kib < <(timed_run "$work/time.log" cupsfilter -c "$cups/root/cups-files.conf" \
  -p "$build/kestrel-inkjet-mfp.ppd" -m application/vnd.cups-pwg-raster "$job" 2>"$work/cupsfilter.log")
rm -rf "$cups" "$work/out.pwg" "$work/cupsfilter.log"
ratio=$(awk -v a="$cups_s" -v b="$pipe_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
printf '%6s | %10s %10s | %10s %10s | %5s\n' pages cupsfilter-s peak-KiB xpspipe-s peak-KiB ratio
printf '%6s | %10s %10s | %10s %10s | %5s\n' "$pages" "$cups_s" "$cups_kib" "$pipe_s" "$pipe_kib" "$ratio"
echo "ratio goal: <= 1.1"
