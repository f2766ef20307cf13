#!/usr/bin/env bash
# The finisher filter on large jobs, through xpspipe with only xfinflt, against
# its own pass-through of the same job (no ticket) in the same script, as ratios
# of wall-clock times (best of three runs each) with the peak memory of each
# run: every page mirrored with cut-out lines round it (the work of a mirrored
# poster tile), on a generated job and on a Ghostscript-made document with
# heavy pages.
#
#   bench/finisher_bench.sh [BUILD_DIR] [PAGES]
#
# Defaults: build/release, 1000 pages. Goals: within 1.3 times the
# pass-through; memory flat in the page count (the run at a quarter of the
# pages shows it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
work="$build/bench-data"
mkdir -p "$work"
. "$here/bench/bench_jobs.sh"
xpspipe="$build/host/xpspipe/xpspipe"

cat >"$work/fin-mirror.xml" <<EOF2
<?xml version="1.0" encoding="UTF-8"?>
<psf:PrintTicket xmlns:psf="http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"
 xmlns:psk="http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"
 xmlns:kp="http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords" version="1">
  <psf:Feature name="psk:PageMirrorImage"><psf:Option name="psk:MirrorImageWidth"/></psf:Feature>
  <psf:Feature name="psk:PagePoster"><psf:Option name="psk:On">
    <psf:ScoredProperty name="psk:SheetsPerPage"><psf:Value xsi:type="xsd:integer">4</psf:Value></psf:ScoredProperty>
  </psf:Option><psf:Feature name="kp:PagePrintCutOutLine"><psf:Option name="kp:On"/></psf:Feature></psf:Feature>
</psf:PrintTicket>
EOF2

# One run under /usr/bin/time; prints "seconds peak-KiB". $1: ticket or "", $2: job.
measure() {
  local log="$work/fin-time.log" ticket=()
  [ -n "$1" ] && ticket=(--job-ticket "$1")
  timed_run "$log" "$xpspipe" run --quiet --filters xfinflt "${ticket[@]}" --output "$work/fin-out.xps" "$2"
}

# Best time and highest peak of three runs finished and passed through, alternating.
# Arguments: ticket job.
best_of_three() {
  local a_s=999999 a_kib=0 b_s=999999 b_kib=0 s kib
  for _ in 1 2 3; do
    read -r s kib < <(measure "$1" "$2")
    a_s=$(awk -v x="$s" -v y="$a_s" 'BEGIN {print (x < y ? x : y)}'); a_kib=$((kib > a_kib ? kib : a_kib))
    read -r s kib < <(measure "" "$2")
    b_s=$(awk -v x="$s" -v y="$b_s" 'BEGIN {print (x < y ? x : y)}'); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $b_s $b_kib"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

job=$(sample_job "$pages")
quarter=$(sample_job "$((pages / 4))")
gsjob=$(heavy_job)
ticket="$work/fin-mirror.xml"
read -r f_s f_kib p_s p_kib < <(best_of_three "$ticket" "$job")
read -r qf_s qf_kib qp_s qp_kib < <(best_of_three "$ticket" "$quarter")
read -r g_s g_kib gp_s gp_kib < <(best_of_three "$ticket" "$gsjob")
rm -f "$work/fin-out.xps" "$work/fin-time.log"

echo "generated job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB"
echo "  mirrored with cut-out lines: ${f_s} s, peak ${f_kib} KiB (at $((pages / 4)) pages: ${qf_s} s, peak ${qf_kib} KiB)"
echo "  pass-through:                ${p_s} s, peak ${p_kib} KiB (at $((pages / 4)) pages: ${qp_s} s, peak ${qp_kib} KiB)"
echo "  ratio finished/pass-through: $(ratio "$f_s" "$p_s") (goal <= 1.3)"
echo "Ghostscript job: $(unzip -l "$gsjob" | grep -c '\.fpage$') pages, $(($(stat -c %s "$gsjob") / 1024)) KiB"
echo "  mirrored with cut-out lines: ${g_s} s, peak ${g_kib} KiB"
echo "  pass-through:                ${gp_s} s, peak ${gp_kib} KiB"
echo "  ratio finished/pass-through: $(ratio "$g_s" "$gp_s") (goal <= 1.3)"
