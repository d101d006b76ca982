#!/bin/sh
# Batches of generated 12-megapixel JPEGs (8 and 50 by default) resized to 1024x768
# (Mitchell, quality 85) by pictavo-cli convert against vipsthumbnail and against
# ImageMagick's convert with the jpeg:size hint, each one and two at a time, every tool
# as whole processes. The tools are run paired and alternated, round after round; the
# script prints each tool's median wall time, cpu time (user + system of every process)
# and peak memory (the largest single process), the paired ratios against
# vipsthumbnail two at a time, and each output's PSNR against a lossless full-decode
# Mitchell reference, next to the exact (full-decode) path's.
# Targets on 2 cores: pictavo-cli <= 0.75 x vipsthumbnail two at a time (wall), peak
# memory <= 100 MiB, PSNR within 0.5 dB of the exact path's. Exits 1 when one is missed.
#   bench/run_parallel_bench.sh BUILD_DIR [ROUNDS] [BATCH...]
# vipsthumbnail comes from Debian's libvips-tools, installed here when missing.
set -eu
if [ "${1:-}" = --tool ]; then
  shift
  build=$PICTAVO_BENCH_BUILD work=$PICTAVO_BENCH_WORK convert=$PICTAVO_BENCH_CONVERT
  tool_only=1
fi
build=${build:-$(cd "${1:?build folder}" && pwd)}
if [ -z "${tool_only:-}" ]; then
rounds=${2:-5}
shift 2 2>/dev/null || shift $#
batches=${*:-8 50}
convert=${CONVERT:-convert-im6.q16}
command -v "$convert" >/dev/null || convert=convert
compare=${COMPARE:-compare-im6.q16}
command -v "$compare" >/dev/null || compare=compare
if ! command -v vipsthumbnail >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null
fi
cores=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PICTAVO_BENCH_BUILD="$build" PICTAVO_BENCH_WORK="$work" PICTAVO_BENCH_CONVERT="$convert"

# One noisy master, copies with a pixel of their own so that no two files are alike.
"$convert" -size 4000x3000 "gradient:#d04020-#2040d0" -attenuate 0.4 +noise Gaussian \
  -quality 92 "$work/master.jpg"
"$build/bin/pictavo-bench-project" "$work/job.prj" "$work/out" 1024 768 85
fi

# tool NAME SRC OUT: one run of a tool over the files of SRC into OUT.
tool() {
  case $1 in
    pictavo) (cd "$build/bin" && ./pictavo-cli convert "$work/job.prj" "$2" >/dev/null) ;;
    vips1) find "$2" -name '*.jpg' | sort | xargs vipsthumbnail --size '1024x768!' -o "$3/%s.jpg[Q=85]" ;;
    vips2) n=$(($(ls "$2" | wc -l) / 2 + 1))
           find "$2" -name '*.jpg' | sort | xargs -n "$n" -P 2 vipsthumbnail --size '1024x768!' -o "$3/%s.jpg[Q=85]" ;;
    convert1|convert2)
           find "$2" -name '*.jpg' | sort | xargs -I{} -P "${1#convert}" sh -c \
             "'$convert' -define jpeg:size=1024x768 '{}' -filter Mitchell -resize '1024x768!' -quality 85 '$3/'\$(basename '{}')" ;;
  esac
}
tools="pictavo vips1 vips2 convert1 convert2"
if [ -n "${tool_only:-}" ]; then
  tool "$@"
  exit
fi

