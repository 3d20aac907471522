// GEM raster images: 1...8 bit planes with the plain 8-word header, the 9-word header's grey flag
// or an "XIMG" RGB palette; solid, pattern and bit-string runs, vertical replication. Writes plain
// monochrome files for black-and-white pictures, XIMG with a palette for other 1-, 4- and 8-bit
// pictures, and 24-plane chunky RGB XIMG for everything else.
//
// Decisions:
// - 24 planes hold chunky R, G, B bytes, as the files seen in the wild do: each scanline takes the
//   bytes 24 planes would (the width rounded up to 8 pixels, times 3).
// - Palette levels run 0...1000; larger values count as 1000.
// - Without a palette: one plane is white/black (bit 1 = black); 2...4 planes take the colours of
//   the 16-colour screen in pixel-value order (white, red, green, yellow, blue, magenta, cyan,
//   light grey, dark grey, the dark colours, black last); 5...8 planes are grey, as is any
//   picture with the grey flag: a ramp from black (0) to white. (The 8-plane files seen without
//   a palette hold smooth runs of neighbouring values, which reads as grey levels.)
// - Runs that pass the end of a scanline continue in the next one. Vertical replication counts of
//   0, or the marker away from the start of a scanline, and data that ends before the last
//   scanline are damage.
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

struct Header {
    unsigned version = 0;
    unsigned headerWords = 0;
    unsigned planes = 0;
    unsigned patternLength = 0;
    unsigned pixelWidth = 0; // micrometres
    unsigned pixelHeight = 0;
    int width = 0;
    int height = 0;
    bool grey = false;
    bool ximg = false;
    const std::uint8_t *palette = nullptr; // XIMG: 2^planes × (R, G, B) big-endian words
};

std::uint16_t Be16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

Status ParseHeader(Bytes b, Header &h)
{
    if (b.size < 16)
        return Status::NotThisFormat;
    const std::uint8_t *p = b.data;
    h.version = Be16(p);
    h.headerWords = Be16(p + 2);
    h.planes = Be16(p + 4);
    h.patternLength = Be16(p + 6);
    h.pixelWidth = Be16(p + 8);
    h.pixelHeight = Be16(p + 10);
    h.width = Be16(p + 12);
    h.height = Be16(p + 14);
    if (h.version == 0 || h.version > 3 || h.headerWords < 8 || h.headerWords > 2048 || h.patternLength > 8)
        return Status::NotThisFormat;
    if (h.planes == 0 || (h.planes > 8 && h.planes != 24))
        return Status::NotThisFormat;
    if (h.width == 0 || h.height == 0)
        return Status::Corrupt;
    if (std::size_t(h.headerWords) * 2 > b.size)
        return Status::Corrupt;
    h.ximg = h.headerWords >= 11 && std::memcmp(p + 16, "XIMG", 4) == 0;
    if (h.ximg) {
        std::size_t entries = h.planes <= 8 ? std::size_t(1) << h.planes : 0;
        if (Be16(p + 20) == 0 && entries > 0 && 22 + 6 * entries <= std::size_t(h.headerWords) * 2)
            h.palette = p + 22;
    } else if (h.headerWords == 9) {
        h.grey = Be16(p + 16) == 1;
    }
    return Status::Ok;
}

// The screen's 16 colours in pixel-value order, as R, G, B.
constexpr std::uint8_t kScreenColours[16][3] = {
    { 255, 255, 255 },
    { 255, 0, 0 },
    { 0, 255, 0 },
    { 255, 255, 0 },
    { 0, 0, 255 },
    { 255, 0, 255 },
    { 0, 255, 255 },
    { 192, 192, 192 },
    { 128, 128, 128 },
    { 128, 0, 0 },
    { 0, 128, 0 },
    { 128, 128, 0 },
    { 0, 0, 128 },
    { 128, 0, 128 },
    { 0, 128, 128 },
    { 0, 0, 0 },
};

