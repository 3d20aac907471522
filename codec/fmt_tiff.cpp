// TIFF over libtiff, read from memory. Every directory of the main chain is a page. Palette
// pages of 1, 2, 4 and 8 bits keep their palette (2-bit becomes 4-bit), bilevel grey stays 1-bit,
// other grey becomes 8-bit grey, everything else libtiff can render (RGB, CMYK, YCbCr, LogLuv,
// 16-bit, tiles, planes, every compression it decodes) becomes 24-bit; alpha over white. The
// orientation tag is applied; the resolution tags become pixels per metre. Writing: one page,
// LZW, palette/grey/bilevel/RGB as the picture is.
#include "codec/colour.h"
#include "codec/format.h"
#include "codec/orient.h"
#include "codec/tiffpages.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <tiffio.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".tif", ".tiff", nullptr };
const char *const kMimeTypes[] = { "image/tiff", nullptr };

// A growable in-memory file for libtiff: reads from the input, writes into `out` when given.
// For a damaged input, `padded` reads past the end as zeros (up to a budget), so strips cut off by
// the end of the file still decode their leading rows.
struct MemoryFile {
    Bytes in;
    std::vector<std::uint8_t> *out = nullptr;
    std::uint64_t pos = 0;
    bool failed = false;
    bool padded = false;
    bool pastEnd = false; // padded zeros were served
    std::uint64_t zeroBudget = 0;
    int errors = 0; // errors libtiff reported
    std::uint64_t size() const { return out ? out->size() : in.size; }
};

tmsize_t ReadProc(thandle_t h, void *buf, tmsize_t n)
{
    auto *f = static_cast<MemoryFile *>(h);
    if (n <= 0)
        return 0;
    const std::uint64_t want = static_cast<std::uint64_t>(n);
    std::uint64_t take = f->pos < f->size() ? std::min<std::uint64_t>(want, f->size() - f->pos) : 0;
    if (take > 0) {
        const std::uint8_t *src = f->out ? f->out->data() : f->in.data;
        std::memcpy(buf, src + f->pos, static_cast<std::size_t>(take));
    }
    if (take < want && f->padded && f->out == nullptr && want - take <= f->zeroBudget) {
        std::memset(static_cast<std::uint8_t *>(buf) + take, 0, static_cast<std::size_t>(want - take));
        f->zeroBudget -= want - take;
        f->pastEnd = true;
        take = want;
    }
    f->pos += take;
    return static_cast<tmsize_t>(take);
}

tmsize_t WriteProc(thandle_t h, void *buf, tmsize_t n)
{
    auto *f = static_cast<MemoryFile *>(h);
    if (f->out == nullptr || n < 0)
        return -1;
    std::uint64_t end = f->pos + static_cast<std::uint64_t>(n);
    try {
        if (end > f->out->size())
            f->out->resize(static_cast<std::size_t>(end));
    } catch (...) {
        f->failed = true;
        return -1;
    }
    std::memcpy(f->out->data() + f->pos, buf, static_cast<std::size_t>(n));
    f->pos = end;
    return n;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence)
{
    auto *f = static_cast<MemoryFile *>(h);
    std::uint64_t base = whence == SEEK_SET ? 0 : (whence == SEEK_CUR ? f->pos : f->size());
    std::uint64_t to = base + off;
    if ((whence != SEEK_SET && to < base) || to > (std::uint64_t(1) << 40))
        return static_cast<toff_t>(-1);
    f->pos = to;
    return to;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t h)
{
    return static_cast<MemoryFile *>(h)->size();
}

int MapProc(thandle_t h, void **base, toff_t *size)
{
    auto *f = static_cast<MemoryFile *>(h);
    if (f->out != nullptr || f->padded)
        return 0;
    *base = const_cast<std::uint8_t *>(f->in.data);
    *size = f->in.size;
    return 1;
}

void UnmapProc(thandle_t, void *, toff_t) { }

