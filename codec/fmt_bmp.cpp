// Windows and OS/2 bitmaps: BITMAPCOREHEADER (12 bytes), OS/2 2.x headers (16...64 bytes),
// BITMAPINFOHEADER and its 52-, 56-, 108- and 124-byte successors; 1, 2, 4, 8, 16, 24 and 32 bits;
// BI_RGB, RLE8, RLE4, OS/2 RLE24, BI_BITFIELDS and BI_ALPHABITFIELDS; bottom-up and top-down; the
// first picture of an OS/2 bitmap array. Writes 1-, 4-, 8- and 24-bit BI_RGB files.
//
// Decisions for files the format leaves open:
// - Alpha exists only where a bit-field header gives an alpha mask (56-byte and larger headers,
//   or BI_ALPHABITFIELDS); the fourth byte of a BI_RGB 32-bit pixel is padding. When every alpha
//   value is 0 the mask is taken as unused and the picture is opaque; otherwise it is composited
//   over white.
// - Channels with other than 8 bits scale as v * 255 / max, rounded; a zero mask gives 0.
// - Pixels an RLE picture skips (delta, early end of line or of bitmap) keep palette index 0.
//   Runs past the right edge are clipped; a delta past the picture, pixels below the last row,
//   a missing end-of-bitmap before the last row or a top-down RLE picture are damage.
// - Palette indices beyond the palette are damage: the picture handed out never refers to a
//   colour it does not have. A palette longer than the depth allows is cut; one cut short by the
//   pixel offset keeps the entries that fit; a colour count that cannot fit in the file is damage.
// - Truncated pixel data fails (the suites count short files as broken); the file-size and
//   image-size fields are ignored, as are the density fields' plausibility.
#include "codec/format.h"
#include "codec/pixelpack.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace codexa
{

namespace
{

constexpr std::uint32_t kRle24 = 4; // OS/2 2.x meaning of compression 4 with 24 bits
constexpr std::uint32_t kHuffman1D = 3; // OS/2 2.x meaning of compression 3
constexpr std::uint32_t kAlphaBitFields = 6;

enum class Encoding { Rgb, Rle8, Rle4, Rle24, BitFields };

struct Header {
    std::size_t infoStart = 0; // offset of the info header
    std::uint32_t offBits = 0;
    std::uint32_t headerSize = 0;
    bool core = false; // 12-byte header, 3-byte palette entries
    bool os2v2 = false;
    std::int64_t width = 0;
    std::int64_t height = 0; // positive
    bool topDown = false;
    int planes = 0;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t masks[4] = {}; // red, green, blue, alpha
    std::size_t paletteStart = 0; // after the header and any mask block
    Encoding encoding = Encoding::Rgb;
};

bool KnownHeaderSize(std::uint32_t size)
{
    return size == 12 || (size >= 16 && size <= 64) || size == 108 || size == 124;
}

std::uint32_t Le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

std::uint16_t Le16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Offset of the "BM" file header: 0, or 14 inside an OS/2 bitmap array.
bool FindFileHeader(Bytes file, std::size_t &start)
{
    if (file.size >= 2 && file.data[0] == 'B' && file.data[1] == 'M') {
        start = 0;
        return true;
    }
    if (file.size >= 16 && file.data[0] == 'B' && file.data[1] == 'A' && file.data[14] == 'B'
        && file.data[15] == 'M') {
        start = 14;
        return true;
    }
    return false;
}

Status ParseHeader(Bytes file, Header &h)
{
    std::size_t start = 0;
    if (!FindFileHeader(file, start))
        return Status::NotThisFormat;
    Reader r(file);
    r.Seek(start + 10);
    h.offBits = r.U32LE();
    h.infoStart = start + 14;
    h.headerSize = r.U32LE();
    if (!r.ok())
        return Status::Corrupt;
    if (!KnownHeaderSize(h.headerSize))
        return Status::Corrupt;
    const std::uint8_t *info = r.Take(h.headerSize - 4);
    if (info == nullptr)
        return Status::Corrupt;
    // The fields after the size, zero where the header is shorter.
    std::uint8_t f[124] = {};
    std::memcpy(f + 4, info, std::min<std::size_t>(h.headerSize, sizeof f) - 4);

    if (h.headerSize == 12) {
        h.core = true;
        h.width = Le16(f + 4);
        h.height = Le16(f + 6);
        h.planes = Le16(f + 8);
        h.bitCount = Le16(f + 10);
    } else {
        h.os2v2 = h.headerSize != 40 && h.headerSize != 52 && h.headerSize != 56 && h.headerSize <= 64;
        h.width = static_cast<std::int32_t>(Le32(f + 4));
        std::int64_t height = static_cast<std::int32_t>(Le32(f + 8));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.planes = Le16(f + 12);
        h.bitCount = Le16(f + 14);
        h.compression = Le32(f + 16);
        h.xPelsPerMeter = static_cast<std::int32_t>(Le32(f + 24));
        h.yPelsPerMeter = static_cast<std::int32_t>(Le32(f + 28));
        h.clrUsed = Le32(f + 32);
    }
    h.paletteStart = h.infoStart + h.headerSize;

    if (h.width <= 0 || h.height <= 0 || h.width > std::numeric_limits<std::int32_t>::max()
        || h.height > std::numeric_limits<std::int32_t>::max())
        return Status::Corrupt;
    if (h.planes != 1)
        return Status::Corrupt;

    // What the compression field means for this header and depth.
    std::uint32_t c = h.compression;
    if (c == BI_RGB) {
        if (h.bitCount == 64)
            return Status::Unsupported;
        if (!DibKnownDepth(h.bitCount))
            return Status::Corrupt;
        h.encoding = Encoding::Rgb;
    } else if (c == BI_RLE8 && h.bitCount == 8) {
        h.encoding = Encoding::Rle8;
    } else if (c == BI_RLE4 && h.bitCount == 4) {
        h.encoding = Encoding::Rle4;
    } else if (c == kRle24 && h.bitCount == 24) {
        h.encoding = Encoding::Rle24; // OS/2 RLE24 (a BI_JPEG picture has no bit count)
    } else if (c == kHuffman1D && h.os2v2) {
        return Status::Unsupported;
    } else if ((c == BI_BITFIELDS || c == kAlphaBitFields) && (h.bitCount == 16 || h.bitCount == 32)) {
        h.encoding = Encoding::BitFields;
        if (h.headerSize >= 52) {
            for (int i = 0; i < 4; ++i)
                h.masks[i] = (i < 3 || h.headerSize >= 56) ? Le32(f + 40 + 4 * i) : 0;
        } else {
            // The masks follow a 40-byte header: three of them, four with alpha bit fields.
            int count = c == kAlphaBitFields ? 4 : 3;
            const std::uint8_t *m = r.Take(4u * static_cast<unsigned>(count));
            if (m == nullptr)
                return Status::Corrupt;
            for (int i = 0; i < count; ++i)
                h.masks[i] = Le32(m + 4 * i);
            h.paletteStart += 4u * static_cast<unsigned>(count);
        }
    } else if (c == BI_RLE8 || c == BI_RLE4 || c == BI_BITFIELDS || c == kAlphaBitFields) {
        return Status::Corrupt; // compression that does not fit the depth
    } else {
        return Status::Unsupported; // embedded JPEG or PNG, unknown schemes
    }
    if (h.topDown && h.encoding != Encoding::Rgb && h.encoding != Encoding::BitFields)
        return Status::Corrupt;
    return Status::Ok;
}

// One colour channel of a bit-field pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0; // largest value after shifting; 0 for an absent channel

    bool Init(std::uint32_t m, int bitCount)
    {
        mask = m;
        if (m == 0)
            return true;
        if (bitCount == 16 && (m >> 16) != 0)
            return false;
        while (((m >> shift) & 1) == 0)
            ++shift;
        std::uint32_t v = m >> shift;
        if ((v & (v + 1)) != 0 && v != 0xFFFFFFFFu)
            return false; // not one contiguous run of bits
        max = v;
        return true;
    }
    static std::uint8_t Scale(std::uint32_t v, std::uint32_t max)
    {
        return static_cast<std::uint8_t>((std::uint64_t(v) * 255 + max / 2) / max);
    }
    // Channels of up to 16 bits scale through a table.
    bool BuildTable()
    {
        if (max == 0 || max == 255 || max > 0xFFFF)
            return true;
        table.reset(new (std::nothrow) std::uint8_t[max + 1]);
        if (!table)
            return false;
        for (std::uint32_t v = 0; v <= max; ++v)
            table[v] = Scale(v, max);
        return true;
    }
    std::uint8_t Get(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        std::uint32_t v = (pixel & mask) >> shift;
        if (max == 255)
            return static_cast<std::uint8_t>(v);
        return table ? table[v] : Scale(v, max);
    }

    std::unique_ptr<std::uint8_t[]> table;
};

Status LoadPalette(Bytes file, const Header &h, RGBQUAD *palette, int &paletteCount)
{
    int full = 1 << h.bitCount;
    std::size_t entrySize = h.core ? 3 : 4;
    std::uint64_t declared = (h.clrUsed != 0 && !h.core) ? h.clrUsed : static_cast<std::uint64_t>(full);
    if (h.clrUsed != 0 && !h.core && h.paletteStart + declared * entrySize > file.size)
        return Status::Corrupt; // a colour count the file cannot hold
    std::uint64_t count = std::min<std::uint64_t>(declared, static_cast<std::uint64_t>(full));
    // A pixel offset inside the palette cuts it short.
    if (h.offBits > h.paletteStart && h.offBits < file.size)
        count = std::min<std::uint64_t>(count, (h.offBits - h.paletteStart) / entrySize);
    count = std::min<std::uint64_t>(count, (file.size - std::min(file.size, h.paletteStart)) / entrySize);
    if (count == 0)
        return Status::Corrupt;
    const std::uint8_t *p = file.data + h.paletteStart;
    for (std::uint64_t i = 0; i < count; ++i, p += entrySize)
        palette[i] = RGBQUAD { p[0], p[1], p[2], 0 };
    paletteCount = static_cast<int>(count);
    return Status::Ok;
}

// Where the pixels start: the header's offset when it points past the header, else right after
// the palette.
std::size_t PixelStart(Bytes file, const Header &h, int paletteCount)
{
    std::size_t afterPalette = h.paletteStart + static_cast<std::size_t>(paletteCount) * (h.core ? 3 : 4);
    if (h.offBits >= h.paletteStart && h.offBits < file.size)
        return h.offBits;
    return afterPalette;
}

// Uncompressed palette pictures: rows copied as they are (2-bit rows widened to 4 bits). The
// caller has checked that the first `height` rows are in the file.
Status DecodeIndexed(
    Bytes file, const Header &h, std::size_t start, int paletteCount, int height, Picture &pic)
{
    int width = static_cast<int>(h.width);
    std::size_t srcStride = static_cast<std::size_t>(DibStride(width, h.bitCount));
    std::size_t rowBytes = (static_cast<std::size_t>(width) * h.bitCount + 7) / 8;
    bool checkIndices = paletteCount < (1 << h.bitCount);
    std::unique_ptr<std::uint8_t[]> indices;
    if (h.bitCount == 2) {
        indices.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width)]);
        if (!indices)
            return Status::NoMemory;
    }
    for (int i = 0; i < height; ++i) {
        const std::uint8_t *src = file.data + start + srcStride * static_cast<std::size_t>(i);
        if (checkIndices && MaxIndexInRow(src, width, h.bitCount) >= static_cast<unsigned>(paletteCount))
            return Status::Corrupt;
        std::uint8_t *dst
            = h.topDown ? pic.RowFromTop(i) : pic.pixels() + pic.stride() * static_cast<std::size_t>(i);
        if (h.bitCount == 2) {
            UnpackIndexRow(src, width, 2, indices.get());
            PackIndexRow(indices.get(), width, 4, dst);
        } else {
            std::memcpy(dst, src, rowBytes);
        }
    }
    return Status::Ok;
}

