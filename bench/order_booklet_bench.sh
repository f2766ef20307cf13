#!/usr/bin/env bash
# The order filter on a large generated job: a booklet (every page held back,
# three pad pages, the whole job sent in booklet order) against the filter's
# pass-through of the same job (no booklet), both through xpspipe with only
# xordflt, in the same script, reported as a ratio of wall-clock times (best of
# three runs each), with the peak memory of each run.
#
#   bench/order_booklet_bench.sh [BUILD_DIR] [PAGES] [NOISE_KIB]
#
# Defaults: build/release, 1000 pages, no image noise (small pages, so that the
# filter's own work is not hidden behind the package's bytes). Goal: the booklet
# within 1.2 times the pass-through. Held pages are references, not content:
# the booklet's extra memory grows with the page count by a few KiB a page at
# most, which the run at a quarter of the pages shows.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
. "$here/bench/bench_jobs.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
noise=${3:-0}
work="$build/bench-data"
mkdir -p "$work"
xpspipe="$build/host/xpspipe/xpspipe"

ticket() {
  cat <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<psf:PrintTicket xmlns:psf="http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"
 xmlns:psk="http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords" version="1">
  <psf:Feature name="psk:JobBindAllDocuments"><psf:Option name="psk:$1"/></psf:Feature>
  <psf:Feature name="psk:JobDuplexAllDocumentsContiguously"><psf:Option name="psk:TwoSidedShortEdge"/></psf:Feature>
</psf:PrintTicket>
EOF
}
ticket Booklet >"$work/order-booklet.xml"
ticket BindLeft >"$work/order-left.xml"

# One run under /usr/bin/time; prints "seconds peak-KiB".
measure() {
  timed_run "$work/order-time.log" "$xpspipe" run --quiet --filters xordflt --job-ticket "$1" "$2" "$work/order-out.xps"
}

# Best time and highest peak of three runs, alternating with the other mode's runs.
best_of_three() {
  local ticket_a=$1 ticket_b=$2 job=$3
  local a_s=999999 a_kib=0 b_s=999999 b_kib=0 s kib
  for _ in 1 2 3; do
    read -r s kib < <(measure "$ticket_a" "$job")
    a_s=$(awk -v x="$s" -v y="$a_s" 'BEGIN {print (x < y ? x : y)}'); a_kib=$((kib > a_kib ? kib : a_kib))
    read -r s kib < <(measure "$ticket_b" "$job")
    b_s=$(awk -v x="$s" -v y="$b_s" 'BEGIN {print (x < y ? x : y)}'); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $b_s $b_kib"
}

job=$(sample_job "$pages" "$noise")
quarter=$(sample_job "$((pages / 4))" "$noise")
read -r book_s book_kib pass_s pass_kib < <(best_of_three "$work/order-booklet.xml" "$work/order-left.xml" "$job")
read -r qbook_s qbook_kib qpass_s qpass_kib < <(best_of_three "$work/order-booklet.xml" "$work/order-left.xml" "$quarter")
rm -f "$work/order-out.xps" "$work/order-time.log"

ratio=$(awk -v a="$book_s" -v b="$pass_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
per_page=$(awk -v a="$book_kib" -v b="$pass_kib" -v qa="$qbook_kib" -v qb="$qpass_kib" -v n="$pages" \
  'BEGIN {printf "%.1f", ((a - b) - (qa - qb)) / (n - n / 4)}')
echo "job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB"
echo "booklet:      ${book_s} s, peak ${book_kib} KiB (at $((pages / 4)) pages: ${qbook_s} s, peak ${qbook_kib} KiB)"
echo "pass-through: ${pass_s} s, peak ${pass_kib} KiB (at $((pages / 4)) pages: ${qpass_s} s, peak ${qpass_kib} KiB)"
echo "ratio booklet/pass-through: $ratio (goal <= 1.2)"
echo "booklet's extra peak memory per held page: ${per_page} KiB"