void FillPalette(const Header &h, Picture &pic)
{
    int count = 1 << h.planes;
    auto set = [&](int i, unsigned r, unsigned g, unsigned b) {
        pic.info.bmiColors[i]
            = RGBQUAD { static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0 };
    };
    if (h.palette != nullptr) {
        auto level = [](unsigned v) { return (std::min(v, 1000u) * 255 + 500) / 1000; };
        for (int i = 0; i < count; ++i) {
            const std::uint8_t *e = h.palette + 6 * i;
            set(i, level(Be16(e)), level(Be16(e + 2)), level(Be16(e + 4)));
        }
    } else if (h.grey || h.planes > 4) {
        DibGreyPalette(pic.info, count);
    } else if (count == 2) {
        set(0, 255, 255, 255);
        set(1, 0, 0, 0);
    } else {
        for (int i = 0; i < count; ++i) {
            const std::uint8_t *c = kScreenColours[i == count - 1 ? 15 : i];
            set(i, c[0], c[1], c[2]);
        }
    }
}

Status LoadImg(Bytes file, int page, Picture &out)
{
    Header h;
    Status st = ParseSinglePage(file, page, ParseHeader, h);
    if (st != Status::Ok)
        return st;
    bool chunky = h.planes == 24;
    int outBits = chunky ? 24 : h.planes == 1 ? 1 : h.planes <= 4 ? 4 : 8;
    Picture pic;
    st = pic.Create(h.width, h.height, outBits, chunky ? 0 : 1 << h.planes);
    if (st != Status::Ok)
        return st;
    if (!chunky)
        FillPalette(h, pic);

    const std::size_t lineBytes = (std::size_t(h.width) + 7) / 8;
    // Chunky scanlines take as many bytes as 24 planes would: the width rounded up to 8 pixels.
    const std::size_t lineSize = lineBytes * h.planes;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[lineSize + std::size_t(h.width)]);
    if (!buffer)
        return Status::NoMemory;
    std::uint8_t *line = buffer.get();
    std::uint8_t *indices = line + lineSize;
    const std::uint8_t *planeRows[8];
    for (unsigned p = 0; p < 8 && p < h.planes; ++p)
        planeRows[p] = line + lineBytes * p;

    int y = 0;
    unsigned repeat = 1;
    std::size_t pos = 0;
    auto emit = [&]() {
        for (unsigned r = 0; r < repeat && y < h.height; ++r, ++y) {
            std::uint8_t *dst = pic.RowFromTop(y);
            if (chunky) {
                for (int x = 0; x < h.width; ++x) {
                    dst[3 * x] = line[3 * x + 2];
                    dst[3 * x + 1] = line[3 * x + 1];
                    dst[3 * x + 2] = line[3 * x];
                }
            } else if (h.planes == 1) {
                std::memcpy(dst, line, lineBytes);
                if (h.width % 8 != 0)
                    dst[lineBytes - 1]
                        = static_cast<std::uint8_t>(dst[lineBytes - 1] & (0xFF00 >> (h.width % 8)));
            } else {
                MergeBitPlanes(planeRows, static_cast<int>(h.planes), h.width, indices);
                PackIndexRow(indices, h.width, outBits, dst);
            }
        }
        repeat = 1;
        pos = 0;
    };
    // Appends n bytes (from src, or the value v when src is null) to the scanlines.
    auto put = [&](const std::uint8_t *src, unsigned v, std::size_t n) {
        while (n > 0 && y < h.height) {
            std::size_t k = std::min(n, lineSize - pos);
            if (src != nullptr) {
                std::memcpy(line + pos, src, k);
                src += k;
            } else {
                std::memset(line + pos, static_cast<int>(v), k);
            }
            pos += k;
            n -= k;
            if (pos == lineSize)
                emit();
        }
    };

    Reader r(
        Bytes { file.data + std::size_t(h.headerWords) * 2, file.size - std::size_t(h.headerWords) * 2 });
    while (y < h.height) {
        if (r.remaining() == 0)
            return Status::Corrupt;
        unsigned op = r.U8();
        if (op == 0) {
            unsigned n = r.U8();
            if (!r.ok())
                return Status::Corrupt;
            if (n == 0) { // 00 00 FF c: the next scanline, c times
                unsigned marker = r.U8();
                unsigned count = r.U8();
                if (!r.ok() || marker != 0xFF || count == 0 || pos != 0)
                    return Status::Corrupt;
                repeat = count;
                continue;
            }
            const std::uint8_t *pattern = r.Take(h.patternLength);
            if (pattern == nullptr || h.patternLength == 0)
                return Status::Corrupt;
            if (h.patternLength == 1)
                put(nullptr, pattern[0], n);
            else
                for (unsigned i = 0; i < n && y < h.height; ++i)
                    put(pattern, 0, h.patternLength);
        } else if (op == 0x80) {
            unsigned n = r.U8();
            const std::uint8_t *bytes = r.Take(n);
            if (bytes == nullptr)
                return Status::Corrupt;
            put(bytes, 0, n);
        } else {
            put(nullptr, (op & 0x80) ? 0xFF : 0x00, op & 0x7F);
        }
    }
    if (h.pixelWidth != 0 && h.pixelHeight != 0)
        pic.SetResolution(static_cast<LONG>((1000000 + h.pixelWidth / 2) / h.pixelWidth),
            static_cast<LONG>((1000000 + h.pixelHeight / 2) / h.pixelHeight));
    out = std::move(pic);
    return Status::Ok;
}

