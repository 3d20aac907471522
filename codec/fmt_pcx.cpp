// ZSoft PCX, versions 0 to 5: 1 bit × 1 plane (black and white), 1 bit × 2...4 planes and 4 bits ×
// 1 plane (16 colours from the header), 2 bits × 1 plane (CGA), 8 bits × 1 plane (256 colours at the
// end of the file), 8 bits × 3 planes (RGB) and × 4 planes (RGBA, over white). Writes version 5
// run-length files: black-and-white 1-bit, 16-colour 4-plane, 256-colour and 24-bit.
//
// Decisions:
// - Run-length runs that cross a scanline are carried into the next one. A file that ends before
//   the last scanline gives the whole scanlines it holds, the rest left at index 0 or black, and
//   is marked damaged; one without a whole scanline fails, as does a bytes-per-line value too
//   small for the width.
// - 16-colour pictures use the header palette in versions 2 and 5 unless it is all zero; other
//   versions (which promise no palette and may hold stray bytes there) get the EGA colours.
// - 2-bit pictures take the CGA colours the header selects: background from the high nibble of
//   byte 16; byte 19 picks the foreground set (bit 2 set: green, red, yellow/brown; clear: cyan,
//   magenta, white/grey) and bit 6 turns the intensity off.
// - An 8-bit picture without the 0x0C palette block at the end is grey.
// - The density fields are dots per inch.
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

constexpr std::size_t kHeaderSize = 128;

// The sixteen CGA/EGA colours as R, G, B.
constexpr std::uint8_t kEgaColours[16][3] = {
    { 0x00, 0x00, 0x00 },
    { 0x00, 0x00, 0xAA },
    { 0x00, 0xAA, 0x00 },
    { 0x00, 0xAA, 0xAA },
    { 0xAA, 0x00, 0x00 },
    { 0xAA, 0x00, 0xAA },
    { 0xAA, 0x55, 0x00 },
    { 0xAA, 0xAA, 0xAA },
    { 0x55, 0x55, 0x55 },
    { 0x55, 0x55, 0xFF },
    { 0x55, 0xFF, 0x55 },
    { 0x55, 0xFF, 0xFF },
    { 0xFF, 0x55, 0x55 },
    { 0xFF, 0x55, 0xFF },
    { 0xFF, 0xFF, 0x55 },
    { 0xFF, 0xFF, 0xFF },
};

struct Header {
    unsigned version = 0;
    unsigned encoding = 0;
    unsigned bitsPerPixel = 0;
    unsigned planes = 0;
    int width = 0;
    int height = 0;
    unsigned hDpi = 0;
    unsigned vDpi = 0;
    const std::uint8_t *palette = nullptr; // 48 bytes
    std::size_t bytesPerLine = 0;
};

