#!/bin/sh
# Three outputs per photo: 8 generated 12-megapixel JPEGs, each made into a 1920-pixel
# JPEG (quality 85), a 320-pixel WEBP and a full-size LZW TIFF (no CMYK). pictavo-cli
# does it as one run with three projects, as three runs with one project each, and the
# reference does it with vipsthumbnail (the two smaller ones) and convert (the TIFF),
# every tool as whole processes, JOBS files at a time (1 by default; the reference one at a
# time). Best of ROUNDS, rounds alternating which side goes first. Target: one run <= 0.6 x
# three runs; exits 1 when missed.
#   bench/run_multi_bench.sh BUILD_DIR [ROUNDS] [COUNT] [JOBS]
# vipsthumbnail comes from Debian's libvips-tools.
set -eu
build=$(cd "${1:?build folder}" && pwd)
rounds=${2:-3}
count=${3:-8}
jobs=${4:-1}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
identify=${IDENTIFY:-identify-im6.q16}
command -v "$identify" >/dev/null || identify=identify
command -v vipsthumbnail >/dev/null || { echo "needs vipsthumbnail (libvips-tools)" >&2; exit 2; }
cli=$build/bin/pictavo-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/one" "$work/three" "$work/ref"

"$convert" -size 4000x3000 "gradient:#d04020-#2040d0" -attenuate 0.4 +noise Gaussian \
  -quality 92 "$work/master.jpg"
i=0
while [ "$i" -lt "$count" ]; do
  "$convert" "$work/master.jpg" -fill "rgb($((i % 256)),0,0)" -draw "point $i,0" \
    -quality 92 "$work/src/photo$(printf '%02d' "$i").jpg"
  i=$((i + 1))
done

make_projects() {
  "$build/bin/pictavo-bench-project" "$work/web.prj" "$1" 1920 1440 85 JPG size=long:1920
  "$build/bin/pictavo-bench-project" "$work/thumb.prj" "$1" 320 240 85 WEBP size=long:320
  "$build/bin/pictavo-bench-project" "$work/print.prj" "$1" 0 0 85 TIF tiff.compression=lzw tiff.cmyk=false
}
now_ms() { date +%s%3N; }
clean() { rm -rf "${work:?}/$1"/*; sync; }

run_one() {
  clean one
  make_projects "$work/one"
  start=$(now_ms)
  (cd "$build/bin" && ./pictavo-cli convert --jobs "$jobs" "$work/web.prj" "$work/thumb.prj" "$work/print.prj" -- "$work/src" >/dev/null)
  ms=$(( $(now_ms) - start ))
  [ -z "$best_one" ] || [ "$ms" -lt "$best_one" ] && best_one=$ms
  return 0
}
run_three() {
  clean three
  make_projects "$work/three"
  start=$(now_ms)
  for project in web thumb print; do
    (cd "$build/bin" && ./pictavo-cli convert --jobs "$jobs" "$work/$project.prj" "$work/src" >/dev/null)
  done
  ms=$(( $(now_ms) - start ))
  [ -z "$best_three" ] || [ "$ms" -lt "$best_three" ] && best_three=$ms
  return 0
}
run_reference() {
  clean ref
  start=$(now_ms)
  for f in "$work"/src/*.jpg; do
    name=$(basename "$f" .jpg)
    vipsthumbnail "$f" --size 1920 -o "$work/ref/%s.jpg[Q=85]"
    vipsthumbnail "$f" --size 320 -o "$work/ref/%s.webp"
    "$convert" "$f" -compress LZW "$work/ref/$name.tif"
  done
  ms=$(( $(now_ms) - start ))
  [ -z "$best_ref" ] || [ "$ms" -lt "$best_ref" ] && best_ref=$ms
  return 0
}

best_one= best_three= best_ref=
r=0
while [ "$r" -lt "$rounds" ]; do
  if [ $((r % 2)) -eq 0 ]; then run_one; run_three; run_reference; else run_reference; run_three; run_one; fi
  r=$((r + 1))
done

# The one run made what the three runs made: 3 files per photo, the right sizes.
for folder in one three; do
  n=$(ls "$work/$folder" | wc -l)
  [ "$n" -eq $((count * 3)) ] || { echo "$folder wrote $n files" >&2; exit 1; }
done
check() { a=$("$identify" -format '%wx%h %m' "$1"); [ "$a" = "$2" ] || { echo "$1 is $a, not $2" >&2; exit 1; }; }
check "$work/one/photo00.JPG" "1920x1440 JPEG"
check "$work/one/photo00.WEBP" "320x240 WEBP"
check "$work/one/photo00.TIF" "4000x3000 TIFF"
echo "tiff:          $("$identify" -format '%C %[colorspace]' "$work/one/photo00.TIF") (LZW, sRGB once projects keep their options)"

echo "photos:        $count x 4000x3000 JPEG, 3 outputs each, $jobs at a time, best of $rounds rounds"
echo "one run:       $best_one ms (pictavo-cli, three projects)"
echo "three runs:    $best_three ms (pictavo-cli, one project each)"
echo "reference:     $best_ref ms (vipsthumbnail x2 + convert per photo)"
awk -v o="$best_one" -v t="$best_three" -v r="$best_ref" 'BEGIN {
  printf "one / three:   %.3f (target <= 0.6)\n", o / t
  printf "one / ref:     %.3f\n", o / r
  exit (o > t * 0.6) }'
