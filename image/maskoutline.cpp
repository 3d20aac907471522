// The outline of a mask: selected pixels with at least one unselected 8-neighbour.
#include "image/dibpixels.h"
#include "image/maskobj.h"

#include <cstring>
#include <new>

namespace
{

// 1 where the pixel of the stored row is selected; the two ends (index 0 and width + 1) stay 0.
void SelectedRow(const CMaskObj &mask, int storedRow, unsigned char *out)
{
    const int w = mask.Width();
    std::memset(out, 0, std::size_t(w) + 2);
    if (storedRow < 0 || storedRow >= mask.Height())
        return;
    const unsigned char *row = mask.Row(storedRow);
    if (mask.BitCount() == 8) {
        for (int x = 0; x < w; ++x)
            out[x + 1] = row[x] < 128;
    } else {
        for (int x = 0; x < w; ++x)
            out[x + 1] = !DibGetPixel1(row, x);
    }
}

// 1 where the pixel and both its horizontal neighbours are selected.
void Triple(const unsigned char *sel, int w, unsigned char *out)
{
    for (int x = 1; x <= w; ++x)
        out[x] = sel[x - 1] & sel[x] & sel[x + 1];
}

} // namespace

bool CMaskObj::ComputeOutline()
{
    m_outline.clear();
    if (m_bits == nullptr)
        return false;
    const int w = m_width, h = m_height;
    const std::size_t n = std::size_t(w) + 2;
    ScratchBlock scratch(n * 6);
    if (!scratch.ok())
        return false;
    unsigned char *sel[3], *tri[3];
    for (int k = 0; k < 3; ++k) {
        sel[k] = scratch.as<unsigned char>() + n * k;
        tri[k] = scratch.as<unsigned char>() + n * (3 + k);
    }
    // Top-down line y is stored row h - 1 - y; sel[0] holds the line above, sel[2] the one below.
    SelectedRow(*this, h, sel[0]);
    SelectedRow(*this, h - 1, sel[1]);
    Triple(sel[0], w, tri[0]);
    Triple(sel[1], w, tri[1]);
    try {
        for (int y = 0; y < h; ++y) {
            SelectedRow(*this, h - 2 - y, sel[2]);
            Triple(sel[2], w, tri[2]);
            const unsigned char *cur = sel[1];
            for (int x = 1; x <= w; ++x)
                if (cur[x] && !(tri[0][x] & tri[1][x] & tri[2][x]))
                    m_outline.push_back(POINT { x - 1, y });
            unsigned char *s0 = sel[0], *t0 = tri[0];
            sel[0] = sel[1];
            sel[1] = sel[2];
            sel[2] = s0;
            tri[0] = tri[1];
            tri[1] = tri[2];
            tri[2] = t0;
        }
    } catch (const std::bad_alloc &) {
        m_outline.clear();
        return false;
    }
    return true;
}
