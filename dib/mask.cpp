// Overlays: placing one picture on another and compositing it in one of thirteen blend modes.
#include "dib/geometry.h"
#include "dib/hsl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace dib
{

namespace
{

LONG ClampLong(std::int64_t v)
{
    return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

int Luminance(const BYTE *p)
{
    return 11 * p[0] + 59 * p[1] + 30 * p[2];
}

// Modes 0 ... 10 on one pixel of the covered area.
void BlendPixel(int mode, int p, int q, int k, BYTE *d, const BYTE *o)
{
    switch (mode) {
    case 4:
    case 5: {
        const std::int64_t image = Luminance(d), overlay = std::int64_t(Luminance(o)) * k / 100;
        if (mode == 4 ? image < overlay : image > overlay)
            std::copy(o, o + 3, d);
        return;
    }
    case 7:
    case 8:
    case 9:
    case 10: {
        const Hsl a = ToHsl(d[2], d[1], d[0]), b = ToHsl(o[2], o[1], o[0]);
        Hsl mix = a;
        if (mode == 7)
            mix.l = b.l;
        else if (mode == 8)
            mix.h = b.h;
        else if (mode == 9)
            mix.s = b.s;
        else
            mix.h = b.h, mix.s = b.s;
        BYTE m[3];
        FromHsl(mix, m);
        for (int c = 0; c < 3; ++c)
            d[c] = static_cast<BYTE>((d[c] * p + m[c] * q) / 100);
        return;
    }
    default:
        break;
    }
    for (int c = 0; c < 3; ++c) {
        const int dv = d[c], ov = o[c];
        int v;
        switch (mode) {
        case 0:
            v = (dv * p + ov * q) / 100;
            break;
        case 1:
            v = (dv * p + std::max(dv - ov, 0) * q) / 100;
            break;
        case 2:
            v = ((ov * dv * q) / 255 + dv * p) / 100;
            break;
        case 3:
            v = (dv * p + std::abs(dv - ov) * q) / 100;
            break;
        default: // 6, screen
            v = (dv * p + (dv + ov - dv * ov / 255) * q) / 100;
            break;
        }
        d[c] = static_cast<BYTE>(v);
    }
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API int GetMaskRect(int imageWidth, int imageHeight, int overlayWidth, int overlayHeight,
    int x, int y, RECT rect, RECT *imageRect, RECT *overlayRect)
{
    if (imageRect == nullptr || overlayRect == nullptr)
        return 0;
    const std::int64_t iw = imageWidth, ih = imageHeight, ow = overlayWidth, oh = overlayHeight;
    if (rect.left == -1 && rect.top == -1 && rect.right == 0 && rect.bottom == 0) {
        const std::int64_t hw = std::min(iw, ow) / 2, hh = std::min(ih, oh) / 2;
        *imageRect = RECT { ClampLong(iw / 2 - hw), ClampLong(ih / 2 - hh), ClampLong(iw / 2 + hw),
            ClampLong(ih / 2 + hh) };
        *overlayRect = RECT { ClampLong(ow / 2 - hw), ClampLong(oh / 2 - hh), ClampLong(ow / 2 + hw),
            ClampLong(oh / 2 + hh) };
        return 1;
    }
    std::int64_t l = std::min(rect.left, rect.right), r = std::max(rect.left, rect.right);
    std::int64_t t = std::min(rect.top, rect.bottom), b = std::max(rect.top, rect.bottom);
    if (l == 0 && t == 0 && r == 0 && b == 0)
        r = ow, b = oh;
    auto clip = [](std::int64_t v, std::int64_t size) {
        return std::clamp<std::int64_t>(v, 0, std::max<std::int64_t>(size, 0));
    };
    std::int64_t il = clip(x, iw), ir = clip(std::int64_t(x) + (r - l), iw);
    std::int64_t it = clip(y, ih), ib = clip(std::int64_t(y) + (b - t), ih);
    std::int64_t ol = clip(l, ow), orr = clip(r, ow), ot = clip(t, oh), ob = clip(b, oh);
    const std::int64_t w = std::min(ir - il, orr - ol), h = std::min(ib - it, ob - ot);
    if (x < 1)
        il = ir - w, ol = orr - w;
    else
        ir = il + w, orr = ol + w;
    if (y < 1)
        it = ib - h, ot = ob - h;
    else
        ib = it + h, ob = ot + h;
    *imageRect = RECT { ClampLong(il), ClampLong(it), ClampLong(ir), ClampLong(ib) };
    *overlayRect = RECT { ClampLong(ol), ClampLong(ot), ClampLong(orr), ClampLong(ob) };
    return w > 0 && h > 0;
}

extern "C" DIB_API int DibMask(HGLOBAL *bits, BITMAPINFO **info, HGLOBAL overlayBits,
    const BITMAPINFO *overlayInfo, int mode, int strength, int x, int y, RECT rect)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr || overlayBits == nullptr
        || overlayInfo == nullptr)
        return 0;
    Private24 overlay, image;
    if (!overlay.Make(overlayBits, overlayInfo) || strength < 0)
        return 0;
    const int p = std::min(strength, 100), q = 100 - p;
    if (!image.Make(*bits, *info))
        return 0;
    const Shape &is = image.shape(), &os = overlay.shape();
    RECT ir, orc;
    if (!GetMaskRect(is.width, is.height, os.width, os.height, x, y, rect, &ir, &orc))
        return 0;
    if (mode < 0 || mode > 12) {
        image.Commit(bits, info);
        return 1;
    }
    const int k = p < 50 ? static_cast<int>((9 * p * 0.002 + 0.1) * 100)
                         : static_cast<int>(((p - 50) * 0.1 + 1.0) * 100);
    BYTE *dst = image.data();
    const BYTE *src = overlay.data();

    if (mode == 12) {
        // The whole overlay, wrapped round the picture's rows and bytes.
        const double weight = p / 100.0;
        for (int r = 0; r < os.height; ++r) {
            BYTE *d = dst + std::size_t(r % is.height) * is.stride;
            const BYTE *o = src + std::size_t(r) * os.stride;
            for (std::size_t n = 0; n < os.stride; ++n) {
                BYTE &v = d[n % is.stride];
                v = static_cast<BYTE>(std::abs(static_cast<int>(v * (1 - weight) + o[n] * weight)));
            }
        }
        image.Commit(bits, info);
        return 1;
    }

    const int rows = orc.bottom - orc.top, cols = orc.right - orc.left;
    BYTE *firstImage = dst + std::size_t(is.height - ir.bottom) * is.stride + 3 * std::size_t(ir.left);
    const BYTE *firstOverlay
        = src + std::size_t(os.height - orc.bottom) * os.stride + 3 * std::size_t(orc.left);
    const int cx = os.width / 2, cy = os.height / 2;
    const double inner = (q / 100.0) * (q / 100.0);
    for (int r = 0; r < rows; ++r) {
        BYTE *d = firstImage + std::size_t(r) * is.stride;
        const BYTE *o = firstOverlay + std::size_t(r) * os.stride;
        for (int c = 0; c < cols; ++c, d += 3, o += 3) {
            if (mode != 11) {
                BlendPixel(mode, p, q, k, d, o);
                continue;
            }
            // Soft ellipse: the overlay shows fully inside q percent of the half-axes.
            const double ex = double(c - cx) * (c - cx) / (double(cx) * cx);
            const double ey = double(r - cy) * (r - cy) / (double(cy) * cy);
            const double e = ex + ey;
            if (!(e < 1))
                continue;
            double t = 1;
            if (e > inner) {
                t = (1 - std::sqrt(e)) * 100 / p;
                if (!(t >= 0.0001))
                    t = 0;
                else if (t > 1)
                    t = 1;
            }
            for (int ch = 0; ch < 3; ++ch)
                d[ch] = static_cast<BYTE>(std::abs(static_cast<int>((1 - t) * d[ch] + t * o[ch])));
        }
    }
    image.Commit(bits, info);
    return 1;
}
