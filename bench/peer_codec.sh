#!/usr/bin/env bash
# 100×100 thumbnails of a folder of 12-megapixel JPEGs: Codexa (tarnis-convert --thumb-folder,
# one process) against Pillow (draft() then thumbnail(), one process) and vipsthumbnail (one
# process), on one core and on two, with the ratios ours / best peer.
# Usage: bench/peer_codec.sh [BUILD_DIR] [JPEG_FOLDER]
# The folder defaults to /tmp/bench-corpus/jpg; when it holds no JPEG, the first 20 pictures of
# the shared corpus are generated there (same seeds and settings as make_corpus.sh).
set -euo pipefail
build=${1:-build}
folder=${2:-/tmp/bench-corpus/jpg}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/corpus_lib.sh"
tool="$build/bin/tarnis-convert"
runs=${RUNS:-3}

[[ -x "$tool" ]] || { echo "peer_codec: $tool not built" >&2; exit 1; }
bench_jpeg_corpus "$folder" 20
count=$(ls "$folder"/*.jpg | wc -l)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Each run prints "wall_ms cpu_ms" per picture; the median run (by wall time) is kept. Wall time
# is the figure that counts; CPU time (user + system of the process) is printed beside it because
# it stays meaningful when other work shares the machine.
median() { sort -n | awk '{w[NR]=$1; c[NR]=$2} END {m=int((NR+1)/2); print w[m], c[m]}'; }

ours() { # cores threads
    for _ in $(seq "$runs"); do
        taskset -c "$1" "$tool" --thumb-folder 100 100 --threads "$2" "$folder" | awk '{print $(NF-8), $(NF-4)}'
    done | median
}

pillow() { # cores threads
    for _ in $(seq "$runs"); do
        taskset -c "$1" /usr/bin/python3 - "$folder" "$2" <<'PY'
import sys, glob, time
from concurrent.futures import ThreadPoolExecutor
from PIL import Image
files = sorted(glob.glob(sys.argv[1] + "/*.jpg"))
def one(path):
    with Image.open(path) as im:
        im.draft("RGB", (100, 100))
        im.thumbnail((100, 100))
        return im.size
start, cpu = time.perf_counter(), time.process_time()
with ThreadPoolExecutor(int(sys.argv[2])) as pool:
    list(pool.map(one, files))
n = len(files)
print((time.perf_counter() - start) * 1000 / n, (time.process_time() - cpu) * 1000 / n)
PY
    done | median
}

vips() { # cores threads
    command -v vipsthumbnail > /dev/null || { echo "nan nan"; return; }
    for _ in $(seq "$runs"); do
        local start end cpu
        start=$(date +%s%N)
        cpu=$( { VIPS_CONCURRENCY="$2" /usr/bin/time -f "%U %S" taskset -c "$1" vipsthumbnail -s 100x100 \
                   -o "$out/%s.jpg" "$folder"/*.jpg; } 2>&1 | tail -1 | awk '{print $1 + $2}')
        end=$(date +%s%N)
        awk -v ns=$((end - start)) -v n="$count" -v c="$cpu" 'BEGIN {print ns / 1e6 / n, c * 1000 / n}'
    done | median
}

printf '%d pictures of %s; ms per picture, median of %d runs (wall / cpu)\n' "$count" "$folder" "$runs"
printf '%-6s %15s %15s %15s %12s %12s\n' cores codexa pillow vips wall-ratio cpu-ratio
for setting in "0 1" "0,1 2"; do
    set -- $setting
    read -r ow oc < <(ours "$1" "$2")
    read -r pw pc < <(pillow "$1" "$2")
    read -r vw vc < <(vips "$1" "$2")
    awk -v c="$2" -v ow="$ow" -v oc="$oc" -v pw="$pw" -v pc="$pc" -v vw="$vw" -v vc="$vc" 'BEGIN {
        bw = pw; bc = pc
        if (vw != "nan" && vw + 0 < bw + 0) bw = vw
        if (vc != "nan" && vc + 0 < bc + 0) bc = vc
        printf "%-6s %7.2f/%-7.2f %7.2f/%-7.2f %7.2f/%-7.2f %11.3fx %11.3fx\n", c, ow, oc, pw, pc, vw, vc, ow / bw, oc / bc }'
done
echo "goal (wall): ratio <= 0.95 on one core, <= 0.90 on two; ratios are ours / the best peer"
echo "(vipsthumbnail is timed as a whole process and writes its small JPEGs; load: $(cut -d' ' -f1-3 /proc/loadavg))"
