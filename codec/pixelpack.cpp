#include "codec/pixelpack.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace codexa
{

void PackIndexRow(const std::uint8_t *indices, int width, int bitCount, std::uint8_t *row)
{
    switch (bitCount) {
    case 1: {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            const std::uint8_t *s = indices + x;
            row[x >> 3] = static_cast<std::uint8_t>((s[0] << 7) | (s[1] << 6) | (s[2] << 5) | (s[3] << 4)
                | (s[4] << 3) | (s[5] << 2) | (s[6] << 1) | s[7]);
        }
        if (x < width) {
            unsigned byte = 0;
            for (int i = 0; x + i < width; ++i)
                byte |= static_cast<unsigned>(indices[x + i]) << (7 - i);
            row[x >> 3] = static_cast<std::uint8_t>(byte);
        }
        break;
    }
    case 4: {
        int x = 0;
        for (; x + 2 <= width; x += 2)
            row[x >> 1] = static_cast<std::uint8_t>((indices[x] << 4) | indices[x + 1]);
        if (x < width)
            row[x >> 1] = static_cast<std::uint8_t>(indices[x] << 4);
        break;
    }
    default:
        std::memcpy(row, indices, static_cast<std::size_t>(width));
        break;
    }
}

void UnpackIndexRow(const std::uint8_t *row, int width, int bitCount, std::uint8_t *indices)
{
    switch (bitCount) {
    case 1:
        for (int x = 0; x < width; ++x)
            indices[x] = static_cast<std::uint8_t>(DibGetPixel1(row, x));
        break;
    case 2:
        for (int x = 0; x < width; ++x)
            indices[x] = static_cast<std::uint8_t>((row[x >> 2] >> (6 - 2 * (x & 3))) & 3);
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            indices[x] = static_cast<std::uint8_t>(DibGetPixel4(row, x));
        break;
    default:
        std::memcpy(indices, row, static_cast<std::size_t>(width));
        break;
    }
}

unsigned MaxIndexInRow(const std::uint8_t *row, int width, int bitCount)
{
    unsigned best = 0;
    switch (bitCount) {
    case 1: {
        // Any set bit among the row's pixels means index 1.
        int full = width >> 3;
        for (int i = 0; i < full; ++i)
            if (row[i])
                return 1;
        int rest = width & 7;
        if (rest && (row[full] & (0xFF00 >> rest) & 0xFF))
            return 1;
        return 0;
    }
    case 2:
        for (int x = 0; x < width; ++x)
            best = std::max(best, static_cast<unsigned>((row[x >> 2] >> (6 - 2 * (x & 3))) & 3));
        return best;
    case 4:
        for (int x = 0; x < width; ++x)
            best = std::max(best, static_cast<unsigned>(DibGetPixel4(row, x)));
        return best;
    default:
        for (int x = 0; x < width; ++x)
            best = std::max(best, static_cast<unsigned>(row[x]));
        return best;
    }
}

namespace
{

// Byte b spread to eight bytes of 0 or 1, the most significant bit first.
struct SpreadTable {
    std::uint8_t lanes[256][8];
    constexpr SpreadTable()
        : lanes {}
    {
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i)
                lanes[b][i] = static_cast<std::uint8_t>((b >> (7 - i)) & 1);
    }
};
constexpr SpreadTable kSpread;

} // namespace

void MergeBitPlanes(const std::uint8_t *const *planes, int planeCount, int width, std::uint8_t *indices)
{
    std::memset(indices, 0, static_cast<std::size_t>(width));
    int full = width & ~7;
    for (int p = 0; p < planeCount; ++p) {
        const std::uint8_t *plane = planes[p];
        // Eight pixels at a time: every lane holds 0 or 1, so a shift never crosses lanes.
        for (int x = 0; x < full; x += 8) {
            unsigned byte = plane[x >> 3];
            if (byte == 0)
                continue;
            std::uint64_t add, cur;
            std::memcpy(&add, kSpread.lanes[byte], 8);
            std::memcpy(&cur, indices + x, 8);
            cur |= add << p;
            std::memcpy(indices + x, &cur, 8);
        }
        for (int x = full; x < width; ++x)
            indices[x]
                = static_cast<std::uint8_t>(indices[x] | (((plane[x >> 3] >> (7 - (x & 7))) & 1) << p));
    }
}

