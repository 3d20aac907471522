// Row packing helpers shared by the formats written in this library: palette indices in 1-, 2-,
// 4- and 8-bit rows, bit planes, rows of the caller's picture as colours, PackBits.
#pragma once

#include "codec/format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace codexa
{

// Writes index v (already < 2^bitCount) at pixel x of a 1-, 4- or 8-bit row whose bits start zeroed.
inline void OrIndex(std::uint8_t *row, int bitCount, int x, unsigned v)
{
    switch (bitCount) {
    case 1:
        row[x >> 3] |= static_cast<std::uint8_t>(v << (7 - (x & 7)));
        break;
    case 4:
        row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? v : (v << 4));
        break;
    default:
        row[x] = static_cast<std::uint8_t>(v);
        break;
    }
}

// Packs one index per byte into a 1-, 4- or 8-bit row (indices must fit the depth).
void PackIndexRow(const std::uint8_t *indices, int width, int bitCount, std::uint8_t *row);

// Unpacks a 1-, 2-, 4- or 8-bit row (leftmost pixel in the high bits) to one index per byte.
void UnpackIndexRow(const std::uint8_t *row, int width, int bitCount, std::uint8_t *indices);

// Largest index in a packed 1-, 2-, 4- or 8-bit row.
unsigned MaxIndexInRow(const std::uint8_t *row, int width, int bitCount);

// Combines bit planes into indices: index = sum of bit(plane p) << p, leftmost pixel in the most
// significant bit; planes[p] holds ceil(width / 8) bytes.
void MergeBitPlanes(const std::uint8_t *const *planes, int planeCount, int width, std::uint8_t *indices);

// Splits indices into bit planes (the inverse of MergeBitPlanes); planes[p] receives
// ceil(width / 8) bytes.
void SplitBitPlanes(const std::uint8_t *indices, int width, int planeCount, std::uint8_t *const *planes);

// Row y (from the top) of the caller's picture as blue, green, red triples.
void ViewRowBGR(const PictureView &view, int y, std::uint8_t *bgr);

// Row y (from the top) of a 1-, 4- or 8-bit picture as one index per byte.
void ViewRowIndices(const PictureView &view, int y, std::uint8_t *indices);

// Palette entries a file needs for the picture: its palette size, raised to cover any index the
// pixels use beyond it, at most 2^bitCount (0 for deeper pictures).
int PaletteEntriesUsed(const PictureView &view);

// Whether the picture's palette is the grey ramp of its depth (entry i has grey level
// i * 255 / (entries - 1) for every entry).
bool IsGreyRamp(const PictureView &view);

enum class UnpackResult {
    Ok,
    Overrun, // a run went past the requested size; the excess was dropped
    Truncated, // the input ended first
};

// PackBits with a signed count n: 0...127 copies n + 1 literal bytes, -1...-127 repeats the next
// byte 1 - n times, -128 does nothing. Fills exactly `size` bytes.
UnpackResult PackBitsDecode(Reader &in, std::uint8_t *out, std::size_t size);

// Appends the PackBits encoding of `size` bytes (runs never cross the end of `in`).
void PackBitsEncode(const std::uint8_t *in, std::size_t size, std::vector<std::uint8_t> &out);

// Appends little- and big-endian values to a byte vector.
class ByteWriter
{
public:
    explicit ByteWriter(std::vector<std::uint8_t> &out)
        : m_out(out)
    {
    }
    void U8(unsigned v) { m_out.push_back(static_cast<std::uint8_t>(v)); }
    void U16LE(unsigned v)
    {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U16BE(unsigned v)
    {
        U8((v >> 8) & 0xFF);
        U8(v & 0xFF);
    }
    void U32LE(std::uint32_t v)
    {
        U16LE(v & 0xFFFF);
        U16LE(v >> 16);
    }
    void U32BE(std::uint32_t v)
    {
        U16BE(v >> 16);
        U16BE(v & 0xFFFF);
    }
    void Bytes(const void *data, std::size_t n)
    {
        auto *p = static_cast<const std::uint8_t *>(data);
        m_out.insert(m_out.end(), p, p + n);
    }
    void Fill(unsigned v, std::size_t n) { m_out.insert(m_out.end(), n, static_cast<std::uint8_t>(v)); }
    std::size_t size() const { return m_out.size(); }

private:
    std::vector<std::uint8_t> &m_out;
};

} // namespace codexa
