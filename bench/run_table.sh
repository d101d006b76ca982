#!/bin/sh
# The performance table: batches of 12-megapixel photos (4000x3000, noise over a
# gradient) in each source format, resized to 1024x768 (Mitchell) and written as JPEG
# quality 85 by pictavo-cli, by vipsthumbnail and by ImageMagick's convert, each two at a
# time on the same files, as whole processes. The tools run paired and alternated, round
# after round; each row gives the median wall time, cpu time (user + system of every
# process), peak memory (the largest single process) and the PSNR of the first file's
# output against a lossless full-decode Mitchell reference, and the paired ratios. Then
# the start-up figures: pictavo-cli converting one small JPEG against convert doing the
# same, and the main window against a bare Qt browser. Prints a Markdown table.
#   bench/run_table.sh BUILD_DIR [ROUNDS] [FORMAT...]   (formats: jpeg png heic webp tiff bmp avif)
# vipsthumbnail comes from Debian's libvips-tools, installed here when missing.
set -eu
if [ "${1:-}" = --tool ]; then
  shift
  build=$PICTAVO_BENCH_BUILD work=$PICTAVO_BENCH_WORK convert=$PICTAVO_BENCH_CONVERT
  tool_only=1
fi
build=${build:-$(cd "${1:?build folder}" && pwd)}
convert=${convert:-${CONVERT:-convert-im6.q16}}
command -v "$convert" >/dev/null || convert=convert