// 16-, 24- and 32-bit pixels, with the default or the given bit fields; the first `height` rows
// are in the file.
Status DecodeTrueColour(Bytes file, const Header &h, std::size_t start, int height, Picture &pic)
{
    int width = static_cast<int>(h.width);
    std::size_t srcStride = static_cast<std::size_t>(DibStride(width, h.bitCount));
    std::size_t rowBytes = static_cast<std::size_t>(width) * (h.bitCount / 8);
    auto srcRow = [&](int i) { return file.data + start + srcStride * static_cast<std::size_t>(i); };
    auto dstRow = [&](int i) {
        return h.topDown ? pic.RowFromTop(i) : pic.pixels() + pic.stride() * static_cast<std::size_t>(i);
    };

    if (h.bitCount == 24) {
        for (int i = 0; i < height; ++i)
            std::memcpy(dstRow(i), srcRow(i), rowBytes);
        return Status::Ok;
    }

    std::uint32_t m[4] = { 0, 0, 0, 0 };
    if (h.encoding == Encoding::BitFields) {
        std::memcpy(m, h.masks, sizeof m);
    } else if (h.bitCount == 16) {
        m[0] = 0x7C00;
        m[1] = 0x03E0;
        m[2] = 0x001F;
    } else {
        m[0] = 0x00FF0000;
        m[1] = 0x0000FF00;
        m[2] = 0x000000FF;
    }
    Channel red, green, blue, alpha;
    if (!red.Init(m[0], h.bitCount) || !green.Init(m[1], h.bitCount) || !blue.Init(m[2], h.bitCount)
        || !alpha.Init(m[3], h.bitCount))
        return Status::Corrupt;
    if (!red.BuildTable() || !green.BuildTable() || !blue.BuildTable() || !alpha.BuildTable())
        return Status::NoMemory;
    int bytes = h.bitCount / 8;
    auto pixelAt = [bytes](const std::uint8_t *p) -> std::uint32_t { return bytes == 2 ? Le16(p) : Le32(p); };

    // An alpha mask counts only when some pixel uses it.
    bool useAlpha = false;
    if (alpha.max != 0) {
        for (int i = 0; i < height && !useAlpha; ++i) {
            const std::uint8_t *src = srcRow(i);
            for (int x = 0; x < width; ++x)
                if (pixelAt(src + bytes * x) & alpha.mask) {
                    useAlpha = true;
                    break;
                }
        }
    }

    bool fast32 = bytes == 4 && m[0] == 0x00FF0000 && m[1] == 0x0000FF00 && m[2] == 0x000000FF && !useAlpha;
    for (int i = 0; i < height; ++i) {
        const std::uint8_t *src = srcRow(i);
        std::uint8_t *dst = dstRow(i);
        if (fast32) {
            for (int x = 0; x < width; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = pixelAt(src + bytes * x);
            std::uint8_t b = blue.Get(v), g = green.Get(v), r = red.Get(v);
            if (useAlpha) {
                unsigned a = alpha.Get(v);
                b = OverWhite(b, a);
                g = OverWhite(g, a);
                r = OverWhite(r, a);
            }
            dst[3 * x] = b;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = r;
        }
    }
    return Status::Ok;
}

// RLE8, RLE4 and OS/2 RLE24. Rows are counted from the bottom. Data that ends after at least one
// whole row gives a damaged picture.
Status DecodeRle(Bytes file, const Header &h, std::size_t start, int paletteCount, Picture &pic)
{
    if (start > file.size)
        return Status::Corrupt;
    int width = static_cast<int>(h.width);
    int height = static_cast<int>(h.height);
    unsigned limit = static_cast<unsigned>(paletteCount);
    Reader r(Bytes { file.data + start, file.size - start });
    int x = 0;
    int y = 0;
    auto row = [&]() { return pic.pixels() + pic.stride() * static_cast<std::size_t>(y); };
    auto put = [&](int px, unsigned v) {
        std::uint8_t *p = row();
        if (h.encoding == Encoding::Rle8)
            p[px] = static_cast<std::uint8_t>(v);
        else
            p[px >> 1] = static_cast<std::uint8_t>(
                (px & 1) ? ((p[px >> 1] & 0xF0) | v) : ((p[px >> 1] & 0x0F) | (v << 4)));
    };
    auto putBGR = [&](int px, const std::uint8_t *bgr) { std::memcpy(row() + 3 * px, bgr, 3); };
    // A cut file keeps its whole rows unless the picture is far larger than its data could
    // describe (two bytes give at most 255 pixels).
    const std::uint64_t reach = std::uint64_t(file.size - start) / 2 * 255;
    auto cutShort = [&]() {
        if (y == 0 || std::uint64_t(width) * std::uint64_t(height) > reach * 16)
            return Status::Corrupt;
        pic.damaged = true;
        return Status::Ok;
    };

    for (;;) {
        if (r.remaining() < 2) {
            // Data that stops without an end-of-bitmap is whole only when every row is there.
            if (y >= height || (y == height - 1 && x >= width))
                return Status::Ok;
            return cutShort();
        }
        unsigned n = r.U8();
        unsigned c = r.U8();
        if (n > 0) {
            if (y >= height)
                return Status::Corrupt;
            int end = std::min<int>(width, x + static_cast<int>(n));
            if (h.encoding == Encoding::Rle24) {
                std::uint8_t bgr[3] = { static_cast<std::uint8_t>(c), 0, 0 };
                const std::uint8_t *rest = r.Take(2);
                if (rest == nullptr)
                    return cutShort();
                bgr[1] = rest[0];
                bgr[2] = rest[1];
                for (int px = x; px < end; ++px)
                    putBGR(px, bgr);
            } else if (h.encoding == Encoding::Rle8) {
                if (c >= limit)
                    return Status::Corrupt;
                if (end > x)
                    std::memset(row() + x, static_cast<int>(c), static_cast<std::size_t>(end - x));
            } else {
                unsigned hi = c >> 4, lo = c & 0x0F;
                if (hi >= limit || (n > 1 && lo >= limit))
                    return Status::Corrupt;
                for (int px = x; px < end; ++px)
                    put(px, ((px - x) & 1) ? lo : hi);
            }
            x = std::min<int>(width, x + static_cast<int>(n));
            continue;
        }
        switch (c) {
        case 0: // end of line
            x = 0;
            ++y;
            if (y > height)
                return Status::Corrupt;
            break;
        case 1: // end of bitmap
            return Status::Ok;
        case 2: { // delta
            unsigned dx = r.U8();
            unsigned dy = r.U8();
            if (!r.ok())
                return cutShort();
            x += static_cast<int>(dx);
            y += static_cast<int>(dy);
            if (x > width || y > height || (y == height && x > 0))
                return Status::Corrupt;
            break;
        }
        default: { // literal run of c pixels, padded to a 16-bit boundary
            if (y >= height)
                return Status::Corrupt;
            std::size_t bytes = h.encoding == Encoding::Rle8 ? c
                : h.encoding == Encoding::Rle4               ? (c + 1) / 2
                                                             : 3u * c;
            if (r.remaining() < bytes)
                return cutShort();
            // The last literal may lack its padding byte.
            const std::size_t padded = bytes + (bytes & 1);
            const std::uint8_t *src = r.Take(r.remaining() < padded ? bytes : padded);
            int end = std::min<int>(width, x + static_cast<int>(c));
            for (unsigned i = 0; i < c; ++i) {
                if (h.encoding == Encoding::Rle24) {
                    if (x + static_cast<int>(i) < end)
                        putBGR(x + static_cast<int>(i), src + 3 * i);
                    continue;
                }
                unsigned v = h.encoding == Encoding::Rle8
                    ? src[i]
                    : ((i & 1) ? (src[i >> 1] & 0x0F) : (src[i >> 1] >> 4));
                if (v >= limit)
                    return Status::Corrupt;
                if (x + static_cast<int>(i) < end)
                    put(x + static_cast<int>(i), v);
            }
            x = std::min<int>(width, x + static_cast<int>(c));
            break;
        }
        }
    }
}

Status LoadBmp(Bytes file, int page, Picture &out)
{
    Header h;
    Status st = ParseSinglePage(file, page, ParseHeader, h);
    if (st != Status::Ok)
        return st;

    bool indexed = h.bitCount <= 8;
    int outBits = !indexed ? 24 : h.bitCount == 2 ? 4 : h.bitCount;
    RGBQUAD palette[256] = {};
    int paletteCount = 0;
    if (indexed && (st = LoadPalette(file, h, palette, paletteCount)) != Status::Ok)
        return st;
    std::size_t start = PixelStart(file, h, paletteCount);
    // Uncompressed rows: all of them (the last one may lack its padding), or for a file cut short
    // the whole rows it holds, at least one and not far fewer than the header promises; checked
    // before any pixel memory is taken.
    bool uncompressed = h.encoding == Encoding::Rgb || h.encoding == Encoding::BitFields;
    const std::size_t stride = static_cast<std::size_t>(DibStride(h.width, h.bitCount));
    std::size_t need = stride * static_cast<std::size_t>(h.height - 1)
        + (static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.bitCount) + 7) / 8;
    if (start > file.size)
        return Status::Corrupt;
    int rowsHeld = static_cast<int>(h.height);
    if (uncompressed && file.size - start < need) {
        std::size_t have = file.size - start;
        if (have < stride || have * 16 < need)
            return Status::Corrupt;
        rowsHeld = static_cast<int>(have / stride);
    }

    Picture pic;
    st = pic.Create(static_cast<int>(h.width), static_cast<int>(h.height), outBits,
        indexed && paletteCount < (1 << outBits) ? paletteCount : 0);
    if (st != Status::Ok)
        return st;
    std::memcpy(pic.info.bmiColors, palette, sizeof(RGBQUAD) * static_cast<std::size_t>(paletteCount));

    switch (h.encoding) {
    case Encoding::Rgb:
        st = indexed ? DecodeIndexed(file, h, start, paletteCount, rowsHeld, pic)
                     : DecodeTrueColour(file, h, start, rowsHeld, pic);
        break;
    case Encoding::BitFields:
        st = DecodeTrueColour(file, h, start, rowsHeld, pic);
        break;
    case Encoding::Rle8:
    case Encoding::Rle4:
    case Encoding::Rle24:
        st = DecodeRle(file, h, start, paletteCount, pic);
        break;
    }
    if (st != Status::Ok)
        return st;
    if (rowsHeld < static_cast<int>(h.height))
        pic.damaged = true;
    pic.SetResolution(std::max(0, h.xPelsPerMeter), std::max(0, h.yPelsPerMeter));
    out = std::move(pic);
    return Status::Ok;
}