int QuietHandler(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

int CountingHandler(TIFF *, void *user, const char *, const char *, va_list)
{
    if (user != nullptr)
        ++static_cast<MemoryFile *>(user)->errors;
    return 1;
}

struct TiffCloser {
    TIFF *tif;
    ~TiffCloser()
    {
        if (tif != nullptr)
            TIFFClose(tif);
    }
};

TIFF *Open(MemoryFile &file, const char *mode)
{
    TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
    if (opts == nullptr)
        return nullptr;
    // One allocation never needs more than a few times the largest accepted picture.
    long long limit = PixelLimit() * 8;
    if (limit < (64ll << 20))
        limit = 64ll << 20;
    if (limit > (2ll << 30))
        limit = 2ll << 30;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(limit));
    TIFFOpenOptionsSetErrorHandlerExtR(opts, CountingHandler, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, QuietHandler, nullptr);
    TIFF *tif = TIFFClientOpenExt(
        "memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

bool Probe(Bytes head, std::string_view)
{
    if (head.size < 4)
        return false;
    const std::uint8_t *p = head.data;
    bool le = p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0;
    bool be = p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43);
    return le || be;
}

int PageCount(Bytes file)
{
    if (!Probe(file, {}))
        return 0;
    MemoryFile mf { file };
    TiffCloser c { Open(mf, "rh") };
    if (c.tif == nullptr)
        return 0;
    tdir_t n = TIFFNumberOfDirectories(c.tif);
    return n > 0x7FFF ? 0x7FFF : static_cast<int>(n);
}

LONG ResolutionToPelsPerMeter(float value, std::uint16_t unit)
{
    if (!std::isfinite(value) || value <= 0.0f)
        return 0;
    double ppm = unit == RESUNIT_CENTIMETER ? value * 100.0 : (unit == RESUNIT_INCH ? value / 0.0254 : 0.0);
    if (ppm <= 0.0 || ppm > 2.0e9)
        return 0;
    return static_cast<LONG>(std::lround(ppm));
}

// Colour map entries are 16-bit and keep their high byte; some writers store 8-bit values.
void ReadColorMap(TIFF *tif, int bits, DibInfoBlock &info)
{
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    const int n = 1 << bits;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || r == nullptr || g == nullptr || b == nullptr) {
        DibGreyPalette(info, n);
        return;
    }
    bool eightBit = true;
    for (int i = 0; i < n; ++i)
        if (r[i] >= 256 || g[i] >= 256 || b[i] >= 256)
            eightBit = false;
    auto scale = [eightBit](std::uint16_t v) { return static_cast<BYTE>(eightBit ? v : v >> 8); };
    for (int i = 0; i < n; ++i)
        info.bmiColors[i] = RGBQUAD { scale(b[i]), scale(g[i]), scale(r[i]), 0 };
}