void SplitBitPlanes(const std::uint8_t *indices, int width, int planeCount, std::uint8_t *const *planes)
{
    std::size_t lineBytes = (static_cast<std::size_t>(width) + 7) / 8;
    int full = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Eight pixels at a time: bit p of every lane, gathered into one byte by a multiply
        // (lane i lands on bit 7 - i of the top byte; no two products share a bit).
        full = width & ~7;
        for (int x = 0; x < full; x += 8) {
            std::uint64_t v;
            std::memcpy(&v, indices + x, 8);
            for (int p = 0; p < planeCount; ++p) {
                std::uint64_t lanes = (v >> p) & 0x0101010101010101ull;
                planes[p][x >> 3] = static_cast<std::uint8_t>((lanes * 0x8040201008040201ull) >> 56);
            }
        }
    }
    for (int p = 0; p < planeCount; ++p) {
        std::uint8_t *plane = planes[p];
        std::memset(plane + (full >> 3), 0, lineBytes - static_cast<std::size_t>(full >> 3));
        for (int x = full; x < width; ++x)
            plane[x >> 3]
                = static_cast<std::uint8_t>(plane[x >> 3] | (((indices[x] >> p) & 1) << (7 - (x & 7))));
    }
}

void ViewRowBGR(const PictureView &view, int y, std::uint8_t *bgr)
{
    const std::uint8_t *row = view.RowFromTop(y);
    int width = view.width;
    switch (view.bitCount) {
    case 24:
        std::memcpy(bgr, row, static_cast<std::size_t>(width) * 3);
        return;
    case 32:
        for (int x = 0; x < width; ++x) {
            bgr[3 * x] = row[4 * x];
            bgr[3 * x + 1] = row[4 * x + 1];
            bgr[3 * x + 2] = row[4 * x + 2];
        }
        return;
    case 16:
        for (int x = 0; x < width; ++x)
            view.PixelBGR(x, y, bgr + 3 * x);
        return;
    default:
        break;
    }
    // Palette depths: a lookup table with black for entries past the palette.
    std::uint8_t table[256][3] = {};
    for (int i = 0; i < view.paletteSize && i < 256; ++i) {
        table[i][0] = view.palette[i].rgbBlue;
        table[i][1] = view.palette[i].rgbGreen;
        table[i][2] = view.palette[i].rgbRed;
    }
    for (int x = 0; x < width; ++x) {
        std::memcpy(bgr + 3 * x, table[DibIndexAt(row, x, view.bitCount)], 3);
    }
}

void ViewRowIndices(const PictureView &view, int y, std::uint8_t *indices)
{
    UnpackIndexRow(view.RowFromTop(y), view.width, view.bitCount, indices);
}

int PaletteEntriesUsed(const PictureView &view)
{
    if (view.bitCount > 8)
        return 0;
    int full = 1 << view.bitCount;
    int count = std::min(view.paletteSize, full);
    for (int y = 0; y < view.height && count < full; ++y)
        count = std::max(
            count, static_cast<int>(MaxIndexInRow(view.RowFromTop(y), view.width, view.bitCount)) + 1);
    return count;
}

bool IsGreyRamp(const PictureView &view)
{
    if (view.bitCount > 8 || view.paletteSize != (1 << view.bitCount))
        return false;
    int last = view.paletteSize - 1;
    for (int i = 0; i <= last; ++i) {
        const RGBQUAD &c = view.palette[i];
        int level = i * 255 / last;
        if (c.rgbRed != level || c.rgbGreen != level || c.rgbBlue != level)
            return false;
    }
    return true;
}

UnpackResult PackBitsDecode(Reader &in, std::uint8_t *out, std::size_t size)
{
    std::size_t done = 0;
    UnpackResult result = UnpackResult::Ok;
    while (done < size) {
        if (in.remaining() == 0)
            return UnpackResult::Truncated;
        int n = static_cast<std::int8_t>(in.U8());
        if (n == -128)
            continue;
        if (n >= 0) {
            std::size_t count = static_cast<std::size_t>(n) + 1;
            const std::uint8_t *src = in.Take(count);
            if (src == nullptr)
                return UnpackResult::Truncated;
            std::size_t keep = std::min(count, size - done);
            std::memcpy(out + done, src, keep);
            done += keep;
            if (keep < count)
                result = UnpackResult::Overrun;
        } else {
            std::size_t count = static_cast<std::size_t>(1 - n);
            if (in.remaining() == 0)
                return UnpackResult::Truncated;
            std::uint8_t value = in.U8();
            std::size_t keep = std::min(count, size - done);
            std::memset(out + done, value, keep);
            done += keep;
            if (keep < count)
                result = UnpackResult::Overrun;
        }
    }
    return result;
}

void PackBitsEncode(const std::uint8_t *in, std::size_t size, std::vector<std::uint8_t> &out)
{
    std::size_t i = 0;
    while (i < size) {
        // Length of the run of equal bytes starting at i (at most 128).
        std::size_t run = 1;
        while (i + run < size && run < 128 && in[i + run] == in[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(1 - static_cast<int>(run))));
            out.push_back(in[i]);
            i += run;
            continue;
        }
        // Literal bytes up to the next run of two or more (at most 128).
        std::size_t start = i;
        while (i < size && i - start < 128) {
            if (i + 1 < size && in[i + 1] == in[i])
                break;
            ++i;
        }
        out.push_back(static_cast<std::uint8_t>(i - start - 1));
        out.insert(out.end(), in + start, in + i);
    }
}

} // namespace codexa
