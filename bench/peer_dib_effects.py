#!/usr/bin/env python3
"""DibTwist and DibWaveEffect of the bitmap library beside OpenCV remap on one 12-megapixel picture.

Each case gives OpenCV the maps that describe the same displacement, and building those maps is
part of its time (a caller of remap has to make them):
  twist columns   DibTwist(phase 30, 3 cycles, amplitude 10, columns): 4000 x 3600 result;
                  remap INTER_NEAREST with map_y = y - shift(x), white border
  wave rows       DibWaveEffect(phase 30, 3 cycles, amplitude 10, rows); remap INTER_LINEAR with
                  map_y = y - sin(y * w / H + phase) * A, white border
  wave columns    the same across the columns
First pinned to one core (OpenCV one thread), then on all usable cores. Prints median wall times and
the ratio ours / OpenCV (below 1.0: we are faster), and the same for process CPU time.

Usage: bench/peer_dib_effects.py [BUILD_DIR]   (needs python3-numpy and python3-opencv)
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
except ImportError:
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("peer_dib_effects: needs python3-numpy and python3-opencv (tools/install-deps.sh bench)")

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
W, H = 4000, 3000
PHASE, CYCLES, AMPLITUDE = 30, 3.0, 10
REPEATS = 7
DEGREE = 0.017453292519444445
TURN = 6.283185307
WHITE = (255, 255, 255)


def picture():
    y, x = np.mgrid[0:H, 0:W]
    noise = np.random.default_rng(1).integers(0, 32, (H, W, 3))
    bgr = np.stack([x * 255 // W, y * 255 // H, (x ^ y) & 255], axis=-1) // 2 + noise
    return np.ascontiguousarray(bgr.astype(np.uint8))


class Library:
    def __init__(self, path, bgr):
        self.lib = ctypes.CDLL(path)
        vp, i, d = ctypes.c_void_p, ctypes.c_int, ctypes.c_double
        pp = ctypes.POINTER(vp)
        self.lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, pp, pp, ctypes.c_uint8]
        self.lib.DuplicateDibData.argtypes = [pp, pp, vp, vp]
        self.lib.DibTwist.argtypes = [pp, pp, i, d, i, i]
        self.lib.DibWaveEffect.argtypes = [pp, pp, i, d, i, i]
        self.lib.GlobalFree.argtypes = [vp]
        self.lib.GlobalFree.restype = vp
        bits, info = vp(), vp()
        if not self.lib.CreateDib(W, H, 24, ctypes.byref(bits), ctypes.byref(info), 0):
            sys.exit("peer_dib_effects: CreateDib failed")
        rows = np.ascontiguousarray(bgr[::-1])  # bottom-up; 4000 x 3 bytes needs no padding
        ctypes.memmove(bits, rows.ctypes.data, rows.nbytes)
        self.src = (bits, info)
        self.bits, self.info = vp(), vp()

    def run(self, name, direction):
        # A fresh copy each time (untimed): the effect replaces the picture it is given.
        self.lib.DuplicateDibData(ctypes.byref(self.bits), ctypes.byref(self.info), *self.src)
        fn = getattr(self.lib, name)
        return timed(lambda: fn(ctypes.byref(self.bits), ctypes.byref(self.info), PHASE, CYCLES, AMPLITUDE,
                                direction) or sys.exit(f"peer_dib_effects: {name} failed"))


def twist_columns(bgr):
    # Memory rows run bottom-up in the library; OpenCV's rows run top-down, so the picture is
    # flipped into the maps (same pixels, same cost).
    a = H * AMPLITUDE // 100
    x = np.arange(W, dtype=np.float64)
    shift = np.trunc(np.sin(x * (CYCLES * TURN) / W + PHASE * DEGREE) * a) + a
    ys = np.arange(H + 2 * a, dtype=np.float32)[:, None]
    map_y = (H - 1) - (ys - shift.astype(np.float32)[None, :])
    map_x = np.broadcast_to(np.arange(W, dtype=np.float32), map_y.shape)
    return cv2.remap(bgr, map_x, map_y[::-1], cv2.INTER_NEAREST, borderMode=cv2.BORDER_CONSTANT,
                     borderValue=WHITE)


def wave_rows(bgr):
    y = np.arange(H, dtype=np.float64)
    s = (y - np.sin(y * (CYCLES * TURN) / H + PHASE * DEGREE) * (H * AMPLITUDE * 0.01)).astype(np.float32)
    map_y = np.repeat(((H - 1) - s)[::-1, None], W, axis=1)
    map_x = np.broadcast_to(np.arange(W, dtype=np.float32), (H, W))
    return cv2.remap(bgr, map_x, map_y, cv2.INTER_LINEAR, borderMode=cv2.BORDER_CONSTANT, borderValue=WHITE)


def wave_columns(bgr):
    x = np.arange(W, dtype=np.float64)
    s = (x - np.sin(x * (CYCLES * TURN) / W + PHASE * DEGREE) * (W * AMPLITUDE * 0.01)).astype(np.float32)
    map_x = np.repeat(s[None, :], H, axis=0)
    map_y = np.broadcast_to(np.arange(H, dtype=np.float32)[:, None], (H, W))
    return cv2.remap(bgr, map_x, map_y, cv2.INTER_LINEAR, borderMode=cv2.BORDER_CONSTANT, borderValue=WHITE)


CASES = [("twist columns", "DibTwist", 0, twist_columns), ("wave rows", "DibWaveEffect", 0, wave_rows),
         ("wave columns", "DibWaveEffect", 1, wave_columns)]


def timed(fn):
    """Wall and process CPU seconds of one call."""
    wall, cpu = time.perf_counter(), time.process_time()
    fn()
    return time.perf_counter() - wall, time.process_time() - cpu


def run(lib, bgr, cores):
    print(f"\n{cores}:")
    print(f"  {'case':<15} {'ours':>9} {'OpenCV':>9}   ratio")
    ratios = []
    for name, function, direction, peer in CASES:
        lib.run(function, direction)  # warm up both once
        peer(bgr)
        ours, theirs = [], []
        for _ in range(REPEATS):  # interleaved, so both see the same machine
            ours.append(lib.run(function, direction))
            theirs.append(timed(lambda: peer(bgr)))
        wall = [statistics.median(t[0] for t in v) * 1000 for v in (ours, theirs)]
        cpu = [statistics.median(t[1] for t in v) * 1000 for v in (ours, theirs)]
        ratios.append(wall[0] / wall[1])
        print(f"  {name:<15} {wall[0]:7.1f}ms {wall[1]:7.1f}ms   {wall[0] / wall[1]:.2f}")
        print(f"  {'  (cpu time)':<15} {cpu[0]:7.1f}ms {cpu[1]:7.1f}ms   {cpu[0] / max(cpu[1], 1e-9):.2f}")
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"peer_dib_effects: {path} not built (cmake --build {BUILD} --target tarnisdib)")
    bgr = picture()
    print(f"DibTwist / DibWaveEffect vs OpenCV {cv2.__version__} remap (maps built in the timing), "
          f"{W}x{H} 24-bit, median ms")
    lib = Library(path, bgr)
    everywhere = os.sched_getaffinity(0)
    os.sched_setaffinity(0, {min(everywhere)})
    cv2.setNumThreads(1)
    one = run(lib, bgr, "one core (pinned; OpenCV 1 thread)")
    os.sched_setaffinity(0, everywhere)
    quiet = os.dup(2)  # OpenCV's thread pool complains about the earlier limit on stderr
    os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
    cv2.setNumThreads(len(everywhere))
    os.dup2(quiet, 2)
    run(lib, bgr, f"{len(everywhere)} cores (ours: rows split over threads; OpenCV threads)")
    goal = all(r <= 1.0 for r in one)
    print(f"\ngoal (one core, at most 1.0x OpenCV): {'met' if goal else 'NOT met'}")


if __name__ == "__main__":
    main()