bool ProbeImg(Bytes head, std::string_view ext)
{
    Header h;
    if (ParseHeader(head, h) != Status::Ok || h.patternLength == 0)
        return false;
    // XIMG carries a signature; the plain header is only a few small words, so it wants the
    // extension as well.
    return h.ximg || ext == ".img" || ext == ".ximg";
}

// Encodes one span of a scanline with solid runs (0x00/0xFF), one-byte pattern runs and bit
// strings. chunk = 3 makes the pattern runs repeat whole RGB pixels.
void EncodeSpan(const std::uint8_t *p, std::size_t n, std::size_t chunk, ByteWriter &w)
{
    std::size_t i = 0;
    auto runAt = [&](std::size_t at) {
        // Repeats of the chunk starting at `at`.
        std::size_t count = 1;
        while (at + (count + 1) * chunk <= n && count < 255
            && std::memcmp(p + at, p + at + count * chunk, chunk) == 0)
            ++count;
        return count;
    };
    auto solidAt = [&](std::size_t at) {
        std::size_t count = 0;
        while (at + count < n && count < 127 && p[at + count] == p[at] && (p[at] == 0 || p[at] == 0xFF))
            ++count;
        return count;
    };
    while (i < n) {
        std::size_t solid = solidAt(i);
        if (solid >= 2 || (solid == 1 && chunk == 1)) {
            w.U8((p[i] ? 0x80 : 0x00) | static_cast<unsigned>(solid));
            i += solid;
            continue;
        }
        if (i + chunk <= n) {
            std::size_t run = runAt(i);
            if (run * chunk >= 3 && run >= 2) {
                w.U8(0);
                w.U8(static_cast<unsigned>(run));
                w.Bytes(p + i, chunk);
                i += run * chunk;
                continue;
            }
        }
        // Bit string up to the next run worth coding.
        std::size_t start = i;
        while (i < n && i - start < 255) {
            if (solidAt(i) >= 2
                || (i + chunk <= n && (i - start) % chunk == 0 && runAt(i) >= 2 && runAt(i) * chunk >= 3))
                break;
            ++i;
        }
        if (i == start)
            ++i;
        w.U8(0x80);
        w.U8(static_cast<unsigned>(i - start));
        w.Bytes(p + start, i - start);
    }
}

