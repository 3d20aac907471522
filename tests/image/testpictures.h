// Pictures built in memory for the image core tests, and byte-level views of them.
#pragma once

#include "image/imageobj.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace testpic
{

inline std::uint32_t Hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    return x ^ (x >> 16);
}

// A w × h picture of the given depth with pseudo-random pixels and, for palette depths, a
// pseudo-random palette. Padding and the bits beyond the width of 1- and 4-bit rows are zero.
inline bool Make(CImageObj &obj, int w, int h, int bitCount, std::uint32_t seed = 1)
{
    DibInfoBlock info;
    DibInitHeader(info, w, h, bitCount);
    for (int i = 0; i < 256; ++i) {
        std::uint32_t v = Hash(seed * 7919u + std::uint32_t(i));
        info.bmiColors[i] = RGBQUAD { BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0 };
    }
    const std::size_t stride = static_cast<std::size_t>(DibStride(w, bitCount));
    const std::size_t rowBits = std::size_t(w) * bitCount, rowBytes = (rowBits + 7) / 8;
    std::vector<std::uint8_t> bits(stride * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *row = bits.data() + std::size_t(y) * stride;
        for (std::size_t k = 0; k < rowBytes; ++k)
            row[k] = static_cast<std::uint8_t>(Hash(seed + std::uint32_t(y * 65537 + k)));
        if (rowBits % 8 != 0)
            row[rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - rowBits % 8));
    }
    return obj.CopyFrom(bits.data(), &info);
}

// Width and height, and a rectangle's sides, as values to compare in one assertion.
inline std::array<int, 2> Size(const CImageObj &p)
{
    return { p.Width(), p.Height() };
}

using A4 = std::array<LONG, 4>;

inline A4 Ltrb(const RECT &r)
{
    return { r.left, r.top, r.right, r.bottom };
}

inline std::size_t Stride(const CImageObj &obj)
{
    return static_cast<std::size_t>(DibStride(obj.Width(), obj.BitCount()));
}

inline std::uint8_t *Row(const CImageObj &obj, int storedRow)
{
    return static_cast<std::uint8_t *>(obj.Bits()) + Stride(obj) * std::size_t(storedRow);
}

// Palette index or B | G << 8 | R << 16 (| X << 24) of pixel (x, stored row y).
inline std::uint32_t Pixel(const CImageObj &obj, int x, int storedRow)
{
    const std::uint8_t *r = Row(obj, storedRow);
    const int bpp = obj.BitCount();
    if (bpp < 8)
        return (r[x * bpp / 8] >> (8 - bpp - x * bpp % 8)) & ((1u << bpp) - 1);
    std::uint32_t v = 0;
    for (int k = 0; k < bpp / 8; ++k)
        v |= std::uint32_t(r[std::size_t(x) * (bpp / 8) + k]) << (8 * k);
    return v;
}

inline void SetPixel(CImageObj &obj, int x, int storedRow, std::uint32_t v)
{
    std::uint8_t *r = Row(obj, storedRow);
    const int bpp = obj.BitCount();
    if (bpp < 8) {
        const int shift = 8 - bpp - x * bpp % 8, bits = ((1 << bpp) - 1) << shift;
        r[x * bpp / 8] = static_cast<std::uint8_t>((r[x * bpp / 8] & ~bits) | ((v << shift) & bits));
        return;
    }
    for (int k = 0; k < bpp / 8; ++k)
        r[std::size_t(x) * (bpp / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// Every pixel (x, stored row y) of the picture equals want(x, y).
template <typename Want> void ExpectPixels(const CImageObj &p, Want want)
{
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            ASSERT_EQ(Pixel(p, x, y), std::uint32_t(want(x, y))) << "at " << x << "," << y;
}

// The colour a pixel shows, as 0xRRGGBB: its palette entry, 5-5-5 widened, or its bytes.
inline std::uint32_t Colour(const CImageObj &p, int x, int storedRow)
{
    const std::uint32_t v = Pixel(p, x, storedRow);
    if (p.BitCount() <= 8) {
        const RGBQUAD &q = p.Info()->bmiColors[v];
        return std::uint32_t(q.rgbRed << 16 | q.rgbGreen << 8 | q.rgbBlue);
    }
    if (p.BitCount() == 16) {
        auto widen = [](std::uint32_t c5) { return (c5 << 3) | (c5 >> 2); };
        return widen((v >> 10) & 31) << 16 | widen((v >> 5) & 31) << 8 | widen(v & 31);
    }
    return v & 0xFFFFFF;
}

// Header block and pixel bytes, for byte-identical comparisons.
inline std::vector<std::uint8_t> Snapshot(const CImageObj &obj)
{
    std::vector<std::uint8_t> out;
    if (obj.Info() == nullptr)
        return out;
    const auto *h = reinterpret_cast<const std::uint8_t *>(obj.Info());
    out.assign(h, h + sizeof(DibInfoBlock));
    if (obj.Bits() != nullptr) {
        const auto *b = static_cast<const std::uint8_t *>(obj.Bits());
        out.insert(out.end(), b, b + GlobalSize(obj.Bits()));
    }
    return out;
}

} // namespace testpic
