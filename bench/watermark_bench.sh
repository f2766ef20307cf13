#!/usr/bin/env bash
# Watermarks on a large job, through xpspipe with only xprepflt, against the
# filter's pass-through of the same job (no ticket), in one script: ratios of
# wall-clock times (best of three runs each) with the peak memory of each run.
#   1. a text watermark ("DRAFT", outlined and transparent: nine glyph runs
#      and the copy under the content) on every page;
#   2. a bitmap watermark from a 2,000 x 2,000 JPEG on every page: the file is
#      decoded and encoded once per job, not once per page.
#
#   bench/watermark_bench.sh [BUILD_DIR] [PAGES]
#
# Defaults: build/release, 1000 pages. Goals: each within 1.5 times the
# pass-through; memory flat in the page count (the run at a quarter of the
# pages shows it).
set -euo pipefail
# A run that fails stops the bench instead of timing the failure.
shopt -s inherit_errexit
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/timed_run.sh"
. "$here/bench/bench_jobs.sh"
build=$(cd "${1:-$here/build/release}" && pwd)
pages=${2:-1000}
work="$build/bench-data"
mkdir -p "$work"
xpspipe="$build/host/xpspipe/xpspipe"

image="$work/wm-2000.jpg"
[ -f "$image" ] || /usr/bin/python3 -c "
from PIL import Image, ImageDraw
i = Image.new('RGB', (2000, 2000), (255, 255, 255))
d = ImageDraw.Draw(i)
for k in range(0, 2000, 50):
    d.line((k, 0, 2000 - k, 2000), fill=(k % 256, 80, 160), width=9)
i.save('$image', quality=90, dpi=(300, 300))
"

# A watermark ticket: $1 the item's type, $2 its text, $3 its file.
ticket() {
  local out="$work/wm-$1.xml"
  cat >"$out" <<EOF2
<?xml version="1.0" encoding="UTF-8"?>
<psf:PrintTicket xmlns:psf="http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"
 xmlns:psk="http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"
 xmlns:kp="http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords" version="1">
  <psf:Feature name="psk:PageWatermark"><psf:Option name="psk:On"/>
    <psf:Feature name="kp:OverlayMethod"><psf:Option name="kp:Transparent"/></psf:Feature>
    <psf:Feature name="kp:OutlineTxt"><psf:Option name="kp:On"/></psf:Feature>
  </psf:Feature>
  <psf:Property name="kp:PageWatermarkData">
    <psf:Property name="kp:WatermarkSettings">
      <psf:Property name="kp:ID"><psf:Value xsi:type="xsd:integer">1</psf:Value></psf:Property>
      <psf:Property name="kp:Type"><psf:Value xsi:type="xsd:string">$1</psf:Value></psf:Property>
      <psf:Property name="kp:PostionX"><psf:Value xsi:type="xsd:integer">0</psf:Value></psf:Property>
      <psf:Property name="kp:PostionY"><psf:Value xsi:type="xsd:integer">0</psf:Value></psf:Property>
      <psf:Property name="kp:FontColor"><psf:Value xsi:type="xsd:integer">16711680</psf:Value></psf:Property>
      <psf:Property name="kp:FontSize"><psf:Value xsi:type="xsd:integer">72</psf:Value></psf:Property>
      <psf:Property name="kp:Text"><psf:Value xsi:type="xsd:string">$2</psf:Value></psf:Property>
      <psf:Property name="kp:Angle"><psf:Value xsi:type="xsd:integer">45</psf:Value></psf:Property>
      <psf:Property name="kp:FontName"><psf:Value xsi:type="xsd:string">DejaVu Sans</psf:Value></psf:Property>
      <psf:Property name="kp:FontItalicStyle"><psf:Value xsi:type="xsd:integer">0</psf:Value></psf:Property>
      <psf:Property name="kp:FontBoldStyle"><psf:Value xsi:type="xsd:integer">0</psf:Value></psf:Property>
      <psf:Property name="kp:Filename"><psf:Value xsi:type="xsd:string">$3</psf:Value></psf:Property>
      <psf:Property name="kp:Scaling"><psf:Value xsi:type="xsd:integer">100</psf:Value></psf:Property>
    </psf:Property>
  </psf:Property>
</psf:PrintTicket>
EOF2
  echo "$out"
}

