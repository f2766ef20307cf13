# Sourced by the bench scripts: the jobs they time, made once into $work and
# kept there between runs. Needs $build (the build folder) and $work.

# sample_job PAGES [NOISE_KIB]: a generated job of PAGES light pages, each with
# NOISE_KIB of incompressible image bytes when asked.
sample_job() {
  local noise=${2:-0}
  local job="$work/sample-$1-$noise.xps"
  [ -f "$job" ] || "$build/tools/make-sample-xps" --pages "$1" --noise-kib "$noise" "$job" || return
  echo "$job"
}

# heavy_job: text set by Ghostscript's XPS writer, which draws every glyph as a
# path, so pages are heavy (about 50 of them). Needs gs.
heavy_job() {
  local job="$work/heavy-gs.xps" text="$work/heavy-gs.txt"
  if [ ! -f "$job" ]; then
    for _ in 1 2 3 4; do cat /usr/share/common-licenses/GPL-3; done >"$text"
    gs -dNOSAFER -q -dBATCH -dNOPAUSE -sDEVICE=xpswrite -sOutputFile="$job" -- \
      /usr/share/ghostscript/*/lib/gslp.ps "$text" >/dev/null
  fi
  echo "$job"
}
