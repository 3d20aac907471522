// Truevision TGA: colour-mapped (types 1 and 9), true colour (2 and 10) and grey (3 and 11), raw
// or run-length packets (which may cross scanlines), every origin, 15-, 16-, 24- and 32-bit
// pixels, 8- and 16-bit indices, 15/16/24/32-bit maps with a first index, the 2.0 footer.
// Writes uncompressed bottom-left files with a 2.0 footer: grey palettes as type 3, other palette
// pictures as type 1 with a 24-bit map, everything else as 24-bit type 2.
//
// Decisions:
// - The file has no magic number: the probe wants a TGA extension (or a 2.0 footer inside the
//   probed bytes) and a header that makes sense.
// - Alpha: the descriptor's alpha-bit count decides for 16-bit, 32-bit and grey-with-alpha pixels
//   (a 32-bit pixel with fewer than 8 alpha bits uses the low bits of its fourth byte);
//   32-bit map entries always carry it, 16-bit ones only with a non-zero alpha-bit count. When
//   every alpha value is 0 the channel is taken as unused; otherwise colours go over white
//   (premultiplied ones when the extension area says so). Other extension attribute types are
//   ignored: writers disagree with them too often.
// - 5-bit channels widen by bit replication.
// - An index outside the colour map is damage, and so is pixel data that ends early.
// - Colour-mapped pictures with 8-bit indices stay 8-bit (map entry v - first at index v); 16-bit
//   indices become 24-bit. Grey pictures are 8-bit with a grey ramp. The format has no density.
#include "codec/format.h"
#include "codec/pixelpack.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace codexa
{

namespace
{

constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";
constexpr std::size_t kFooterSize = 26;

struct Header {
    unsigned idLength = 0;
    unsigned mapType = 0;
    unsigned type = 0;
    unsigned mapFirst = 0;
    unsigned mapLength = 0;
    unsigned mapEntryBits = 0;
    int width = 0;
    int height = 0;
    unsigned depth = 0;
    unsigned descriptor = 0;

    unsigned kind() const { return type & 7; } // 1 mapped, 2 true colour, 3 grey
    bool rle() const { return (type & 8) != 0; }
    unsigned alphaBits() const { return descriptor & 15; }
    unsigned bytesPerPixel() const { return (depth + 7) / 8; }
    std::size_t mapBytes() const { return std::size_t(mapLength) * ((mapEntryBits + 7) / 8); }
};

std::uint16_t Le16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

Status ParseHeader(Bytes b, Header &h)
{
    if (b.size < 18)
        return Status::NotThisFormat;
    const std::uint8_t *p = b.data;
    h.idLength = p[0];
    h.mapType = p[1];
    h.type = p[2];
    h.mapFirst = Le16(p + 3);
    h.mapLength = Le16(p + 5);
    h.mapEntryBits = p[7];
    h.width = Le16(p + 12);
    h.height = Le16(p + 14);
    h.depth = p[16];
    h.descriptor = p[17];
    if (h.mapType > 1)
        return Status::NotThisFormat;
    switch (h.type) {
    case 1:
    case 2:
    case 3:
    case 9:
    case 10:
    case 11:
        break;
    case 0:
        return Status::Corrupt; // a header without picture data
    case 32:
    case 33:
        return Status::Unsupported; // Huffman-coded variants
    default:
        return Status::NotThisFormat;
    }
    if (h.width == 0 || h.height == 0)
        return Status::Corrupt;
    switch (h.kind()) {
    case 1:
        if (h.mapType != 1 || h.mapLength == 0 || (h.depth != 8 && h.depth != 16))
            return Status::Corrupt;
        if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
            return Status::Corrupt;
        break;
    case 2:
        if (h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32)
            return Status::Corrupt;
        break;
    default:
        if (h.depth != 8 && h.depth != 16)
            return Status::Corrupt;
        break;
    }
    return Status::Ok;
}

inline std::uint8_t Widen5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// 15/16-bit A RRRRR GGGGG BBBBB to B, G, R, A.
inline void Unpack16(unsigned v, std::uint8_t *bgra)
{
    bgra[0] = Widen5(v & 0x1F);
    bgra[1] = Widen5((v >> 5) & 0x1F);
    bgra[2] = Widen5((v >> 10) & 0x1F);
    bgra[3] = (v & 0x8000) ? 255 : 0;
}

// The pixel stream, one file row at a time; run-length packets carry over row ends.
class RowSource
{
public:
    RowSource(Bytes data, const Header &h)
        : m_in(data)
        , m_bpp(h.bytesPerPixel())
        , m_rle(h.rle())
    {
    }

    bool Next(std::uint8_t *row, int width)
    {
        std::size_t need = std::size_t(width) * m_bpp;
        if (!m_rle) {
            const std::uint8_t *src = m_in.Take(need);
            if (src == nullptr)
                return false;
            std::memcpy(row, src, need);
            return true;
        }
        int x = 0;
        while (x < width) {
            if (m_left == 0) {
                if (m_in.remaining() == 0)
                    return false;
                unsigned head = m_in.U8();
                m_left = static_cast<int>(head & 0x7F) + 1;
                m_repeat = (head & 0x80) != 0;
                if (m_repeat) {
                    const std::uint8_t *v = m_in.Take(m_bpp);
                    if (v == nullptr)
                        return false;
                    std::memcpy(m_value, v, m_bpp);
                }
            }
            int n = std::min(m_left, width - x);
            std::uint8_t *dst = row + std::size_t(x) * m_bpp;
            if (m_repeat) {
                if (m_bpp == 1) {
                    std::memset(dst, m_value[0], std::size_t(n));
                } else {
                    for (int i = 0; i < n; ++i)
                        std::memcpy(dst + std::size_t(i) * m_bpp, m_value, m_bpp);
                }
            } else {
                const std::uint8_t *src = m_in.Take(std::size_t(n) * m_bpp);
                if (src == nullptr)
                    return false;
                std::memcpy(dst, src, std::size_t(n) * m_bpp);
            }
            x += n;
            m_left -= n;
        }
        return true;
    }

private:
    Reader m_in;
    unsigned m_bpp;
    bool m_rle;
    int m_left = 0;
    bool m_repeat = false;
    std::uint8_t m_value[4] = {};
};

// Extension-area attribute type (3 alpha, 4 premultiplied), or -1 without a 2.0 footer.
int AttributesType(Bytes file)
{
    if (file.size < 18 + kFooterSize)
        return -1;
    const std::uint8_t *foot = file.data + file.size - kFooterSize;
    if (std::memcmp(foot + 8, kFooterSignature, sizeof kFooterSignature) != 0)
        return -1;
    std::uint32_t ext = std::uint32_t(foot[0]) | (std::uint32_t(foot[1]) << 8)
        | (std::uint32_t(foot[2]) << 16) | (std::uint32_t(foot[3]) << 24);
    if (ext == 0 || ext > file.size || file.size - ext < 495 || Le16(file.data + ext) < 495)
        return -1;
    return file.data[ext + 494];
}

struct Decoder {
    const Header &h;
    Bytes pixels; // from the first pixel to the end of the file
    bool premultiplied = false;

    // Whether any pixel of the stream has a non-zero alpha value.
    Status AnyAlpha(bool &any) const
    {
        any = false;
        std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[std::size_t(h.width) * 4]);
        if (!row)
            return Status::NoMemory;
        RowSource src(pixels, h);
        for (int y = 0; y < h.height; ++y) {
            if (!src.Next(row.get(), h.width))
                return Status::Ok; // a cut file: what it holds decides
            for (int x = 0; x < h.width && !any; ++x) {
                if (h.depth == 32)
                    any = row[std::size_t(4) * x + 3] != 0;
                else if (h.kind() == 3)
                    any = row[std::size_t(2) * x + 1] != 0;
                else
                    any = (row[std::size_t(2) * x + 1] & 0x80) != 0;
            }
            if (any)
                return Status::Ok;
        }
        return Status::Ok;
    }

    std::uint8_t Over(unsigned c, unsigned a) const
    {
        if (premultiplied)
            return static_cast<std::uint8_t>(std::min(255u, c + 255u - a));
        return OverWhite(c, a);
    }

    // Decodes every row; convert(fileRow, outRow, step) writes one row, step = +1 or -1 pixels.
    // Data that ends after at least one whole row gives a damaged picture.
    template <typename Convert> Status Run(Picture &pic, Convert convert) const
    {
        std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[std::size_t(h.width) * 4]);
        if (!row)
            return Status::NoMemory;
        bool topDown = (h.descriptor & 0x20) != 0;
        bool rightToLeft = (h.descriptor & 0x10) != 0;
        int pixelBytes = pic.bitCount() / 8;
        RowSource src(pixels, h);
        for (int y = 0; y < h.height; ++y) {
            if (!src.Next(row.get(), h.width)) {
                if (y == 0)
                    return Status::Corrupt;
                pic.damaged = true;
                return Status::Ok;
            }
            std::uint8_t *dst = pic.RowFromTop(topDown ? y : h.height - 1 - y);
            if (rightToLeft)
                dst += std::size_t(h.width - 1) * pixelBytes;
            if (!convert(row.get(), dst, rightToLeft ? -pixelBytes : pixelBytes))
                return Status::Corrupt;
        }
        return Status::Ok;
    }
};