void Expand2To4(const std::uint8_t *in, std::uint8_t *out, int width)
{
    for (int x = 0; x < width; x += 2) {
        int a = (in[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        int b = x + 1 < width ? (in[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
        out[x >> 1] = static_cast<std::uint8_t>((a << 4) | b);
    }
}

// Stored samples copied as they are: palette and bilevel pages (one sample of 1, 2, 4, 8 bits).
Status ReadIndexed(TIFF *tif, int width, int height, int bits, Picture &pic, int &rowsDone)
{
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
    auto place = [&](int y, const std::uint8_t *src, std::size_t offset, std::size_t count) {
        std::uint8_t *row = pic.RowFromTop(y);
        if (bits == 2) {
            // offset is a multiple of 4 pixels' bytes for tiles (tile widths are multiples of 16)
            int x0 = static_cast<int>(offset * 4);
            int n = static_cast<int>(count * 4);
            if (x0 + n > width)
                n = width - x0;
            Expand2To4(src, row + x0 / 2, n);
        } else {
            std::memcpy(row + offset, src, count);
        }
    };
    try {
        if (TIFFIsTiled(tif)) {
            std::uint32_t tw = 0, th = 0;
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
            tmsize_t tileSize = TIFFTileSize(tif);
            if (tw == 0 || th == 0 || tileSize <= 0 || tw % 16 != 0)
                return Status::Corrupt;
            const std::size_t tileRow
                = (static_cast<std::size_t>(tw) * static_cast<std::size_t>(bits) + 7) / 8;
            if (tileRow * th > static_cast<std::size_t>(tileSize))
                return Status::Corrupt;
            std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
            for (std::uint32_t ty = 0; ty < static_cast<std::uint32_t>(height); ty += th)
                for (std::uint32_t tx = 0; tx < static_cast<std::uint32_t>(width); tx += tw) {
                    if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                        return Status::Corrupt;
                    if (tx + tw >= static_cast<std::uint32_t>(width))
                        rowsDone = static_cast<int>(std::min<std::uint64_t>(
                            static_cast<std::uint64_t>(ty) + th, static_cast<std::uint64_t>(height)));
                    std::size_t offset = static_cast<std::size_t>(tx) * static_cast<std::size_t>(bits) / 8;
                    std::size_t count = std::min(tileRow, rowBytes - offset);
                    for (std::uint32_t r = 0; r < th && ty + r < static_cast<std::uint32_t>(height); ++r)
                        place(static_cast<int>(ty + r), tile.data() + r * tileRow, offset, count);
                }
        } else {
            tmsize_t lineSize = TIFFScanlineSize(tif);
            if (lineSize <= 0 || static_cast<std::size_t>(lineSize) < rowBytes)
                return Status::Corrupt;
            std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
            for (int y = 0; y < height; ++y) {
                if (TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) < 0)
                    return Status::Corrupt;
                place(y, line.data(), 0, rowBytes);
                rowsDone = y + 1;
            }
        }
    } catch (...) {
        return Status::NoMemory;
    }
    return Status::Ok;
}

// Anything else through libtiff's RGBA renderer, a band of rows at a time.
Status ReadRgba(TIFF *tif, int width, int height, bool grey, Picture &pic, int &rowsDone)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message))
        return Status::Unsupported;
    TIFFRGBAImage img {};
    if (!TIFFRGBAImageBegin(&img, tif, 0, message))
        return Status::Unsupported;
    struct Ender {
        TIFFRGBAImage *img;
        ~Ender() { TIFFRGBAImageEnd(img); }
    } ender { &img };
    if (static_cast<int>(img.width) != width || static_cast<int>(img.height) != height)
        return Status::Corrupt;
    img.req_orientation = img.orientation; // rows as stored; the orientation is applied later
    std::uint32_t unit = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    if (unit == 0 || unit > static_cast<std::uint32_t>(height))
        unit = static_cast<std::uint32_t>(height);
    // Bands of whole strips or tile rows, about 4 MB each.
    std::uint64_t band = unit;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 4;
    while (band * rowBytes < (4u << 20) && band < static_cast<std::uint64_t>(height))
        band += unit;
    if (band > static_cast<std::uint64_t>(height))
        band = static_cast<std::uint64_t>(height);
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(static_cast<std::size_t>(band) * static_cast<std::size_t>(width));
    } catch (...) {
        return Status::NoMemory;
    }
    for (std::uint32_t y0 = 0; y0 < static_cast<std::uint32_t>(height);
         y0 += static_cast<std::uint32_t>(band)) {
        std::uint32_t rows = std::min<std::uint32_t>(
            static_cast<std::uint32_t>(band), static_cast<std::uint32_t>(height) - y0);
        img.row_offset = static_cast<int>(y0);
        img.col_offset = 0;
        bool failed = !TIFFRGBAImageGet(&img, raster.data(), static_cast<std::uint32_t>(width), rows);
        if (failed) {
            // Which strips of the band are whole: read it again a strip at a time.
            std::uint32_t good = 0;
            for (; good < rows; good += unit) {
                img.row_offset = static_cast<int>(y0 + good);
                std::uint32_t n = std::min(unit, rows - good);
                if (!TIFFRGBAImageGet(&img,
                        raster.data() + static_cast<std::size_t>(good) * static_cast<std::size_t>(width),
                        static_cast<std::uint32_t>(width), n))
                    break;
            }
            rows = good;
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t *in
                = raster.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
            std::uint8_t *out = pic.RowFromTop(static_cast<int>(y0 + r));
            // Samples come premultiplied by alpha, so "over white" adds the uncovered part.
            if (grey) {
                for (int x = 0; x < width; ++x) {
                    unsigned p = in[x], a = p >> 24, v = TIFFGetG(p) + 255 - a;
                    out[x] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
                }
            } else {
                for (int x = 0; x < width; ++x, out += 3) {
                    unsigned p = in[x], cover = 255 - (p >> 24);
                    unsigned r8 = TIFFGetR(p) + cover, g8 = TIFFGetG(p) + cover, b8 = TIFFGetB(p) + cover;
                    out[0] = static_cast<std::uint8_t>(b8 > 255 ? 255 : b8);
                    out[1] = static_cast<std::uint8_t>(g8 > 255 ? 255 : g8);
                    out[2] = static_cast<std::uint8_t>(r8 > 255 ? 255 : r8);
                }
            }
        }
        rowsDone = static_cast<int>(y0 + rows);
        if (failed)
            return Status::Corrupt;
    }
    return Status::Ok;
}

