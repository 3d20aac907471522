#!/usr/bin/env python3
"""Tone functions of the bitmap library beside OpenCV and Pillow on one 12-megapixel 24-bit picture.

  Dib2Gray (to 8 bits)    cv2.cvtColor(BGR2GRAY)              ImageOps.grayscale
  DibEqualizeImage        cv2.equalizeHist on each channel    ImageOps.equalize
  DibColorBlend (screen)  cv2.addWeighted                     Image.blend

DibEqualizeImage equalises the luminance and applies the one map to all three channels; both peers
equalise each channel (a histogram and a table per channel), the nearest colour form they offer.
DibColorBlend blends one pixel per call, so it is timed by bench_dib_tone (a loop calling the
exported function for every pixel pair) and read back as JSON; the others are called through
ctypes, interleaved with the peers. First pinned to one core, then on all usable cores. Prints
median wall and process CPU times and the ratio to the faster peer (below 1.0: we are faster).

Usage: bench/peer_dib_tone.py [BUILD_DIR]   (needs python3-pil, python3-numpy, python3-opencv and
the targets tarnisdib and bench_dib_tone built in BUILD_DIR)
"""
import ctypes
import json
import os
import statistics
import subprocess
import sys

# The same picture, timer and loop as the scaling comparison (re-executes under /usr/bin/python3 when needed).
from peer_dib import BUILD, Image, cv2, measure, np, one_core_then_all, open_library, report
from PIL import ImageOps

REPEATS = 9


def blend_times(threads):
    """Median wall and CPU seconds of DibColorBlend over the picture, from bench_dib_tone."""
    exe = os.path.join(BUILD, "bin", "bench_dib_tone")
    out = subprocess.run([exe, f"--benchmark_filter=BM_DibColorBlend/{threads}/6/",
                          f"--benchmark_repetitions={REPEATS}", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9}[runs[0]["time_unit"]]
    return (statistics.median(r["real_time"] for r in runs) * scale,
            statistics.median(r["cpu_time"] for r in runs) * scale)


def run(lib, bgr, bgr2, pil, pil2, cores):
    # Pinned to one core, the blend's benchmark runs on one thread; else on all (0).
    threads = 1 if len(os.sched_getaffinity(0)) == 1 else 0
    print(f"\n{cores}:")
    print(f"  {'case':<18} {'ours':>9} {'Pillow':>9} {'OpenCV':>9}   ratio to faster peer")
    grey = np.empty(bgr.shape[:2], np.uint8)
    mixed = np.empty_like(bgr)

    def equalize_cv():
        return cv2.merge([cv2.equalizeHist(c) for c in cv2.split(bgr)])

    cases = [
        ("Dib2Gray to 8 bits", lambda: lib.call("Dib2Gray", 1),
         lambda: ImageOps.grayscale(pil), lambda: cv2.cvtColor(bgr, cv2.COLOR_BGR2GRAY, dst=grey)),
        ("DibEqualizeImage", lambda: lib.call("DibEqualizeImage"),
         lambda: ImageOps.equalize(pil), equalize_cv),
        ("DibColorBlend", None,
         lambda: Image.blend(pil, pil2, 0.5), lambda: cv2.addWeighted(bgr, 0.5, bgr2, 0.5, 0, dst=mixed)),
    ]
    ratios = []
    for name, ours, pillow, opencv in cases:
        med, cpu = measure(ours or (lambda: (0.0, 0.0)), {"Pillow": pillow, "OpenCV": opencv}, REPEATS)
        if not ours:
            wall, used = blend_times(threads)
            med["ours"], cpu["ours"] = wall * 1000, used * 1000
        wall_ratio = report(name, med, cpu, width=18)[0]
        ratios.append((name, wall_ratio, cpu["ours"] / min(cpu["Pillow"], cpu["OpenCV"])))
    return ratios


def main():
    exe = os.path.join(BUILD, "bin", "bench_dib_tone")
    if not os.path.exists(exe):
        sys.exit(f"peer_dib_tone: {exe} not built (cmake --build {BUILD} --target bench_dib_tone)")
    lib, rgb, bgr, pil = open_library("peer_dib_tone", "Tone functions", {
        "Dib2Gray": ([ctypes.c_int], None), "DibEqualizeImage": []})
    bgr2 = np.ascontiguousarray(bgr[::-1])  # the second picture of the blend: the first upside down
    pil2 = Image.fromarray(np.ascontiguousarray(rgb[::-1]))

    one, every = one_core_then_all(lambda cores: run(lib, bgr, bgr2, pil, pil2, cores))
    print("\ngoal (at most 1.0x the faster peer, wall / cpu):")
    for (name, w1, c1), (_, w2, c2) in zip(one, every):
        print(f"  {name:<18} one core {w1:.2f} / {c1:.2f}   all cores {w2:.2f} / {c2:.2f}   "
              f"{'met' if max(w1, w2) <= 1.0 else 'NOT met'}")


if __name__ == "__main__":
    main()
