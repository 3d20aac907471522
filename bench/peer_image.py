#!/usr/bin/env python3
"""Times the image core's edits beside the closest Pillow and OpenCV operations on the same
12-megapixel 24-bit picture, in the same run, and prints our time over the faster peer's.

Usage: bench/peer_image.py [BUILD_DIR]   (needs Debian's python3-pil, python3-opencv, python3-numpy)

One-core figures are CPU times (ours with one thread, OpenCV with one thread, Pillow), which stay
comparable on a busy machine; the two-thread column is wall time against the peers' wall time.
Every figure is the best of several runs, ours and the peers' alike.
"""
import json
import os
import subprocess
import sys
import time

try:
    import cv2
    import numpy as np
    from PIL import Image
except ImportError:
    # The distribution's interpreter has the packages when another python3 comes first on PATH.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    print("peer_image: needs python3-pil, python3-opencv and python3-numpy", file=sys.stderr)
    sys.exit(1)

WIDTH, HEIGHT = 4000, 3000
REPEAT = 7


def picture():
    """The benchmark's picture as a top-down BGR array (bench_image.cpp builds it bottom-up)."""
    x = np.arange(WIDTH, dtype=np.int64)[None, :]
    y = (HEIGHT - 1 - np.arange(HEIGHT, dtype=np.int64))[:, None]  # stored row of each line
    b = (x * 7 + y * 3) % 256
    g = (x * y) % 251
    r = (x + 2 * y) // 28 % 256
    return np.ascontiguousarray(np.stack([b, g, r], axis=2).astype(np.uint8))


def measure(fn):
    """(best CPU seconds, best wall seconds) over REPEAT runs after one warm-up."""
    fn()
    cpu, wall = [], []
    for _ in range(REPEAT):
        c0, w0 = time.process_time(), time.perf_counter()
        fn()
        cpu.append(time.process_time() - c0)
        wall.append(time.perf_counter() - w0)
    return min(cpu), min(wall)


def rotate_cv(bgr, degrees):
    h, w = bgr.shape[:2]
    m = cv2.getRotationMatrix2D((w / 2, h / 2), -degrees, 1.0)
    cos, sin = abs(m[0, 0]), abs(m[0, 1])
    nw, nh = int(h * sin + w * cos), int(h * cos + w * sin)
    m[0, 2] += nw / 2 - w / 2
    m[1, 2] += nh / 2 - h / 2
    return cv2.warpAffine(bgr, m, (nw, nh), flags=cv2.INTER_LINEAR, borderMode=cv2.BORDER_CONSTANT,
                          borderValue=(255, 255, 255))


def peers(bgr):
    rgb = Image.fromarray(bgr[:, :, ::-1].copy())
    lut = np.clip(np.arange(256) + 5, 0, 255).astype(np.uint8)
    plut = [int(v) for v in lut] * 3
    bw = [255 if v > 128 else 0 for v in range(256)]
    return {
        "QuarterTurn": (lambda: rgb.transpose(Image.Transpose.ROTATE_270),
                        lambda: cv2.rotate(bgr, cv2.ROTATE_90_CLOCKWISE)),
        "FreeTurn30": (lambda: rgb.rotate(-30, resample=Image.Resampling.BILINEAR, expand=True,
                                          fillcolor=(255, 255, 255)),
                       lambda: rotate_cv(bgr, 30)),
        "ResizeQuarter": (lambda: rgb.reduce(4),
                          lambda: cv2.resize(bgr, (1000, 750), interpolation=cv2.INTER_AREA)),
        "ResizeEnlarge137": (lambda: rgb.resize((5480, 4110), Image.Resampling.BILINEAR),
                             lambda: cv2.resize(bgr, (5480, 4110), interpolation=cv2.INTER_LINEAR)),
        "Grey": (lambda: rgb.convert("L"), lambda: cv2.cvtColor(bgr, cv2.COLOR_BGR2GRAY)),
        "BlackWhite": (lambda: rgb.convert("L").point(bw, "1"),
                       lambda: cv2.threshold(cv2.cvtColor(bgr, cv2.COLOR_BGR2GRAY), 128, 255,
                                             cv2.THRESH_BINARY)),
        "Brightness": (lambda: rgb.point(plut), lambda: cv2.LUT(bgr, lut)),
    }


def ours(build):
    prog = os.path.join(build, "bin", "bench_image")
    out = subprocess.run([prog, "--benchmark_format=json", "--benchmark_min_time=0.2",
                          f"--benchmark_repetitions={REPEAT}", "--benchmark_filter=-BM_(Mirror|DisplayImage)"],
                         check=True, capture_output=True, text=True).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name, threads = b["run_name"].split("/")[0:2]
        scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[b["time_unit"]]
        key = (name[3:], int(threads))
        cpu, wall = b["cpu_time"] * scale, b["real_time"] * scale
        if key in result:
            cpu, wall = min(cpu, result[key][0]), min(wall, result[key][1])
        result[key] = (cpu, wall)
    return result


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    bgr = picture()
    mine = ours(build)
    cv2.setNumThreads(1)
    print(f"{'edit':<18}{'ours 1t':>9}{'Pillow':>9}{'OpenCV':>9}{'ratio':>7}   "
          f"{'ours 2t':>9}{'peer wall':>10}{'ratio':>7}   (ms; ratio = ours / faster peer)")
    for name, (pil, cv) in peers(bgr).items():
        pil_cpu, pil_wall = measure(pil)
        cv_cpu, cv_wall = measure(cv)
        one = mine.get((name, 1))
        two = mine.get((name, 2))
        if one is None or two is None:
            print(f"{name:<18} missing from bench_image")
            continue
        best_cpu = min(pil_cpu, cv_cpu)
        best_wall = min(pil_wall, cv_wall)
        print(f"{name:<18}{one[0] * 1e3:9.1f}{pil_cpu * 1e3:9.1f}{cv_cpu * 1e3:9.1f}{one[0] / best_cpu:7.2f}   "
              f"{two[1] * 1e3:9.1f}{best_wall * 1e3:10.1f}{two[1] / best_wall:7.2f}")


if __name__ == "__main__":
    main()
