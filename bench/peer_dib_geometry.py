#!/usr/bin/env python3
"""RotateFreeAngle (30 degrees) and MirrorDib (left-right) of the bitmap library beside OpenCV and
Pillow on one 12-megapixel 24-bit picture.

Rotation: OpenCV warpAffine (INTER_LINEAR, canvas grown to hold the turned picture, background
filled), Pillow rotate(BILINEAR, expand=True). Mirror: OpenCV flip, Pillow transpose. First pinned
to one core, then on all usable cores (ours: rows split over threads). Prints median wall times
and the ratio to the faster peer (below 1.0: we are faster), and the same for process CPU time.

Usage: bench/peer_dib_geometry.py [BUILD_DIR]   (needs python3-pil, python3-numpy, python3-opencv)
"""
import ctypes
import math
import os
import statistics
import sys
import time

try:
    import cv2
    import numpy as np
    from PIL import Image
except ImportError:
    # The peers are Debian packages; another python3 on the PATH may not see them.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("peer_dib_geometry: needs python3-pil, python3-numpy and python3-opencv (tools/install-deps.sh bench)")

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from peer_dib import SIZE, one_core_then_all, picture, timed  # noqa: E402  (the same picture as the scaling comparison)

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
ANGLE = 30.0
GOALS = {"rotate 30 deg": 0.7, "mirror": 1.0}
REPEATS = 9


class Library:
    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        vp, i = ctypes.c_void_p, ctypes.c_int
        self.lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, ctypes.POINTER(vp), ctypes.POINTER(vp), ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [ctypes.POINTER(vp), ctypes.POINTER(vp), vp, vp]
        self.lib.RotateFreeAngle.argtypes = [ctypes.POINTER(vp), ctypes.POINTER(vp), ctypes.c_double, ctypes.c_uint8]
        self.lib.MirrorDib.argtypes = [ctypes.POINTER(vp), ctypes.POINTER(vp), i]
        self.lib.GlobalFree.argtypes = [vp]
        self.lib.GlobalFree.restype = vp

    def load(self, rgb):
        h, w, _ = rgb.shape
        bits, info = ctypes.c_void_p(), ctypes.c_void_p()
        if not self.lib.CreateDib(w, h, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit("peer_dib_geometry: CreateDib failed")
        rows = np.ascontiguousarray(rgb[::-1, :, ::-1])  # bottom-up, blue-green-red
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)  # 4000 × 3 bytes needs no padding
        self.src = (bits, info)
        self.bits, self.info = ctypes.c_void_p(), ctypes.c_void_p()

    def run(self, call):
        # A fresh copy each time (untimed): the functions replace the picture they are given.
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        return timed(lambda: call(ctypes.byref(self.bits), ctypes.byref(self.info))
                     or sys.exit("peer_dib_geometry: call failed"))


def grown_rotation(w, h):
    """OpenCV's matrix for a clockwise turn about the centre onto a canvas holding the result."""
    c, s = abs(math.cos(math.radians(ANGLE))), abs(math.sin(math.radians(ANGLE)))
    nw, nh = int(w * c + h * s), int(h * c + w * s)
    m = cv2.getRotationMatrix2D((w / 2, h / 2), -ANGLE, 1.0)
    m[0, 2] += nw / 2 - w / 2
    m[1, 2] += nh / 2 - h / 2
    return m, (nw, nh)


def run(lib, bgr, pil, cores):
    print(f"\n{cores}:")
    print(f"  {'case':<15} {'ours':>9} {'Pillow':>9} {'OpenCV':>9}   ratio to faster peer")
    h, w, _ = bgr.shape
    m, size = grown_rotation(w, h)
    turned = np.empty((size[1], size[0], 3), np.uint8)
    flipped = np.empty_like(bgr)
    cases = {
        "rotate 30 deg": (
            lambda: lib.run(lambda b, i: lib.lib.RotateFreeAngle(b, i, ANGLE, 255)),
            {"Pillow": lambda: pil.rotate(-ANGLE, Image.BILINEAR, expand=True, fillcolor=(255, 255, 255)),
             # OpenCV's faster form: into a reused output (no fresh pages to fault in).
             "OpenCV": lambda: cv2.warpAffine(bgr, m, size, dst=turned, flags=cv2.INTER_LINEAR,
                                              borderMode=cv2.BORDER_CONSTANT, borderValue=(255, 255, 255))}),
        "mirror": (
            lambda: lib.run(lambda b, i: lib.lib.MirrorDib(b, i, 0)),
            {"Pillow": lambda: pil.transpose(Image.Transpose.FLIP_LEFT_RIGHT),
             "OpenCV": lambda: cv2.flip(bgr, 1, dst=flipped)}),
    }
    ratios = {}
    for name, (ours, peers) in cases.items():
        ours()  # warm up everything once
        for fn in peers.values():
            fn()
        times = {"ours": [], "Pillow": [], "OpenCV": []}
        for _ in range(REPEATS):  # interleaved, so all three see the same machine
            times["ours"].append(ours())
            for peer, fn in peers.items():
                times[peer].append(timed(fn))
        med = {k: statistics.median(t[0] for t in v) * 1000 for k, v in times.items()}
        cpu = {k: statistics.median(t[1] for t in v) * 1000 for k, v in times.items()}
        best = min(med["Pillow"], med["OpenCV"])
        ratios[name] = med["ours"] / best
        print(f"  {name:<15} {med['ours']:7.1f}ms {med['Pillow']:7.1f}ms {med['OpenCV']:7.1f}ms   "
              f"{med['ours'] / best:.2f}")
        print(f"  {'  (cpu time)':<15} {cpu['ours']:7.1f}ms {cpu['Pillow']:7.1f}ms {cpu['OpenCV']:7.1f}ms   "
              f"{cpu['ours'] / min(cpu['Pillow'], cpu['OpenCV']):.2f}")
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"peer_dib_geometry: {path} not built (cmake --build {BUILD} --target tarnisdib)")
    rgb, source = picture()
    if rgb.shape[:2] != (SIZE[1], SIZE[0]):
        sys.exit(f"peer_dib_geometry: {source} is not {SIZE[0]}x{SIZE[1]}")
    print(f"RotateFreeAngle / MirrorDib vs Pillow {Image.__version__} / OpenCV {cv2.__version__}, "
          f"{SIZE[0]}x{SIZE[1]} 24-bit ({source}), median ms")
    lib = Library(path)
    lib.load(rgb)
    bgr = np.ascontiguousarray(rgb[:, :, ::-1])
    pil = Image.fromarray(rgb)

    _, ratios = one_core_then_all(lambda cores: run(lib, bgr, pil, cores))
    print()
    for name, goal in GOALS.items():
        met = ratios[name] <= goal
        print(f"goal {name} (all cores, at most {goal}x the faster peer): {'met' if met else 'NOT met'} "
              f"({ratios[name]:.2f}x)")


if __name__ == "__main__":
    main()
