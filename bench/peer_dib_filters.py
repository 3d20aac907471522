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
import statistics
import sys
import time

try:
    import cv2
    import numpy as np
    from PIL import Image, ImageFilter
except ImportError:
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("peer_dib_filters: needs python3-pil, python3-numpy and python3-opencv (tools/install-deps.sh bench)")

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from peer_dib import SIZE, one_core_then_all, picture, timed  # noqa: E402  (same picture and timer as the scalers)

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
KERNEL = [1, 3, 1, 3, 20, 3, 1, 3, 1]
BLOCK = 16


class Library:
    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        vp, i = ctypes.c_void_p, ctypes.c_int
        pv = ctypes.POINTER(vp)
        self.lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, pv, pv, ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [pv, pv, vp, vp]
        self.lib.DoSpecialFilter.argtypes = [pv, pv, i, i]
        self.lib.DibReduceNoiseImage.argtypes = [pv, pv]
        self.lib.DibMosaic.argtypes = [pv, pv, i, i]
        self.lib.GlobalFree.argtypes = [vp]
        self.lib.GlobalFree.restype = vp

    def load(self, rgb):
        h, w, _ = rgb.shape
        bits, info = ctypes.c_void_p(), ctypes.c_void_p()
        if not self.lib.CreateDib(w, h, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit("peer_dib_filters: CreateDib failed")
        rows = np.ascontiguousarray(rgb[::-1, :, ::-1])  # bottom-up, blue-green-red
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)  # 4000 × 3 bytes needs no padding
        self.src = (bits, info)
        self.bits, self.info = ctypes.c_void_p(), ctypes.c_void_p()

    def run(self, name, *args):
        # A fresh copy each time (untimed): the filters replace the picture they are given.
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        fn = getattr(self.lib, name)
        return timed(lambda: fn(ctypes.byref(self.bits), ctypes.byref(self.info), *args)
                     or sys.exit(f"peer_dib_filters: {name} failed"))


def cases(lib, bgr, pil):
    kernel = np.array(KERNEL, np.float32).reshape(3, 3) / 36.0
    same = np.empty_like(bgr)
    small = np.empty(((SIZE[1] + BLOCK - 1) // BLOCK, (SIZE[0] + BLOCK - 1) // BLOCK, 3), np.uint8)
    pil_kernel = ImageFilter.Kernel((3, 3), KERNEL, scale=36)
    return [
        ("3x3 kernel", 7, lambda: lib.run("DoSpecialFilter", 1, 0), {
            "Pillow": lambda: pil.filter(pil_kernel),
            "OpenCV": lambda: cv2.filter2D(bgr, -1, kernel, dst=same),
        }),
        ("median 3x3", 3, lambda: lib.run("DibReduceNoiseImage"), {
            "Pillow": lambda: pil.filter(ImageFilter.MedianFilter(3)),
            "OpenCV": lambda: cv2.medianBlur(bgr, 3, dst=same),
        }),
        (f"mosaic {BLOCK}", 7, lambda: lib.run("DibMosaic", BLOCK, BLOCK), {
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
        times = {"ours": [], "Pillow": [], "OpenCV": []}
        ours()  # warm up everything once
        for fn in peers.values():
            fn()
        for _ in range(repeats):  # interleaved, so all three see the same machine
            times["ours"].append(ours())
            for peer, fn in peers.items():
                times[peer].append(timed(fn))
        med = {k: statistics.median(t[0] for t in v) * 1000 for k, v in times.items()}
        cpu = {k: statistics.median(t[1] for t in v) * 1000 for k, v in times.items()}
        best = min(med["Pillow"], med["OpenCV"])
        ratios[name] = (med["ours"] / best, med["ours"] / med["OpenCV"])
        print(f"  {name:<12} {med['ours']:7.1f}ms {med['Pillow']:7.1f}ms {med['OpenCV']:7.1f}ms   "
              f"{ratios[name][0]:14.2f}   {ratios[name][1]:9.2f}")
        print(f"  {'  (cpu time)':<12} {cpu['ours']:7.1f}ms {cpu['Pillow']:7.1f}ms {cpu['OpenCV']:7.1f}ms   "
              f"{cpu['ours'] / min(cpu['Pillow'], cpu['OpenCV']):14.2f}   {cpu['ours'] / cpu['OpenCV']:9.2f}")
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"peer_dib_filters: {path} not built (cmake --build {BUILD} --target tarnisdib)")
    rgb, source = picture()
    if rgb.shape[:2] != (SIZE[1], SIZE[0]):
        sys.exit(f"peer_dib_filters: {source} is not {SIZE[0]}x{SIZE[1]}")
    print(f"Filters vs Pillow {Image.__version__} / OpenCV {cv2.__version__}, "
          f"{SIZE[0]}x{SIZE[1]} 24-bit ({source}), median ms")
    lib = Library(path)
    lib.load(rgb)
    bgr = np.ascontiguousarray(rgb[:, :, ::-1])
    pil = Image.fromarray(rgb)

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
