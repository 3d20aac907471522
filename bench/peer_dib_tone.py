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

from peer_dib import BUILD, SIZE, picture, timed  # re-executes under /usr/bin/python3 when needed

import cv2
import numpy as np
from PIL import Image, ImageOps

REPEATS = 9


class Library:
    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        vp, i, pvp = ctypes.c_void_p, ctypes.c_int, ctypes.POINTER(ctypes.c_void_p)
        self.lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, pvp, pvp, ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [pvp, pvp, vp, vp]
        self.lib.Dib2Gray.argtypes = [pvp, pvp, i]
        self.lib.Dib2Gray.restype = None
        self.lib.DibEqualizeImage.argtypes = [pvp, pvp]

    def load(self, rgb):
        h, w, _ = rgb.shape
        bits, info = ctypes.c_void_p(), ctypes.c_void_p()
        if not self.lib.CreateDib(w, h, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit("peer_dib_tone: CreateDib failed")
        rows = np.ascontiguousarray(rgb[::-1, :, ::-1])  # bottom-up, blue-green-red
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)  # 4000 × 3 bytes needs no padding
        self.src = (bits, info)
        self.bits, self.info = ctypes.c_void_p(), ctypes.c_void_p()

    def call(self, fn):
        # A fresh copy each time (untimed): both functions change or replace the picture.
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        return timed(lambda: fn(ctypes.byref(self.bits), ctypes.byref(self.info)))


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


def run(lib, bgr, bgr2, pil, pil2, cores, threads):
    print(f"\n{cores}:")
    print(f"  {'case':<18} {'ours':>9} {'Pillow':>9} {'OpenCV':>9}   ratio to faster peer")
    grey = np.empty(bgr.shape[:2], np.uint8)
    mixed = np.empty_like(bgr)

    def equalize_cv():
        return cv2.merge([cv2.equalizeHist(c) for c in cv2.split(bgr)])

    cases = [
        ("Dib2Gray to 8 bits", lambda: lib.call(lambda b, i: lib.lib.Dib2Gray(b, i, 1)),
         lambda: ImageOps.grayscale(pil), lambda: cv2.cvtColor(bgr, cv2.COLOR_BGR2GRAY, dst=grey)),
        ("DibEqualizeImage", lambda: lib.call(lib.lib.DibEqualizeImage),
         lambda: ImageOps.equalize(pil), equalize_cv),
        ("DibColorBlend", None,
         lambda: Image.blend(pil, pil2, 0.5), lambda: cv2.addWeighted(bgr, 0.5, bgr2, 0.5, 0, dst=mixed)),
    ]
    ratios = []
    for name, ours, pillow, opencv in cases:
        times = {"ours": [], "Pillow": [], "OpenCV": []}
        if ours:
            ours()  # warm up everything once
        pillow()
        opencv()
        for _ in range(REPEATS):  # interleaved, so all three see the same machine
            if ours:
                times["ours"].append(ours())
            times["Pillow"].append(timed(pillow))
            times["OpenCV"].append(timed(opencv))
        med = {k: statistics.median(t[0] for t in v) * 1000 for k, v in times.items() if v}
        cpu = {k: statistics.median(t[1] for t in v) * 1000 for k, v in times.items() if v}
        if not ours:
            wall, used = blend_times(threads)
            med["ours"], cpu["ours"] = wall * 1000, used * 1000
        best = min(med["Pillow"], med["OpenCV"])
        ratios.append((name, med["ours"] / best, cpu["ours"] / min(cpu["Pillow"], cpu["OpenCV"])))
        print(f"  {name:<18} {med['ours']:7.1f}ms {med['Pillow']:7.1f}ms {med['OpenCV']:7.1f}ms   "
              f"{med['ours'] / best:.2f}")
        print(f"  {'  (cpu time)':<18} {cpu['ours']:7.1f}ms {cpu['Pillow']:7.1f}ms {cpu['OpenCV']:7.1f}ms   "
              f"{ratios[-1][2]:.2f}")
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    exe = os.path.join(BUILD, "bin", "bench_dib_tone")
    for need, target in ((path, "tarnisdib"), (exe, "bench_dib_tone")):
        if not os.path.exists(need):
            sys.exit(f"peer_dib_tone: {need} not built (cmake --build {BUILD} --target {target})")
    rgb, source = picture()
    if rgb.shape[:2] != (SIZE[1], SIZE[0]):
        sys.exit(f"peer_dib_tone: {source} is not {SIZE[0]}x{SIZE[1]}")
    print(f"Tone functions vs Pillow {Image.__version__} / OpenCV {cv2.__version__}, "
          f"{SIZE[0]}x{SIZE[1]} 24-bit ({source}), median ms of {REPEATS}")
    lib = Library(path)
    lib.load(rgb)
    bgr = np.ascontiguousarray(rgb[:, :, ::-1])
    bgr2 = np.ascontiguousarray(bgr[::-1])  # the second picture of the blend: the first upside down
    pil = Image.fromarray(rgb)
    pil2 = Image.fromarray(np.ascontiguousarray(rgb[::-1]))

    everywhere = os.sched_getaffinity(0)
    os.sched_setaffinity(0, {min(everywhere)})
    cv2.setNumThreads(1)
    one = run(lib, bgr, bgr2, pil, pil2, "one core (pinned; OpenCV 1 thread)", 1)
    os.sched_setaffinity(0, everywhere)
    quiet = os.dup(2)  # OpenCV's thread pool complains about the earlier limit on stderr
    os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
    cv2.setNumThreads(len(everywhere))
    os.dup2(quiet, 2)
    every = run(lib, bgr, bgr2, pil, pil2,
                f"{len(everywhere)} cores (ours: rows split over threads; OpenCV threads)", 0)
    print("\ngoal (at most 1.0x the faster peer, wall / cpu):")
    for (name, w1, c1), (_, w2, c2) in zip(one, every):
        print(f"  {name:<18} one core {w1:.2f} / {c1:.2f}   all cores {w2:.2f} / {c2:.2f}   "
              f"{'met' if max(w1, w2) <= 1.0 else 'NOT met'}")


if __name__ == "__main__":
    main()