double HalfToDouble(std::uint16_t h)
{
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    double v;
    if (exponent == 0)
        v = std::ldexp(mantissa, -24);
    else if (exponent == 31)
        v = mantissa ? 0.0 : INFINITY;
    else
        v = std::ldexp(mantissa + 1024, exponent - 25);
    return (h & 0x8000) ? -v : v;
}

// One sample of a decoded row (native byte order after libtiff) scaled to 0...1.
struct SampleReader {
    int bits;
    std::uint16_t format;
    double Get(const std::uint8_t *row, std::size_t index) const
    {
        if (bits % 8 == 0) {
            const std::uint8_t *p = row + index * static_cast<std::size_t>(bits / 8);
            switch (bits) {
            case 8:
                return format == SAMPLEFORMAT_INT ? (static_cast<std::int8_t>(p[0]) + 128) / 255.0
                                                  : p[0] / 255.0;
            case 16: {
                std::uint16_t v;
                std::memcpy(&v, p, 2);
                if (format == SAMPLEFORMAT_IEEEFP)
                    return HalfToDouble(v);
                return format == SAMPLEFORMAT_INT ? (static_cast<std::int16_t>(v) + 32768) / 65535.0
                                                  : v / 65535.0;
            }
            case 32: {
                std::uint32_t v;
                std::memcpy(&v, p, 4);
                if (format == SAMPLEFORMAT_IEEEFP) {
                    float f;
                    std::memcpy(&f, &v, 4);
                    return f;
                }
                return format == SAMPLEFORMAT_INT
                    ? (static_cast<std::int32_t>(v) + 2147483648.0) / 4294967295.0
                    : v / 4294967295.0;
            }
            case 64: {
                std::uint64_t v;
                std::memcpy(&v, p, 8);
                if (format == SAMPLEFORMAT_IEEEFP) {
                    double d;
                    std::memcpy(&d, &v, 8);
                    return d;
                }
                return format == SAMPLEFORMAT_INT
                    ? (static_cast<double>(static_cast<std::int64_t>(v)) + 9.2233720368547758e18)
                        / 1.8446744073709552e19
                    : static_cast<double>(v) / 1.8446744073709552e19;
            }
            default:
                break;
            }
        }
        // Packed integers of other widths, most significant bit first.
        std::uint64_t bit = index * static_cast<std::uint64_t>(bits), v = 0;
        for (int i = 0; i < bits; ++i, ++bit)
            v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
        const double max = std::ldexp(1.0, bits) - 1.0;
        if (format == SAMPLEFORMAT_INT) {
            double sv = (v >> (bits - 1)) ? static_cast<double>(v) - (max + 1.0) : static_cast<double>(v);
            return (sv + (max + 1.0) / 2.0) / max;
        }
        return static_cast<double>(v) / max;
    }
};

std::uint8_t To8(double v)
{
    if (!(v > 0.0))
        return 0;
    return v >= 1.0 ? 255 : static_cast<std::uint8_t>(v * 255.0 + 0.5);
}

