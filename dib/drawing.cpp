// Drawing helpers: tiled and nine-slice backgrounds, banded gradients and alpha blending, on a
// device context (a paint device and the painter active on it).
#include "dib/geometry.h"

#include <QImage>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <memory>
#include <optional>

namespace dib
{

namespace
{

// The painter of a device context: its own when active, else one opened for the call.
class Painting
{
public:
    explicit Painting(CDC *dc)
    {
        if (dc == nullptr)
            return;
        if (dc->painter != nullptr && dc->painter->isActive()) {
            m_painter = dc->painter;
        } else if (dc->device != nullptr && !dc->device->paintingActive()) {
            m_own.emplace();
            if (m_own->begin(dc->device))
                m_painter = &*m_own;
        }
    }
    QPainter *get() const { return m_painter; }

private:
    std::optional<QPainter> m_own;
    QPainter *m_painter = nullptr;
};

// The device's area in logical coordinates (what tiles can reach), grown by a pixel.
QRect Visible(QPainter &p)
{
    const QRect device(0, 0, p.device()->width(), p.device()->height());
    bool invertible = false;
    const QTransform back = p.deviceTransform().inverted(&invertible);
    if (!invertible)
        return QRect();
    return back.mapRect(QRectF(device)).toAlignedRect().adjusted(-1, -1, 1, 1);
}

// Tiles `piece` of the image from (left, top) rightwards and downwards until the right and bottom
// edges are reached (the last tiles may reach past them). Tiles that cannot touch the device are
// skipped, which draws the same pixels.
void Tile(QPainter &p, const QImage &image, const QRect &piece, std::int64_t left, std::int64_t top,
    std::int64_t right, std::int64_t bottom)
{
    const std::int64_t w = piece.width(), h = piece.height();
    if (w < 1 || h < 1 || right <= left || bottom <= top)
        return;
    const QRect visible = Visible(p);
    if (visible.isEmpty())
        return;
    auto first = [](std::int64_t start, std::int64_t step, std::int64_t from) {
        return from <= start ? start : start + (from - start) / step * step;
    };
    const std::int64_t x0 = first(left, w, visible.left()), y0 = first(top, h, visible.top());
    const std::int64_t x1 = std::min<std::int64_t>(right, std::int64_t(visible.right()) + 1);
    const std::int64_t y1 = std::min<std::int64_t>(bottom, std::int64_t(visible.bottom()) + 1);
    for (std::int64_t y = y0; y < y1; y += h)
        for (std::int64_t x = x0; x < x1; x += w)
            p.drawImage(QPoint(int(x), int(y)), image, piece);
}

void DrawTiled(QPainter &p, const QImage &image, std::int64_t l, std::int64_t t, std::int64_t r,
    std::int64_t b, int bx, int by, int mode)
{
    const int W = image.width(), H = image.height();
    if (mode == 2) {
        Tile(p, image, image.rect(), l, t, r, b);
    } else if (mode == 1) {
        const int mw = W - 2 * bx, mh = H - 2 * by;
        Tile(p, image, QRect(bx, by, mw, mh), l + bx, t + by, r - bx, b - by);
        Tile(p, image, QRect(bx, 0, mw, by), l + bx, t, r - bx, t + by);
        Tile(p, image, QRect(bx, H - by, mw, by), l + bx, b - by, r - bx, b);
        Tile(p, image, QRect(0, by, bx, mh), l, t + by, l + bx, b - by);
        Tile(p, image, QRect(W - bx, by, bx, mh), r - bx, t + by, r, b - by);
        if (bx >= 1 && by >= 1 && bx <= W && by <= H) {
            p.drawImage(QPoint(int(l), int(t)), image, QRect(0, 0, bx, by));
            p.drawImage(QPoint(int(r - bx), int(t)), image, QRect(W - bx, 0, bx, by));
            p.drawImage(QPoint(int(l), int(b - by)), image, QRect(0, H - by, bx, by));
            p.drawImage(QPoint(int(r - bx), int(b - by)), image, QRect(W - bx, H - by, bx, by));
        }
    } else if (r > l && b > t && r - l <= INT32_MAX && b - t <= INT32_MAX) {
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(int(l), int(t), int(r - l), int(b - t)), image);
        p.restore();
    }
}

std::unique_ptr<QImage> ToImage(const void *bits, const BITMAPINFO *info)
{
    return std::unique_ptr<QImage>(Dib2Bitmap(bits, info));
}

bool Fits(std::int64_t v)
{
    return v >= INT32_MIN && v <= INT32_MAX;
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API void TileDibOnRect(CDC *dc, int left, int top, int right, int bottom,
    const BITMAPINFO *info, const void *bits, int borderWidth, int borderHeight, int mode)
{
    Shape s;
    if (info == nullptr || bits == nullptr || !CheckPicture(info->bmiHeader, s) || !BlockHolds(bits, s.size))
        return;
    Painting painting(dc);
    if (painting.get() == nullptr)
        return;
    try {
        const auto image = ToImage(bits, info);
        if (image)
            DrawTiled(*painting.get(), *image, left, top, right, bottom, borderWidth, borderHeight, mode);
    } catch (...) {
    }
}

extern "C" DIB_API void TileBmpOnRect(
    CDC *dc, RECT rect, WORD id, int borderWidth, int borderHeight, int mode)
{
    Painting painting(dc);
    if (painting.get() == nullptr)
        return;
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;
    try {
        if (ReadRes2Data(id, &bits, &info) == 1) {
            const auto image = ToImage(bits, info);
            if (image) {
                QPainter &p = *painting.get();
                p.save();
                const std::int64_t w = std::int64_t(rect.right) - rect.left,
                                   h = std::int64_t(rect.bottom) - rect.top;
                p.setClipRect(QRect(rect.left, rect.top, int(std::clamp<std::int64_t>(w, 0, INT32_MAX)),
                    int(std::clamp<std::int64_t>(h, 0, INT32_MAX))));
                DrawTiled(
                    p, *image, rect.left, rect.top, rect.right, rect.bottom, borderWidth, borderHeight, mode);
                p.restore();
            }
        }
    } catch (...) {
    }
    GlobalFree(bits);
    DeleteInfo(info);
}

extern "C" DIB_API void GradientFillRect(
    CDC *dc, const RECT *rect, COLORREF colour1, COLORREF colour2, int horizontal, int reverse)
{
    if (rect == nullptr)
        return;
    const std::int64_t left = rect->left, top = rect->top;
    const std::int64_t width = std::int64_t(rect->right) - left, height = std::int64_t(rect->bottom) - top;
    const std::int64_t length = horizontal ? width : height; // across the bands
    if (length < 1 || (horizontal ? height : width) < 1)
        return;
    Painting painting(dc);
    if (painting.get() == nullptr)
        return;
    QPainter &p = *painting.get();
    const std::int64_t band = std::max<std::int64_t>(length / 128, 1);
    const int c1[3] = { GetRValue(colour1), GetGValue(colour1), GetBValue(colour1) };
    const int c2[3] = { GetRValue(colour2), GetGValue(colour2), GetBValue(colour2) };
    for (std::int64_t k = 0; k * band < length; ++k) {
        const std::int64_t pos = (k + 1) * band;
        int c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = static_cast<int>(c2[i] + (c1[i] - c2[i]) * pos / length);
        const std::int64_t at = reverse ? length - pos : k * band;
        const std::int64_t x = horizontal ? left + at : left, y = horizontal ? top : top + at;
        const std::int64_t w = horizontal ? band : width, h = horizontal ? height : band;
        if (!Fits(x) || !Fits(y) || !Fits(w) || !Fits(h))
            continue;
        p.fillRect(QRect(int(x), int(y), int(w), int(h)), QColor(c[0], c[1], c[2]));
    }
}

extern "C" DIB_API int Dib2DibAlphaBlend(HGLOBAL *bits, BITMAPINFO **info, HGLOBAL srcBits,
    const BITMAPINFO *srcInfo, int x, int y, RECT rect, DWORD blend, const BYTE *srcAlpha,
    BYTE *const *dstMask)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr || srcBits == nullptr
        || srcInfo == nullptr)
        return 0;
    Private24 source, image;
    if (!source.Make(srcBits, srcInfo) || !image.Make(*bits, *info))
        return 0;
    const Shape &is = image.shape(), &ss = source.shape();
    RECT ir, sr;
    if (!GetMaskRect(is.width, is.height, ss.width, ss.height, x, y, rect, &ir, &sr))
        return 0;
    // The planes are plain bytes of the caller's (their size cannot be checked).
    const BYTE *mask = dstMask != nullptr ? *dstMask : nullptr;
    const std::size_t srcPlane = static_cast<std::size_t>(DibStride(ss.width, 8)),
                      dstPlane = static_cast<std::size_t>(DibStride(is.width, 8));
    const int constant = (blend >> 16) & 0xFF, format = (blend >> 24) & 0xFF;
    const int rows = sr.bottom - sr.top, cols = sr.right - sr.left;
    if (format == 0 && rows > 0 && cols > 0) {
        const int dy0 = is.height - ir.bottom, sy0 = ss.height - sr.bottom;
        for (int r = 0; r < rows; ++r) {
            BYTE *d = image.data() + std::size_t(dy0 + r) * is.stride + 3 * std::size_t(ir.left);
            const BYTE *s = source.data() + std::size_t(sy0 + r) * ss.stride + 3 * std::size_t(sr.left);
            const BYTE *alpha
                = srcAlpha != nullptr ? srcAlpha + std::size_t(sy0 + r) * srcPlane + sr.left : nullptr;
            const BYTE *m = mask != nullptr ? mask + std::size_t(dy0 + r) * dstPlane + ir.left : nullptr;
            for (int n = 0; n < 3 * cols; ++n) {
                const int px = n / 3;
                const int a = alpha != nullptr ? (alpha[px] * constant) >> 8 : constant;
                if (m != nullptr && m[px] == 0 && alpha != nullptr && alpha[px] != 0)
                    d[n] = s[n];
                else
                    d[n] = static_cast<BYTE>((s[n] * a + (256 - a) * d[n]) >> 8);
            }
        }
    }
    image.Commit(bits, info);
    return 1;
}

