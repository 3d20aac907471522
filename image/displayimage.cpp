#include "image/displayimage.h"

#include "image/dibpixels.h"
#include "image/parallelrows.h"
#include "image/simd.h"

#include <cstring>

#ifdef TARNIS_X86_SIMD
#include <immintrin.h>
#endif

namespace
{

QRgb Opaque(const RGBQUAD &q)
{
    return 0xFF000000u | (unsigned(q.rgbRed) << 16) | (unsigned(q.rgbGreen) << 8) | q.rgbBlue;
}

#ifdef TARNIS_X86_SIMD
// 24-bit pixels to opaque RGB32, four at a time; returns how many were done. Each load reads 16
// bytes for 12, so the loop stops while 4 bytes of the row remain.
TARNIS_TARGET("ssse3") int Widen24Ssse3(const std::uint8_t *s, QRgb *o, int w)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int x = 0;
    for (; 3 * x + 16 <= 3 * w; x += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 3 * std::size_t(x)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i *>(o + x), _mm_or_si128(_mm_shuffle_epi8(px, spread), alpha));
    }
    return x;
}
#endif

void ConvertRows(
    const DibLayout &d, const void *bits, const QRgb *lut, uchar *base, qsizetype bpl, int first, int last)
{
    for (int y = first; y < last; ++y) {
        const std::uint8_t *s = d.Row(bits, d.height - 1 - y);
        auto *o = reinterpret_cast<QRgb *>(base + bpl * y);
        const int w = d.width;
        switch (d.bitCount) {
        case 1:
        case 4:
        case 8:
            MapIndexRow(d, s, lut, o);
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                int r, g, b;
                Expand555(static_cast<std::uint16_t>(s[2 * x] | (s[2 * x + 1] << 8)), r, g, b);
                o[x] = 0xFF000000u | (unsigned(r) << 16) | (unsigned(g) << 8) | unsigned(b);
            }
            break;
        case 24: {
            int x = 0;
#ifdef TARNIS_X86_SIMD
            if (CpuHasSsse3())
                x = Widen24Ssse3(s, o, w);
#endif
            for (; x < w; ++x)
                o[x]
                    = 0xFF000000u | (unsigned(s[3 * x + 2]) << 16) | (unsigned(s[3 * x + 1]) << 8) | s[3 * x];
            break;
        }
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
    if (out.width() != d.width || out.height() != d.height || out.format() != QImage::Format_RGB32) {
        // A global block: large ones come on huge pages, which a new picture size after an edit
        // fills far faster than ordinary pages.
        out = QImage();
        const std::size_t bpl = std::size_t(d.width) * 4;
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, bpl * std::size_t(d.height));
        if (block == nullptr)
            return QImage();
        out = QImage(
            static_cast<uchar *>(block), d.width, d.height, static_cast<qsizetype>(bpl), QImage::Format_RGB32,
            [](void *p) { GlobalFree(p); }, block);
        if (out.isNull()) {
            GlobalFree(block);
            return QImage();
        }
    }
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