// Samples of any width, integer or floating point, any layout, for pages the RGBA renderer
// refuses. Grey, RGB, CMYK and palettes of up to 16 bits; the first extra sample is alpha.
Status ReadGeneric(
    TIFF *tif, int width, int height, std::uint16_t photometric, bool grey, Picture &pic, int &rowsDone)
{
    std::uint16_t spp = 1, bps = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    if (spp < 1 || spp > 16 || bps < 1 || bps > 64)
        return Status::Unsupported;
    if (format == SAMPLEFORMAT_IEEEFP && bps != 16 && bps != 32 && bps != 64)
        return Status::Unsupported;
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_INT && format != SAMPLEFORMAT_IEEEFP
        && format != SAMPLEFORMAT_VOID)
        return Status::Unsupported;
    int colours;
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_PALETTE:
        colours = 1;
        break;
    case PHOTOMETRIC_RGB:
        colours = 3;
        break;
    case PHOTOMETRIC_SEPARATED:
        colours = spp >= 4 ? 4 : 3;
        break;
    default:
        return Status::Unsupported;
    }
    if (spp < colours)
        return Status::Corrupt;
    std::uint16_t extraCount = 0, *extra = nullptr;
    int alpha = -1;
    bool associated = false;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra != nullptr
        && colours < spp && (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA)) {
        alpha = colours;
        associated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    std::uint16_t *mapR = nullptr, *mapG = nullptr, *mapB = nullptr;
    if (photometric == PHOTOMETRIC_PALETTE) {
        if (bps > 16 || format == SAMPLEFORMAT_IEEEFP
            || !TIFFGetField(tif, TIFFTAG_COLORMAP, &mapR, &mapG, &mapB))
            return Status::Unsupported;
    }
    const bool separate = planar == PLANARCONFIG_SEPARATE && spp > 1;
    const bool tiled = TIFFIsTiled(tif);
    std::uint32_t bw = static_cast<std::uint32_t>(width), bh = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &bw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &bh);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bh);
    }
    if (bw == 0 || bh == 0)
        return Status::Corrupt;
    if (bh > static_cast<std::uint32_t>(height))
        bh = static_cast<std::uint32_t>(height);
    const tmsize_t blockSize = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
    const std::uint64_t perPixel = separate ? 1 : spp;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(bw) * perPixel * bps + 7) / 8;
    if (blockSize <= 0 || rowBytes * bh > static_cast<std::uint64_t>(blockSize))
        return Status::Corrupt;
    const int planes = separate ? spp : 1;
    std::vector<std::vector<std::uint8_t>> blocks(static_cast<std::size_t>(planes));
    try {
        for (auto &b : blocks)
            b.resize(static_cast<std::size_t>(blockSize));
    } catch (...) {
        return Status::NoMemory;
    }
    const SampleReader reader { bps, format };
    double sample[16];
    // Floating-point pages outside 0...1 are stretched over the range they use (a first pass
    // finds it); integer samples always use their full range.
    const bool isFloat = format == SAMPLEFORMAT_IEEEFP;
    double low = INFINITY, high = -INFINITY, offset = 0.0, scale = 1.0;
    for (int pass = isFloat ? 0 : 1; pass < 2; ++pass) {
        if (pass == 1 && isFloat && (low < 0.0 || high > 1.0) && high > low)
            offset = low, scale = 1.0 / (high - low);
        for (std::uint32_t y0 = 0; y0 < static_cast<std::uint32_t>(height); y0 += bh) {
            for (std::uint32_t x0 = 0; x0 < static_cast<std::uint32_t>(width); x0 += bw) {
                for (int p = 0; p < planes; ++p) {
                    auto &b = blocks[static_cast<std::size_t>(p)];
                    std::fill(b.begin(), b.end(), 0);
                    tmsize_t got = tiled
                        ? TIFFReadEncodedTile(tif,
                            TIFFComputeTile(tif, x0, y0, 0, static_cast<std::uint16_t>(p)), b.data(),
                            blockSize)
                        : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, static_cast<std::uint16_t>(p)),
                            b.data(), blockSize);
                    if (got < 0)
                        return Status::Corrupt;
                }
                if (pass == 1 && x0 + bw >= static_cast<std::uint32_t>(width))
                    rowsDone = static_cast<int>(std::min<std::uint64_t>(
                        static_cast<std::uint64_t>(y0) + bh, static_cast<std::uint64_t>(height)));
                const std::uint32_t rows = std::min(bh, static_cast<std::uint32_t>(height) - y0);
                const std::uint32_t cols = std::min(bw, static_cast<std::uint32_t>(width) - x0);
                for (std::uint32_t r = 0; r < rows; ++r) {
                    std::uint8_t *out = pic.RowFromTop(static_cast<int>(y0 + r));
                    for (std::uint32_t c = 0; c < cols; ++c) {
                        for (int k = 0; k < spp && k < 16; ++k) {
                            const std::uint8_t *row
                                = blocks[static_cast<std::size_t>(separate ? k : 0)].data() + r * rowBytes;
                            sample[k] = reader.Get(row,
                                separate ? c
                                         : static_cast<std::size_t>(c) * spp + static_cast<std::size_t>(k));
                        }
                        if (pass == 0) {
                            for (int k = 0; k < colours; ++k)
                                if (std::isfinite(sample[k]))
                                    low = std::min(low, sample[k]), high = std::max(high, sample[k]);
                            continue;
                        }
                        if (isFloat)
                            for (int k = 0; k < colours; ++k)
                                sample[k] = (sample[k] - offset) * scale;
                        double rgb[3];
                        if (photometric == PHOTOMETRIC_PALETTE) {
                            const std::size_t max = (std::size_t(1) << bps) - 1;
                            std::size_t index
                                = static_cast<std::size_t>(sample[0] * static_cast<double>(max) + 0.5);
                            rgb[0] = (mapR[index] >> 8) / 255.0, rgb[1] = (mapG[index] >> 8) / 255.0,
                            rgb[2] = (mapB[index] >> 8) / 255.0;
                        } else if (colours == 1) {
                            double v = photometric == PHOTOMETRIC_MINISWHITE ? 1.0 - sample[0] : sample[0];
                            rgb[0] = rgb[1] = rgb[2] = v;
                        } else if (photometric == PHOTOMETRIC_RGB) {
                            rgb[0] = sample[0], rgb[1] = sample[1], rgb[2] = sample[2];
                        } else {
                            double k = colours == 4 ? sample[3] : 0.0;
                            for (int i = 0; i < 3; ++i)
                                rgb[i] = (1.0 - sample[i]) * (1.0 - k);
                        }
                        if (alpha >= 0) {
                            double a = std::clamp(sample[alpha], 0.0, 1.0);
                            for (double &v : rgb)
                                v = associated ? v + (1.0 - a) : v * a + (1.0 - a);
                        }
                        const std::size_t x = x0 + c;
                        if (grey) {
                            out[x] = To8(rgb[0]);
                        } else {
                            out[3 * x] = To8(rgb[2]);
                            out[3 * x + 1] = To8(rgb[1]);
                            out[3 * x + 2] = To8(rgb[0]);
                        }
                    }
                }
            }
        }
    }
    return Status::Ok;
}