extern "C" DIB_API int AlphaBlendDib2DC(CDC *dc, int x, int y, int width, int height, HGLOBAL srcBits,
    const BITMAPINFO *srcInfo, DWORD, DWORD, DWORD, DWORD, DWORD blend, const BYTE *srcAlpha)
{
    if (dc == nullptr || srcInfo == nullptr)
        return 0;
    InfoPtr header = NewInfo();
    if (!header)
        return 0;
    header->bmiHeader.biBitCount = 24;
    BITMAPINFO *info = header.release();
    HGLOBAL bits = nullptr;
    int result = 0;
    if (GetDibFromDC(dc, x, y, width, height, &bits, &info)) {
        Dib2DibAlphaBlend(&bits, &info, srcBits, srcInfo, 0, 0,
            RECT { 0, 0, srcInfo->bmiHeader.biWidth, srcInfo->bmiHeader.biHeight }, blend, srcAlpha, nullptr);
        Painting painting(dc);
        try {
            const auto image = ToImage(bits, info);
            if (image && painting.get() != nullptr) {
                QPainter &p = *painting.get();
                p.save();
                p.setRenderHint(QPainter::SmoothPixmapTransform, false);
                p.drawImage(QRect(x, y, width, height), *image);
                p.restore();
                result = height;
            }
        } catch (...) {
        }
    }
    GlobalFree(bits);
    DeleteInfo(info);
    return result;
}