std::uint16_t Le16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool KnownLayout(unsigned bits, unsigned planes)
{
    return (bits == 1 && planes >= 1 && planes <= 4) || (bits == 2 && planes == 1)
        || (bits == 4 && planes == 1) || (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
}

Status ParseHeader(Bytes b, Header &h)
{
    if (b.size < kHeaderSize || b.data[0] != 0x0A)
        return Status::NotThisFormat;
    const std::uint8_t *p = b.data;
    h.version = p[1];
    h.encoding = p[2];
    h.bitsPerPixel = p[3];
    if (h.version > 5 || h.version == 1 || h.encoding > 1)
        return Status::NotThisFormat;
    int x0 = Le16(p + 4), y0 = Le16(p + 6), x1 = Le16(p + 8), y1 = Le16(p + 10);
    h.hDpi = Le16(p + 12);
    h.vDpi = Le16(p + 14);
    h.palette = p + 16;
    h.planes = p[65];
    h.bytesPerLine = Le16(p + 66);
    if (x1 < x0 || y1 < y0)
        return Status::Corrupt;
    h.width = x1 - x0 + 1;
    h.height = y1 - y0 + 1;
    if (!KnownLayout(h.bitsPerPixel, h.planes))
        return h.bitsPerPixel == 0 || h.planes == 0 ? Status::Corrupt : Status::Unsupported;
    if (h.bytesPerLine == 0 || h.bytesPerLine < (std::size_t(h.width) * h.bitsPerPixel + 7) / 8)
        return Status::Corrupt;
    return Status::Ok;
}

// Scanlines from the run-length stream; a run that passes the end of one line continues the next.
class LineSource
{
public:
    LineSource(Bytes file, bool rle)
        : m_data(file.data + kHeaderSize)
        , m_size(file.size - kHeaderSize)
        , m_rle(rle)
    {
    }

    bool Next(std::uint8_t *line, std::size_t size)
    {
        if (!m_rle) {
            if (m_size - m_pos < size)
                return false;
            std::memcpy(line, m_data + m_pos, size);
            m_pos += size;
            return true;
        }
        std::size_t done = 0;
        while (done < size) {
            if (m_pending > 0) {
                std::size_t n = std::min(m_pending, size - done);
                std::memset(line + done, m_value, n);
                done += n;
                m_pending -= n;
                continue;
            }
            // Literal bytes go straight through until the next run.
            while (done < size && m_pos < m_size && m_data[m_pos] < 0xC0)
                line[done++] = m_data[m_pos++];
            if (done == size)
                break;
            if (m_size - m_pos < 2)
                return false;
            m_pending = m_data[m_pos] & 0x3F;
            m_value = m_data[m_pos + 1];
            m_pos += 2;
        }
        return true;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_rle;
    std::size_t m_pending = 0;
    std::uint8_t m_value = 0;
};

void SetColour(Picture &pic, int i, const std::uint8_t *rgb)
{
    pic.info.bmiColors[i] = RGBQUAD { rgb[2], rgb[1], rgb[0], 0 };
}

void SixteenColourPalette(const Header &h, Picture &pic, int count)
{
    // Only versions 2 and 5 promise a palette; the others leave zeros or stray memory there.
    bool empty = (h.version != 2 && h.version != 5)
        || std::all_of(h.palette, h.palette + 48, [](std::uint8_t v) { return v == 0; });
    for (int i = 0; i < count; ++i)
        SetColour(pic, i, empty ? kEgaColours[i] : h.palette + 3 * i);
}

void CgaPalette(const Header &h, Picture &pic)
{
    unsigned background = h.palette[0] >> 4;
    unsigned select = h.palette[3];
    bool bright = (select & 0x40) == 0;
    static constexpr int kGreenRed[3] = { 2, 4, 6 };
    static constexpr int kCyanMagenta[3] = { 3, 5, 7 };
    const int *set = (select & 0x04) ? kGreenRed : kCyanMagenta;
    SetColour(pic, 0, kEgaColours[background]);
    for (int i = 0; i < 3; ++i)
        SetColour(pic, i + 1, kEgaColours[set[i] + (bright ? 8 : 0)]);
}

Status LoadPcx(Bytes file, int page, Picture &out)
{
    Header h;
    Status st = ParseSinglePage(file, page, ParseHeader, h);
    if (st != Status::Ok)
        return st;

    unsigned bits = h.bitsPerPixel, planes = h.planes;
    // Refuse data that cannot fill the first scanline (two run-length bytes give at most 63),
    // and a picture far larger than the data could describe even cut short, before any pixel
    // memory is taken.
    const std::uint64_t line64 = std::uint64_t(h.bytesPerLine) * planes;
    const std::uint64_t total = line64 * std::uint64_t(h.height);
    const std::uint64_t left = file.size - kHeaderSize;
    const std::uint64_t reach = h.encoding == 1 ? left * 32 : left;
    if (line64 > reach || total > reach * 16)
        return Status::Corrupt;
    int outBits = bits == 8 ? (planes == 1 ? 8 : 24) : (bits == 1 && planes == 1) ? 1 : 4;
    Picture pic;
    int paletteSize = 0;
    if (bits == 1 && planes > 1)
        paletteSize = 1 << planes;
    else if (bits == 2)
        paletteSize = 4;
    st = pic.Create(h.width, h.height, outBits, paletteSize);
    if (st != Status::Ok)
        return st;
    if (bits == 1 && planes == 1) {
        static constexpr std::uint8_t kWhite[3] = { 255, 255, 255 };
        SetColour(pic, 1, kWhite);
    } else if (bits == 1 || bits == 4) {
        SixteenColourPalette(h, pic, bits == 4 ? 16 : paletteSize);
    } else if (bits == 2) {
        CgaPalette(h, pic);
    } else if (planes == 1) {
        if (file.size >= kHeaderSize + 769 && file.data[file.size - 769] == 0x0C) {
            for (int i = 0; i < 256; ++i)
                SetColour(pic, i, file.data + file.size - 768 + 3 * i);
        } else {
            DibGreyPalette(pic.info, 256);
        }
    }

    std::size_t lineSize = h.bytesPerLine * planes;
    std::unique_ptr<std::uint8_t[]> line(new (std::nothrow) std::uint8_t[lineSize + std::size_t(h.width)]);
    if (!line)
        return Status::NoMemory;
    std::uint8_t *indices = line.get() + lineSize;
    const std::size_t bpl = h.bytesPerLine;

    // RGBA: the alpha plane counts only when some value is non-zero.
    bool alpha = false;
    if (bits == 8 && planes == 4) {
        LineSource scan(file, h.encoding == 1);
        for (int y = 0; y < h.height && !alpha; ++y) {
            if (!scan.Next(line.get(), lineSize))
                break;
            const std::uint8_t *a = line.get() + 3 * bpl;
            alpha = std::any_of(a, a + h.width, [](std::uint8_t v) { return v != 0; });
        }
    }

    LineSource src(file, h.encoding == 1);
    for (int y = 0; y < h.height; ++y) {
        if (!src.Next(line.get(), lineSize)) {
            if (y == 0)
                return Status::Corrupt;
            pic.damaged = true;
            break;
        }
        std::uint8_t *dst = pic.RowFromTop(y);
        const std::uint8_t *l = line.get();
        if (bits == 8 && planes >= 3) {
            const std::uint8_t *red = l, *green = l + bpl, *blue = l + 2 * bpl, *a = l + 3 * bpl;
            if (alpha) {
                for (int x = 0; x < h.width; ++x) {
                    dst[3 * x] = OverWhite(blue[x], a[x]);
                    dst[3 * x + 1] = OverWhite(green[x], a[x]);
                    dst[3 * x + 2] = OverWhite(red[x], a[x]);
                }
            } else {
                for (int x = 0; x < h.width; ++x) {
                    dst[3 * x] = blue[x];
                    dst[3 * x + 1] = green[x];
                    dst[3 * x + 2] = red[x];
                }
            }
        } else if (bits == 1 && planes > 1) {
            const std::uint8_t *planeRows[4] = { l, l + bpl, l + 2 * bpl, l + 3 * bpl };
            MergeBitPlanes(planeRows, static_cast<int>(planes), h.width, indices);
            PackIndexRow(indices, h.width, 4, dst);
        } else if (bits == 2) {
            UnpackIndexRow(l, h.width, 2, indices);
            PackIndexRow(indices, h.width, 4, dst);
        } else {
            // 1-, 4- and 8-bit single planes have the picture's own row layout.
            std::size_t rowBytes = (std::size_t(h.width) * bits + 7) / 8;
            std::memcpy(dst, l, rowBytes);
            // Clear the bits past the width in the last byte.
            if (bits < 8 && (std::size_t(h.width) * bits) % 8 != 0)
                dst[rowBytes - 1]
                    = static_cast<std::uint8_t>(dst[rowBytes - 1] & (0xFF00 >> ((h.width * bits) % 8)));
        }
    }
    // Dots per inch to pixels per metre.
    pic.SetResolution(
        static_cast<LONG>((h.hDpi * 10000u + 127) / 254), static_cast<LONG>((h.vDpi * 10000u + 127) / 254));
    out = std::move(pic);
    return Status::Ok;
}

bool ProbePcx(Bytes head, std::string_view)
{
    Header h;
    return ParseHeader(head, h) == Status::Ok;
}

// Run-length codes `n` bytes; runs stop at the end of the span.
void EncodeSpan(const std::uint8_t *p, std::size_t n, ByteWriter &w)
{
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 63 && p[i + run] == p[i])
            ++run;
        if (run > 1 || p[i] >= 0xC0)
            w.U8(0xC0 | static_cast<unsigned>(run));
        w.U8(p[i]);
        i += run;
    }
}