// Rows of the page (from the first stored) whose data lies wholly inside the file: those of the
// strips or tile rows before the first one that reaches past the end, plus, uncompressed, the
// whole rows of that one.
int RowsInFile(TIFF *tif, std::uint64_t fileSize, int height)
{
    std::uint32_t width = 0, unit = 0, across = 1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
        if (tw == 0)
            return 0;
        across = static_cast<std::uint32_t>((static_cast<std::uint64_t>(width) + tw - 1) / tw);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    }
    if (unit == 0)
        return 0;
    if (unit > static_cast<std::uint32_t>(height))
        unit = static_cast<std::uint32_t>(height);
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const std::uint64_t blocksDown = (static_cast<std::uint64_t>(height) + unit - 1) / unit;
    const std::uint32_t blocks = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (std::uint64_t i = 0; i < blocksDown * across && i < blocks; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tif, static_cast<std::uint32_t>(i));
        const std::uint64_t count = TIFFGetStrileByteCount(tif, static_cast<std::uint32_t>(i));
        if (offset <= fileSize && count <= fileSize - offset)
            continue;
        std::uint64_t rows = (i / across) * unit;
        const tmsize_t line = TIFFScanlineSize(tif);
        if (compression == COMPRESSION_NONE && across == 1 && line > 0 && offset < fileSize)
            rows += std::min<std::uint64_t>(unit, (fileSize - offset) / static_cast<std::uint64_t>(line));
        return static_cast<int>(std::min<std::uint64_t>(rows, static_cast<std::uint64_t>(height)));
    }
    return height;
}

