# Sourced by the bench scripts. timed_run LOG COMMAND...: runs COMMAND under
# /usr/bin/time -v (its report in LOG) and prints "seconds peak-KiB".
timed_run() {
  local log=$1
  shift
  /usr/bin/time -v -o "$log" "$@" >/dev/null
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  # h:mm:ss or m:ss.cc into seconds
  echo "$wall" | awk -F: -v rss="$rss" '{s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f %s\n", s, rss}'
}
