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
runs=${RUNS:-3} # bench_*_thumbs read RUNS
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

printf 'ms per picture, median of %d runs (wall / cpu)\n' "$runs"
printf '%-5s %-6s %15s %15s %15s %12s %12s\n' format cores codexa pillow vips wall-ratio cpu-ratio
for ext in webp heic; do
    for setting in "0 1" "0,1 2"; do
        set -- $setting
        read -r ow oc < <(bench_ours_thumbs "$tool" "$folder/$ext" "$1" "$2")
        read -r pw pc < <(bench_pillow_thumbs "$folder/$ext" "$ext" "$1" "$2")
        read -r vw vc < <(bench_vips_thumbs "$folder/$ext" "$ext" "$1" "$2" "$out")
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
