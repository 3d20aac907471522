// Geometry of a picture's pixel block and the small pixel accessors the edit kernels share.
#pragma once

#include "platform/dibutil.h"
#include "platform/globalmem.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

// A validated view of a (header, bits) pair: positive size, a known depth, a block at least
// stride × height bytes long. Rows are bottom-up.
struct DibLayout : DibShape {
    int paletteSize = 0;
    const RGBQUAD *palette = nullptr;

    std::uint8_t *Row(void *bits, int storedRow) const
    {
        return static_cast<std::uint8_t *>(bits) + static_cast<std::size_t>(storedRow) * stride;
    }
    const std::uint8_t *Row(const void *bits, int storedRow) const
    {
        return static_cast<const std::uint8_t *>(bits) + static_cast<std::size_t>(storedRow) * stride;
    }
};

// Fills `out` and returns true when the pair describes a usable picture of 1, 4, 8, 16, 24 or 32
// bits. A block smaller than the header claims (GlobalSize) is refused.
bool DibLayoutOf(const DibInfoBlock *info, const void *bits, DibLayout &out);

// Largest picture an edit makes: sides up to 2^21 pixels and 2^29 pixels in all (beyond that an
// edit fails instead of exhausting memory).
bool DibEditSizeOk(std::int64_t width, std::int64_t height);

// A fresh zeroed pixel block of stride × height for the given geometry, or null (also for a size
// DibEditSizeOk refuses).
HGLOBAL DibAllocPixels(int width, int height, int bitCount, std::size_t *strideOut = nullptr);

// One row of a 1-, 4- or 8-bit picture through a table of palette indices: out[x] is table[the
// index of pixel x] for the picture's width.
template <class T> void MapIndexRow(const DibLayout &d, const std::uint8_t *row, const T *table, T *out)
{
    const int w = d.width;
    if (d.bitCount == 8) {
        for (int x = 0; x < w; ++x)
            out[x] = table[row[x]];
    } else if (d.bitCount == 4) {
        for (int x = 0; x < w; ++x)
            out[x] = table[DibGetPixel4(row, x)];
    } else {
        for (int x = 0; x < w; ++x)
            out[x] = table[DibGetPixel1(row, x)];
    }
}

// A 16-bit pixel (5-5-5, blue in the low bits) widened to 8 bits per channel.
inline void Expand555(std::uint16_t v, int &r, int &g, int &b)
{
    int r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
    r = (r5 << 3) | (r5 >> 2);
    g = (g5 << 3) | (g5 >> 2);
    b = (b5 << 3) | (b5 >> 2);
}

inline std::uint16_t Pack555(int r, int g, int b)
{
    return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

// Grey value (30 R + 59 G + 11 B) / 100 without the division: exact for every 8-bit triple.
inline int GreyOf(int r, int g, int b)
{
    unsigned v = static_cast<unsigned>(30 * r + 59 * g + 11 * b);
    return static_cast<int>((v * 5243u) >> 19);
}

// A scratch block from global memory (so the allocation-failure hook reaches it), freed on exit.
class ScratchBlock
{
public:
    explicit ScratchBlock(std::size_t bytes)
        : m_block(bytes ? GlobalAlloc(GPTR, bytes) : nullptr)
    {
    }
    ~ScratchBlock() { GlobalFree(m_block); }
    ScratchBlock(const ScratchBlock &) = delete;
    ScratchBlock &operator=(const ScratchBlock &) = delete;
    bool ok() const { return m_block != nullptr; }
    template <class T> T *as() const { return static_cast<T *>(m_block); }

private:
    HGLOBAL m_block;
};

// A picture made by an edit: its header (40 bytes plus palette) and its new pixel block. The
// block is freed unless ownership is taken with Take().
struct DibResult {
    DibInfoBlock info {};
    HGLOBAL bits = nullptr;

    DibResult() = default;
    DibResult(const DibResult &) = delete;
    DibResult &operator=(const DibResult &) = delete;
    ~DibResult() { GlobalFree(bits); }
    HGLOBAL Take()
    {
        HGLOBAL b = bits;
        bits = nullptr;
        return b;
    }
};

// Copies the 40-byte header and the palette of `from` into `to` and sets the new geometry.
void DibCopyHeader(const DibInfoBlock &from, DibInfoBlock &to, int width, int height);
