#include "codec/orient.h"

#include <algorithm>
#include <cstring>

namespace codexa
{

namespace
{

// Source coordinates for output pixel (x, y) of a picture stored w × h.
struct Mapping {
    int orientation;
    int w;
    int h;
    void Source(int x, int y, int &sx, int &sy) const
    {
        switch (orientation) {
        case 2:
            sx = w - 1 - x, sy = y;
            break;
        case 3:
            sx = w - 1 - x, sy = h - 1 - y;
            break;
        case 4:
            sx = x, sy = h - 1 - y;
            break;
        case 5:
            sx = y, sy = x;
            break;
        case 6:
            sx = y, sy = h - 1 - x;
            break;
        case 7:
            sx = w - 1 - y, sy = h - 1 - x;
            break;
        case 8:
            sx = w - 1 - y, sy = x;
            break;
        default:
            sx = x, sy = y;
            break;
        }
    }
};

// Whole bytes per pixel (8 and 24 bits): blocked so both pictures are walked cache-friendly.
template <int N> void TurnBytes(Picture &src, Picture &dst, const Mapping &m)
{
    const int ow = dst.width(), oh = dst.height();
    constexpr int kBlock = 64;
    for (int by = 0; by < oh; by += kBlock) {
        const int yEnd = std::min(oh, by + kBlock);
        for (int bx = 0; bx < ow; bx += kBlock) {
            const int xEnd = std::min(ow, bx + kBlock);
            for (int y = by; y < yEnd; ++y) {
                std::uint8_t *out = dst.RowFromTop(y) + static_cast<std::size_t>(bx) * N;
                for (int x = bx; x < xEnd; ++x, out += N) {
                    int sx, sy;
                    m.Source(x, y, sx, sy);
                    const std::uint8_t *in = src.RowFromTop(sy) + static_cast<std::size_t>(sx) * N;
                    for (int k = 0; k < N; ++k)
                        out[k] = in[k];
                }
            }
        }
    }
}

} // namespace

Status ApplyOrientation(Picture &pic, int orientation)
{
    if (orientation < 2 || orientation > 8 || pic.bits == nullptr)
        return Status::Ok;
    const int w = pic.width(), h = pic.height();
    const bool swap = OrientationTransposes(orientation);
    Picture out;
    int paletteSize = pic.bitCount() <= 8 ? DibPaletteSize(pic.info.bmiHeader) : 0;
    Status s = out.Create(swap ? h : w, swap ? w : h, pic.bitCount(), paletteSize);
    if (s != Status::Ok)
        return s;
    // Keep resolution and palette; swap the resolutions with the axes.
    const BITMAPINFOHEADER &ih = pic.info.bmiHeader;
    out.SetResolution(
        swap ? ih.biYPelsPerMeter : ih.biXPelsPerMeter, swap ? ih.biXPelsPerMeter : ih.biYPelsPerMeter);
    out.info.bmiHeader.biClrUsed = ih.biClrUsed;
    out.info.bmiHeader.biClrImportant = ih.biClrImportant;
    std::memcpy(out.info.bmiColors, pic.info.bmiColors, sizeof pic.info.bmiColors);
    Mapping m { orientation, w, h };
    switch (pic.bitCount()) {
    case 24:
        TurnBytes<3>(pic, out, m);
        break;
    case 8:
        TurnBytes<1>(pic, out, m);
        break;
    default:
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                int sx, sy;
                m.Source(x, y, sx, sy);
                DibSetIndex(
                    out.RowFromTop(y), x, out.bitCount(), DibIndexAt(pic.RowFromTop(sy), sx, pic.bitCount()));
            }
        break;
    }
    pic = std::move(out);
    return Status::Ok;
}

} // namespace codexa
