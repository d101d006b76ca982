#!/bin/sh
# What AVIF and HEIC speed costs: one generated 12-megapixel photo converted by
# pictavo-cli at each speed (written by libheif) and without one (the image library's
# coder), against ImageMagick's convert writing the same format at the same quality.
# Prints seconds and bytes per row.
#   bench/run_heif_speed_bench.sh BUILD_DIR [SPEEDS] [QUALITY]
set -eu
build=${1:?build folder}
speeds=${2:-"0 3 6 9"}
quality=${3:-75}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
cli=$(cd "$build/bin" && pwd)/pictavo-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Texture with grain, as a photo has; a smooth picture would flatter every speed.
"$convert" -size 4000x3000 plasma:fractal -seed 5 -attenuate 0.25 +noise Gaussian \
  -quality 92 "$work/photo.jpg"

now_ms() { date +%s%3N; }
row() { printf '%-6s %-22s %8s s %10s bytes\n' "$1" "$2" "$3" "$4"; }
seconds() { echo "$1" | awk '{ printf "%.2f", $1 / 1000 }'; }

for format in avif heic; do
  start=$(now_ms)
  "$convert" "$work/photo.jpg" -quality "$quality" "$work/reference.$format"
  row "$format" "convert" "$(seconds $(( $(now_ms) - start )))" "$(stat -c %s "$work/reference.$format")"
  for speed in default $speeds; do
    rm -rf "$work/out" && mkdir "$work/out"
    option=""
    [ "$speed" = default ] || option="--option speed=$speed"
    start=$(now_ms)
    # shellcheck disable=SC2086
    "$cli" convert --to "$format" --quality "$quality" $option --jobs 1 --out "$work/out" \
      "$work/photo.jpg" >"$work/cli.log"
    ms=$(( $(now_ms) - start ))
    row "$format" "pictavo speed $speed" "$(seconds "$ms")" "$(stat -c %s "$work"/out/photo.*)"
  done
done
