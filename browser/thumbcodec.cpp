#include "browser/thumbcodec.h"

#include "platform/dibutil.h"
#include "platform/files.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{

constexpr int kMaxThumbSide = 0xFFFF;

// Expands a 1-, 4-, 8- or 32-bit bottom-up picture into a new 24-bit block.
GlobalBlock ConvertTo24(
    const DibInfoBlock &info, const std::uint8_t *src, std::size_t srcSize, std::size_t &outSize)
{
    const BITMAPINFOHEADER &h = info.bmiHeader;
    int w = h.biWidth;
    int rows = h.biHeight;
    int bc = h.biBitCount;
    std::int64_t srcStride = DibCheckedStride(w, bc);
    std::int64_t dstStride = DibCheckedStride(w, 24);
    if (srcStride <= 0 || dstStride <= 0 || static_cast<std::uint64_t>(srcStride) * rows > srcSize)
        return nullptr;
    outSize = static_cast<std::size_t>(dstStride) * static_cast<std::size_t>(rows);
    GlobalBlock out(GlobalAlloc(GPTR, outSize));
    if (!out)
        return nullptr;
    int paletteSize = DibPaletteSize(h);
    auto *dst = static_cast<std::uint8_t *>(out.get());
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t *s = src + y * srcStride;
        std::uint8_t *d = dst + y * dstStride;
        for (int x = 0; x < w; ++x, d += 3) {
            if (bc == 32) {
                d[0] = s[4 * x];
                d[1] = s[4 * x + 1];
                d[2] = s[4 * x + 2];
                continue;
            }
            int index = 0;
            if (bc == 8)
                index = s[x];
            else if (bc == 4)
                index = (x & 1) ? (s[x / 2] & 0x0F) : (s[x / 2] >> 4);
            else
                index = (s[x / 8] >> (7 - (x & 7))) & 1;
            if (index < paletteSize) {
                d[0] = info.bmiColors[index].rgbBlue;
                d[1] = info.bmiColors[index].rgbGreen;
                d[2] = info.bmiColors[index].rgbRed;
            }
        }
    }
    return out;
}

} // namespace

ThumbOutcome MakeThumbnail(const ThumbCodec &codec, const std::string &path, SIZE box)
{
    ThumbOutcome result;
    if (!CanReadRegularFile(path))
        return result;
    result.opened = true;

    auto info = std::make_unique<DibInfoBlock>();
    auto source = std::make_unique<DibInfoBlock>();
    std::memset(info.get(), 0, sizeof(DibInfoBlock));
    std::memset(source.get(), 0, sizeof(DibInfoBlock));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = box.cx;
    info->bmiHeader.biHeight = box.cy;
    HGLOBAL raw = nullptr;
    RECT whole { -1, -1, -1, -1 };
    int ok = codec.LoadThumbnail(info.get(), &raw, source.get(), path.c_str(), &box, whole, 0);
    GlobalBlock bits(raw);
    if (ok == 0 || !bits)
        return result;

    const BITMAPINFOHEADER &h = info->bmiHeader;
    int bc = h.biBitCount;
    if (h.biWidth <= 0 || h.biWidth > kMaxThumbSide || h.biHeight <= 0 || h.biHeight > kMaxThumbSide
        || h.biCompression != BI_RGB)
        return result;
    std::size_t have = GlobalSize(bits.get());
    std::size_t size = DibCheckedImageSize(h.biWidth, h.biHeight, bc);
    if (size == 0 || have < size)
        return result;
    if (bc != 24) {
        if (bc != 1 && bc != 4 && bc != 8 && bc != 32)
            return result;
        std::size_t converted = 0;
        GlobalBlock wide = ConvertTo24(*info, static_cast<const std::uint8_t *>(bits.get()), have, converted);
        if (!wide)
            return result;
        bits = std::move(wide);
        size = converted;
        info->bmiHeader.biBitCount = 24;
        info->bmiHeader.biClrUsed = 0;
        info->bmiHeader.biClrImportant = 0;
    }
    result.made = true;
    result.header = info->bmiHeader;
    result.header.biSizeImage = static_cast<DWORD>(size);
    result.bits = std::move(bits);
    result.bitsSize = size;
    result.source = source->bmiHeader;
    return result;
}
