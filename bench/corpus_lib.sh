# Shared by the peer scripts: the standard JPEG corpus. Source this file.

# bench_jpeg_corpus FOLDER COUNT WHO: unless FOLDER already holds JPEGs, makes img_000.jpg ... (COUNT
# 12-megapixel photographs from ../shared/bench/gen_lib.py, fixed seeds); WHO names the caller in
# messages. Fails when the generator is missing.
bench_jpeg_corpus()
{
    local folder=$1 count=$2 who=$3 here shared
    compgen -G "$folder/*.jpg" > /dev/null && return 0
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    shared=$(cd "$here/../../shared/bench" 2>/dev/null && pwd) ||
        { echo "$who: no corpus and no generator" >&2; return 1; }
    echo "generating $count corpus JPEGs in $folder (about 3 s each)"
    mkdir -p "$folder"
    PYTHONPATH="$shared" OMP_NUM_THREADS=1 /usr/bin/python3 - "$folder" "$count" <<'PY'
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
