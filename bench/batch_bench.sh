#!/usr/bin/env bash
# Side-by-side run of quorvia-batch and the ffmpeg tool:
#   (e0) a 20 s 1080p source with profile 1 (H.264 320x240 768 kbit/s 29.97 fps + AAC), no effects
#   (e1) the same with colour pass, exposure, text and picture watermark
#   (f0, f1) the ffmpeg tool doing the nearest equivalent (eq, drawtext, overlay filters)
#   (p1, p2) quorvia-batch over 6 short files with --parallel 1 and --parallel 2
# Prints wall time, CPU time and peak RSS of each and the ratios.
# Usage: bench/batch_bench.sh [build-dir]   (the build must contain bin/quorvia-batch)
set -euo pipefail
build=${1:-build}
batch="$build/bin/quorvia-batch"
[ -x "$batch" ] || { echo "no $batch: build first" >&2; exit 1; }
work=$(mktemp -d /tmp/quorvia-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export HOME="$work"  # the default output folder stays in the work folder

src="$work/source-1080p.mp4"
make_source "$src" 20
ffmpeg -nostdin -v error -f lavfi -i color=c=red:s=320x120 -frames:v 1 -pix_fmt bgr24 "$work/mark.bmp"
for k in 1 2 3 4 5 6; do
  ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=6" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=6" \
    -c:v libx264 -preset veryfast -b:v 3M -pix_fmt yuv420p -c:a aac -shortest "$work/short$k.mp4"
done

effects=(--brightness 300 --contrast 20 --saturation 300 --exposure 20
         --text Quorvia --text-pos 5%,5% --image "$work/mark.bmp" --image-pos 70%,70%)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
# Text at 5 % of 1920x1080, picture at 70 %; effects at the source size, then the profile's size.
vf0="scale=320:240"
fc1="[0:v]eq=brightness=0.07:contrast=1.2:saturation=1.18,drawtext=fontfile=$font:text=Quorvia:x=96:y=54:fontsize=11[v];[v][1:v]overlay=1344:756,scale=320:240[o]"
# Profile 1 encodes with the built-in "libx264-ipod" preset; the same settings here
# ("directpred" has no command-line option; x264's default is the same).
enc=(-c:v libx264 -coder 0 -flags +loop -level 30 -cmp +chroma -partitions +parti4x4+parti8x8+partp8x8
     -me_method umh -subq 7 -me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71
     -b_strategy 1 -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -refs 1 -trellis 2 -maxrate 1250k -bufsize 4000k
     -bt 256k -b:v 768k -r 29.97 -c:a aac -b:a 128k -ar 44100 -ac 2)

declare -A R
R[e0]=$(measure "$batch" --profile 1 --out "$work/e0" "$src")
R[e1]=$(measure "$batch" --profile 1 --out "$work/e1" "${effects[@]}" "$src")
R[f0]=$(measure ffmpeg -nostdin -y -v error -i "$src" -vf "$vf0" "${enc[@]}" "$work/f0.mp4")
R[f1]=$(measure ffmpeg -nostdin -y -v error -i "$src" -i "$work/mark.bmp" -filter_complex "$fc1" -map "[o]" -map 0:a \
  "${enc[@]}" "$work/f1.mp4")
R[p1]=$(measure "$batch" --profile 1 --out "$work/p1" --parallel 1 "$work"/short?.mp4)
R[p2]=$(measure "$batch" --profile 1 --out "$work/p2" --parallel 2 "$work"/short?.mp4)

printf "%-4s %8s %8s %10s\n" run wall cpu rssKB
for r in e0 e1 f0 f1 p1 p2; do
  read -r w c m <<<"${R[$r]}"
  printf "%-4s %8s %8s %10s\n" "$r" "$w" "$c" "$m"
done
read -r e0 _ _ <<<"${R[e0]}"; read -r e1 _ _ <<<"${R[e1]}"
read -r f0 _ _ <<<"${R[f0]}"; read -r f1 _ _ <<<"${R[f1]}"
read -r p1 _ _ <<<"${R[p1]}"; read -r p2 _ _ <<<"${R[p2]}"
echo "effects overhead e1/e0 wall: $(ratio "$e1" "$e0")"
echo "against ffmpeg: e0/f0 $(ratio "$e0" "$f0"), e1/f1 $(ratio "$e1" "$f1")"
echo "parallel throughput p1/p2 wall: $(ratio "$p1" "$p2")"
