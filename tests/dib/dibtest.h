// Test pictures for the bitmap library: an owning pair, random content, pixel access.
#pragma once

#include "dib/dib.h"
#include "platform/dibutil.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

// A picture pair owned by a test; released the way callers are told to.
struct Pic {
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;

    Pic() = default;
    Pic(const Pic &) = delete;
    Pic &operator=(const Pic &) = delete;
    ~Pic()
    {
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
    }
    BITMAPINFOHEADER &h() const { return info->bmiHeader; }
    RGBQUAD *colours() const { return reinterpret_cast<DibInfoBlock *>(info)->bmiColors; }
    int stride() const { return static_cast<int>(DibStride(h().biWidth, h().biBitCount)); }
    BYTE *row(int y) const { return static_cast<BYTE *>(bits) + std::size_t(y) * stride(); }
    // Byte c of pixel (x, y) of an 8-, 24- or 32-bit picture.
    BYTE &at(int x, int y, int c = 0) const { return row(y)[x * (h().biBitCount / 8) + c]; }
    int index(int x, int y) const
    {
        const BYTE *r = row(y);
        if (h().biBitCount == 1)
            return (r[x >> 3] >> (7 - (x & 7))) & 1;
        if (h().biBitCount == 4)
            return x & 1 ? r[x >> 1] & 15 : r[x >> 1] >> 4;
        return r[x];
    }
    // Blue, green and red of pixel (x, y) at any depth (16 bits: 5-5-5 shifted up by three).
    std::array<BYTE, 3> bgr(int x, int y) const
    {
        if (h().biBitCount <= 8) {
            const RGBQUAD q = colours()[index(x, y)];
            return { q.rgbBlue, q.rgbGreen, q.rgbRed };
        }
        if (h().biBitCount == 16) {
            const int v = row(y)[2 * x] | (row(y)[2 * x + 1] << 8);
            return { BYTE((v & 31) << 3), BYTE(((v >> 5) & 31) << 3), BYTE(((v >> 10) & 31) << 3) };
        }
        return { at(x, y, 0), at(x, y, 1), at(x, y, 2) };
    }
};

// A header block for functions that fill a caller-made one.
inline BITMAPINFO *NewInfo()
{
    return static_cast<BITMAPINFO *>(::operator new(1064));
}

// A picture of the given size and depth with random pixels (padding zero) and a random palette.
inline void MakeRandom(Pic &p, int w, int h, int bitCount, unsigned seed)
{
    ASSERT_TRUE(CreateDib(w, h, static_cast<WORD>(bitCount), &p.bits, &p.info, 0));
    std::mt19937 rng(seed);
    const int rowBytes = (w * bitCount + 7) / 8;
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < rowBytes; ++i)
            p.row(y)[i] = static_cast<BYTE>(rng());
        if (bitCount * w % 8 != 0) // clear the unused low bits of the last byte
            p.row(y)[rowBytes - 1] &= static_cast<BYTE>(0xFF << (8 - bitCount * w % 8));
    }
    for (int i = 0; i < 256; ++i)
        p.colours()[i] = RGBQUAD { BYTE(rng()), BYTE(rng()), BYTE(rng()), 0 };
}

// Pixel rows of a picture without padding, for comparisons.
inline std::vector<BYTE> Pixels(const Pic &p)
{
    const int rowBytes = (p.h().biWidth * p.h().biBitCount + 7) / 8;
    std::vector<BYTE> out;
    for (int y = 0; y < p.h().biHeight; ++y)
        out.insert(out.end(), p.row(y), p.row(y) + rowBytes);
    return out;
}

// f(x, y) of every pixel of a w × h grid, rows in memory order.
template <class F> auto Grid(int w, int h, F f)
{
    std::vector<decltype(f(0, 0))> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(f(x, y));
    return out;
}

// Width, height and depth of a picture, with the image size its padded rows need.
inline testing::AssertionResult HasShape(const Pic &p, int w, int h, int depth)
{
    const BITMAPINFOHEADER &x = p.h();
    if (x.biWidth == w && x.biHeight == h && x.biBitCount == depth
        && x.biSizeImage == DibStride(w, depth) * h)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << x.biWidth << " x " << x.biHeight << " x " << x.biBitCount
                                       << " bits, " << x.biSizeImage << " bytes";
}

// The caller's pair as it was, to check that a failed call left it alone.
struct Snapshot {
    HGLOBAL bits;
    BITMAPINFO *info;
    std::vector<BYTE> header, pixels;

    explicit Snapshot(const Pic &p)
        : bits(p.bits)
        , info(p.info)
        , header(reinterpret_cast<BYTE *>(p.info), reinterpret_cast<BYTE *>(p.info) + 1064)
        , pixels(static_cast<BYTE *>(p.bits), static_cast<BYTE *>(p.bits) + GlobalSize(p.bits))
    {
    }
    void ExpectUnchanged(const Pic &p) const
    {
        EXPECT_EQ(p.bits, bits);
        EXPECT_EQ(p.info, info);
        EXPECT_EQ(std::memcmp(p.info, header.data(), header.size()), 0);
        ASSERT_EQ(GlobalSize(p.bits), pixels.size());
        EXPECT_EQ(std::memcmp(p.bits, pixels.data(), pixels.size()), 0);
    }
};
