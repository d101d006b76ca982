#!/bin/sh
# pictavo-cli convert over one batch of generated 12-megapixel JPEGs against ImageMagick's
# mogrify doing the same work (Mitchell resize to 1024x768, quality 85) with the same
# resource limits (the program's defaults: memory 32 MiB, map 64 MiB, area 16 Mi pixels),
# each in one process for the whole batch. Prints both times and their ratio (target at
# most 1.05), then the companion's peak memory for a fifth of the batch and for all of
# it: one output per source holds one image at a time, so the two must be alike.
#   bench/run_cli_bench.sh BUILD_DIR [COUNT] [ROUNDS]
set -eu
build=${1:?build folder}
count=${2:-50}
rounds=${3:-2}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
mogrify=${MOGRIFY:-mogrify-im6.q16}
command -v "$mogrify" >/dev/null || mogrify=mogrify
identify=${IDENTIFY:-identify-im6.q16}
command -v "$identify" >/dev/null || identify=identify
cli=$build/bin/pictavo-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/part" "$work/cli" "$work/mogrify"

# One noisy master, copies with a byte of their own so no two files are alike.
"$convert" -size 4000x3000 "gradient:#d04020-#2040d0" -attenuate 0.4 +noise Gaussian \
  -quality 92 "$work/master.jpg"
i=0
while [ "$i" -lt "$count" ]; do
  n=$(printf '%03d' "$i")
  "$convert" "$work/master.jpg" -fill "rgb($((i % 256)),0,0)" -draw "point $i,0" \
    -quality 92 "$work/src/photo$n.jpg"
  [ "$i" -lt $((count / 5)) ] && cp "$work/src/photo$n.jpg" "$work/part/photo$n.jpg"
  i=$((i + 1))
done

"$build/bin/pictavo-bench-project" "$work/job.prj" "$work/cli" 1024 768 85
limits="-limit memory 32MiB -limit map 64MiB -limit area 16MiB"
now_ms() { date +%s%3N; }

run_cli() {
  rm -f "$work"/cli/*
  sync
  start=$(now_ms)
  (cd "$build/bin" && ./pictavo-cli convert "$work/job.prj" "$work/src" >"$work/cli.log")
  ms=$(( $(now_ms) - start ))
  [ -z "$best_cli" ] || [ "$ms" -lt "$best_cli" ] && best_cli=$ms
  return 0
}
run_mogrify() {
  rm -f "$work"/mogrify/*
  sync
  start=$(now_ms)
  # shellcheck disable=SC2086
  "$mogrify" $limits -path "$work/mogrify" -filter Mitchell -resize '1024x768!' \
    -quality 85 "$work"/src/*.jpg
  ms=$(( $(now_ms) - start ))
  [ -z "$best_mogrify" ] || [ "$ms" -lt "$best_mogrify" ] && best_mogrify=$ms
  return 0
}

best_cli=
best_mogrify=
r=0
while [ "$r" -lt "$rounds" ]; do
  # Each side goes first in every other round, so neither always meets the other's
  # write-back.
  if [ $((r % 2)) -eq 0 ]; then run_cli; run_mogrify; else run_mogrify; run_cli; fi
  r=$((r + 1))
done

# Both must have made the same images.
[ "$(ls "$work/cli" | wc -l)" -eq "$count" ] || { echo "pictavo-cli wrote $(ls "$work/cli" | wc -l) files" >&2; exit 1; }
for f in "$work"/cli/*.JPG; do
  a=$("$identify" -format '%wx%h %Q' "$f")
  [ "$a" = "1024x768 85" ] || { echo "pictavo-cli output $f is $a" >&2; exit 1; }
done

peak() {
  rm -f "$work"/cli/*
  /usr/bin/time -f %M -o "$work/peak" sh -c "cd '$build/bin' && ./pictavo-cli convert '$work/job.prj' '$1' >/dev/null"
  cat "$work/peak"
}
peak_part=$(peak "$work/part")
peak_all=$(peak "$work/src")

echo "images:       $count x 4000x3000 JPEG, best of $rounds rounds"
echo "pictavo-cli:  $best_cli ms"
echo "mogrify:      $best_mogrify ms"
awk -v p="$best_cli" -v c="$best_mogrify" 'BEGIN { printf "ratio:        %.3f (pictavo-cli / mogrify, target <= 1.05)\n", p / c }'
echo "peak memory:  $peak_part KiB for $((count / 5)) sources, $peak_all KiB for $count"
awk -v a="$peak_part" -v b="$peak_all" 'BEGIN { printf "memory ratio: %.3f (all / fifth, flat when near 1)\n", b / a; exit (b > a * 1.15) }'
