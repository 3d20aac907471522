#!/usr/bin/env bash
# Runs every benchmark: the Google Benchmark programs, then the peer comparison scripts.
# Usage: bench/run_all.sh [BUILD_DIR]
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for prog in "$build"/bin/bench_*; do
    [[ -x "$prog" ]] || continue
    echo "== $(basename "$prog")"
    "$prog" --benchmark_min_time=0.2 || status=1
done
for script in "$here"/peer_*.sh "$here"/peer_*.py; do
    [[ -e "$script" ]] || continue
    echo "== $(basename "$script")"
    case "$script" in
    *.py) python3 "$script" "$build" || status=1 ;;
    *) bash "$script" "$build" || status=1 ;;
    esac
done
exit $status
