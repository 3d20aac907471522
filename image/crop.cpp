#include "image/crop.h"

#include "image/parallelrows.h"

#include <algorithm>
#include <cstring>

bool CropClip(int width, int height, int &left, int &top, int &right, int &bottom)
{
    if (std::int64_t(right) - left < 1 || std::int64_t(bottom) - top < 1)
        return false;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width);
    bottom = std::min(bottom, height);
    return left < right && top < bottom;
}

CropOutcome CropDib(
    const DibInfoBlock &info, const void *bits, int left, int top, int right, int bottom, DibResult &out)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d) || !CropClip(d.width, d.height, left, top, right, bottom))
        return CropOutcome::Failed;
    if (left == 0 && top == 0 && right == d.width && bottom == d.height)
        return CropOutcome::Whole;
    const int nw = right - left, nh = bottom - top;
    std::size_t stride = 0;
    HGLOBAL block = DibAllocPixels(nw, nh, d.bitCount, &stride);
    if (block == nullptr)
        return CropOutcome::Failed;
    out.bits = block;
    DibCopyHeader(info, out.info, nw, nh);
    auto *dst = static_cast<std::uint8_t *>(block);
    const int firstRow = d.height - bottom;
    const int bpp = d.bitCount;
    ParallelRows(nh, std::int64_t(nw) * nh, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const std::uint8_t *s = d.Row(bits, firstRow + y);
            std::uint8_t *o = dst + std::size_t(y) * stride;
            if (bpp >= 8) {
                std::memcpy(o, s + std::size_t(left) * (bpp / 8), std::size_t(nw) * (bpp / 8));
            } else if (bpp == 4) {
                for (int x = 0; x < nw; ++x)
                    DibSetPixel4(o, x, DibGetPixel4(s, left + x));
            } else {
                const int shift = left & 7, k0 = left >> 3;
                const int outBytes = (nw + 7) / 8, srcBytes = (d.width + 7) / 8;
                if (shift == 0) {
                    std::memcpy(o, s + k0, std::size_t(outBytes));
                    continue;
                }
                for (int k = 0; k < outBytes; ++k) {
                    const int hi = s[k0 + k] << shift;
                    const int next = k0 + k + 1 < srcBytes ? s[k0 + k + 1] : 0xFF;
                    o[k] = static_cast<std::uint8_t>(hi | (next >> (8 - shift)));
                }
            }
        }
    });
    return CropOutcome::Cropped;
}