// Map entries as B, G, R, A (alpha 255 where the entry has none).
void ReadMap(const Header &h, const std::uint8_t *map, std::vector<std::uint8_t> &bgra)
{
    bgra.assign(std::size_t(h.mapLength) * 4, 255);
    for (unsigned i = 0; i < h.mapLength; ++i) {
        std::uint8_t *e = bgra.data() + 4 * std::size_t(i);
        switch (h.mapEntryBits) {
        case 15:
        case 16:
            Unpack16(Le16(map + 2 * std::size_t(i)), e);
            if (h.mapEntryBits == 15 || h.alphaBits() == 0)
                e[3] = 255;
            break;
        case 24:
            std::memcpy(e, map + 3 * std::size_t(i), 3);
            break;
        default:
            std::memcpy(e, map + 4 * std::size_t(i), 4);
            break;
        }
    }
    // A map whose alpha is all zero has no alpha.
    bool any = false;
    for (unsigned i = 0; i < h.mapLength; ++i)
        any = any || bgra[4 * std::size_t(i) + 3] != 0;
    if (!any)
        for (unsigned i = 0; i < h.mapLength; ++i)
            bgra[4 * std::size_t(i) + 3] = 255;
}

Status LoadTga(Bytes file, int page, Picture &out)
{
    Header h;
    Status st = ParseSinglePage(file, page, ParseHeader, h);
    if (st != Status::Ok)
        return st;
    Reader r(file);
    r.Seek(18);
    if (!r.Skip(h.idLength))
        return Status::Corrupt;
    const std::uint8_t *map = nullptr;
    if (h.mapType == 1) {
        map = r.Take(h.mapBytes());
        if (map == nullptr)
            return Status::Corrupt;
    }
    // Pixel data that cannot cover the first row, or covers far less than the picture even for a
    // file cut short (a run packet yields at most 128 pixels), is refused before any pixel memory
    // is taken.
    std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    std::uint64_t left = r.remaining();
    std::uint64_t reach = h.rle() ? left * 128 : left / h.bytesPerPixel();
    if (std::uint64_t(h.width) > reach || pixels > reach * 16)
        return Status::Corrupt;
    Decoder dec { h, Bytes { file.data + r.pos(), file.size - r.pos() } };
    dec.premultiplied = AttributesType(file) == 4;
    Picture pic;

    if (h.kind() == 1) {
        std::vector<std::uint8_t> entries;
        try {
            ReadMap(h, map, entries);
        } catch (const std::bad_alloc &) {
            return Status::NoMemory;
        }
        // Entries over white, as B, G, R.
        for (unsigned i = 0; i < h.mapLength; ++i) {
            std::uint8_t *e = entries.data() + 4 * std::size_t(i);
            for (int c = 0; c < 3; ++c)
                e[c] = dec.Over(e[c], e[3]);
        }
        unsigned first = h.mapFirst;
        unsigned end = first + h.mapLength;
        if (h.depth == 8) {
            if (first >= 256)
                return Status::Corrupt;
            unsigned used = std::min(end, 256u);
            st = pic.Create(h.width, h.height, 8, static_cast<int>(used));
            if (st != Status::Ok)
                return st;
            for (unsigned v = first; v < used; ++v) {
                const std::uint8_t *e = entries.data() + 4 * std::size_t(v - first);
                pic.info.bmiColors[v] = RGBQUAD { e[0], e[1], e[2], 0 };
            }
            st = dec.Run(pic, [&](const std::uint8_t *src, std::uint8_t *dst, int step) {
                for (int x = 0; x < h.width; ++x, dst += step) {
                    unsigned v = src[x];
                    if (v < first || v >= used)
                        return false;
                    *dst = static_cast<std::uint8_t>(v);
                }
                return true;
            });
        } else {
            st = pic.Create(h.width, h.height, 24);
            if (st != Status::Ok)
                return st;
            st = dec.Run(pic, [&](const std::uint8_t *src, std::uint8_t *dst, int step) {
                for (int x = 0; x < h.width; ++x, dst += step) {
                    unsigned v = Le16(src + 2 * x);
                    if (v < first || v >= end)
                        return false;
                    std::memcpy(dst, entries.data() + 4 * std::size_t(v - first), 3);
                }
                return true;
            });
        }
    } else if (h.kind() == 3) {
        st = pic.Create(h.width, h.height, 8);
        if (st != Status::Ok)
            return st;
        DibGreyPalette(pic.info, 256);
        bool alpha = false;
        if (h.depth == 16 && h.alphaBits() > 0 && (st = dec.AnyAlpha(alpha)) != Status::Ok)
            return st;
        st = dec.Run(pic, [&](const std::uint8_t *src, std::uint8_t *dst, int step) {
            if (h.depth == 8) {
                for (int x = 0; x < h.width; ++x, dst += step)
                    *dst = src[x];
            } else {
                for (int x = 0; x < h.width; ++x, dst += step)
                    *dst = alpha ? dec.Over(src[2 * x], src[2 * x + 1]) : src[2 * x];
            }
            return true;
        });
    } else {
        st = pic.Create(h.width, h.height, 24);
        if (st != Status::Ok)
            return st;
        bool alpha = false;
        if ((h.depth == 16 || h.depth == 32) && h.alphaBits() > 0 && (st = dec.AnyAlpha(alpha)) != Status::Ok)
            return st;
        // Fewer than 8 alpha bits in a 32-bit pixel: the low bits, scaled to 0...255.
        unsigned alphaMax = h.alphaBits() >= 8 ? 255 : (1u << h.alphaBits()) - 1;
        st = dec.Run(pic, [&](const std::uint8_t *src, std::uint8_t *dst, int step) {
            if (h.depth == 24) {
                for (int x = 0; x < h.width; ++x, dst += step, src += 3) {
                    dst[0] = src[0];
                    dst[1] = src[1];
                    dst[2] = src[2];
                }
            } else if (h.depth == 32) {
                for (int x = 0; x < h.width; ++x, dst += step, src += 4) {
                    unsigned a = !alpha   ? 255
                        : alphaMax == 255 ? src[3]
                                          : (src[3] & alphaMax) * 255 / alphaMax;
                    dst[0] = dec.Over(src[0], a);
                    dst[1] = dec.Over(src[1], a);
                    dst[2] = dec.Over(src[2], a);
                }
            } else {
                for (int x = 0; x < h.width; ++x, dst += step, src += 2) {
                    std::uint8_t bgra[4];
                    Unpack16(Le16(src), bgra);
                    unsigned a = alpha ? bgra[3] : 255;
                    dst[0] = dec.Over(bgra[0], a);
                    dst[1] = dec.Over(bgra[1], a);
                    dst[2] = dec.Over(bgra[2], a);
                }
            }
            return true;
        });
    }
    if (st != Status::Ok)
        return st;
    out = std::move(pic);
    return Status::Ok;
}