bool ProbeBmp(Bytes head, std::string_view)
{
    std::size_t start = 0;
    if (!FindFileHeader(head, start) || head.size < start + 18)
        return false;
    return KnownHeaderSize(Le32(head.data + start + 14));
}

Status SaveBmp(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    int bits = view.bitCount <= 8 ? view.bitCount : 24;
    int paletteCount = PaletteEntriesUsed(view); // entries past the caller's palette are black
    std::size_t stride = static_cast<std::size_t>(DibStride(view.width, bits));
    std::uint64_t imageSize = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(view.height);
    std::uint64_t offBits = 14 + 40 + 4ull * static_cast<unsigned>(paletteCount);
    std::uint64_t total = offBits + imageSize;
    if (total > std::numeric_limits<std::uint32_t>::max())
        return Status::TooLarge;
    return EncodeInto(out, [&] {
        out.reserve(static_cast<std::size_t>(total));
        ByteWriter w(out);
        w.U8('B');
        w.U8('M');
        w.U32LE(static_cast<std::uint32_t>(total));
        w.U32LE(0);
        w.U32LE(static_cast<std::uint32_t>(offBits));
        w.U32LE(40);
        w.U32LE(static_cast<std::uint32_t>(view.width));
        w.U32LE(static_cast<std::uint32_t>(view.height));
        w.U16LE(1);
        w.U16LE(static_cast<unsigned>(bits));
        w.U32LE(BI_RGB);
        w.U32LE(static_cast<std::uint32_t>(imageSize));
        w.U32LE(static_cast<std::uint32_t>(std::max(0, view.header->biXPelsPerMeter)));
        w.U32LE(static_cast<std::uint32_t>(std::max(0, view.header->biYPelsPerMeter)));
        w.U32LE(paletteCount < (1 << bits) ? static_cast<std::uint32_t>(paletteCount) : 0);
        w.U32LE(0);
        for (int i = 0; i < paletteCount; ++i) {
            RGBQUAD c = i < view.paletteSize ? view.palette[i] : RGBQUAD {};
            w.U8(c.rgbBlue);
            w.U8(c.rgbGreen);
            w.U8(c.rgbRed);
            w.U8(0);
        }
        if (bits == view.bitCount) {
            // Same layout as the picture in memory: bottom-up rows padded to 4 bytes.
            w.Bytes(view.bits, static_cast<std::size_t>(imageSize));
        } else {
            std::size_t base = out.size();
            out.resize(base + static_cast<std::size_t>(imageSize));
            for (int y = 0; y < view.height; ++y)
                ViewRowBGR(
                    view, y, out.data() + base + stride * static_cast<std::size_t>(view.height - 1 - y));
        }
    });
}

const char *const kBmpExtensions[] = { ".bmp", ".dib", ".rle", nullptr };
const char *const kMimeTypes[] = { "image/bmp", nullptr };

} // namespace

extern const FormatCodec kFormat_bmp = MakeFormat("bmp", 0, "Windows or OS/2 Bitmap", kBmpExtensions,
    kMimeTypes, { .probe = ProbeBmp, .load = LoadBmp, .save = SaveBmp });

} // namespace codexa