Status SaveImg(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    if (view.width > 0xFFFF || view.height > 0xFFFF)
        return Status::TooLarge;
    auto isLevel = [](const RGBQUAD &c, int v) { return c.rgbRed == v && c.rgbGreen == v && c.rgbBlue == v; };
    bool chunky = view.bitCount > 8;
    unsigned planes = chunky ? 24 : static_cast<unsigned>(view.bitCount);
    bool invert = false;
    bool plain = false;
    if (view.bitCount == 1 && view.paletteSize == 2) {
        invert = isLevel(view.palette[0], 0) && isLevel(view.palette[1], 255);
        plain = invert || (isLevel(view.palette[0], 255) && isLevel(view.palette[1], 0));
    }
    unsigned paletteEntries = (plain || chunky) ? 0 : 1u << planes;
    unsigned headerWords = plain ? 8 : 11 + 3 * paletteEntries;
    unsigned pattern = chunky ? 3 : 1;
    auto micrometres = [](LONG ppm) {
        return ppm > 0 ? static_cast<unsigned>(std::min<long long>(0xFFFF, (1000000LL + ppm / 2) / ppm))
                       : 372u;
    };
    return EncodeInto(out, [&] {
        ByteWriter w(out);
        w.U16BE(1);
        w.U16BE(headerWords);
        w.U16BE(planes);
        w.U16BE(pattern);
        w.U16BE(micrometres(view.header->biXPelsPerMeter));
        w.U16BE(micrometres(view.header->biYPelsPerMeter));
        w.U16BE(static_cast<unsigned>(view.width));
        w.U16BE(static_cast<unsigned>(view.height));
        if (!plain) {
            w.Bytes("XIMG", 4);
            w.U16BE(0); // RGB
            for (unsigned i = 0; i < paletteEntries; ++i) {
                RGBQUAD c = static_cast<int>(i) < view.paletteSize ? view.palette[i] : RGBQUAD {};
                w.U16BE((c.rgbRed * 1000u + 127) / 255);
                w.U16BE((c.rgbGreen * 1000u + 127) / 255);
                w.U16BE((c.rgbBlue * 1000u + 127) / 255);
            }
        }
        const std::size_t lineBytes = (std::size_t(view.width) + 7) / 8;
        const std::size_t lineSize = lineBytes * planes;
        std::vector<std::uint8_t> pixels(std::size_t(view.width) * 3);
        std::vector<std::uint8_t> line(lineSize), next(lineSize);
        auto build = [&](int y, std::vector<std::uint8_t> &dst) {
            if (chunky) {
                ViewRowBGR(view, y, pixels.data());
                for (int x = 0; x < view.width; ++x) {
                    dst[3 * std::size_t(x)] = pixels[3 * std::size_t(x) + 2];
                    dst[3 * std::size_t(x) + 1] = pixels[3 * std::size_t(x) + 1];
                    dst[3 * std::size_t(x) + 2] = pixels[3 * std::size_t(x)];
                }
                return;
            }
            ViewRowIndices(view, y, pixels.data());
            if (invert)
                for (int x = 0; x < view.width; ++x)
                    pixels[std::size_t(x)] ^= 1;
            std::uint8_t *rows[8];
            for (unsigned p = 0; p < planes; ++p)
                rows[p] = dst.data() + lineBytes * p;
            SplitBitPlanes(pixels.data(), view.width, static_cast<int>(planes), rows);
        };
        bool haveNext = false;
        for (int y = 0; y < view.height;) {
            if (haveNext)
                line.swap(next);
            else
                build(y, line);
            // Identical scanlines that follow become one vertical replication.
            int same = 1;
            haveNext = false;
            while (y + same < view.height && same < 255) {
                build(y + same, next);
                if (next != line) {
                    haveNext = true;
                    break;
                }
                ++same;
            }
            if (same > 1) {
                w.U8(0);
                w.U8(0);
                w.U8(0xFF);
                w.U8(static_cast<unsigned>(same));
            }
            if (chunky)
                EncodeSpan(line.data(), lineSize, 3, w);
            else
                for (unsigned p = 0; p < planes; ++p)
                    EncodeSpan(line.data() + lineBytes * p, lineBytes, 1, w);
            y += same;
        }
    });
}

const char *const kImgExtensions[] = { ".img", ".ximg", nullptr };
const char *const kMimeTypes[] = { "image/x-gem-img", nullptr };

} // namespace

extern const FormatCodec kFormat_img = MakeFormat(
    "img", 6, "img", kImgExtensions, kMimeTypes, { .probe = ProbeImg, .load = LoadImg, .save = SaveImg }, 60);

} // namespace codexa
