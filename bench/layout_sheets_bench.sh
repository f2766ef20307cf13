#!/usr/bin/env bash
# The layout filter on large jobs: 4-up (xlayflt alone) and a booklet (xordflt
# then xlayflt, two pages a side) against the pass-through of the same job
# through the same filters (a ticket without N-up, booklet or duplex), all
# through xpspipe in the same script, reported as ratios of wall-clock times
# (best of three runs each) with the peak memory of each run.
#
#   bench/layout_sheets_bench.sh [BUILD_DIR] [PAGES]
#
# Jobs: a generated job of PAGES pages (default 1000) and one of a quarter of
# them, to show that peak memory does not grow with the page count (a sheet is
# streamed into its part, never held whole); and a document Ghostscript makes
# from a long text (every glyph a path, so heavy pages), when gs is installed.
# Goal: 4-up within 1.5 times the pass-through.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
. "$here/bench/bench_jobs.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
work="$build/bench-data"
mkdir -p "$work"
xpspipe="$build/host/xpspipe/xpspipe"

ticket() {
  printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
    '<psf:PrintTicket xmlns:psf="http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"' \
    ' xmlns:psk="http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords"' \
    ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"' \
    ' xmlns:kp="http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords" version="1">' \
    "$1" '</psf:PrintTicket>'
}
nup() {
  printf '%s' '<psf:Feature name="psk:JobNUpAllDocumentsContiguously"><psf:Option>' \
    '<psf:ScoredProperty name="psk:PagesPerSheet"><psf:Value xsi:type="xsd:integer">' "$1" \
    '</psf:Value></psf:ScoredProperty></psf:Option>' \
    '<psf:Feature name="psk:PresentationDirection"><psf:Option name="psk:RightBottom"/></psf:Feature>' \
    '<psf:Feature name="kp:BorderLine"><psf:Option name="kp:SolidLine"/></psf:Feature></psf:Feature>'
}
ticket "" >"$work/layout-pass.xml"
ticket "$(nup 4)" >"$work/layout-4up.xml"
ticket '<psf:Feature name="psk:JobBindAllDocuments"><psf:Option name="psk:Booklet"/></psf:Feature>
<psf:Feature name="psk:JobDuplexAllDocumentsContiguously"><psf:Option name="psk:TwoSidedShortEdge"/></psf:Feature>'"$(nup 2)" \
  >"$work/layout-booklet.xml"

# One run under /usr/bin/time; prints "seconds peak-KiB".
measure() {
  timed_run "$work/layout-time.log" \
    "$xpspipe" run --quiet --filters "$1" --job-ticket "$2" --output "$work/layout-out.xps" "$3"
}

# Best time and highest peak of three runs of the mode, alternating with the
# pass-through's runs; prints "mode-s mode-KiB pass-s pass-KiB".
against_pass() {
  local filters=$1 ticket=$2 job=$3
  local a_s=999999 a_kib=0 b_s=999999 b_kib=0 s kib
  for _ in 1 2 3; do
    read -r s kib < <(measure "$filters" "$ticket" "$job")
    a_s=$(awk -v x="$s" -v y="$a_s" 'BEGIN {print (x < y ? x : y)}'); a_kib=$((kib > a_kib ? kib : a_kib))
    read -r s kib < <(measure "$filters" "$work/layout-pass.xml" "$job")
    b_s=$(awk -v x="$s" -v y="$b_s" 'BEGIN {print (x < y ? x : y)}'); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $b_s $b_kib"
}

report() {
  local label=$1 filters=$2 ticket=$3 job=$4 a_s a_kib b_s b_kib ratio
  read -r a_s a_kib b_s b_kib < <(against_pass "$filters" "$ticket" "$job")
  ratio=$(awk -v a="$a_s" -v b="$b_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
  echo "$label: ${a_s} s, peak ${a_kib} KiB; pass-through ${b_s} s, peak ${b_kib} KiB; ratio $ratio"
}

job=$(sample_job "$pages")
quarter=$(sample_job "$((pages / 4))")
echo "generated job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB"
report "4-up, $pages pages" xlayflt "$work/layout-4up.xml" "$job"
report "4-up, $((pages / 4)) pages" xlayflt "$work/layout-4up.xml" "$quarter"
report "booklet, $pages pages" xordflt,xlayflt "$work/layout-booklet.xml" "$job"
report "booklet, $((pages / 4)) pages" xordflt,xlayflt "$work/layout-booklet.xml" "$quarter"
if command -v gs >/dev/null; then
  gsjob=$(heavy_job)
  echo "Ghostscript job: $(unzip -l "$gsjob" | grep -c '\.fpage$') pages, $(($(stat -c %s "$gsjob") / 1024)) KiB"
  report "4-up, Ghostscript job" xlayflt "$work/layout-4up.xml" "$gsjob"
  report "booklet, Ghostscript job" xordflt,xlayflt "$work/layout-booklet.xml" "$gsjob"
fi
rm -f "$work/layout-out.xps" "$work/layout-time.log"
echo "goal: 4-up within 1.5 times the pass-through; peak memory the same at a quarter of the pages"