// A page whose pixel data breaks off after some rows is kept as a damaged picture.
Status ReadPage(TIFF *tif, Picture &out, bool &damaged)
{
    std::uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) || w == 0
        || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return Status::Corrupt;
    if (static_cast<long long>(w) * h > PixelLimit())
        return Status::TooLarge;
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    std::uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISWHITE, format = SAMPLEFORMAT_UINT;
    std::uint16_t orientation = ORIENTATION_TOPLEFT, resUnit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &resUnit);
    bool hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    if (!hasPhotometric)
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    float xres = 0, yres = 0;
    LONG xppm = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) ? ResolutionToPelsPerMeter(xres, resUnit) : 0;
    LONG yppm = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) ? ResolutionToPelsPerMeter(yres, resUnit) : 0;

    const bool intSamples = format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID;
    const bool lowDepth = bps == 1 || bps == 2 || bps == 4 || bps == 8;
    const bool greyPhoto = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    Picture pic;
    Status s;
    int rowsDone = 0;
    auto *file = static_cast<MemoryFile *>(TIFFClientdata(tif));
    const int errorsBefore = file->errors;
    if (spp == 1 && intSamples && lowDepth
        && (photometric == PHOTOMETRIC_PALETTE || (greyPhoto && bps == 1))) {
        const int bitCount = bps == 2 ? 4 : bps;
        const int entries = 1 << bps;
        s = pic.Create(width, height, bitCount, entries == (1 << bitCount) ? 0 : entries);
        if (s != Status::Ok)
            return s;
        if (photometric == PHOTOMETRIC_PALETTE) {
            ReadColorMap(tif, bps, pic.info);
        } else {
            BYTE zero = photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
            pic.info.bmiColors[0] = RGBQUAD { zero, zero, zero, 0 };
            pic.info.bmiColors[1] = RGBQUAD { BYTE(255 - zero), BYTE(255 - zero), BYTE(255 - zero), 0 };
        }
        s = ReadIndexed(tif, width, height, bps, pic, rowsDone);
    } else {
        const bool grey = greyPhoto && spp <= 2;
        s = pic.Create(width, height, grey ? 8 : 24, 0);
        if (s != Status::Ok)
            return s;
        if (grey)
            DibGreyPalette(pic.info, 256);
        s = ReadRgba(tif, width, height, grey, pic, rowsDone);
        if (s == Status::Unsupported)
            s = ReadGeneric(tif, width, height, photometric, grey, pic, rowsDone);
    }
    // The renderer goes on past a broken strip, leaving it unfilled; the errors tell.
    if (s == Status::Ok && file->errors != errorsBefore)
        damaged = true;
    if (s == Status::Corrupt && rowsDone > 0)
        damaged = true;
    else if (s != Status::Ok)
        return s;
    pic.SetResolution(xppm, yppm);
    s = ApplyOrientation(pic, orientation);
    std::uint32_t iccSize = 0;
    void *icc = nullptr;
    if (s == Status::Ok && TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc != nullptr)
        IccToSrgb(pic, static_cast<const std::uint8_t *>(icc), iccSize);
    if (s == Status::Ok) {
        out = std::move(pic);
        out.damaged = damaged;
    }
    return s;
}

Status Load(Bytes file, int page, Picture &out)
{
    if (!Probe(file, {}))
        return Status::NotThisFormat;
    Status s = Status::Corrupt;
    Picture first;
    // First as it is; a page that breaks off once more with the missing bytes read as zeros,
    // which keeps the leading rows of a strip cut off by the end of the file.
    for (bool padded : { false, true }) {
        MemoryFile mf { file };
        mf.padded = padded;
        mf.zeroBudget = static_cast<std::uint64_t>(std::clamp(PixelLimit() * 4, 1ll << 20, 1ll << 30));
        TiffCloser c { Open(mf, "r") };
        if (c.tif == nullptr)
            return Status::Corrupt;
        if (page > 0) {
            if (page > 0xFFFF || !TIFFSetDirectory(c.tif, static_cast<tdir_t>(page)))
                return Status::BadPage;
        }
        bool damaged = false;
        Picture pic;
        s = ReadPage(c.tif, pic, damaged);
        if (s == Status::Ok && !padded && !damaged) {
            out = std::move(pic);
            return s;
        }
        if (!padded) {
            if (s != Status::Ok && s != Status::Corrupt)
                return s;
            first = std::move(pic);
            continue;
        }
        std::uint32_t h = 0;
        if (s == Status::Ok && TIFFGetField(c.tif, TIFFTAG_IMAGELENGTH, &h) && h <= 0x7FFFFFFF
            && RowsInFile(c.tif, file.size, static_cast<int>(h)) > 0) {
            out = std::move(pic);
            out.damaged = true;
            return s;
        }
    }
    if (first.bits == nullptr)
        return Status::Corrupt;
    out = std::move(first);
    return Status::Ok;
}

