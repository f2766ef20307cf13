#!/usr/bin/env bash
# The header/footer on a large job, through xpspipe with only xprepflt, in the
# same script as its baseline: the wall-clock time (best of three runs each)
# of a date, time and ID line on every page of a generated job against the
# filter's pass-through of the same job (nothing asked), with the peak memory
# of each run, and the same at a quarter of the pages to show memory flat.
#
#   bench/header_footer_bench.sh [BUILD_DIR] [PAGES]
#
# Defaults: build/release, 1000 pages. Goals: within 1.3 times the
# pass-through (the font is read and the language module loaded once per
# document, not per page; one font part for the job); memory flat in the page
# count.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
. "$here/bench/bench_jobs.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
work="$build/bench-data"
mkdir -p "$work"
xpspipe="$build/host/xpspipe/xpspipe"
line=(-o header-footer -o header-footer-date=y-m-d -o header-footer-time=h:m:s -o "header-footer-id='Bench <ID>'")

# One run under /usr/bin/time; prints "seconds peak-KiB". $1: "line" or "plain", $2: job.
measure() {
  local log="$work/hf-time.log" options=()
  [ "$1" = line ] && options=("${line[@]}")
  timed_run "$log" "$xpspipe" run --quiet --filters xprepflt "${options[@]}" --output "$work/hf-out.xps" "$2"
}

# Best time and highest peak of three runs of the line and the pass-through, alternating.
best_of_three() {
  local a_s=999999 a_kib=0 b_s=999999 b_kib=0 s kib
  for _ in 1 2 3; do
    read -r s kib < <(measure line "$1")
    a_s=$(awk -v x="$s" -v y="$a_s" 'BEGIN {print (x < y ? x : y)}'); a_kib=$((kib > a_kib ? kib : a_kib))
    read -r s kib < <(measure plain "$1")
    b_s=$(awk -v x="$s" -v y="$b_s" 'BEGIN {print (x < y ? x : y)}'); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $b_s $b_kib"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

job=$(sample_job "$pages")
quarter=$(sample_job "$((pages / 4))")
read -r l_s l_kib p_s p_kib < <(best_of_three "$job")
read -r ql_s ql_kib qp_s qp_kib < <(best_of_three "$quarter")
measure line "$job" >/dev/null
fonts=$(($(unzip -l "$work/hf-out.xps" | grep -c '\.odttf$' || true) - $(unzip -l "$job" | grep -c '\.odttf$' || true)))
rm -f "$work/hf-out.xps" "$work/hf-time.log"

echo "generated job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB"
echo "  header/footer: ${l_s} s, peak ${l_kib} KiB (at $((pages / 4)) pages: ${ql_s} s, peak ${ql_kib} KiB)"
echo "  pass-through:  ${p_s} s, peak ${p_kib} KiB (at $((pages / 4)) pages: ${qp_s} s, peak ${qp_kib} KiB)"
echo "  ratio header/footer/pass-through: $(ratio "$l_s" "$p_s") (goal <= 1.3)"
echo "  font parts the line added to the job: $fonts (goal 1)"
