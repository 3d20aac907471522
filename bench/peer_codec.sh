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
shared=$(cd "$here/../../shared/bench" 2>/dev/null && pwd || true)
tool="$build/bin/tarnis-convert"
runs=${RUNS:-3}

[[ -x "$tool" ]] || { echo "peer_codec: $tool not built" >&2; exit 1; }
if ! compgen -G "$folder/*.jpg" > /dev/null; then
    [[ -n "$shared" ]] || { echo "peer_codec: no corpus and no generator" >&2; exit 1; }
    echo "generating 20 corpus JPEGs in $folder (about a minute)"
    mkdir -p "$folder"
    PYTHONPATH="$shared" OMP_NUM_THREADS=1 /usr/bin/python3 - "$folder" <<'PY'
import sys, os
from gen_lib import photo
out = sys.argv[1]
for i in range(20):
    p = f"{out}/img_{i:03d}.jpg"
    if not os.path.exists(p):
        photo(1000 + i, 4000, 3000).save(p + ".tmp", "JPEG", quality=90, subsampling=2)
        os.rename(p + ".tmp", p)
PY
fi
count=$(ls "$folder"/*.jpg | wc -l)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Milliseconds per picture, the median of $runs runs; each command prints its own figure.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours() { # cores threads
    for _ in $(seq "$runs"); do
        taskset -c "$1" "$tool" --thumb-folder 100 100 --threads "$2" "$folder" | awk '{print $(NF-3)}'
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
start = time.perf_counter()
with ThreadPoolExecutor(int(sys.argv[2])) as pool:
    list(pool.map(one, files))
print((time.perf_counter() - start) * 1000 / len(files))
PY
    done | median
}

vips() { # cores threads
    command -v vipsthumbnail > /dev/null || { echo "nan"; return; }
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        VIPS_CONCURRENCY="$2" taskset -c "$1" vipsthumbnail -s 100x100 -o "$out/%s.jpg" "$folder"/*.jpg
        end=$(date +%s%N)
        awk -v ns=$((end - start)) -v n="$count" 'BEGIN {print ns / 1e6 / n}'
    done | median
}

printf '%d pictures of %s; ms per picture (median of %d runs)\n' "$count" "$folder" "$runs"
printf '%-8s %10s %10s %10s %10s %12s\n' cores codexa pillow vips best ratio
for setting in "0 1" "0,1 2"; do
    set -- $setting
    o=$(ours "$1" "$2"); p=$(pillow "$1" "$2"); v=$(vips "$1" "$2")
    awk -v c="$2" -v o="$o" -v p="$p" -v v="$v" 'BEGIN {
        best = p; if (v != "nan" && v + 0 < best + 0) best = v
        printf "%-8s %10.2f %10.2f %10s %10.2f %11.3fx\n", c, o, p, v, best, o / best }'
done
echo "goal: ratio <= 0.95 on one core, <= 0.90 on two (vipsthumbnail timed as a whole process)"
