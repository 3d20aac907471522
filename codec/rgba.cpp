#include "codec/rgba.h"

#include <cstring>

namespace codexa
{

Status PictureFromRows(
    const std::uint8_t *rows, std::size_t stride, int width, int height, PixelOrder order, Picture &out)
{
    if (out.bits == nullptr || out.width() != width || out.height() != height || out.bitCount() != 24) {
        Status s = out.Create(width, height, 24);
        if (s != Status::Ok)
            return s;
    }
    const bool alpha = order == PixelOrder::Rgba || order == PixelOrder::Bgra;
    const bool bgr = order == PixelOrder::Bgr || order == PixelOrder::Bgra;
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *src = rows + static_cast<std::size_t>(y) * stride;
        std::uint8_t *dst = out.RowFromTop(y);
        if (bgr && !alpha) {
            std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x, src += step, dst += 3) {
            const unsigned r = bgr ? src[2] : src[0];
            const unsigned g = src[1];
            const unsigned b = bgr ? src[0] : src[2];
            if (alpha && src[3] != 255) {
                dst[0] = OverWhite(b, src[3]);
                dst[1] = OverWhite(g, src[3]);
                dst[2] = OverWhite(r, src[3]);
            } else {
                dst[0] = static_cast<std::uint8_t>(b);
                dst[1] = static_cast<std::uint8_t>(g);
                dst[2] = static_cast<std::uint8_t>(r);
            }
        }
    }
    return Status::Ok;
}

bool TopDownRgb(const PictureView &view, std::vector<std::uint8_t> &rgb)
{
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * 3;
    try {
        rgb.resize(rowBytes * static_cast<std::size_t>(view.height));
    } catch (...) {
        return false;
    }
    for (int y = 0; y < view.height; ++y) {
        std::uint8_t *row = rgb.data() + rowBytes * static_cast<std::size_t>(y);
        view.RowBGR(y, row);
        for (std::size_t x = 0; x < rowBytes; x += 3)
            std::swap(row[x], row[x + 2]);
    }
    return true;
}

void FullSizeInfo(int width, int height, DibInfoBlock *info)
{
    if (info != nullptr)
        DibInitHeader(*info, width, height, 24);
}

Status CheckSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        return Status::Corrupt;
    if (width > 0x7fffffff || height > 0x7fffffff || width * height > PixelLimit())
        return Status::TooLarge;
    return Status::Ok;
}

} // namespace codexa
