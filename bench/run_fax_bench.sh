#!/bin/sh
# A three-page A4 fax (3307x4677, 1 bit, Group 4 TIFF) into one PNG per page, sizes kept,
# through pictavo-cli and through ImageMagick's convert with the same resource limits (the
# program's defaults: memory 32 MiB, map 64 MiB, area 16 Mi pixels). Prints both times and
# their ratio (target at most 2), and checks that both made the same pages.
#   bench/run_fax_bench.sh BUILD_DIR [ROUNDS]
set -eu
build=${1:?build folder}
rounds=${2:-2}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
compare=${COMPARE:-compare-im6.q16}
command -v "$compare" >/dev/null || compare=compare

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/cli" "$work/convert"

# Text-like marks on white, as a scanned letter has them.
"$convert" -size 3307x4677 xc:white -fill black \
  -draw "rectangle 300,300 3000,340" -draw "rectangle 300,600 2500,620" \
  +noise Impulse -threshold 50% -monochrome \
  \( +clone \) \( +clone \) -compress Group4 "$work/src/fax.tif"

"$build/bin/pictavo-bench-project" "$work/job.prj" "$work/cli" asis asis 85 PNG
limits="-limit memory 32MiB -limit map 64MiB -limit area 16MiB"
now_ms() { date +%s%3N; }

best_cli=
best_convert=
r=0
while [ "$r" -lt "$rounds" ]; do
  rm -f "$work"/cli/* "$work"/convert/*
  start=$(now_ms)
  (cd "$build/bin" && ./pictavo-cli convert "$work/job.prj" "$work/src/fax.tif" >"$work/cli.log")
  ms=$(( $(now_ms) - start ))
  [ -z "$best_cli" ] || [ "$ms" -lt "$best_cli" ] && best_cli=$ms

  start=$(now_ms)
  # shellcheck disable=SC2086
  "$convert" $limits "$work/src/fax.tif" "$work/convert/fax-%d.PNG"
  ms=$(( $(now_ms) - start ))
  [ -z "$best_convert" ] || [ "$ms" -lt "$best_convert" ] && best_convert=$ms
  r=$((r + 1))
done

for page in 0 1 2; do
  differ=$("$compare" -metric AE "$work/cli/fax-$page.PNG" "$work/convert/fax-$page.PNG" null: 2>&1 || true)
  [ "$differ" = "0" ] || { echo "page $page differs from convert's: $differ pixels" >&2; exit 1; }
done

echo "source:   3-page A4 fax TIFF, 3307x4677, 1 bit, best of $rounds rounds"
echo "cli:      $best_cli ms"
echo "convert:  $best_convert ms"
awk -v p="$best_cli" -v c="$best_convert" 'BEGIN { printf "ratio:    %.3f (cli / convert, target <= 2)\n", p / c }'
