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
    """libtarnisdib through ctypes, holding one 24-bit picture. `functions` gives the arguments that
    follow the (bits, info) pair of each function timed, and optionally its result type."""

    def __init__(self, path, tool, functions):
        self.lib = ctypes.CDLL(path)
        self.tool = tool
        vp, pv = ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p)
        self.lib.CreateDib.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_uint16, pv, pv, ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [pv, pv, vp, vp]
        self.checked = {}
        for name, signature in functions.items():
            args, restype = signature if isinstance(signature, tuple) else (signature, ctypes.c_int)
            fn = getattr(self.lib, name)
            fn.argtypes = [pv, pv] + list(args)
            fn.restype = restype
            self.checked[name] = restype is not None

    def load(self, bgr):
        """Takes a top-down blue-green-red picture whose rows need no padding."""
        h, w, _ = bgr.shape
        bits, info = ctypes.c_void_p(), ctypes.c_void_p()
        if not self.lib.CreateDib(w, h, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit(f"{self.tool}: CreateDib failed")
        rows = np.ascontiguousarray(bgr[::-1])  # bottom-up
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)
        self.src = (bits, info)
        self.bits, self.info = ctypes.c_void_p(), ctypes.c_void_p()

    def call(self, name, *args):
        """Wall and CPU seconds of one call on a fresh copy (made untimed: the functions change or
        replace the picture they are given)."""
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        fn = getattr(self.lib, name)
        result = []
        times = timed(lambda: result.append(fn(ctypes.byref(self.bits), ctypes.byref(self.info), *args)))
        if self.checked[name] and not result[0]:
            sys.exit(f"{self.tool}: {name} failed")
        return times


def open_library(tool, title, functions, build=None):
    """The library with the standard picture loaded: (lib, rgb, bgr, Pillow image)."""
    build = build or BUILD
    path = os.path.join(build, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"{tool}: {path} not built (cmake --build {build} --target tarnisdib)")
    rgb, source = picture()
    if rgb.shape[:2] != (SIZE[1], SIZE[0]):
        sys.exit(f"{tool}: {source} is not {SIZE[0]}x{SIZE[1]}")
    print(f"{title} vs Pillow {Image.__version__} / OpenCV {cv2.__version__}, "
          f"{SIZE[0]}x{SIZE[1]} 24-bit ({source}), median ms")
    bgr = np.ascontiguousarray(rgb[:, :, ::-1])
    lib = Library(path, tool, functions)
    lib.load(bgr)
    return lib, rgb, bgr, Image.fromarray(rgb)


def measure(ours, peers, repeats):
    """Median wall and CPU milliseconds of ours() (which times itself) and of each peer, all warmed
    up once and then run interleaved, so all see the same machine."""
    ours()
    for fn in peers.values():
        fn()
    times = {"ours": [], **{peer: [] for peer in peers}}
    for _ in range(repeats):
        times["ours"].append(ours())
        for peer, fn in peers.items():
            times[peer].append(timed(fn))
    med = {k: statistics.median(t[0] for t in v) * 1000 for k, v in times.items()}
    cpu = {k: statistics.median(t[1] for t in v) * 1000 for k, v in times.items()}
    return med, cpu


def report(name, med, cpu, width=15, versus=None):
    """Prints a case's wall and CPU rows with the ratio to the fastest peer (and to `versus` when
    given); returns the wall ratios."""
    peers = [k for k in med if k != "ours"]
    best, best_cpu = min(med[p] for p in peers), max(min(cpu[p] for p in peers), 1e-9)
    ratios = (med["ours"] / best,) + ((med["ours"] / med[versus],) if versus else ())
    cpu_ratios = (cpu["ours"] / best_cpu,) + ((cpu["ours"] / max(cpu[versus], 1e-9),) if versus else ())
    cells = " ".join(f"{med[k]:7.1f}ms" for k in ["ours"] + peers)
    cpu_cells = " ".join(f"{cpu[k]:7.1f}ms" for k in ["ours"] + peers)
    print(f"  {name:<{width}} {cells}   " + "   ".join(f"{r:.2f}" for r in ratios))
    print(f"  {'  (cpu time)':<{width}} {cpu_cells}   " + "   ".join(f"{r:.2f}" for r in cpu_ratios))
    return ratios


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


def run(lib, bgr, pil, cores):
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
        med, cpu = measure(lambda: lib.call("ScaleDibAll", *size, 0), peers, repeats)
        ratios.append(report(name, med, cpu)[0])
    return ratios


def main():
    i = ctypes.c_int
    lib, _, bgr, pil = open_library("peer_dib", "ScaleDibAll", {"ScaleDibAll": [i, i, i]})
    one, _ = one_core_then_all(lambda cores: run(lib, bgr, pil, cores))
    goal = all(r <= 1.0 for r in one)
    print(f"\ngoal (one core, at most 1.0x the faster peer): {'met' if goal else 'NOT met'}")


if __name__ == "__main__":
    main()
