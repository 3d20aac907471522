#include "image/blackedge.h"

#include "image/maskobj.h"

namespace
{

bool DarkColour(int r, int g, int b)
{
    return static_cast<int>(0.3 * r + 0.59 * g + 0.11 * b) < 100;
}

} // namespace

bool DarkEdgeMask(const DibInfoBlock &info, const void *bits, CMaskObj &mask)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d) || !mask.Create(d.width, d.height, 1))
        return false;
    if (d.bitCount != 1 && d.bitCount != 8 && d.bitCount != 24)
        return true;
    bool darkIndex[256];
    for (int i = 0; i < 256; ++i)
        darkIndex[i] = DarkColour(d.palette[i].rgbRed, d.palette[i].rgbGreen, d.palette[i].rgbBlue);
    const int w = d.width;
    for (int y = 0; y < d.height; ++y) {
        const std::uint8_t *s = d.Row(bits, y);
        auto dark = [&](int x) {
            switch (d.bitCount) {
            case 1:
                return DibGetPixel1(s, x) == 0;
            case 8:
                return darkIndex[s[x]];
            default:
                return DarkColour(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
            }
        };
        int left = 0;
        while (left < w && dark(left))
            ++left;
        mask.ClearRun(y, 0, left);
        int right = w;
        while (right > 0 && dark(right - 1))
            --right;
        mask.ClearRun(y, right, w - right);
    }
    return true;
}
