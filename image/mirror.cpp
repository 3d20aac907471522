#include "image/mirror.h"

#include "image/parallelrows.h"

#include <cstring>

namespace
{

template <int Bytes> void MirrorRow(const std::uint8_t *s, std::uint8_t *o, int w)
{
    const std::uint8_t *p = s + std::size_t(w - 1) * Bytes;
    for (int x = 0; x < w; ++x, p -= Bytes, o += Bytes)
        for (int k = 0; k < Bytes; ++k)
            o[k] = p[k];
}

void MirrorRows(const DibLayout &d, const std::uint8_t *src, std::uint8_t *dst, int first, int last)
{
    const int w = d.width;
    for (int y = first; y < last; ++y) {
        const std::uint8_t *s = d.Row(src, y);
        std::uint8_t *o = d.Row(dst, y);
        switch (d.bitCount) {
        case 1:
            for (int x = 0; x < w; ++x)
                DibSetPixel1(o, x, DibGetPixel1(s, w - 1 - x));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                DibSetPixel4(o, x, DibGetPixel4(s, w - 1 - x));
            break;
        case 8:
            MirrorRow<1>(s, o, w);
            break;
        case 16:
            MirrorRow<2>(s, o, w);
            break;
        case 24:
            MirrorRow<3>(s, o, w);
            break;
        case 32:
            MirrorRow<4>(s, o, w);
            break;
        }
    }
}

} // namespace

bool MirrorFlipDib(const DibInfoBlock &info, const void *bits, int direction, DibResult &out)
{
    DibLayout d;
    if ((direction != 0 && direction != 1) || !DibLayoutOf(&info, bits, d))
        return false;
    HGLOBAL block = DibAllocPixels(d.width, d.height, d.bitCount);
    if (block == nullptr)
        return false;
    out.bits = block;
    std::memcpy(&out.info, &info, DibHeaderBytes(info.bmiHeader));
    const auto *src = static_cast<const std::uint8_t *>(bits);
    auto *dst = static_cast<std::uint8_t *>(block);
    ParallelRows(d.height, std::int64_t(d.width) * d.height, [&](int first, int last) {
        if (direction == 0) {
            MirrorRows(d, src, dst, first, last);
        } else {
            for (int y = first; y < last; ++y)
                std::memcpy(d.Row(dst, y), d.Row(src, d.height - 1 - y), d.stride);
        }
    });
    return true;
}
