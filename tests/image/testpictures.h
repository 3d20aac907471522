// Pictures built in memory for the image core tests, and byte-level views of them.
#pragma once

#include "image/imageobj.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace testpic
{

inline std::uint32_t Hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A w × h picture of the given depth with pseudo-random pixels (padding zero) and, for palette
// depths, a pseudo-random palette.
inline bool Make(CImageObj &obj, int w, int h, int bitCount, std::uint32_t seed = 1)
{
    DibInfoBlock info;
    DibInitHeader(info, w, h, bitCount);
    for (int i = 0; i < 256; ++i) {
        std::uint32_t v = Hash(seed * 7919u + std::uint32_t(i));
        info.bmiColors[i] = RGBQUAD { BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0 };
    }
    const std::size_t stride = static_cast<std::size_t>(DibStride(w, bitCount));
    std::vector<std::uint8_t> bits(stride * std::size_t(h), 0);
    const std::size_t rowBytes = (std::size_t(w) * bitCount + 7) / 8;
    for (int y = 0; y < h; ++y)
        for (std::size_t k = 0; k < rowBytes; ++k)
            bits[std::size_t(y) * stride + k]
                = static_cast<std::uint8_t>(Hash(seed + std::uint32_t(y * 65537 + k)));
    // Bits beyond the width in the last byte of 1- and 4-bit rows stay zero.
    if ((std::size_t(w) * bitCount) % 8 != 0)
        for (int y = 0; y < h; ++y)
            bits[std::size_t(y) * stride + rowBytes - 1]
                &= static_cast<std::uint8_t>(0xFF << (8 - (std::size_t(w) * bitCount) % 8));
    return obj.CopyFrom(bits.data(), &info);
}

inline std::size_t Stride(const CImageObj &obj)
{
    return static_cast<std::size_t>(DibStride(obj.Width(), obj.BitCount()));
}

inline const std::uint8_t *Row(const CImageObj &obj, int storedRow)
{
    return static_cast<const std::uint8_t *>(obj.Bits()) + Stride(obj) * std::size_t(storedRow);
}

inline std::uint8_t *MutableRow(CImageObj &obj, int storedRow)
{
    return static_cast<std::uint8_t *>(obj.Bits()) + Stride(obj) * std::size_t(storedRow);
}

// Palette index or B | G << 8 | R << 16 (| X << 24) of pixel (x, stored row y).
inline std::uint32_t Pixel(const CImageObj &obj, int x, int storedRow)
{
    const std::uint8_t *r = Row(obj, storedRow);
    switch (obj.BitCount()) {
    case 1:
        return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (r[x >> 1] & 15) : (r[x >> 1] >> 4);
    case 8:
        return r[x];
    case 16:
        return r[2 * x] | (r[2 * x + 1] << 8);
    case 24:
        return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
    default:
        return r[4 * x] | (r[4 * x + 1] << 8) | (r[4 * x + 2] << 16) | (std::uint32_t(r[4 * x + 3]) << 24);
    }
}

inline void SetPixel(CImageObj &obj, int x, int storedRow, std::uint32_t v)
{
    std::uint8_t *r = MutableRow(obj, storedRow);
    switch (obj.BitCount()) {
    case 1:
        r[x >> 3] = static_cast<std::uint8_t>((r[x >> 3] & ~(0x80 >> (x & 7))) | ((v & 1) << (7 - (x & 7))));
        break;
    case 4:
        r[x >> 1] = static_cast<std::uint8_t>(
            (x & 1) ? ((r[x >> 1] & 0xF0) | (v & 15)) : ((r[x >> 1] & 0x0F) | ((v & 15) << 4)));
        break;
    default:
        for (int k = 0; k < obj.BitCount() / 8; ++k)
            r[std::size_t(x) * (obj.BitCount() / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
        break;
    }
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