// One directory of the file being written.
Status WritePage(TIFF *tif, MemoryFile &mf, const PictureView &view)
{
    const bool palette = view.bitCount <= 8;
    const bool grey = palette && view.IsGreyRamp();
    const int bits = palette ? view.bitCount : 8;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(view.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(view.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(palette ? 1 : 3));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<std::uint16_t> map;
    if (grey) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else if (palette) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        const std::size_t n = std::size_t(1) << bits;
        map.assign(n * 3, 0);
        for (std::size_t i = 0; i < n && i < static_cast<std::size_t>(view.paletteSize); ++i) {
            map[i] = static_cast<std::uint16_t>(view.palette[i].rgbRed * 257);
            map[n + i] = static_cast<std::uint16_t>(view.palette[i].rgbGreen * 257);
            map[2 * n + i] = static_cast<std::uint16_t>(view.palette[i].rgbBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    if (view.header->biXPelsPerMeter > 0 && view.header->biYPelsPerMeter > 0) {
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(view.header->biXPelsPerMeter / 100.0));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(view.header->biYPelsPerMeter / 100.0));
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<std::uint8_t> row;
    try {
        row.resize(static_cast<std::size_t>(view.width) * 3 + 4);
    } catch (...) {
        return Status::NoMemory;
    }
    const std::size_t rowBytes
        = (static_cast<std::size_t>(view.width) * static_cast<std::size_t>(palette ? bits : 24) + 7) / 8;
    for (int y = 0; y < view.height; ++y) {
        // libtiff may change the row it is given (prediction), so it always gets a copy.
        if (palette) {
            std::memcpy(row.data(), view.RowFromTop(y), rowBytes);
        } else {
            view.RowBGR(y, row.data());
            for (std::size_t x = 0; x < static_cast<std::size_t>(view.width); ++x)
                std::swap(row[3 * x], row[3 * x + 2]);
        }
        if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
            return mf.failed ? Status::NoMemory : Status::IoError;
    }
    if (!TIFFWriteDirectory(tif))
        return mf.failed ? Status::NoMemory : Status::IoError;
    return Status::Ok;
}

Status WritePages(const PictureView *pages, std::size_t count, std::vector<std::uint8_t> &out)
{
    out.clear();
    MemoryFile mf;
    mf.out = &out;
    TiffCloser c { Open(mf, "w") };
    TIFF *tif = c.tif;
    if (tif == nullptr)
        return Status::NoMemory;
    for (std::size_t i = 0; i < count; ++i)
        if (const Status s = WritePage(tif, mf, pages[i]); s != Status::Ok)
            return s;
    TIFFClose(tif);
    c.tif = nullptr;
    if (mf.failed) {
        out.clear();
        return Status::NoMemory;
    }
    return Status::Ok;
}

Status Save(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    return WritePages(&view, 1, out);
}

} // namespace

bool TiffHasAlpha(Bytes file)
{
    if (!Probe(file, {}))
        return false;
    MemoryFile mf { file };
    TiffCloser c { Open(mf, "rh") };
    if (c.tif == nullptr)
        return false;
    std::uint16_t count = 0;
    std::uint16_t *kinds = nullptr;
    if (TIFFGetField(c.tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) != 1 || kinds == nullptr)
        return false;
    for (std::uint16_t i = 0; i < count; ++i)
        if (kinds[i] == EXTRASAMPLE_ASSOCALPHA || kinds[i] == EXTRASAMPLE_UNASSALPHA)
            return true;
    return false;
}

Status SaveTiffPages(const std::vector<PictureView> &pages, std::vector<std::uint8_t> &out)
{
    if (pages.empty())
        return Status::Unsupported;
    return WritePages(pages.data(), pages.size(), out);
}

extern const FormatCodec kFormat_tiff = MakeFormat("tiff", 5, "Tagged Image File Format", kExtensions,
    kMimeTypes, { .probe = Probe, .load = Load, .pageCount = PageCount, .save = Save });

} // namespace codexa
