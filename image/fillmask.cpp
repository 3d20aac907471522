#include "image/fillmask.h"

#include "image/maskobj.h"
#include "image/parallelrows.h"

#include <algorithm>

int NearestPaletteIndex(const RGBQUAD *palette, int count, COLORREF colour)
{
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const long dr = palette[i].rgbRed - r, dg = palette[i].rgbGreen - g, db = palette[i].rgbBlue - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

bool FillByMaskDib(
    DibInfoBlock &info, void *bits, const CMaskObj &mask, COLORREF colour, int maskX, int maskRow)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d) || mask.IsEmpty())
        return false;
    if (d.bitCount == 1 && mask.BitCount() != 1)
        return false;
    // Picture columns and stored rows the mask covers.
    const int x0 = std::max(0, -maskX), x1 = std::min(d.width, mask.Width() - maskX);
    const int y0 = std::max(0, -maskRow), y1 = std::min(d.height, mask.Height() - maskRow);
    if (x0 >= x1 || y0 >= y1)
        return true;
    const std::uint8_t r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int index = 0;
    if (d.bitCount == 1)
        index = info.bmiColors[0].rgbBlue == 255 ? 0 : 1;
    else if (d.bitCount <= 8)
        index = NearestPaletteIndex(d.palette, std::max(d.paletteSize, 1), colour);
    const std::uint16_t v555 = Pack555(r, g, b);
    const bool mask8 = mask.BitCount() == 8;

    ParallelRows(y1 - y0, std::int64_t(x1 - x0) * (y1 - y0), [&](int first, int last) {
        for (int y = y0 + first; y < y0 + last; ++y) {
            std::uint8_t *row = d.Row(bits, y);
            const unsigned char *m = mask.Row(y + maskRow);
            for (int x = x0; x < x1; ++x) {
                const int mx = x + maskX;
                const bool selected = mask8 ? m[mx] < 128 : !DibGetPixel1(m, mx);
                if (!selected)
                    continue;
                switch (d.bitCount) {
                case 1:
                    DibSetPixel1(row, x, index);
                    break;
                case 4:
                    DibSetPixel4(row, x, index);
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(index);
                    break;
                case 16:
                    row[2 * x] = static_cast<std::uint8_t>(v555 & 0xFF);
                    row[2 * x + 1] = static_cast<std::uint8_t>(v555 >> 8);
                    break;
                case 24:
                    row[3 * x] = b;
                    row[3 * x + 1] = g;
                    row[3 * x + 2] = r;
                    break;
                case 32:
                    row[4 * x] = b;
                    row[4 * x + 1] = g;
                    row[4 * x + 2] = r;
                    row[4 * x + 3] = 0;
                    break;
                }
            }
        }
    });
    return true;
}
