#!/usr/bin/env bash
# The preparation filter on large jobs, through xpspipe with only xprepflt, in
# the same script as its baselines, as ratios of wall-clock times (best of
# three runs each) with the peak memory of each run:
#   1. scaling every page (fit to the printable area) of a generated job and of
#      a Ghostscript-made document with heavy pages, against the filter's
#      pass-through of the same job (no ticket);
#   2. the filter's pass-through with nothing asked against the pass-through of
#      a filter of the chain that only passes parts on (xfinflt, the framework's
#      default operations), on the generated job: what settings reads cost.
#
#   bench/preparation_scaling_bench.sh [BUILD_DIR] [PAGES]
#
# Defaults: build/release, 1000 pages. Goals: scaling within 1.3 times the
# pass-through; the nothing-asked pass-through within 1.05 times the chain
# filter's; memory flat in the page count (the run at a quarter of the pages
# shows it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
. "$here/bench/bench_jobs.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
work="$build/bench-data"
mkdir -p "$work"
xpspipe="$build/host/xpspipe/xpspipe"

cat >"$work/prep-scale.xml" <<EOF2
<?xml version="1.0" encoding="UTF-8"?>
<psf:PrintTicket xmlns:psf="http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"
 xmlns:psk="http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords" version="1">
  <psf:Feature name="psk:PageScaling"><psf:Option name="psk:FitApplicationMediaSizeToPageImageableSize"/></psf:Feature>
</psf:PrintTicket>
EOF2

# One run under /usr/bin/time; prints "seconds peak-KiB". $1: filter, $2: ticket or "", $3: job.
measure() {
  local log="$work/prep-time.log" ticket=()
  [ -n "$2" ] && ticket=(--job-ticket "$2")
  timed_run "$log" "$xpspipe" run --quiet --filters "$1" "${ticket[@]}" --output "$work/prep-out.xps" "$3"
}

# Best time and highest peak of three runs of A and B, alternating.
# Arguments: filter_a ticket_a filter_b ticket_b job.
best_of_three() {
  local a_s=999999 a_kib=0 b_s=999999 b_kib=0 s kib
  for _ in 1 2 3; do
    read -r s kib < <(measure "$1" "$2" "$5")
    a_s=$(awk -v x="$s" -v y="$a_s" 'BEGIN {print (x < y ? x : y)}'); a_kib=$((kib > a_kib ? kib : a_kib))
    read -r s kib < <(measure "$3" "$4" "$5")
    b_s=$(awk -v x="$s" -v y="$b_s" 'BEGIN {print (x < y ? x : y)}'); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $b_s $b_kib"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

job=$(sample_job "$pages")
quarter=$(sample_job "$((pages / 4))")
gsjob=$(heavy_job)
scale="$work/prep-scale.xml"
read -r s_s s_kib p_s p_kib < <(best_of_three xprepflt "$scale" xprepflt "" "$job")
read -r qs_s qs_kib qp_s qp_kib < <(best_of_three xprepflt "$scale" xprepflt "" "$quarter")
read -r g_s g_kib gp_s gp_kib < <(best_of_three xprepflt "$scale" xprepflt "" "$gsjob")
read -r n_s n_kib c_s c_kib < <(best_of_three xprepflt "" xfinflt "" "$job")
rm -f "$work/prep-out.xps" "$work/prep-time.log"

echo "generated job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB"
echo "  scaled:       ${s_s} s, peak ${s_kib} KiB (at $((pages / 4)) pages: ${qs_s} s, peak ${qs_kib} KiB)"
echo "  pass-through: ${p_s} s, peak ${p_kib} KiB (at $((pages / 4)) pages: ${qp_s} s, peak ${qp_kib} KiB)"
echo "  ratio scaled/pass-through: $(ratio "$s_s" "$p_s") (goal <= 1.3)"
echo "Ghostscript job: $(unzip -l "$gsjob" | grep -c '\.fpage$') pages, $(($(stat -c %s "$gsjob") / 1024)) KiB"
echo "  scaled:       ${g_s} s, peak ${g_kib} KiB"
echo "  pass-through: ${gp_s} s, peak ${gp_kib} KiB"
echo "  ratio scaled/pass-through: $(ratio "$g_s" "$gp_s") (goal <= 1.3)"
echo "nothing asked, generated job:"
echo "  xprepflt: ${n_s} s, peak ${n_kib} KiB; xfinflt: ${c_s} s, peak ${c_kib} KiB"
echo "  ratio xprepflt/xfinflt: $(ratio "$n_s" "$c_s") (goal <= 1.05)"