# tool NAME SRC OUT: one run of a tool over the files of SRC into OUT, two at a time.
tool() {
  case $1 in
    pictavo) job=$(basename "$3"); job=${job#out-}; job=${job%-pictavo}
             (cd "$build/bin" && ./pictavo-cli convert "$work/job-$job.prj" --jobs 2 "$2"/* >/dev/null) ;;
    vips) n=$(($(ls "$2" | wc -l) / 2 + 1))
          find "$2" -type f | sort | xargs -n "$n" -P 2 vipsthumbnail --size '1024x768!' -o "$3/%s.jpg[Q=85]" ;;
    convert)
          # The library's limits as the program sets them by default (a system policy caps both).
          hint=""
          case $(ls "$2" | head -1) in *.jpg) hint="-define jpeg:size=1024x768" ;; esac
          find "$2" -type f | sort | xargs -I{} -P 2 sh -c \
            "'$convert' -limit memory ${PICTAVO_BENCH_MEMORY}MiB -limit map $((PICTAVO_BENCH_MEMORY * 2))MiB $hint '{}' -filter Mitchell -resize '1024x768!' -quality 85 '$3/'\$(basename '{}' | sed 's/\.[^.]*\$//').jpg" ;;
  esac
}
if [ -n "${tool_only:-}" ]; then
  tool "$@"
  exit
fi

rounds=${2:-3}
shift 2 2>/dev/null || shift $#
formats=${*:-jpeg png heic webp tiff bmp}
compare=${COMPARE:-compare-im6.q16}
command -v "$compare" >/dev/null || compare=compare
if ! command -v vipsthumbnail >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The format list's cache of this run, made before anything is timed.
export XDG_CACHE_HOME="$work/cache"
memory=$(awk '/MemTotal/ { m = int($2 / 1024 / 4); if (m < 256) m = 256; if (m > 16384) m = 16384; print m }' /proc/meminfo)
export PICTAVO_BENCH_BUILD="$build" PICTAVO_BENCH_WORK="$work" PICTAVO_BENCH_CONVERT="$convert" PICTAVO_BENCH_MEMORY="$memory"

"$convert" -size 4000x3000 "gradient:#d04020-#2040d0" -attenuate 0.4 +noise Gaussian \
  -quality 92 "$work/master.jpg"
"$convert" "$work/master.jpg" -filter Mitchell -resize '1024x768!' "$work/reference.png"

measure() { # NAME SRC OUTNAME: wall ms, user s, system s and peak KiB, added to NAME's list
  out=$work/out-$3-$1
  rm -rf "$out"; mkdir -p "$out"
  start=$(date +%s%N)
  /usr/bin/time -f '%U %S %M' -o "$work/time" "$0" --tool "$1" "$2" "$out"
  end=$(date +%s%N)
  read -r user sys peak <"$work/time"
  echo "$(( (end - start) / 1000000 )) $user $sys $peak" >>"$work/m-$3-$1"
}
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
psnr() { "$compare" -metric PSNR "$1" "$work/reference.png" null: 2>&1 | awk '{ print $1 }'; }

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds, medians"
echo
echo "| Batch (-> 1024x768 Mitchell, JPEG q85, 2 at a time) | Tool | Wall s | CPU s | Peak MiB | PSNR dB | Wall / vips | Wall / convert |"
echo "|---|---|---|---|---|---|---|---|"
for format in $formats; do
  case $format in
    jpeg) count=8 ext=jpg options="-quality 92" ;;
    png) count=6 ext=png options="" ;;
    heic) count=4 ext=heic options="-quality 90" ;;
    avif) count=2 ext=avif options="-quality 90" ;;
    webp) count=4 ext=webp options="-quality 90" ;;
    tiff) count=4 ext=tif options="" ;;
    bmp) count=4 ext=bmp options="" ;;
    *) echo "unknown format $format" >&2; exit 2 ;;
  esac
  src=$work/src-$format
  mkdir -p "$src"
  "$convert" "$work/master.jpg" $options "$src/photo000.$ext"
  i=1
  while [ "$i" -lt "$count" ]; do cp "$src/photo000.$ext" "$src/photo$(printf '%03d' "$i").$ext"; i=$((i + 1)); done
  "$build/bin/pictavo-bench-project" "$work/job-$format.prj" "$work/out-$format-pictavo" 1024 768 85
  (cd "$build/bin" && ./pictavo-cli formats >/dev/null)
  r=0
  while [ "$r" -lt "$rounds" ]; do
    set -- pictavo vips convert
    k=0
    while [ "$k" -lt $((r % 3)) ]; do first=$1; shift; set -- "$@" "$first"; k=$((k + 1)); done
    for t in "$@"; do measure "$t" "$src" "$format"; done
    r=$((r + 1))
  done
  size=$(du -k "$src/photo000.$ext" | cut -f1)
  for t in pictavo vips convert; do
    m=$work/m-$format-$t
    wall=$(awk '{ print $1 / 1000 }' "$m" | median)
    cpu=$(awk '{ print $2 + $3 }' "$m" | median)
    peak=$(awk '{ print $4 / 1024 }' "$m" | median)
    vr=$(paste -d' ' "$m" "$work/m-$format-vips" | awk '{ print $1 / $5 }' | median)
    cr=$(paste -d' ' "$m" "$work/m-$format-convert" | awk '{ print $1 / $5 }' | median)
    out=$(ls "$work/out-$format-$t" | sort | head -1)
    p=$(psnr "$work/out-$format-$t/$out")
    printf '| %s x 12 MP %s (%s KiB) | %s | %.2f | %.2f | %.0f | %.2f | %.2f | %.2f |\n' \
      "$count" "$(echo "$format" | tr a-z A-Z)" "$size" "$t" "$wall" "$cpu" "$peak" "$p" "$vr" "$cr"
  done
done

# Start-up: one 640x480 JPEG, the same work by both, alternated.
mkdir -p "$work/one" "$work/one-out"
"$convert" "$work/master.jpg" -resize 640x480 -quality 85 "$work/one/small.jpg"
"$build/bin/pictavo-bench-project" "$work/job-one.prj" "$work/one-out" 320 240 85
for r in 1 2 3 4 5 6 7 8 9 10 11; do
  rm -f "$work/one-out"/*
  s=$(date +%s%N); (cd "$build/bin" && ./pictavo-cli convert "$work/job-one.prj" "$work/one/small.jpg" >/dev/null); e=$(date +%s%N)
  echo $(( (e - s) / 1000 )) >>"$work/start-pictavo"
  s=$(date +%s%N); "$convert" "$work/one/small.jpg" -filter Mitchell -resize '320x240!' -quality 85 "$work/one-out/c.jpg"; e=$(date +%s%N)
  echo $(( (e - s) / 1000 )) >>"$work/start-convert"
done
p=$(median <"$work/start-pictavo"); c=$(median <"$work/start-convert")
echo
echo "One 640x480 JPEG to 320x240, 11 rounds alternated, median: pictavo-cli convert $(awk -v v="$p" 'BEGIN { printf "%.1f", v / 1000 }') ms, convert $(awk -v v="$c" 'BEGIN { printf "%.1f", v / 1000 }') ms, difference $(awk -v p="$p" -v c="$c" 'BEGIN { printf "%+.1f", (p - c) / 1000 }') ms"
echo
QT_QPA_PLATFORM=offscreen "$build/bin/pictavo-mainwindow-bench" --rounds 11 --count 0 | sed 's/^/    /'
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
