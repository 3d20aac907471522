#!/usr/bin/env python3
"""ScaleDibAll of the bitmap library beside Pillow and OpenCV on one 12-megapixel 24-bit picture.

Reduce to a quarter (Pillow reduce(4), OpenCV INTER_AREA) and enlarge 1.37 times bilinearly
(Pillow BILINEAR, OpenCV INTER_LINEAR), first pinned to one core, then on all usable cores.
Prints median wall times and the ratio to the faster peer (below 1.0: we are faster), and the
same for process CPU time, which a busy machine disturbs less.

Usage: bench/peer_dib.py [BUILD_DIR]   (needs Debian's python3-pil, python3-numpy, python3-opencv)
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
    from PIL import Image
except ImportError:
    # The peers are Debian packages; another python3 on the PATH may not see them.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("peer_dib: needs python3-pil, python3-numpy and python3-opencv (tools/install-deps.sh bench)")

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
SIZE = (4000, 3000)
CASES = [("reduce to 1/4", (1000, 750), 15), ("enlarge 1.37x", (5480, 4110), 7)]


def picture():
    corpus = os.environ.get("TARNIS_BENCH_CORPUS", "/tmp/bench-corpus")
    jpeg = os.path.join(corpus, "jpg", "img_000.jpg")
    if os.path.exists(jpeg):
        return np.asarray(Image.open(jpeg).convert("RGB")), jpeg
    sys.path.insert(0, os.path.join(HERE, "corpus"))
    try:
        from gen_lib import photo
        return np.asarray(photo(1000, *SIZE)), "generated photo (seed 1000)"
    except ImportError:
        y, x = np.mgrid[0:SIZE[1], 0:SIZE[0]]
        rgb = np.stack([x * 255 // SIZE[0], y * 255 // SIZE[1], (x ^ y) & 255], axis=-1)
        return rgb.astype(np.uint8), "synthetic gradient"


class Library:
    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        vp, i = ctypes.c_void_p, ctypes.c_int
        self.lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, ctypes.POINTER(vp), ctypes.POINTER(vp), ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [ctypes.POINTER(vp), ctypes.POINTER(vp), vp, vp]
        self.lib.ScaleDibAll.argtypes = [ctypes.POINTER(vp), ctypes.POINTER(vp), i, i, i]
        self.lib.GlobalFree.argtypes = [vp]
        self.lib.GlobalFree.restype = vp

    def load(self, rgb):
        h, w, _ = rgb.shape
        bits, info = ctypes.c_void_p(), ctypes.c_void_p()
        if not self.lib.CreateDib(w, h, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit("peer_dib: CreateDib failed")
        rows = np.ascontiguousarray(rgb[::-1, :, ::-1])  # bottom-up, blue-green-red
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)  # 4000 × 3 bytes needs no padding
        self.src = (bits, info)
        self.bits, self.info = ctypes.c_void_p(), ctypes.c_void_p()

    def scale(self, size):
        # A fresh copy each time (untimed): ScaleDibAll replaces the picture it is given.
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        return timed(lambda: self.lib.ScaleDibAll(ctypes.byref(self.bits), ctypes.byref(self.info), *size, 0)
                     or sys.exit("peer_dib: ScaleDibAll failed"))


def timed(fn):
    """Wall and process CPU seconds of one call."""
    wall, cpu = time.perf_counter(), time.process_time()
    fn()
    return time.perf_counter() - wall, time.process_time() - cpu


def one_core_then_all(run):
    """Calls run(label) pinned to one core with OpenCV on one thread, then on every core with
    OpenCV's threads; returns both results."""
    everywhere = os.sched_getaffinity(0)
    os.sched_setaffinity(0, {min(everywhere)})
    cv2.setNumThreads(1)
    one = run("one core (pinned; OpenCV 1 thread)")
    os.sched_setaffinity(0, everywhere)
    quiet = os.dup(2)  # OpenCV's thread pool complains about the earlier limit on stderr
    os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
    cv2.setNumThreads(len(everywhere))
    os.dup2(quiet, 2)
    many = run(f"{len(everywhere)} cores (ours: rows split over threads; OpenCV threads)")
    return one, many


def run(lib, rgb, bgr, pil, cores):
    print(f"\n{cores}:")
    print(f"  {'case':<15} {'ours':>9} {'Pillow':>9} {'OpenCV':>9}   ratio to faster peer")
    ratios = []
    for name, size, repeats in CASES:
        reduce = size[0] < SIZE[0]
        dst = np.empty((size[1], size[0], 3), np.uint8)
        mode = cv2.INTER_AREA if reduce else cv2.INTER_LINEAR
        peers = {
            "Pillow": (lambda: pil.reduce(4)) if reduce else (lambda: pil.resize(size, Image.BILINEAR)),
            # OpenCV's faster form: into a reused output (no fresh pages to fault in).
            "OpenCV": lambda: cv2.resize(bgr, size, dst=dst, interpolation=mode),
        }
        times = {"ours": [], "Pillow": [], "OpenCV": []}
        lib.scale(size)  # warm up everything once
        for fn in peers.values():
            fn()
        for _ in range(repeats):  # interleaved, so all three see the same machine
            times["ours"].append(lib.scale(size))
            for peer, fn in peers.items():
                times[peer].append(timed(fn))
        med = {k: statistics.median(t[0] for t in v) * 1000 for k, v in times.items()}
        cpu = {k: statistics.median(t[1] for t in v) * 1000 for k, v in times.items()}
        best = min(med["Pillow"], med["OpenCV"])
        ratios.append(med["ours"] / best)
        print(f"  {name:<15} {med['ours']:7.1f}ms {med['Pillow']:7.1f}ms {med['OpenCV']:7.1f}ms   "
              f"{med['ours'] / best:.2f}")
        print(f"  {'  (cpu time)':<15} {cpu['ours']:7.1f}ms {cpu['Pillow']:7.1f}ms {cpu['OpenCV']:7.1f}ms   "
              f"{cpu['ours'] / min(cpu['Pillow'], cpu['OpenCV']):.2f}")
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"peer_dib: {path} not built (cmake --build {BUILD} --target tarnisdib)")
    rgb, source = picture()
    if rgb.shape[:2] != (SIZE[1], SIZE[0]):
        sys.exit(f"peer_dib: {source} is not {SIZE[0]}x{SIZE[1]}")
    print(f"ScaleDibAll vs Pillow {Image.__version__} / OpenCV {cv2.__version__}, "
          f"{SIZE[0]}x{SIZE[1]} 24-bit ({source}), median ms")
    lib = Library(path)
    lib.load(rgb)
    bgr = np.ascontiguousarray(rgb[:, :, ::-1])
    pil = Image.fromarray(rgb)

    one, _ = one_core_then_all(lambda cores: run(lib, rgb, bgr, pil, cores))
    goal = all(r <= 1.0 for r in one)
    print(f"\ngoal (one core, at most 1.0x the faster peer): {'met' if goal else 'NOT met'}")


if __name__ == "__main__":
    main()
