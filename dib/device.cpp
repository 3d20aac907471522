// Exchange with the graphics system: bitmaps (QImage), device contexts (a paint device and its
// painter) and bitmap resources (the program's Qt resources).
#include "dib/dibcore.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QTransform>
#include <cstring>
#include <new>

namespace dib
{

namespace
{

constexpr LONG kResourceResolution = 11141;

// The system's default palette: 16 standard colours with four reserved ones between them.
constexpr RGBQUAD kSystemColours[20] = {
    { 0, 0, 0, 0 },
    { 0, 0, 128, 0 },
    { 0, 128, 0, 0 },
    { 0, 128, 128, 0 },
    { 128, 0, 0, 0 },
    { 128, 0, 128, 0 },
    { 128, 128, 0, 0 },
    { 192, 192, 192, 0 },
    { 192, 220, 192, 0 },
    { 240, 202, 166, 0 },
    { 240, 251, 255, 0 },
    { 164, 160, 160, 0 },
    { 128, 128, 128, 0 },
    { 0, 0, 255, 0 },
    { 0, 255, 0, 0 },
    { 0, 255, 255, 0 },
    { 255, 0, 0, 0 },
    { 255, 0, 255, 0 },
    { 255, 255, 0, 0 },
    { 255, 255, 255, 0 },
};

DibPalette DefaultPalette(int bitCount)
{
    DibPalette p {};
    if (bitCount == 1) {
        p.count = 2;
        p.colors[0] = kSystemColours[0];
        p.colors[1] = kSystemColours[19];
    } else if (bitCount == 4) {
        p.count = 16;
        for (int i = 0; i < 8; ++i) {
            p.colors[i] = kSystemColours[i];
            p.colors[8 + i] = kSystemColours[12 + i];
        }
    } else {
        p.count = 20;
        std::memcpy(p.colors, kSystemColours, sizeof kSystemColours);
    }
    return p;
}

// Nearest palette entry by squared distance (the first of equals), with a small cache.
class NearestColour
{
public:
    NearestColour(const RGBQUAD *colours, int count)
        : m_colours(colours)
        , m_count(count)
    {
    }

    int operator()(QRgb c)
    {
        c |= 0xFF000000u;
        const std::size_t slot = ((c * 2654435761u) >> 20) & (kSlots - 1);
        if (m_keys[slot] == c)
            return m_values[slot];
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        int best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < m_count; ++i) {
            const int dr = r - m_colours[i].rgbRed, dg = g - m_colours[i].rgbGreen,
                      db = b - m_colours[i].rgbBlue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        m_keys[slot] = c;
        m_values[slot] = static_cast<BYTE>(best);
        return best;
    }

private:
    static constexpr std::size_t kSlots = 4096;
    const RGBQUAD *m_colours;
    int m_count;
    QRgb m_keys[kSlots] = {}; // 0 never matches: keys carry an opaque alpha
    BYTE m_values[kSlots] = {};
};

// The bitmap as a picture of bitCount bits: a standard header (resolutions 3780) with its palette
// in `header`, pixels in `out`. At 8 bits or fewer the colours are `palette`, else those of an
// indexed bitmap whose table fits, else the default palette.
bool ImageToDib(
    const QImage &image, int bitCount, const DibPalette *palette, DibInfoBlock &header, Block &out)
{
    const int w = image.width(), h = image.height();
    const std::size_t size = ImageBytes(w, h, bitCount);
    if (image.isNull() || !DibPictureDepth(bitCount) || size == 0)
        return false;
    Block block(size);
    if (!block)
        return false;
    std::memset(&header, 0, sizeof header);
    WriteHeader(header.bmiHeader, w, h, bitCount);
    const std::size_t stride = static_cast<std::size_t>(DibStride(w, bitCount));

    if (bitCount >= 16) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        if (rgb.isNull())
            return false;
        for (int y = 0; y < h; ++y) {
            const auto *s = reinterpret_cast<const QRgb *>(rgb.constScanLine(h - 1 - y));
            BYTE *d = block.data() + std::size_t(y) * stride;
            for (int x = 0; x < w; ++x) {
                const QRgb c = s[x];
                if (bitCount == 16) {
                    const unsigned v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                    d[2 * x] = static_cast<BYTE>(v);
                    d[2 * x + 1] = static_cast<BYTE>(v >> 8);
                } else {
                    const int n = bitCount / 8;
                    d[n * x] = static_cast<BYTE>(qBlue(c));
                    d[n * x + 1] = static_cast<BYTE>(qGreen(c));
                    d[n * x + 2] = static_cast<BYTE>(qRed(c));
                }
            }
        }
        out = std::move(block);
        return true;
    }

