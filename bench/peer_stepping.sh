#!/usr/bin/env bash
# Stepping through a folder of twenty 24-megapixel JPEGs (6000 × 4000, quality 90, 4:2:0, made
# with the shared corpus generator) in the image pane (bench_stepping, one process, offscreen)
# against djpeg decoding the same files: the step to the final picture painted when a step comes
# every 300 ms (p95), and the step to the first and to the final paint of a picture not decoded
# ahead, as ratios to djpeg's decode; the process's peak memory while stepping.
# Usage: bench/peer_stepping.sh [BUILD_DIR] [FOLDER]
set -euo pipefail
build=${1:-build}
dir=${2:-/tmp/bench-corpus/step24}
here=$(cd "$(dirname "$0")" && pwd)
bench="$build/bin/bench_stepping"

[[ -x "$bench" ]] || { echo "peer_stepping: $bench not built" >&2; exit 1; }
command -v djpeg > /dev/null || { echo "peer_stepping: djpeg missing (libjpeg-turbo-progs)" >&2; exit 1; }
mkdir -p "$dir"
if [[ $(find "$dir" -name 'step_*.jpg' -size +0 | wc -l) -lt 20 ]]; then
    echo "generating twenty 24-megapixel JPEGs in $dir (a few minutes)"
    PYTHONPATH="$here/corpus" OMP_NUM_THREADS=1 /usr/bin/python3 - "$dir" <<'PY'
import sys, os
from gen_lib import photo
d = sys.argv[1]
for i in range(20):
    p = os.path.join(d, "step_%02d.jpg" % i)
    if os.path.exists(p) and os.path.getsize(p) > 0:
        continue
    photo(2400 + i, 6000, 4000).save(p + ".tmp", "JPEG", quality=90, subsampling=2)
    os.rename(p + ".tmp", p)
PY
fi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# djpeg: the whole process for each file, decoding to PPM into /dev/null (this also brings the
# files into the page cache for both sides).
djpeg_us=$(for f in "$dir"/step_*.jpg; do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$f"
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
done | median)
djpeg_ms=$(awk -v us="$djpeg_us" 'BEGIN { printf "%.1f", us / 1000 }')

out=$(mktemp)
trap 'rm -f "$out"' EXIT
TARNIS_BENCH_STEP_DIR="$dir" QT_QPA_PLATFORM=offscreen "$bench" --benchmark_format=json 2> /dev/null > "$out"
read -r p95 p50 peak cache first final plain < <(python3 - "$out" <<'PY'
import json, sys
rows = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
s, n = rows.get("BM_StepEvery300ms", {}), rows.get("BM_NotDecodedAhead", {})
def v(row, key):
    return "%.2f" % row[key] if key in row else "-"
print(v(s, "final_p95_ms"), v(s, "final_p50_ms"), v(s, "peak_rss_mb"), v(s, "cache_mb"),
      v(n, "first_p50_ms"), v(n, "final_p50_ms"), v(n, "plain_p50_ms"))
PY
)
[[ "$p95" != "-" && "$first" != "-" ]] || { echo "peer_stepping: the benchmark gave no figure" >&2; cat "$out" >&2; exit 1; }
ratio() { awk -v a="$1" -v b="$djpeg_ms" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v a="$1" -v g="$2" 'BEGIN { print (a <= g) ? "ok" : "OVER" }'; }
echo "twenty 24 MP JPEGs ($dir), 1280 x 800 client, ms"
printf '  %-52s %8s\n' "djpeg -outfile /dev/null (process, median)" "$djpeg_ms"
printf '  %-52s %8s   p50 %s; %s (goal <= 16)\n' "step every 300 ms: step to final paint, p95" "$p95" "$p50" \
    "$(verdict "$p95" 16)"
printf '  %-52s %8s   ratio to djpeg %s; %s (goal <= 0.25)\n' "not decoded ahead: step to first paint, median" \
    "$first" "$(ratio "$first")" "$(verdict "$(ratio "$first")" 0.25)"
printf '  %-52s %8s   ratio to djpeg %s; %s (goal <= 0.90)\n' "not decoded ahead: step to final paint, median" \
    "$final" "$(ratio "$final")" "$(verdict "$(ratio "$final")" 0.90)"
printf '  %-52s %8s   ratio to djpeg %s\n' "plain synchronous open + paint, median" "$plain" "$(ratio "$plain")"
printf '  %-52s %8s MB (cache at the end %s MB)\n' "peak resident memory while stepping" "$peak" "$cache"