Status SavePcx(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    // The header holds the last column and row (16 bits each) and the bytes per plane line.
    if (view.width > 0x10000 || view.height > 0x10000)
        return Status::TooLarge;
    // Layout: 1 × 1 for black and white, 1 × 4 for other 1- and 4-bit pictures, 8 × 1, 8 × 3.
    bool invert = false;
    unsigned bits = 8, planes = 3;
    if (view.bitCount == 1 && view.paletteSize == 2) {
        auto isLevel
            = [](const RGBQUAD &c, int v) { return c.rgbRed == v && c.rgbGreen == v && c.rgbBlue == v; };
        if (isLevel(view.palette[0], 0) && isLevel(view.palette[1], 255)) {
            bits = 1;
            planes = 1;
        } else if (isLevel(view.palette[0], 255) && isLevel(view.palette[1], 0)) {
            bits = 1;
            planes = 1;
            invert = true;
        }
    }
    if (planes == 3 && view.bitCount <= 4) {
        bits = 1;
        planes = 4;
    } else if (planes == 3 && view.bitCount == 8) {
        planes = 1;
    }
    std::size_t bpl = (std::size_t(view.width) * bits + 7) / 8;
    // Lines are padded to even lengths where the 16-bit field allows it.
    if ((bpl & 1) != 0 && bpl < 0xFFFF)
        ++bpl;
    if (bpl > 0xFFFF)
        return Status::TooLarge;
    return EncodeInto(out, [&] {
        ByteWriter w(out);
        w.U8(0x0A);
        w.U8(5);
        w.U8(1);
        w.U8(bits);
        w.U16LE(0);
        w.U16LE(0);
        w.U16LE(static_cast<unsigned>(view.width - 1));
        w.U16LE(static_cast<unsigned>(view.height - 1));
        // Pixels per metre to dots per inch.
        w.U16LE(static_cast<unsigned>(
            std::min<long long>(0xFFFF, (std::max(0, view.header->biXPelsPerMeter) * 254LL + 5000) / 10000)));
        w.U16LE(static_cast<unsigned>(
            std::min<long long>(0xFFFF, (std::max(0, view.header->biYPelsPerMeter) * 254LL + 5000) / 10000)));
        std::uint8_t egaPalette[48] = {};
        if (bits == 1 && planes == 4) {
            for (int i = 0; i < view.paletteSize && i < 16; ++i) {
                egaPalette[3 * i] = view.palette[i].rgbRed;
                egaPalette[3 * i + 1] = view.palette[i].rgbGreen;
                egaPalette[3 * i + 2] = view.palette[i].rgbBlue;
            }
            // An all-black palette would read back as the EGA default: mark the last entry.
            if (std::all_of(egaPalette, egaPalette + 48, [](std::uint8_t v) { return v == 0; }))
                egaPalette[47] = 1;
        } else if (bits == 1) {
            std::memset(egaPalette + 3, 0xFF, 3);
        }
        w.Bytes(egaPalette, sizeof egaPalette);
        w.U8(0);
        w.U8(planes);
        w.U16LE(static_cast<unsigned>(bpl));
        w.U16LE(view.bitCount <= 8 && view.IsGreyPalette() ? 2 : 1);
        w.Fill(0, kHeaderSize - 70);

        std::vector<std::uint8_t> pixels(std::size_t(view.width) * 3);
        std::vector<std::uint8_t> plane(bpl);
        std::vector<std::uint8_t> planeBytes(4 * bpl);
        std::uint8_t *rows[4]
            = { &planeBytes[0], &planeBytes[bpl], &planeBytes[2 * bpl], &planeBytes[3 * bpl] };
        for (int y = 0; y < view.height; ++y) {
            if (bits == 8 && planes == 3) {
                ViewRowBGR(view, y, pixels.data());
                for (int c = 2; c >= 0; --c) {
                    for (int x = 0; x < view.width; ++x)
                        plane[std::size_t(x)] = pixels[3 * std::size_t(x) + std::size_t(c)];
                    EncodeSpan(plane.data(), bpl, w);
                }
                continue;
            }
            ViewRowIndices(view, y, pixels.data());
            if (bits == 8) {
                std::memcpy(plane.data(), pixels.data(), std::size_t(view.width));
                EncodeSpan(plane.data(), bpl, w);
            } else if (planes == 1) {
                std::fill(plane.begin(), plane.end(), 0);
                for (int x = 0; x < view.width; ++x)
                    pixels[std::size_t(x)]
                        = static_cast<std::uint8_t>(pixels[std::size_t(x)] ^ (invert ? 1 : 0));
                PackIndexRow(pixels.data(), view.width, 1, plane.data());
                EncodeSpan(plane.data(), bpl, w);
            } else {
                std::fill(planeBytes.begin(), planeBytes.end(), 0);
                SplitBitPlanes(pixels.data(), view.width, 4, rows);
                for (int p = 0; p < 4; ++p)
                    EncodeSpan(rows[p], bpl, w);
            }
        }
        if (bits == 8 && planes == 1) {
            w.U8(0x0C);
            for (int i = 0; i < 256; ++i) {
                RGBQUAD c = i < view.paletteSize ? view.palette[i] : RGBQUAD {};
                w.U8(c.rgbRed);
                w.U8(c.rgbGreen);
                w.U8(c.rgbBlue);
            }
        }
    });
}

const char *const kPcxExtensions[] = { ".pcx", ".pcc", nullptr };
const char *const kMimeTypes[] = { "image/vnd.zbrush.pcx", "image/x-pcx", nullptr };

} // namespace

extern const FormatCodec kFormat_pcx = MakeFormat("pcx", 4, "ZSoft PaintBrush", kPcxExtensions, kMimeTypes,
    { .probe = ProbePcx, .load = LoadPcx, .save = SavePcx }, 30);

} // namespace codexa
