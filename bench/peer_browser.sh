#!/usr/bin/env bash
# First visit of a folder of 200 twelve-megapixel JPEGs: the thumbnail grid (bench_browser
# FirstVisit: workers on every core, until the last thumbnail is painted) against Pillow
# draft() + thumbnail() in two processes on the same pictures and cores. Prints both per picture
# and the ratio ours / Pillow (goal <= 1.0), the longest stretch the grid's UI thread was busy
# (goal < 50 ms) and the second visit of 1024 pictures from the cache (goal < 200 ms).
# Usage: bench/peer_browser.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
corpus=${CORPUS:-/tmp/bench-corpus}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/corpus_lib.sh"
prog="$build/bin/bench_browser"
runs=${RUNS:-3}

[[ -x "$prog" ]] || { echo "peer_browser: $prog not built" >&2; exit 1; }
bench_jpeg_corpus "$corpus/jpg" 20

# 200 names over the corpus pictures (hard links when the corpus has fewer).
folder="$corpus/browser200"
mkdir -p "$folder"
if [[ $(ls "$folder"/*.jpg 2>/dev/null | wc -l) -ne 200 ]]; then
    rm -f "$folder"/*.jpg "$folder"/brwseimg.tnv
    mapfile -t sources < <(ls "$corpus"/jpg/*.jpg | sort)
    for i in $(seq 0 199); do
        src=${sources[$((i % ${#sources[@]}))]}
        dst=$(printf '%s/p%03d.jpg' "$folder" "$i")
        ln "$src" "$dst" 2>/dev/null || cp "$src" "$dst"
    done
fi

json=$(mktemp)
trap 'rm -f "$json"' EXIT
TARNIS_BROWSER_JPEGS="$folder" "$prog" --benchmark_filter=FirstVisit --benchmark_format=json > "$json"
read -r ours busy cpu threads < <(/usr/bin/python3 - "$json" <<'PY'
import json, sys
b = [x for x in json.load(open(sys.argv[1]))["benchmarks"] if x["name"].startswith("BM_FirstVisit")][0]
if b.get("error_occurred"):
    sys.exit("peer_browser: " + b.get("error_message", "benchmark failed"))
print(b["ms_per_picture"], b["ui_busy_max_ms"], b["ui_cpu_max_ms"], int(b["threads"]))
PY
)

pillow=$(for _ in $(seq "$runs"); do
    /usr/bin/python3 - "$folder" <<'PY'
import glob, sys, time
from multiprocessing import Pool
from PIL import Image
def one(path):
    with Image.open(path) as im:
        im.draft("RGB", (100, 100))
        im.thumbnail((100, 100))
        return im.size
if __name__ == "__main__":
    files = sorted(glob.glob(sys.argv[1] + "/*.jpg"))
    with Pool(2) as pool:
        start = time.perf_counter()
        pool.map(one, files, chunksize=1)
        print((time.perf_counter() - start) * 1000 / len(files))
PY
done | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')

TARNIS_BROWSER_JPEGS="$folder" "$prog" --benchmark_filter=SecondVisit --benchmark_format=json > "$json"
second=$(/usr/bin/python3 -c 'import json,sys; b=[x for x in json.load(open(sys.argv[1]))["benchmarks"] if x["name"].startswith("BM_SecondVisit")][0]; print(b["real_time"])' "$json")

awk -v o="$ours" -v p="$pillow" -v b="$busy" -v c="$cpu" -v s="$second" -v t="$threads" 'BEGIN {
    printf "first visit, 200 x 12 MP JPEG: grid %.1f ms/picture (%d workers), Pillow 2 processes %.1f ms/picture, ratio %.2f (goal <= 1.0)\n", o, t, p, o / p
    printf "longest UI-thread busy stretch during the first visit: %.1f ms (goal < 50), the thread itself worked %.1f ms of it\n", b, c
    printf "second visit, 1024 pictures from the cache until painted: %.1f ms (goal < 200)\n", s
}'
