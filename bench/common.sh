# Shared by the benchmark scripts: sourced, not run.

# Runs a command under /usr/bin/time; prints "wall cpu rss_kb".
measure() {
  local out="$work/time.txt"
  /usr/bin/time -f "%e %U %S %M" -o "$out" "$@" >/dev/null 2>&1 </dev/null || { echo "FAILED: $*" >&2; echo "0 0 0"; return; }
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' "$out"
}

ratio() { awk -v x="$1" -v y="$2" 'BEGIN { if (y > 0) printf "%.2f", x / y; else printf "n/a" }'; }

# The 1080p 25 fps H.264 + AAC stereo source of the given length in seconds.
make_source() {
  ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=$2" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$2" \
    -c:v libx264 -preset veryfast -b:v 8M -pix_fmt yuv420p -c:a aac -b:a 192k -ac 2 -shortest "$1"
}