    const int capacity = 1 << bitCount;
    const bool indexed = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
        || image.format() == QImage::Format_MonoLSB;
    DibPalette chosen;
    bool direct = false;
    if (palette != nullptr && palette->count >= 1) {
        chosen = *palette;
        chosen.count = std::min(palette->count, capacity);
    } else if (palette == nullptr && indexed && image.colorCount() >= 1 && image.colorCount() <= capacity) {
        chosen.count = image.colorCount();
        for (int i = 0; i < chosen.count; ++i) {
            const QRgb c = image.color(i);
            chosen.colors[i] = RGBQUAD { static_cast<BYTE>(qBlue(c)), static_cast<BYTE>(qGreen(c)),
                static_cast<BYTE>(qRed(c)), 0 };
        }
        direct = true;
    } else {
        chosen = DefaultPalette(bitCount);
    }
    std::memcpy(header.bmiColors, chosen.colors, sizeof(RGBQUAD) * std::size_t(chosen.count));

    if (direct) {
        const QImage indices = image.format() == QImage::Format_Indexed8
            ? image
            : image.convertToFormat(QImage::Format_Indexed8, image.colorTable());
        if (indices.isNull())
            return false;
        for (int y = 0; y < h; ++y) {
            const uchar *s = indices.constScanLine(h - 1 - y);
            BYTE *d = block.data() + std::size_t(y) * stride;
            for (int x = 0; x < w; ++x)
                DibSetIndex(d, x, bitCount, s[x]);
        }
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        if (rgb.isNull())
            return false;
        NearestColour nearest(chosen.colors, chosen.count);
        for (int y = 0; y < h; ++y) {
            const auto *s = reinterpret_cast<const QRgb *>(rgb.constScanLine(h - 1 - y));
            BYTE *d = block.data() + std::size_t(y) * stride;
            for (int x = 0; x < w; ++x)
                DibSetIndex(d, x, bitCount, nearest(s[x]));
        }
    }
    out = std::move(block);
    return true;
}

QVector<QRgb> ColourTable(const BITMAPINFO *info, int entries)
{
    QVector<QRgb> table(entries, qRgb(0, 0, 0));
    const int n = std::min(PaletteCount(info->bmiHeader), entries);
    const RGBQUAD *p = Colours(info);
    for (int i = 0; i < n; ++i)
        table[i] = qRgb(p[i].rgbRed, p[i].rgbGreen, p[i].rgbBlue);
    return table;
}

QImage DibToImage(const BYTE *bits, const BITMAPINFO *info, const Shape &shape)
{
    const int w = shape.width, h = shape.height;
    QImage image;
    switch (shape.bitCount) {
    case 1:
        image = QImage(w, h, QImage::Format_Mono);
        break;
    case 4:
    case 8:
        image = QImage(w, h, QImage::Format_Indexed8);
        break;
    case 16:
        image = QImage(w, h, QImage::Format_RGB555);
        break;
    case 24:
        image = QImage(w, h, QImage::Format_BGR888);
        break;
    default:
        image = QImage(w, h, QImage::Format_RGB32);
        break;
    }
    if (image.isNull())
        return image;
    if (shape.bitCount <= 8)
        image.setColorTable(ColourTable(info, 1 << shape.bitCount));
    for (int y = 0; y < h; ++y) {
        const BYTE *s = bits + std::size_t(h - 1 - y) * shape.stride;
        uchar *d = image.scanLine(y);
        switch (shape.bitCount) {
        case 1:
            std::memcpy(d, s, std::size_t(w + 7) / 8);
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                d[x] = x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4;
            break;
        case 8:
            std::memcpy(d, s, std::size_t(w));
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                d[2 * x] = s[2 * x];
                d[2 * x + 1] = s[2 * x + 1] & 0x7F;
            }
            break;
        case 24:
            std::memcpy(d, s, std::size_t(w) * 3);
            break;
        default:
            for (int x = 0; x < w; ++x) {
                std::memcpy(d + 4 * x, s + 4 * x, 3);
                d[4 * x + 3] = 0xFF;
            }
            break;
        }
    }
    const BITMAPINFOHEADER &hdr = info->bmiHeader;
    if (hdr.biXPelsPerMeter > 0 && hdr.biYPelsPerMeter > 0) {
        image.setDotsPerMeterX(hdr.biXPelsPerMeter);
        image.setDotsPerMeterY(hdr.biYPelsPerMeter);
    }
    return image;
}

