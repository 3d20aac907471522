# Shared by the peer scripts: the standard JPEG corpus. Source this file.

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
