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
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
# The same timer, loop and library calls as the other comparisons (re-executes under /usr/bin/python3 when needed).
from peer_dib import BUILD, Library, cv2, measure, np, one_core_then_all, report  # noqa: E402

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


def run(lib, bgr, cores):
    print(f"\n{cores}:")
    print(f"  {'case':<15} {'ours':>9} {'OpenCV':>9}   ratio")
    ratios = []
    for name, function, direction, peer in CASES:
        med, cpu = measure(lambda: lib.call(function, PHASE, CYCLES, AMPLITUDE, direction),
                           {"OpenCV": lambda: peer(bgr)}, REPEATS)
        ratios.append(report(name, med, cpu)[0])
    return ratios


def main():
    path = os.path.join(BUILD, "lib", "libtarnisdib.so")
    if not os.path.exists(path):
        sys.exit(f"peer_dib_effects: {path} not built (cmake --build {BUILD} --target tarnisdib)")
    bgr = picture()
    print(f"DibTwist / DibWaveEffect vs OpenCV {cv2.__version__} remap (maps built in the timing), "
          f"{W}x{H} 24-bit, median ms")
    i, d = ctypes.c_int, ctypes.c_double
    lib = Library(path, "peer_dib_effects", {"DibTwist": [i, d, i, i], "DibWaveEffect": [i, d, i, i]})
    lib.load(bgr)
    one, _ = one_core_then_all(lambda cores: run(lib, bgr, cores))
    goal = all(r <= 1.0 for r in one)
    print(f"\ngoal (one core, at most 1.0x OpenCV): {'met' if goal else 'NOT met'}")


if __name__ == "__main__":
    main()