// ---- Bitmap resources: BMP files in the program's resources ----

std::uint32_t U32(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const BYTE *>(d.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

unsigned U16(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const BYTE *>(d.constData() + at);
    return p[0] | (p[1] << 8);
}

enum class Load { Ok, Missing, Unsupported };

// Reads the BMP file into a header block (the resource's planes, depth and colours; resolutions
// 11141) and a block of bottom-up rows. Missing when it cannot be read at all.
Load LoadBmp(const QByteArray &d, DibInfoBlock &header, Block &out)
{
    const qsizetype n = d.size();
    if (n < 26 || d[0] != 'B' || d[1] != 'M')
        return Load::Missing;
    const std::uint32_t offBits = U32(d, 10);
    const std::uint32_t headerSize = U32(d, 14);
    std::int64_t width, height;
    unsigned planes, depth;
    std::uint32_t compression = BI_RGB, used = 0;
    int entryBytes = 4;
    if (headerSize == 12) {
        width = U16(d, 18);
        height = static_cast<std::int16_t>(U16(d, 20));
        planes = U16(d, 22);
        depth = U16(d, 24);
        entryBytes = 3;
    } else if (headerSize >= 40 && 14 + std::int64_t(headerSize) <= n) {
        width = static_cast<std::int32_t>(U32(d, 18));
        height = static_cast<std::int32_t>(U32(d, 22));
        planes = U16(d, 26);
        depth = U16(d, 28);
        compression = U32(d, 30);
        used = U32(d, 46);
    } else {
        return Load::Missing;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return Load::Missing;
    if (compression != BI_RGB)
        return Load::Unsupported;
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    const std::size_t size = ImageBytes(width, height, static_cast<int>(depth));
    if (size == 0 || std::int64_t(offBits) + std::int64_t(size) > n)
        return Load::Missing;

    std::memset(&header, 0, sizeof header);
    BITMAPINFOHEADER &h = header.bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = static_cast<LONG>(width);
    h.biHeight = static_cast<LONG>(height);
    h.biPlanes = static_cast<WORD>(planes);
    h.biBitCount = static_cast<WORD>(depth);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(size);
    h.biXPelsPerMeter = kResourceResolution;
    h.biYPelsPerMeter = kResourceResolution;
    if (depth <= 8) {
        const std::int64_t capacity = std::int64_t(1) << depth;
        std::int64_t count = used != 0 && used < capacity ? used : capacity;
        const std::int64_t at = 14 + headerSize;
        count = std::max<std::int64_t>(0, std::min<std::int64_t>(count, (n - at) / entryBytes));
        for (std::int64_t i = 0; i < count; ++i) {
            const auto *p = reinterpret_cast<const BYTE *>(d.constData() + at + i * entryBytes);
            header.bmiColors[i] = RGBQUAD { p[0], p[1], p[2], 0 };
        }
    }
    Block block(size);
    if (!block)
        return Load::Missing;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, depth));
    const auto *src = reinterpret_cast<const BYTE *>(d.constData() + offBits);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t from = topDown ? height - 1 - y : y;
        std::memcpy(block.data() + std::size_t(y) * stride, src + std::size_t(from) * stride, stride);
    }
    out = std::move(block);
    return Load::Ok;
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API int Bitmap2Dib(
    HGLOBAL *bits, BITMAPINFO **info, const QImage *bitmap, const DibPalette *palette, int bitCount)
{
    if (bits == nullptr || info == nullptr || bitmap == nullptr || bitmap->isNull())
        return 0;
    if (bitCount == 0) {
        const int depth = bitmap->depth();
        bitCount = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
    }
    InfoPtr header = NewInfo();
    if (!header)
        return 0;
    Block block;
    try {
        if (!ImageToDib(*bitmap, bitCount, palette, *reinterpret_cast<DibInfoBlock *>(header.get()), block))
            return 0;
    } catch (...) {
        return 0;
    }
    StoreInfo(info, header);
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API QImage *Dib2Bitmap(const void *bits, const BITMAPINFO *info)
{
    Shape shape;
    if (bits == nullptr || info == nullptr || !CheckPicture(info->bmiHeader, shape))
        return nullptr;
    try {
        QImage image = DibToImage(static_cast<const BYTE *>(bits), info, shape);
        if (image.isNull())
            return nullptr;
        return new (std::nothrow) QImage(std::move(image));
    } catch (...) {
        return nullptr;
    }
}

extern "C" DIB_API int GetDibFromDC(
    CDC *dc, int x, int y, int width, int height, HGLOBAL *bits, BITMAPINFO **info)
{
    if (dc == nullptr || dc->device == nullptr || bits == nullptr || info == nullptr || width < 1
        || height < 1)
        return 0;
    const int bitCount = *info != nullptr ? (*info)->bmiHeader.biBitCount : 24;
    if (!DibPictureDepth(bitCount))
        return 0;
    DibInfoBlock header;
    Block block;
    try {
        QTransform toDevice;
        if (dc->painter != nullptr && dc->painter->isActive())
            toDevice = dc->painter->deviceTransform();
        const QRect rect = toDevice.mapRect(QRectF(x, y, width, height)).toAlignedRect();
        QImage grabbed;
        switch (dc->device->devType()) {
        case QInternal::Image:
            grabbed = static_cast<const QImage *>(dc->device)->copy(rect);
            break;
        case QInternal::Pixmap:
            grabbed = static_cast<const QPixmap *>(dc->device)->copy(rect).toImage();
            break;
        default:
            return 0;
        }
        if (grabbed.isNull())
            return 0;
        if (grabbed.width() != width || grabbed.height() != height)
            grabbed = grabbed.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!ImageToDib(grabbed, bitCount, nullptr, header, block))
            return 0;
    } catch (...) {
        return 0;
    }
    if (*info == nullptr) {
        InfoPtr made = NewInfo();
        if (!made)
            return 0;
        std::memcpy(made.get(), &header, sizeof header);
        *info = made.release();
    } else {
        const std::size_t colours = bitCount <= 8 ? std::size_t(1) << bitCount : 0;
        std::memcpy(*info, &header, sizeof(BITMAPINFOHEADER) + 4 * colours);
    }
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int ReadRes2Data(WORD id, HGLOBAL *bits, BITMAPINFO **info)
{
    if (bits == nullptr || info == nullptr)
        return -1;
    InfoPtr header = NewInfo();
    if (!header)
        return -1;
    auto &block = *reinterpret_cast<DibInfoBlock *>(header.get());
    Block pixels;
    try {
        QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray data = file.readAll();
        switch (LoadBmp(data, block, pixels)) {
        case Load::Ok:
            break;
        case Load::Missing:
            return -1;
        case Load::Unsupported:
            return -3;
        }
    } catch (...) {
        return -1;
    }
    Shape shape;
    if (!CheckPicture(block.bmiHeader, shape))
        return -3;
    if (shape.bitCount == 16 || shape.bitCount == 32) {
        Block wide;
        if (!DirectTo24(shape, pixels.data(), wide))
            return -1;
        block.bmiHeader.biBitCount = 24;
        block.bmiHeader.biSizeImage = static_cast<DWORD>(ImageBytes(shape.width, shape.height, 24));
        pixels = std::move(wide);
    }
    if (block.bmiHeader.biBitCount == 24)
        block.bmiHeader.biClrUsed = 0;
    StoreInfo(info, header);
    StoreBits(bits, pixels);
    return 1;
}
