// Scaling steps that build a new picture without touching their source; the exported scaling
// functions and AnyConvertTo24Bit commit their results.
#pragma once

#include "dib/dibcore.h"

namespace dib
{

// A picture made by a step: its own header block (1064 bytes) and pixel block.
struct Picture {
    InfoPtr info;
    Block bits;
};

// 24-bit picture (header `h`, pixels `bits`) resampled to w × h (each at least 2); `out` receives
// the header with the new width, height and image size.
bool Scale24(const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out,
    Block &outBits);

// 8-bit value plane, same scheme and clamping as Scale24.
bool ScalePlane8(const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out,
    Block &outBits);

// Nearest neighbour at the source depth (4, 8, 16 or 32 bits).
bool ScaleNearest(const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out,
    Block &outBits);

// 1-bit picture: reduced smoothly to an 8-bit ramp picture, else nearest neighbour at 1 bit.
bool Scale1Bit(const BITMAPINFO *info, const BYTE *bits, int width, int height, bool smooth, Picture &out);

// The scale-and-crop algorithm of DibScaleCrop2Dib. `size` is raised to 1 (and fitted in mode 0).
// `out` receives the destination header block's new content, of which the first `outBytes`
// bytes are meaningful.
bool ScaleCrop(const BITMAPINFO *srcInfo, const BYTE *srcBits, SIZE &size, RECT crop, int mode,
    DibInfoBlock &out, std::size_t &outBytes, Block &outBits);

} // namespace dib
