# Shared by the peer scripts: the standard JPEG corpus and the thumbnail runs of ours and the
# peers. Source this file.

# bench_jpeg_corpus FOLDER COUNT: unless FOLDER already holds JPEGs, makes img_000.jpg ... (COUNT
# 12-megapixel photographs from corpus/gen_lib.py, fixed seeds).
bench_jpeg_corpus()
{
    local folder=$1 count=$2 here
    compgen -G "$folder/*.jpg" > /dev/null && return 0
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    echo "generating $count corpus JPEGs in $folder (about 3 s each)"
    mkdir -p "$folder"
    PYTHONPATH="$here/corpus" OMP_NUM_THREADS=1 /usr/bin/python3 - "$folder" "$count" <<'PY'
import sys, os
from gen_lib import photo
out, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    p = f"{out}/img_{i:03d}.jpg"
    if not os.path.exists(p):
        photo(1000 + i, 4000, 3000).save(p + ".tmp", "JPEG", quality=90, subsampling=2)
        os.rename(p + ".tmp", p)
PY
}

# bench_median: of lines "wall cpu", the one with the median wall time.
bench_median()
{
    sort -n | awk '{w[NR]=$1; c[NR]=$2} END {m=int((NR+1)/2); print w[m], c[m]}'
}

# The thumbnail runs below print "wall_ms cpu_ms" per picture, the median of RUNS runs (default
# 3), for 100×100 thumbnails of every DIR/*.EXT made on CORES (a taskset list) by THREADS threads.
# Wall time is the figure that counts; CPU time (user + system of the process) stays meaningful
# when other work shares the machine.

# bench_ours_thumbs TOOL DIR CORES THREADS: tarnis-convert --thumb-folder, one process.
bench_ours_thumbs()
{
    for _ in $(seq "${RUNS:-3}"); do
        taskset -c "$3" "$1" --thumb-folder 100 100 --threads "$4" "$2" | awk '{print $(NF-8), $(NF-4)}'
    done | bench_median
}

# bench_pillow_thumbs DIR EXT CORES THREADS: Pillow draft() then thumbnail(), one process; HEIC
# through pillow_heif. "nan nan" without Pillow (or pillow_heif for HEIC).
bench_pillow_thumbs()
{
    /usr/bin/python3 -c 'import PIL' 2> /dev/null || { echo "nan nan"; return; }
    [[ $2 != heic ]] || /usr/bin/python3 -c 'import pillow_heif' 2> /dev/null || { echo "nan nan"; return; }
    for _ in $(seq "${RUNS:-3}"); do
        taskset -c "$3" /usr/bin/python3 - "$1" "$2" "$4" <<'PY'
import sys, glob, time
from concurrent.futures import ThreadPoolExecutor
from PIL import Image
if sys.argv[2] == "heic":
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
    done | bench_median
}

# bench_vips_thumbs DIR EXT CORES THREADS OUT: vipsthumbnail timed as a whole process, writing its
# small JPEGs into OUT. "nan nan" without it.
bench_vips_thumbs()
{
    command -v vipsthumbnail > /dev/null || { echo "nan nan"; return; }
    local n
    n=$(ls "$1"/*."$2" | wc -l)
    for _ in $(seq "${RUNS:-3}"); do
        local start end cpu
        start=$(date +%s%N)
        cpu=$( { VIPS_CONCURRENCY="$4" /usr/bin/time -f "%U %S" taskset -c "$3" vipsthumbnail -s 100x100 \
                   -o "$5/%s.jpg" "$1"/*."$2"; } 2>&1 | tail -1 | awk '{print $1 + $2}')
        end=$(date +%s%N)
        awk -v ns=$((end - start)) -v n="$n" -v c="$cpu" 'BEGIN {print ns / 1e6 / n, c * 1000 / n}'
    done | bench_median
}
