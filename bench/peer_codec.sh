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
runs=${RUNS:-3} # bench_*_thumbs read RUNS

[[ -x "$tool" ]] || { echo "peer_codec: $tool not built" >&2; exit 1; }
bench_jpeg_corpus "$folder" 20
count=$(ls "$folder"/*.jpg | wc -l)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

printf '%d pictures of %s; ms per picture, median of %d runs (wall / cpu)\n' "$count" "$folder" "$runs"
printf '%-6s %15s %15s %15s %12s %12s\n' cores codexa pillow vips wall-ratio cpu-ratio
for setting in "0 1" "0,1 2"; do
    set -- $setting
    read -r ow oc < <(bench_ours_thumbs "$tool" "$folder" "$1" "$2")
    read -r pw pc < <(bench_pillow_thumbs "$folder" jpg "$1" "$2")
    read -r vw vc < <(bench_vips_thumbs "$folder" jpg "$1" "$2" "$out")
    awk -v c="$2" -v ow="$ow" -v oc="$oc" -v pw="$pw" -v pc="$pc" -v vw="$vw" -v vc="$vc" 'BEGIN {
        bw = pw; bc = pc
        if (vw != "nan" && vw + 0 < bw + 0) bw = vw
        if (vc != "nan" && vc + 0 < bc + 0) bc = vc
        printf "%-6s %7.2f/%-7.2f %7.2f/%-7.2f %7.2f/%-7.2f %11.3fx %11.3fx\n", c, ow, oc, pw, pc, vw, vc, ow / bw, oc / bc }'
done
echo "goal (wall): ratio <= 0.95 on one core, <= 0.90 on two; ratios are ours / the best peer"
echo "(vipsthumbnail is timed as a whole process and writes its small JPEGs; load: $(cut -d' ' -f1-3 /proc/loadavg))"
