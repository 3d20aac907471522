#!/usr/bin/env python3
"""Calling the bitmap library from Python with ctypes.

Makes a 320 x 200 24-bit picture, scales it to 400 x 250, twists its columns and tints it, and
writes the result as a BMP file; with --convert, tarnis-convert then turns that BMP into the format
of OUT's extension (PNG, JPEG, TIFF, ...).

Usage: example.py [--library PATH] [--convert TARNIS_CONVERT] OUT
Without --library the library is looked for beside this file's build folders
(../build*/lib/libtarnisdib.so).
"""
import argparse
import ctypes
import ctypes.util
import glob
import os
import struct
import subprocess
import sys


class BITMAPINFOHEADER(ctypes.Structure):
    _fields_ = [("biSize", ctypes.c_uint32), ("biWidth", ctypes.c_int32), ("biHeight", ctypes.c_int32),
                ("biPlanes", ctypes.c_uint16), ("biBitCount", ctypes.c_uint16),
                ("biCompression", ctypes.c_uint32), ("biSizeImage", ctypes.c_uint32),
                ("biXPelsPerMeter", ctypes.c_int32), ("biYPelsPerMeter", ctypes.c_int32),
                ("biClrUsed", ctypes.c_uint32), ("biClrImportant", ctypes.c_uint32)]


HANDLE = ctypes.c_void_p  # pixel block (GlobalAlloc) or header block pointer
OUT_HANDLE = ctypes.POINTER(ctypes.c_void_p)  # the in/out "bits" and "info" arguments


def find_library(given):
    if given:
        return given
    here = os.path.dirname(os.path.abspath(__file__))
    found = sorted(glob.glob(os.path.join(here, "..", "build*", "lib", "libtarnisdib.so")))
    if not found:
        sys.exit("example: libtarnisdib.so not found; pass --library PATH")
    return found[0]


def load(path):
    lib = ctypes.CDLL(path)
    i, d = ctypes.c_int, ctypes.c_double
    lib.CreateDib.argtypes = [i, i, ctypes.c_uint16, OUT_HANDLE, OUT_HANDLE, ctypes.c_uint8]
    lib.ScaleDibAll.argtypes = [OUT_HANDLE, OUT_HANDLE, i, i, i]
    lib.DibTwist.argtypes = [OUT_HANDLE, OUT_HANDLE, i, d, i, i]
    lib.DibLens.argtypes = [OUT_HANDLE, OUT_HANDLE, i, i]
    lib.GlobalFree.argtypes = [HANDLE]
    lib.GlobalFree.restype = HANDLE
    lib.GlobalSize.argtypes = [HANDLE]
    lib.GlobalSize.restype = ctypes.c_size_t
    return lib


def stride(width, bit_count):
    return (width * bit_count + 31) // 32 * 4


def header(info):
    return ctypes.cast(info, ctypes.POINTER(BITMAPINFOHEADER)).contents


def write_bmp(path, bits, info):
    """A BMP file is the 14-byte file header, the 40-byte header and the pixel rows as they are."""
    h = header(info)
    if h.biBitCount != 24:
        sys.exit("example: expected a 24-bit picture")
    size = stride(h.biWidth, 24) * h.biHeight
    pixels = ctypes.string_at(bits, size)
    info_bytes = ctypes.string_at(info, 40)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + size, 0, 0, 14 + 40))
        f.write(info_bytes)
        f.write(pixels)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library")
    parser.add_argument("--convert", help="path of tarnis-convert")
    parser.add_argument("out")
    args = parser.parse_args()
    lib = load(find_library(args.library))
    libc = ctypes.CDLL(ctypes.util.find_library("c"))
    libc.free.argtypes = [ctypes.c_void_p]

    # The pair: both start null, so CreateDib makes a new header block and a pixel block.
    bits, info = HANDLE(), HANDLE()
    width, height = 320, 200
    if not lib.CreateDib(width, height, 24, ctypes.byref(bits), ctypes.byref(info), 0):
        sys.exit("example: CreateDib failed")
    try:
        # Paint a gradient: rows are bottom-up, pixels blue, green, red, rows padded to 4 bytes.
        row = stride(width, 24)
        pixels = (ctypes.c_uint8 * (row * height)).from_address(bits.value)
        for y in range(height):
            for x in range(width):
                o = y * row + 3 * x
                pixels[o], pixels[o + 1], pixels[o + 2] = x * 255 // width, y * 255 // height, 128

        # Each call replaces the blocks behind bits (and info, where it says so) on success.
        if not lib.ScaleDibAll(ctypes.byref(bits), ctypes.byref(info), 400, 250, 0):
            sys.exit("example: ScaleDibAll failed")
        if not lib.DibTwist(ctypes.byref(bits), ctypes.byref(info), 0, 2.0, 8, 0):
            sys.exit("example: DibTwist failed")
        if not lib.DibLens(ctypes.byref(bits), ctypes.byref(info), 3, 1):
            sys.exit("example: DibLens failed")
        h = header(info)
        print(f"result: {h.biWidth} x {h.biHeight}, {h.biBitCount} bits, {h.biSizeImage} bytes")

        bmp = args.out if not args.convert else os.path.splitext(args.out)[0] + ".bmp"
        write_bmp(bmp, bits, info)
        if args.convert:
            subprocess.run([args.convert, bmp, args.out], check=True)
        print(f"wrote {args.out}")
    finally:
        # Pixel blocks go back with GlobalFree; header blocks came from C++ operator new, which
        # with the GNU runtime is malloc, so free releases them.
        lib.GlobalFree(bits)
        libc.free(info)


if __name__ == "__main__":
    main()
