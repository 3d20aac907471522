#!/usr/bin/env bash
# The batch converter (tarnis-convert --batch) over a folder of 12-megapixel JPEGs, converted to
# BMP, to PNG, and to JPEG fitted into 200 x 300 keeping the ratio, beside vips, ImageMagick and
# Pillow doing the same in the same run. Prints wall milliseconds per picture and the ratio of ours
# (both cores) to the fastest peer; ours on one core is shown as well.
# Peers run the way a user would batch with them: vips one process per file (vipsthumbnail one
# process for the fitted JPEGs), ImageMagick one mogrify, Pillow one Python process. JPEG quality
# 90 everywhere; the fitted JPEGs come from each tool's fast path (shrink-on-load, jpeg:size,
# draft). Our saves are flushed to disk before the rename; the peers' are not.
# Usage: bench/peer_batch.sh [BUILD_DIR] [JPEG_FOLDER]   (COUNT=10 pictures, RUNS=3)
set -euo pipefail
build=${1:-build}
folder=${2:-/tmp/tarnis-batch-corpus}
count=${COUNT:-10}
runs=${RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/corpus_lib.sh"
tool="$build/bin/tarnis-convert"
python=/usr/bin/python3
magick=/usr/bin/mogrify

[[ -x "$tool" ]] || { echo "peer_batch: $tool not built" >&2; exit 1; }
if ! compgen -G "$folder/*.jpg" > /dev/null; then
    # The standard corpus's first pictures (made when missing), linked.
    bench_jpeg_corpus /tmp/bench-corpus/jpg "$count"
    mkdir -p "$folder"
    for ((i = 0; i < count; i++)); do
        src=$(printf '/tmp/bench-corpus/jpg/img_%03d.jpg' "$i")
        [[ -f "$src" ]] && ln -sf "$src" "$folder/"
    done
fi
files=("$folder"/*.jpg)
n=${#files[@]}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Runs "$@" $runs times into an emptied output folder; prints the median wall ms per picture.
timed() {
    for _ in $(seq "$runs"); do
        rm -rf "$out" && mkdir -p "$out"
        local start end
        start=$(date +%s%N)
        "$@" > /dev/null 2>&1 || { echo nan; return; }
        end=$(date +%s%N)
        awk -v ns=$((end - start)) -v n="$n" 'BEGIN {printf "%.1f\n", ns / 1e6 / n}'
    done | median
}

ours() { # target cores
    local args=(--format "$1")
    [[ $1 == fit ]] && args=(--format jpg --size 200 300 --keep-ratio)
    timed taskset -c "$2" "$tool" --batch "$folder" "$out" "${args[@]}"
}

vips_each() { # target
    local f
    for f in "${files[@]}"; do
        vips copy "$f" "$out/$(basename "$f" .jpg).$1" || return 1
    done
}
vips_run() {
    command -v vips > /dev/null || { echo nan; return; }
    if [[ $1 == fit ]]; then
        timed vipsthumbnail -s 200x300 -o "$out/%s.jpg[Q=90]" "${files[@]}"
    else
        timed vips_each "$1"
    fi
}

magick_run() {
    [[ -x $magick ]] || { echo nan; return; }
    if [[ $1 == fit ]]; then
        timed "$magick" -path "$out" -format jpg -define jpeg:size=400x600 -resize 200x300 -quality 90 "${files[@]}"
    else
        timed "$magick" -path "$out" -format "$1" "${files[@]}"
    fi
}

pillow_convert() { # target
    "$python" - "$1" "$out" "${files[@]}" <<'PY'
import sys, os
from PIL import Image
target, out = sys.argv[1], sys.argv[2]
for path in sys.argv[3:]:
    stem = os.path.splitext(os.path.basename(path))[0]
    with Image.open(path) as im:
        if target == "fit":
            im.thumbnail((200, 300))
            im.save(f"{out}/{stem}.jpg", quality=90)
        else:
            im.save(f"{out}/{stem}.{target}")
PY
}
pillow_run() {
    "$python" -c 'import PIL' 2> /dev/null || { echo nan; return; }
    timed pillow_convert "$1"
}

printf '%d pictures of %s; wall ms per picture (median of %d runs)\n' "$n" "$folder" "$runs"
printf '%-6s %10s %10s %10s %10s %10s %10s %8s\n' target ours-1cpu ours-2cpu vips magick pillow best ratio
for target in bmp png fit; do
    o1=$(ours "$target" 0)
    o2=$(ours "$target" 0,1)
    v=$(vips_run "$target")
    m=$(magick_run "$target")
    p=$(pillow_run "$target")
    best=$(printf '%s\n' "$v" "$m" "$p" | grep -v nan | sort -n | head -1)
    ratio=$(awk -v o="$o2" -v b="$best" 'BEGIN {printf "%.2f", (b > 0) ? o / b : 0}')
    printf '%-6s %10s %10s %10s %10s %10s %10s %8s\n' "$target" "$o1" "$o2" "$v" "$m" "$p" "$best" "$ratio"
done
