#!/usr/bin/env bash
# 100×100 thumbnails of 12-megapixel WebP and HEIC photos: Codexa (tarnis-convert --thumb-folder,
# one process) beside vipsthumbnail and Pillow (where it reads the format), in one run, on one
# core and on two, with the ratio ours / best peer.
# Usage: bench/peer_photo.sh [BUILD_DIR] [FOLDER]
# FOLDER (default /tmp/bench-corpus/photo) receives webp/ and heic/, made once from the shared
# JPEG corpus (WebP by Codexa at quality 90, HEIC by heif-enc at quality 70).
set -euo pipefail
build=${1:-build}
folder=${2:-/tmp/bench-corpus/photo}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/corpus_lib.sh"
tool="$build/bin/tarnis-convert"
runs=${RUNS:-3}
count=${COUNT:-6}

[[ -x "$tool" ]] || { echo "peer_photo: $tool not built" >&2; exit 1; }
mkdir -p "$folder/webp" "$folder/heic"
if ! compgen -G "$folder/heic/*.heic" > /dev/null; then
    jpegs=/tmp/bench-corpus/jpg
    if python3 -c 'import PIL' 2> /dev/null; then
        bench_jpeg_corpus "$jpegs" "$count"
    else # no Pillow: noise photos from libvips
        mkdir -p "$jpegs"
        for i in $(seq 0 $((count - 1))); do
            [[ -e "$jpegs/img_$(printf %03d "$i").jpg" ]] && continue
            vips gaussnoise "$jpegs/n.v" 4000 3000 --sigma 40 --mean 128
            vips gaussblur "$jpegs/n.v" "$jpegs/img_$(printf %03d "$i").jpg[Q=90]" $((i + 2))
            rm -f "$jpegs/n.v"
        done
    fi
    echo "making $count 12-megapixel WebP and HEIC files in $folder"
    for f in $(ls "$jpegs"/*.jpg | head -n "$count"); do
        name=$(basename "$f" .jpg)
        "$tool" "$f" "$folder/webp/$name.webp"
        heif-enc -q 70 "$f" -o "$folder/heic/$name.heic" > /dev/null
    done
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

median() { sort -n | awk '{w[NR]=$1; c[NR]=$2} END {m=int((NR+1)/2); print w[m], c[m]}'; }

ours() { # dir cores threads
    for _ in $(seq "$runs"); do
        taskset -c "$2" "$tool" --thumb-folder 100 100 --threads "$3" "$1" | awk '{print $(NF-8), $(NF-4)}'
    done | median
}

pillow() { # dir ext cores threads
    python3 -c 'import PIL' 2> /dev/null || { echo "nan nan"; return; }
    [[ $2 == webp ]] || python3 -c 'import pillow_heif' 2> /dev/null || { echo "nan nan"; return; }
    for _ in $(seq "$runs"); do
        taskset -c "$3" /usr/bin/python3 - "$1" "$2" "$4" <<'PY'
import sys, glob, time
from concurrent.futures import ThreadPoolExecutor
from PIL import Image
if sys.argv[2] != "webp":
    import pillow_heif
    pillow_heif.register_heif_opener()
files = sorted(glob.glob(sys.argv[1] + "/*." + sys.argv[2]))
def one(path):
    with Image.open(path) as im:
        im.draft("RGB", (100, 100))
        im.thumbnail((100, 100))
        return im.size
start, cpu = time.perf_counter(), time.process_time()
with ThreadPoolExecutor(int(sys.argv[3])) as pool:
    list(pool.map(one, files))
n = len(files)
print((time.perf_counter() - start) * 1000 / n, (time.process_time() - cpu) * 1000 / n)
PY
    done | median
}

vips() { # dir ext cores threads
    command -v vipsthumbnail > /dev/null || { echo "nan nan"; return; }
    local n
    n=$(ls "$1"/*."$2" | wc -l)
    for _ in $(seq "$runs"); do
        local start end cpu
        start=$(date +%s%N)
        cpu=$( { VIPS_CONCURRENCY="$4" /usr/bin/time -f "%U %S" taskset -c "$3" vipsthumbnail -s 100x100 \
                   -o "$out/%s.jpg" "$1"/*."$2"; } 2>&1 | tail -1 | awk '{print $1 + $2}')
        end=$(date +%s%N)
        awk -v ns=$((end - start)) -v n="$n" -v c="$cpu" 'BEGIN {print ns / 1e6 / n, c * 1000 / n}'
    done | median
}

printf 'ms per picture, median of %d runs (wall / cpu)\n' "$runs"
printf '%-5s %-6s %15s %15s %15s %12s %12s\n' format cores codexa pillow vips wall-ratio cpu-ratio
for ext in webp heic; do
    for setting in "0 1" "0,1 2"; do
        set -- $setting
        read -r ow oc < <(ours "$folder/$ext" "$1" "$2")
        read -r pw pc < <(pillow "$folder/$ext" "$ext" "$1" "$2")
        read -r vw vc < <(vips "$folder/$ext" "$ext" "$1" "$2")
        awk -v f="$ext" -v c="$2" -v ow="$ow" -v oc="$oc" -v pw="$pw" -v pc="$pc" -v vw="$vw" -v vc="$vc" 'BEGIN {
            bw = "nan"; bc = "nan"
            if (pw != "nan") { bw = pw; bc = pc }
            if (vw != "nan" && (bw == "nan" || vw + 0 < bw + 0)) bw = vw
            if (vc != "nan" && (bc == "nan" || vc + 0 < bc + 0)) bc = vc
            printf "%-5s %-6s %7.2f/%-7.2f %7s/%-7s %7.2f/%-7.2f %11.3fx %11.3fx\n", f, c, ow, oc, pw, pc, vw, vc,
                ow / bw, oc / bc }'
    done
done
echo "goal (wall): ratio <= 0.90; ratios are ours / the best peer in this run"
echo "(vipsthumbnail is timed as a whole process and writes its small JPEGs; load: $(cut -d' ' -f1-3 /proc/loadavg))"
