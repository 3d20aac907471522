#!/usr/bin/env python3
"""Filters of the bitmap library beside OpenCV and Pillow on one 12-megapixel 24-bit picture.

  3x3 kernel   DoSpecialFilter type 1, kernel 0 (1 3 1 / 3 20 3 / 1 3 1, / 36);
               OpenCV filter2D with the same kernel, Pillow ImageFilter.Kernel
  median 3x3   DibReduceNoiseImage; OpenCV medianBlur(3), Pillow MedianFilter(3)
  mosaic 16    DibMosaic 16 x 16; OpenCV resize down (INTER_AREA) and up (INTER_NEAREST),
               Pillow reduce(16) and resize up (NEAREST)

First pinned to one core, then on all usable cores. Prints median wall times, the ratio to the
faster peer (below 1.0: we are faster) and the ratio to OpenCV, and the same for process CPU time.

Usage: bench/peer_dib_filters.py [BUILD_DIR]   (needs python3-pil, python3-numpy, python3-opencv)
The picture is the corpus's first JPEG when $TARNIS_BENCH_CORPUS (default /tmp/bench-corpus)
holds it, else the same photo made by the corpus generator.
"""
import ctypes
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
# The same picture, timer and loop as the scaling comparison (re-executes under /usr/bin/python3 when needed).
from peer_dib import SIZE, Image, cv2, measure, np, one_core_then_all, open_library, report  # noqa: E402
from PIL import ImageFilter  # noqa: E402

KERNEL = [1, 3, 1, 3, 20, 3, 1, 3, 1]
BLOCK = 16


def cases(lib, bgr, pil):
    kernel = np.array(KERNEL, np.float32).reshape(3, 3) / 36.0
    same = np.empty_like(bgr)
    small = np.empty(((SIZE[1] + BLOCK - 1) // BLOCK, (SIZE[0] + BLOCK - 1) // BLOCK, 3), np.uint8)
    pil_kernel = ImageFilter.Kernel((3, 3), KERNEL, scale=36)
    return [
        ("3x3 kernel", 7, lambda: lib.call("DoSpecialFilter", 1, 0), {
            "Pillow": lambda: pil.filter(pil_kernel),
            "OpenCV": lambda: cv2.filter2D(bgr, -1, kernel, dst=same),
        }),
        ("median 3x3", 3, lambda: lib.call("DibReduceNoiseImage"), {
            "Pillow": lambda: pil.filter(ImageFilter.MedianFilter(3)),
            "OpenCV": lambda: cv2.medianBlur(bgr, 3, dst=same),
        }),
        (f"mosaic {BLOCK}", 7, lambda: lib.call("DibMosaic", BLOCK, BLOCK), {
            "Pillow": lambda: pil.reduce(BLOCK).resize(SIZE, Image.NEAREST),
            "OpenCV": lambda: cv2.resize(
                cv2.resize(bgr, (small.shape[1], small.shape[0]), dst=small, interpolation=cv2.INTER_AREA),
                SIZE, dst=same, interpolation=cv2.INTER_NEAREST),
        }),
    ]


def run(lib, bgr, pil, cores):
    print(f"\n{cores}:")
    print(f"  {'case':<12} {'ours':>9} {'Pillow':>9} {'OpenCV':>9}   to faster peer   to OpenCV")
    ratios = {}
    for name, repeats, ours, peers in cases(lib, bgr, pil):
        med, cpu = measure(ours, peers, repeats)
        ratios[name] = report(name, med, cpu, width=12, versus="OpenCV")
    return ratios


def main():
    i = ctypes.c_int
    lib, _, bgr, pil = open_library("peer_dib_filters", "Filters", {
        "DoSpecialFilter": [i, i], "DibReduceNoiseImage": [], "DibMosaic": [i, i]})
    one, many = one_core_then_all(lambda cores: run(lib, bgr, pil, cores))
    goals = [
        ("3x3 kernel, one core, at most 1.0x the faster peer", one["3x3 kernel"][0] <= 1.0),
        (f"3x3 kernel, {len(os.sched_getaffinity(0))} cores, at most 0.6x the faster peer", many["3x3 kernel"][0] <= 0.6),
        ("median, one core, within 1.5x of OpenCV", one["median 3x3"][1] <= 1.5),
    ]
    print()
    for text, met in goals:
        print(f"goal ({text}): {'met' if met else 'NOT met'}")


if __name__ == "__main__":
    main()