# measure NAME SRC: wall ms, user s, system s and peak KiB of one run, added to NAME's list.
measure() {
  out=$work/out
  [ "$1" = pictavo ] || out=$work/out-$1
  rm -rf "$out"
  mkdir -p "$out"
  sync
  start=$(date +%s%N)
  # The tool runs in a shell of its own, so that time counts every process it starts.
  /usr/bin/time -f '%U %S %M' -o "$work/time" "$0" --tool "$1" "$2" "$out"
  end=$(date +%s%N)
  read -r user sys peak <"$work/time"
  echo "$(( (end - start) / 1000000 )) $user $sys $peak" >>"$work/m-$1"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

status=0
for count in $batches; do
  src=$work/src$count
  mkdir -p "$src"
  i=0
  while [ "$i" -lt "$count" ]; do
    n=$(printf '%03d' "$i")
    "$convert" "$work/master.jpg" -fill "rgb($((i % 256)),0,0)" -draw "point $i,0" \
      -quality 92 "$src/photo$n.jpg"
    i=$((i + 1))
  done
  rm -f "$work"/m-*
  r=0
  while [ "$r" -lt "$rounds" ]; do
    # Each round starts with another tool, so no tool always meets another's write-back.
    set -- $tools
    k=0
    while [ "$k" -lt "$r" ]; do first=$1; shift; set -- "$@" "$first"; k=$((k + 1)); [ $# -gt 0 ] || break; done
    for t in "$@"; do
      measure "$t" "$src"
    done
    r=$((r + 1))
  done

  echo "batch: $count x 4000x3000 JPEG -> 1024x768 Mitchell q85, $rounds rounds, $cores cores"
  printf '  %-10s %9s %9s %9s %12s\n' tool wall_s cpu_s peak_MiB wall/vips2
  for t in $tools; do
    wall=$(awk '{ print $1 / 1000 }' "$work/m-$t" | median)
    cpu=$(awk '{ print $2 + $3 }' "$work/m-$t" | median)
    peak=$(awk '{ print $4 / 1024 }' "$work/m-$t" | median)
    ratio=$(paste -d' ' "$work/m-$t" "$work/m-vips2" | awk '{ print $1 / $5 }' | median)
    printf '  %-10s %9.3f %9.3f %9.1f %12.3f\n' "$t" "$wall" "$cpu" "$peak" "$ratio"
  done
  ratio=$(paste -d' ' "$work/m-pictavo" "$work/m-vips2" | awk '{ print $1 / $5 }' | median)
  peak=$(awk '{ print $4 / 1024 }' "$work/m-pictavo" | sort -n | tail -1)
  awk -v r="$ratio" 'BEGIN { exit !(r > 0.75) }' && { echo "  MISSED: pictavo-cli / vipsthumbnail x2 = $ratio (target <= 0.75)"; status=1; }
  awk -v p="$peak" 'BEGIN { exit !(p > 100) }' && { echo "  MISSED: pictavo-cli peak $peak MiB (target <= 100)"; status=1; }

  # PSNR against the full-decode reference, for the smaller batch's outputs.
  if [ "$count" = "$(echo $batches | tr ' ' '\n' | sort -n | head -1)" ]; then
    echo "  PSNR against a lossless full-decode Mitchell reference (dB), per source:"
    printf '    %-12s %8s %8s %8s %8s\n' source exact pictavo vips2 convert2
    for f in "$src"/*.jpg; do
      b=$(basename "$f" .jpg)
      "$convert" "$f" -filter Mitchell -resize '1024x768!' "$work/ref.png"
      "$convert" "$f" -filter Mitchell -resize '1024x768!' -quality 85 "$work/exact.jpg"
      psnr() { "$compare" -metric PSNR "$1" "$work/ref.png" null: 2>&1 | awk '{ print $1 }'; }
      e=$(psnr "$work/exact.jpg"); p=$(psnr "$work/out/$b.JPG")
      v=$(psnr "$work/out-vips2/$b.jpg"); c=$(psnr "$work/out-convert2/$b.jpg")
      printf '    %-12s %8.2f %8.2f %8.2f %8.2f\n' "$b" "$e" "$p" "$v" "$c"
      awk -v e="$e" -v p="$p" 'BEGIN { exit !(p < e - 0.5) }' && { echo "    MISSED: $b more than 0.5 dB below the exact path"; status=1; }
    done
  fi
done
exit $status
