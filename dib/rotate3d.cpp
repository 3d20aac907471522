// Perspective turn of a picture about one of its centre lines, on a white canvas.
#include "dib/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace dib
{

namespace
{

// One bilinear sample at (fx, fy) in 1/1024 pixel; neighbours outside the picture are white.
void Sample(const Shape &s, const BYTE *src, std::int64_t fx, std::int64_t fy, BYTE *d)
{
    const std::int64_t ix = fx >> 10, iy = fy >> 10;
    const int ax = static_cast<int>(fx & 1023), ay = static_cast<int>(fy & 1023);
    const BYTE white[3] = { 255, 255, 255 };
    auto at = [&](std::int64_t x, std::int64_t y) {
        return x >= 0 && x < s.width && y >= 0 && y < s.height
            ? src + std::size_t(y) * s.stride + 3 * std::size_t(x)
            : white;
    };
    const BYTE *p00 = at(ix, iy), *p01 = at(ix + 1, iy), *p10 = at(ix, iy + 1), *p11 = at(ix + 1, iy + 1);
    for (int c = 0; c < 3; ++c)
        d[c] = static_cast<BYTE>(
            ((p00[c] * (1024 - ax) + p01[c] * ax) * (1024 - ay) + (p10[c] * (1024 - ax) + p11[c] * ax) * ay)
            >> 20);
}

std::int64_t Fixed(double v)
{
    return static_cast<std::int64_t>(std::floor(v * 1024));
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API int DibRotate3D(HGLOBAL *bits, BITMAPINFO **info, double angle, int depth, int axis)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr || !std::isfinite(angle))
        return 0;
    depth = std::clamp(depth, 0, 100);
    Private24 image;
    if (!image.Make(*bits, *info))
        return 0;
    const Shape &s = image.shape();
    const double radians = angle * kDegreeToRadian;
    const double sn = std::sin(radians), asn = std::abs(sn);
    const double cs = std::cos(radians), acs = std::max(std::abs(cs), 1e-8);
    const bool vertical = axis != 0; // about the vertical centre line: columns are the scan lines
    // Along the scan lines (a) and across them (b).
    const double along = vertical ? s.height : s.width, across = vertical ? s.width : s.height;
    const double d = std::trunc(across * depth * sn * 0.01);
    const double newAlong = std::trunc((asn * 0.25 + 1) * along);
    const double newAcross = std::trunc(across * acs) + std::abs(d);
    if (newAlong > std::numeric_limits<int>::max() || newAcross > std::numeric_limits<int>::max())
        return 0;
    const int na = std::max(1, static_cast<int>(newAlong)), nb = std::max(1, static_cast<int>(newAcross));
    const int width = vertical ? nb : na, height = vertical ? na : nb;
    const std::size_t size = ImageBytes(width, height, 24);
    if (size == 0)
        return 0;
    Block block(size);
    if (!block)
        return 0;
    std::memset(block.data(), 255, size);

    // The far edge of the turned plane: the top (or left) edge in the first and third quadrants.
    double turned = std::fmod(angle, 360.0);
    if (turned < 0)
        turned += 360;
    const bool farFirst = turned < 90 || (turned >= 180 && turned < 270);
    const double nearLength = na, farLength = std::max(1.0, na - std::abs(d));
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, 24));
    const BYTE *src = image.data();
    BYTE *dst = block.data();
    const double flip = cs < 0 ? -1 : 1; // past a quarter turn the picture is seen from behind

    ParallelBands(nb, ThreadsFor(std::int64_t(width) * height), [&](int, int b0, int b1) {
        for (int b = b0; b < b1; ++b) {
            // Position across: the first and last scan lines lie on the picture's edges.
            const double u = (b + 0.5) / nb; // 0 at memory row 0 (or the left column)
            const double place = nb > 1 ? b * (across - 1) / (nb - 1) : (across - 1) / 2;
            const double sb = flip > 0 ? place : across - 1 - place;
            // Nearness grows linearly from the far edge (top: the last memory row; or the left).
            const double nearness = vertical ? (farFirst ? u : 1 - u) : (farFirst ? 1 - u : u);
            const double length = farLength + (nearLength - farLength) * nearness;
            const std::int64_t fb = Fixed(sb);
            if (fb < 0 || (fb >> 10) >= std::int64_t(across))
                continue;
            for (int a = 0; a < na; ++a) {
                const double sa = along / 2 + (a + 0.5 - na / 2.0) * along / length - 0.5;
                if (!(sa > -1 && sa < along))
                    continue;
                const std::int64_t fa = Fixed(sa);
                BYTE *out = vertical ? dst + std::size_t(a) * stride + 3 * std::size_t(b)
                                     : dst + std::size_t(b) * stride + 3 * std::size_t(a);
                if (vertical)
                    Sample(s, src, fb, fa, out);
                else
                    Sample(s, src, fa, fb, out);
            }
        }
    });

    image.Commit(bits, info); // the 24-bit header, then the turned pixels
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    h.biWidth = width;
    h.biHeight = height;
    h.biSizeImage = static_cast<DWORD>(size);
    StoreBits(bits, block);
    return 1;
}
