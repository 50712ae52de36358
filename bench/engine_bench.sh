#!/usr/bin/env bash
# Side-by-side run of quorvia-engine and the ffmpeg tool on the same jobs:
#   (a) 1080p H.264+AAC -> 320x240 MPEG-4 768 kbit/s + AAC 128 kbit/s 44.1 kHz stereo MP4
#   (b) -> 1280x720 libx264 medium 2500 kbit/s + AAC
#   (c) stream copy to MKV
#   (d) job (a) with a hook touching every pixel of every frame
# Prints wall time, CPU time and peak RSS of each and the ratios quorvia/ffmpeg.
# Usage: bench/engine_bench.sh [build-dir]   (the build must contain bin/quorvia-engine)
set -euo pipefail
build=${1:-build}
engine="$build/bin/quorvia-engine"
[ -x "$engine" ] || { echo "no $engine: build first" >&2; exit 1; }
work=$(mktemp -d /tmp/quorvia-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
src="$work/source-1080p.mp4"
make_source "$src" 20

optsA=$'vcodec=mpeg4\nb=768000\ns=320x240\nacodec=aac\nab=128000\nar=44100\nac=2'
optsB=$'vcodec=libx264\nvpre=medium\nb=2500000\ns=1280x720\nacodec=aac\nab=128000'
optsC=$'vcodec=copy\nacodec=copy'

declare -A Q F
Q[a]=$(measure "$engine" "$src" -O "$optsA" "$work/qa.mp4")
F[a]=$(measure ffmpeg -nostdin -y -v error -i "$src" -c:v mpeg4 -b:v 768k -s 320x240 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/fa.mp4")
Q[b]=$(measure "$engine" "$src" -O "$optsB" "$work/qb.mp4")
F[b]=$(measure ffmpeg -nostdin -y -v error -i "$src" -c:v libx264 -preset medium -b:v 2500k -s 1280x720 -c:a aac -b:a 128k "$work/fb.mp4")
Q[c]=$(measure "$engine" "$src" -O "$optsC" "$work/qc.mkv")
F[c]=$(measure ffmpeg -nostdin -y -v error -i "$src" -c copy "$work/fc.mkv")
Q[d]=$(measure "$engine" --hook "$src" -O "$optsA" "$work/qd.mp4")
F[d]=${F[a]}

printf "%-4s %10s %10s %10s | %10s %10s %10s | %6s %6s %6s\n" job q_wall q_cpu q_rssKB f_wall f_cpu f_rssKB wall cpu rss
for j in a b c d; do
  read -r qw qc qr <<<"${Q[$j]}"
  read -r fw fc fr <<<"${F[$j]}"
  printf "%-4s %10s %10s %10s | %10s %10s %10s | %6s %6s %6s\n" "$j" "$qw" "$qc" "$qr" "$fw" "$fc" "$fr" \
    "$(ratio "$qw" "$fw")" "$(ratio "$qc" "$fc")" "$(ratio "$qr" "$fr")"
done
read -r aw _ _ <<<"${Q[a]}"; read -r dw _ _ <<<"${Q[d]}"
echo "hook overhead (d)/(a) wall: $(awk -v x="$dw" -v y="$aw" 'BEGIN { if (y > 0) printf "%.2f", x / y; else print "n/a" }')"
