#!/bin/sh
# One batch of generated 12-megapixel JPEGs, resized to 1024x768 with Mitchell at quality
# 85, once through the pipeline and once through ImageMagick's convert with the same
# resource limits (the program's defaults: memory 32 MiB, map 64 MiB, area 16 Mi pixels).
# Prints both times and their ratio; the target is a ratio of at most 1.05.
#   bench/run_bench.sh BUILD_DIR [COUNT] [ROUNDS]
set -eu
build=${1:?build folder}
count=${2:-4}
rounds=${3:-3}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
identify=${IDENTIFY:-identify-im6.q16}
command -v "$identify" >/dev/null || identify=identify

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/pipeline" "$work/convert"

i=0
while [ "$i" -lt "$count" ]; do
  "$convert" -size 4000x3000 "gradient:#d04020-#2040d0" -attenuate 0.4 +noise Gaussian \
    -quality 92 "$work/src/photo$i.jpg"
  i=$((i + 1))
done

limits="-limit memory 32MiB -limit map 64MiB -limit area 16MiB"
now_ms() { date +%s%3N; }

best_pipeline=
best_convert=
r=0
while [ "$r" -lt "$rounds" ]; do
  rm -f "$work"/pipeline/* "$work"/convert/*
  # One process per image on both sides, so both pay the library's start-up alike.
  start=$(now_ms)
  for f in "$work"/src/*.jpg; do
    "$build/bin/pictavo-bench" "$work/pipeline" 1024 768 85 "$f" >/dev/null
  done
  ms=$(( $(now_ms) - start ))
  [ -z "$best_pipeline" ] || [ "$ms" -lt "$best_pipeline" ] && best_pipeline=$ms

  start=$(now_ms)
  for f in "$work"/src/*.jpg; do
    # shellcheck disable=SC2086
    "$convert" $limits "$f" -filter Mitchell -resize '1024x768!' -quality 85 \
      "$work/convert/$(basename "$f" .jpg).JPG"
  done
  ms=$(( $(now_ms) - start ))
  [ -z "$best_convert" ] || [ "$ms" -lt "$best_convert" ] && best_convert=$ms
  r=$((r + 1))
done

# Both must have made the same images.
for f in "$work"/pipeline/*.JPG; do
  a=$("$identify" -format '%wx%h %Q' "$f")
  [ "$a" = "1024x768 85" ] || { echo "pipeline output $f is $a" >&2; exit 1; }
done

echo "images:   $count x 4000x3000 JPEG, best of $rounds rounds"
echo "pipeline: $best_pipeline ms"
echo "convert:  $best_convert ms"
awk -v p="$best_pipeline" -v c="$best_convert" 'BEGIN { printf "ratio:    %.3f (pipeline / convert, target <= 1.05)\n", p / c }'