bool ProbeTga(Bytes head, std::string_view ext)
{
    Header h;
    if (ParseHeader(head, h) != Status::Ok || (h.descriptor & 0xC0) != 0)
        return false;
    if (ext == ".tga" || ext == ".icb" || ext == ".vda" || ext == ".vst" || ext == ".tpic")
        return true;
    // A small file seen whole: the 2.0 footer is proof enough.
    return head.size >= 18 + kFooterSize
        && std::memcmp(head.data + head.size - 18, kFooterSignature, sizeof kFooterSignature) == 0;
}

Status SaveTga(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    bool mapped = view.bitCount <= 8 && !view.IsGreyPalette();
    bool grey = view.bitCount <= 8 && !mapped;
    unsigned depth = view.bitCount <= 8 ? 8 : 24;
    int mapLength = mapped ? PaletteEntriesUsed(view) : 0; // entries past the caller's palette are black
    if (view.width > 0xFFFF || view.height > 0xFFFF)
        return Status::TooLarge;
    return EncodeInto(out, [&] {
        out.reserve(18 + 768 + std::size_t(view.width) * view.height * (depth / 8) + kFooterSize);
        ByteWriter w(out);
        w.U8(0); // no ID
        w.U8(mapped ? 1 : 0);
        w.U8(mapped ? 1 : grey ? 3 : 2);
        w.U16LE(0);
        w.U16LE(static_cast<unsigned>(mapLength));
        w.U8(mapped ? 24 : 0);
        w.U16LE(0);
        w.U16LE(0);
        w.U16LE(static_cast<unsigned>(view.width));
        w.U16LE(static_cast<unsigned>(view.height));
        w.U8(depth);
        w.U8(0); // bottom-left origin, no alpha
        if (mapped)
            for (int i = 0; i < mapLength; ++i) {
                RGBQUAD c = i < view.paletteSize ? view.palette[i] : RGBQUAD {};
                w.U8(c.rgbBlue);
                w.U8(c.rgbGreen);
                w.U8(c.rgbRed);
            }
        std::vector<std::uint8_t> row(std::size_t(view.width) * 3);
        std::uint8_t greyOf[256] = {};
        for (int i = 0; i < view.paletteSize && i < 256; ++i)
            greyOf[i] = view.palette[i].rgbRed;
        for (int y = view.height - 1; y >= 0; --y) {
            if (depth == 24) {
                ViewRowBGR(view, y, row.data());
                w.Bytes(row.data(), row.size());
                continue;
            }
            ViewRowIndices(view, y, row.data());
            if (grey)
                for (int x = 0; x < view.width; ++x)
                    row[std::size_t(x)] = greyOf[row[std::size_t(x)]];
            w.Bytes(row.data(), std::size_t(view.width));
        }
        w.U32LE(0); // no extension area
        w.U32LE(0); // no developer directory
        w.Bytes(kFooterSignature, sizeof kFooterSignature);
    });
}

const char *const kTgaExtensions[] = { ".tga", ".icb", ".vda", ".vst", nullptr };
const char *const kMimeTypes[] = { "image/x-tga", nullptr };

} // namespace

extern const FormatCodec kFormat_tga = MakeFormat("tga", 3, "Truevision Targa", kTgaExtensions, kMimeTypes,
    { .probe = ProbeTga, .load = LoadTga, .save = SaveTga }, 80);

} // namespace codexa
