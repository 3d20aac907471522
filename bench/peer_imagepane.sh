#!/usr/bin/env bash
# The image pane on a 24-megapixel JPEG (6000 × 4000, quality 90, 4:2:0, made with the shared
# corpus generator): opening it up to the end of the first fitted paint (bench_imagepane, one
# process, offscreen) against djpeg decoding the same file, with the ratio; then the repaints
# while scrolling at 100 % and 25 % against the 10 ms budget.
# Usage: bench/peer_imagepane.sh [BUILD_DIR] [JPEG]
set -euo pipefail
build=${1:-build}
jpeg=${2:-/tmp/bench-corpus/jpg24/photo_24mp.jpg}
here=$(cd "$(dirname "$0")" && pwd)
bench="$build/bin/bench_imagepane"
runs=${RUNS:-7}

[[ -x "$bench" ]] || { echo "peer_imagepane: $bench not built" >&2; exit 1; }
command -v djpeg > /dev/null || { echo "peer_imagepane: djpeg missing (libjpeg-turbo-progs)" >&2; exit 1; }
if [[ ! -s "$jpeg" ]]; then
    echo "generating $jpeg (about half a minute)"
    mkdir -p "$(dirname "$jpeg")"
    PYTHONPATH="$here/corpus" OMP_NUM_THREADS=1 /usr/bin/python3 - "$jpeg" <<'PY'
import sys, os
from gen_lib import photo
p = sys.argv[1]
photo(2400, 6000, 4000).save(p + ".tmp", "JPEG", quality=90, subsampling=2)
os.rename(p + ".tmp", p)
PY
fi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# djpeg: the whole process, decoding to PPM into /dev/null.
djpeg_ms=$(for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$jpeg"
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
done | median)
djpeg_ms=$(awk -v us="$djpeg_ms" 'BEGIN { printf "%.1f", us / 1000 }')

out=$(mktemp)
trap 'rm -f "$out"' EXIT
TARNIS_BENCH_JPEG="$jpeg" QT_QPA_PLATFORM=offscreen "$bench" --benchmark_repetitions="$runs" \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2> /dev/null > "$out"
# name,iterations,real_time,cpu_time,time_unit,... ; rows *_median carry the medians in ms.
# figure NAME [COLUMN]: column 3 is wall-clock time, 4 the calling thread's CPU time.
figure() {
    awk -F, -v n="$1" -v c="${2:-3}" '{ name = $1; gsub(/"/, "", name); sub(/\/min_time:[0-9.]+/, "", name) }
        name == n "_median" { printf "%.2f", $c }' "$out"
}

open_ms=$(figure BM_OpenAndFirstFittedPaint)
[[ -n "$open_ms" ]] || { echo "peer_imagepane: the benchmark gave no figure" >&2; cat "$out" >&2; exit 1; }
load_ms=$(figure BM_PictureLoadOnly)
echo "24 MP JPEG ($(basename "$jpeg")), wall-clock medians of $runs runs, ms"
printf '  %-44s %8s\n' "djpeg -outfile /dev/null (process)" "$djpeg_ms"
printf '  %-44s %8s\n' "CImageObj::Load alone" "$load_ms"
printf '  %-44s %8s   ratio to djpeg %.2f (goal <= 1.30)\n' "open + first fitted paint (pane)" "$open_ms" \
    "$(awk -v a="$open_ms" -v b="$djpeg_ms" 'BEGIN { print a / b }')"
status=0
for case in "BM_ScrollStepRepaint/100" "BM_ScrollStepRepaint/25" "BM_ScrolledWholePaint/100" \
    "BM_ScrolledWholePaint/25"; do
    ms=$(figure "$case")
    verdict=$(awk -v t="$ms" 'BEGIN { print (t != "" && t < 10) ? "ok (< 10)" : "OVER 10" }')
    [[ "$verdict" == ok* ]] || status=1
    printf '  %-44s %8s   %s (CPU %s)\n' "$case (1280 x 800 client)" "$ms" "$verdict" "$(figure "$case" 4)"
done
exit $status
