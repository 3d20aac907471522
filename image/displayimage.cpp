#include "image/displayimage.h"

#include "image/dibpixels.h"
#include "image/parallelrows.h"

#include <cstring>

namespace
{

QRgb Opaque(const RGBQUAD &q)
{
    return 0xFF000000u | (unsigned(q.rgbRed) << 16) | (unsigned(q.rgbGreen) << 8) | q.rgbBlue;
}

void ConvertRows(
    const DibLayout &d, const void *bits, const QRgb *lut, uchar *base, qsizetype bpl, int first, int last)
{
    for (int y = first; y < last; ++y) {
        const std::uint8_t *s = d.Row(bits, d.height - 1 - y);
        auto *o = reinterpret_cast<QRgb *>(base + bpl * y);
        const int w = d.width;
        switch (d.bitCount) {
        case 1:
            for (int x = 0; x < w; ++x)
                o[x] = lut[GetPixel1(s, x)];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                o[x] = lut[GetPixel4(s, x)];
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                o[x] = lut[s[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                int r, g, b;
                Expand555(static_cast<std::uint16_t>(s[2 * x] | (s[2 * x + 1] << 8)), r, g, b);
                o[x] = 0xFF000000u | (unsigned(r) << 16) | (unsigned(g) << 8) | unsigned(b);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x)
                o[x]
                    = 0xFF000000u | (unsigned(s[3 * x + 2]) << 16) | (unsigned(s[3 * x + 1]) << 8) | s[3 * x];
            break;
        case 32:
            for (int x = 0; x < w; ++x)
                o[x]
                    = 0xFF000000u | (unsigned(s[4 * x + 2]) << 16) | (unsigned(s[4 * x + 1]) << 8) | s[4 * x];
            break;
        }
    }
}

} // namespace

QImage MakeDisplayImage(const DibInfoBlock *info, const void *bits, QImage reuse)
{
    DibLayout d;
    if (!DibLayoutOf(info, bits, d))
        return QImage();
    QImage out = std::move(reuse);
    if (out.width() != d.width || out.height() != d.height || out.format() != QImage::Format_RGB32)
        out = QImage(d.width, d.height, QImage::Format_RGB32);
    if (out.isNull())
        return QImage();
    QRgb lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = i < d.paletteSize ? Opaque(d.palette[i]) : 0xFF000000u;
    uchar *base = out.bits(); // detaches once here, not from the worker threads
    qsizetype bpl = out.bytesPerLine();
    ParallelRows(d.height, std::int64_t(d.width) * d.height,
        [&](int first, int last) { ConvertRows(d, bits, lut, base, bpl, first, last); });
    return out;
}

RECT FitRect(int width, int height, int l, int t, int r, int b)
{
    RECT none { l, t, l, t };
    int W = r - l, H = b - t;
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0)
        return none;
    double picture = static_cast<double>(width) / height;
    double target = static_cast<double>(W) / H;
    int dw, dh;
    if (picture > target) {
        dw = W;
        dh = static_cast<int>(W / picture);
    } else {
        dh = H;
        dw = static_cast<int>(H * picture);
    }
    int x = l + (W - dw) / 2, y = t + (H - dh) / 2;
    return RECT { x, y, x + dw, y + dh };
}
