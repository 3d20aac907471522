#include "imagepane/displayform.h"

#include "image/parallelrows.h"
#include "imagepane/zoommath.h"

#include <cstring>
#include <vector>

namespace
{

constexpr std::uint32_t kOpaque = 0xFF000000u;

inline std::uint32_t Pack(unsigned r, unsigned g, unsigned b)
{
    return kOpaque | (r << 16) | (g << 8) | b;
}

// One row of 24-bit pixels shown 1:1 from column x0 on.
void Row24Direct(const std::uint8_t *s, int x0, int width, std::uint32_t *o)
{
    s += 3 * static_cast<std::size_t>(x0);
    for (int i = 0; i < width; ++i)
        o[i] = Pack(s[3 * i + 2], s[3 * i + 1], s[3 * i]);
}

} // namespace

bool CDisplayForm::Prepare(const DibInfoBlock *info, const void *bits)
{
    Clear();
    DibLayout layout;
    if (!DibLayoutOf(info, bits, layout))
        return false;
    m_layout = layout;
    for (int i = 0; i < 256; ++i) {
        if (i < layout.paletteSize) {
            const RGBQUAD &q = layout.palette[i];
            m_colours[i] = Pack(q.rgbRed, q.rgbGreen, q.rgbBlue);
        } else {
            m_colours[i] = kOpaque;
        }
    }
    m_info = info;
    m_bits = bits;
    return true;
}

void CDisplayForm::Clear()
{
    m_layout = DibLayout {};
    m_info = nullptr;
    m_bits = nullptr;
}

bool CDisplayForm::Matches(const DibInfoBlock *info, const void *bits) const
{
    return m_bits != nullptr && info == m_info && bits == m_bits && info->bmiHeader.biWidth == m_layout.width
        && info->bmiHeader.biHeight == m_layout.height && info->bmiHeader.biBitCount == m_layout.bitCount;
}

void CDisplayForm::Render(const ZoomView &view, int left, int top, int width, int height, std::uint32_t *dest,
    std::size_t destStride) const
{
    if (!IsReady() || width <= 0 || height <= 0 || view.zoomedWidth <= 0 || view.zoomedHeight <= 0)
        return;
    std::vector<int> columns;
    try {
        columns.resize(static_cast<std::size_t>(width));
    } catch (const std::bad_alloc &) {
        return;
    }
    int step = 1;
    switch (m_layout.bitCount) {
    case 16:
        step = 2;
        break;
    case 24:
        step = 3;
        break;
    case 32:
        step = 4;
        break;
    default:
        break;
    }
    for (int i = 0; i < width; ++i)
        columns[static_cast<std::size_t>(i)]
            = step * SourceIndex(left + i - view.origin.x, m_layout.width, view.zoomedWidth);
    const std::int64_t work = static_cast<std::int64_t>(width) * height;
    ParallelRows(height, work, [&](int first, int last) {
        RenderRows(view, left, top, width, columns.data(), first, last, dest, destStride);
    });
}

void CDisplayForm::RenderRows(const ZoomView &view, int left, int top, int width, const int *columns,
    int firstRow, int lastRow, std::uint32_t *dest, std::size_t destStride) const
{
    const bool direct = view.zoomedWidth == m_layout.width;
    const int x0 = left - view.origin.x;
    int previous = -1;
    for (int r = firstRow; r < lastRow; ++r) {
        std::uint32_t *o = dest + static_cast<std::size_t>(r) * destStride;
        const int sy = SourceIndex(top + r - view.origin.y, m_layout.height, view.zoomedHeight);
        if (sy == previous) {
            std::memcpy(o, o - destStride, static_cast<std::size_t>(width) * sizeof *o);
            continue;
        }
        previous = sy;
        const std::uint8_t *s = m_layout.Row(m_bits, m_layout.height - 1 - sy);
        switch (m_layout.bitCount) {
        case 1:
            for (int i = 0; i < width; ++i)
                o[i] = m_colours[DibGetPixel1(s, columns[i])];
            break;
        case 4:
            for (int i = 0; i < width; ++i)
                o[i] = m_colours[DibGetPixel4(s, columns[i])];
            break;
        case 8:
            for (int i = 0; i < width; ++i)
                o[i] = m_colours[s[columns[i]]];
            break;
        case 16:
            for (int i = 0; i < width; ++i) {
                int red, green, blue;
                const int c = columns[i];
                Expand555(static_cast<std::uint16_t>(s[c] | (s[c + 1] << 8)), red, green, blue);
                o[i] = Pack(unsigned(red), unsigned(green), unsigned(blue));
            }
            break;
        case 24:
            if (direct) {
                Row24Direct(s, x0, width, o);
                break;
            }
            for (int i = 0; i < width; ++i) {
                const std::uint8_t *p = s + columns[i];
                o[i] = Pack(p[2], p[1], p[0]);
            }
            break;
        case 32:
            for (int i = 0; i < width; ++i) {
                const std::uint8_t *p = s + columns[i];
                o[i] = Pack(p[2], p[1], p[0]);
            }
            break;
        default:
            break;
        }
    }
}