# One run under /usr/bin/time; prints "seconds peak-KiB cpu-seconds" (cpu:
# user and system, which a machine busy with other work inflates less than
# the wall clock). $1: ticket or "", $2: job.
measure() {
  local log="$work/wm-time.log" ticket=() wall
  [ -n "$1" ] && ticket=(--job-ticket "$1")
  wall=$(timed_run "$log" "$xpspipe" run --quiet --filters xprepflt "${ticket[@]}" --output "$work/wm-out.xps" "$2")
  echo "$wall $(awk -F': ' '/User time|System time/ {s += $2} END {printf "%.2f", s}' "$log")"
}

min() { awk -v x="$1" -v y="$2" 'BEGIN {print (x < y ? x : y)}'; }

# Best times and highest peak of three runs of the ticket and of the
# pass-through, alternating. Arguments: ticket job. Prints, for each of the
# two: seconds, peak KiB, cpu seconds.
best_of_three() {
  local r a_s=999999 a_kib=0 a_c=999999 b_s=999999 b_kib=0 b_c=999999 s kib c
  for _ in 1 2 3; do
    r=$(measure "$1" "$2")
    read -r s kib c <<<"$r"
    a_s=$(min "$s" "$a_s"); a_c=$(min "$c" "$a_c"); a_kib=$((kib > a_kib ? kib : a_kib))
    r=$(measure "" "$2")
    read -r s kib c <<<"$r"
    b_s=$(min "$s" "$b_s"); b_c=$(min "$c" "$b_c"); b_kib=$((kib > b_kib ? kib : b_kib))
  done
  echo "$a_s $a_kib $a_c $b_s $b_kib $b_c"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

job=$(sample_job "$pages")
quarter=$(sample_job "$((pages / 4))")
text=$(ticket Text DRAFT "")
bitmap=$(ticket Bitmap "" "$image")
series=$(best_of_three "$text" "$job")
read -r t_s t_kib t_c p_s p_kib p_c <<<"$series"
series=$(best_of_three "$text" "$quarter")
read -r qt_s qt_kib qt_c _ _ _ <<<"$series"
series=$(best_of_three "$bitmap" "$job")
read -r b_s b_kib b_c bp_s bp_kib bp_c <<<"$series"
series=$(best_of_three "$bitmap" "$quarter")
read -r qb_s qb_kib qb_c _ _ _ <<<"$series"
rm -f "$work/wm-out.xps" "$work/wm-time.log"

echo "generated job: $pages pages, $(($(stat -c %s "$job") / 1024)) KiB (times: wall, cpu)"
echo "  text watermark:   ${t_s} s, ${t_c} s cpu, peak ${t_kib} KiB (at $((pages / 4)) pages: ${qt_s} s, ${qt_c} s cpu, peak ${qt_kib} KiB)"
echo "  bitmap watermark: ${b_s} s, ${b_c} s cpu, peak ${b_kib} KiB (at $((pages / 4)) pages: ${qb_s} s, ${qb_c} s cpu, peak ${qb_kib} KiB)"
echo "  pass-through:     ${p_s} s, ${p_c} s cpu, peak ${p_kib} KiB (second series: ${bp_s} s, ${bp_c} s cpu, peak ${bp_kib} KiB)"
echo "  ratio text/pass-through:   $(ratio "$t_s" "$p_s"), cpu $(ratio "$t_c" "$p_c") (goal <= 1.5)"
echo "  ratio bitmap/pass-through: $(ratio "$b_s" "$bp_s"), cpu $(ratio "$b_c" "$bp_c") (goal <= 1.5)"
