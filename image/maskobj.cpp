#include "image/maskobj.h"

#include "codec/codexa.h"
#include "image/dibpixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

std::size_t MaskStride(int width, int bitCount)
{
    return static_cast<std::size_t>(((std::int64_t(width) * bitCount + 7) / 8 + 3) / 4 * 4);
}

std::size_t MaskSize(int width, int height, int bitCount)
{
    if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 8))
        return 0;
    return DibCheckedImageSize(width, height, bitCount);
}

// Index of the first byte of `row` (n bytes) that is not `skip`, or n.
int FirstNot(const unsigned char *row, int n, unsigned char skip)
{
    for (int i = 0; i < n; ++i)
        if (row[i] != skip)
            return i;
    return n;
}

} // namespace

CMaskObj::CMaskObj() = default;

CMaskObj::~CMaskObj()
{
    GlobalFree(m_bits);
}

std::size_t CMaskObj::Stride() const
{
    return MaskStride(m_width, m_bitCount);
}

unsigned char *CMaskObj::Row(int storedRow) const
{
    return static_cast<unsigned char *>(m_bits) + std::size_t(storedRow) * Stride();
}

void CMaskObj::Adopt(HGLOBAL bits, int width, int height, int bitCount)
{
    GlobalFree(m_bits);
    m_bits = bits;
    m_width = width;
    m_height = height;
    m_bitCount = bitCount;
    m_boundsDirty = 1;
    m_outline.clear();
}

bool CMaskObj::Create(int width, int height, int bitCount)
{
    std::size_t size = MaskSize(width, height, bitCount);
    if (size == 0)
        return false;
    HGLOBAL block = GlobalAlloc(GPTR, size);
    if (block == nullptr)
        return false;
    std::memset(block, 0xFF, size);
    Adopt(block, width, height, bitCount);
    return true;
}

bool CMaskObj::Invert()
{
    if (m_bits == nullptr)
        return false;
    auto *p = static_cast<unsigned char *>(m_bits);
    const std::size_t size = Stride() * std::size_t(m_height);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = static_cast<unsigned char>(~p[i]);
    m_boundsDirty = 1;
    return true;
}

void CMaskObj::ClearRun(int storedRow, int x, int count)
{
    if (m_bits == nullptr || storedRow < 0 || storedRow >= m_height || count <= 0)
        return;
    const int x0 = std::max(x, 0);
    const int x1 = static_cast<int>(std::min<std::int64_t>(std::int64_t(x) + count, m_width));
    if (x0 >= x1)
        return;
    unsigned char *row = Row(storedRow);
    m_boundsDirty = 1;
    if (m_bitCount == 8) {
        std::memset(row + x0, 0, std::size_t(x1 - x0));
        return;
    }
    int b0 = x0 >> 3, b1 = (x1 - 1) >> 3;
    unsigned char head = static_cast<unsigned char>(0xFFu >> (x0 & 7)); // bits from x0 on
    unsigned char tail = static_cast<unsigned char>(0xFFu << (7 - ((x1 - 1) & 7))); // bits up to x1 - 1
    if (b0 == b1) {
        row[b0] &= static_cast<unsigned char>(~(head & tail));
        return;
    }
    row[b0] &= static_cast<unsigned char>(~head);
    if (b1 > b0 + 1)
        std::memset(row + b0 + 1, 0, std::size_t(b1 - b0 - 1));
    row[b1] &= static_cast<unsigned char>(~tail);
}

bool CMaskObj::AddShape(Shape shape, int left, int top, int right, int bottom)
{
    if (m_bits == nullptr)
        return false;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left > m_width || top > m_height || right < 0 || bottom < 0)
        return false;
    const int W = right - left, H = bottom - top;
    if (shape == Shape::Rect || W < 3 || H < 3) {
        for (int y = top; y < bottom; ++y)
            ClearRun(m_height - 1 - y, left, W);
        return true;
    }
    const double ha = W * 0.5, hb = H * 0.5;
    const int cx = W / 2, cy = H / 2;
    for (int k = 0; k < H; ++k) {
        const double d = k - cy;
        const double q = 1.0 - d * d / hb / hb;
        if (q < 0)
            continue;
        const int half = static_cast<int>(std::sqrt(q) * ha);
        // Line k counts upward from the rectangle's bottom line (top-down line bottom - 1 - k).
        ClearRun(m_height - bottom + k, left + cx - half, 2 * half);
    }
    return true;
}

bool CMaskObj::AddRect(int left, int top, int right, int bottom)
{
    return AddShape(Shape::Rect, left, top, right, bottom);
}

bool CMaskObj::AddEllipse(int left, int top, int right, int bottom)
{
    return AddShape(Shape::Ellipse, left, top, right, bottom);
}

template <class Add> bool CMaskObj::Subtract(Add add)
{
    if (!Invert())
        return false;
    const bool ok = add();
    Invert();
    return ok;
}

bool CMaskObj::SubRect(int left, int top, int right, int bottom)
{
    return Subtract([&] { return AddRect(left, top, right, bottom); });
}

bool CMaskObj::SubEllipse(int left, int top, int right, int bottom)
{
    return Subtract([&] { return AddEllipse(left, top, right, bottom); });
}

bool CMaskObj::AddPolygon(int count, const POINT *points)
{
    if (m_bits == nullptr || points == nullptr || count < 3)
        return false;
    ScratchBlock scratch(std::size_t(count) * (sizeof(POINT) + sizeof(int)));
    if (!scratch.ok())
        return false;
    auto *pts = scratch.as<POINT>();
    int *cross = reinterpret_cast<int *>(pts + count);
    LONG minX = m_width, minY = m_height, maxX = 0, maxY = 0;
    for (int i = 0; i < count; ++i) {
        LONG x = std::clamp<LONG>(points[i].x, 0, m_width);
        LONG y = m_height - std::clamp<LONG>(points[i].y, 0, m_height); // stored row
        pts[i] = POINT { x, y };
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    for (int i = 0; i < count; ++i) {
        pts[i].x -= minX;
        pts[i].y -= minY;
    }
    for (LONG y = 0; y < maxY - minY; ++y) {
        int n = 0;
        for (int i = 0; i < count; ++i) {
            const POINT &p1 = pts[i];
            const POINT &p2 = pts[(i + 1) % count];
            if (y < std::min(p1.y, p2.y) || y >= std::max(p1.y, p2.y))
                continue;
            cross[n++] = static_cast<int>(p1.x + std::int64_t(p2.x - p1.x) * (y - p1.y) / (p2.y - p1.y));
        }
        for (int i = 0; i + 1 < n; ++i) // exchange sort
            for (int k = i + 1; k < n; ++k)
                if (cross[k] < cross[i])
                    std::swap(cross[i], cross[k]);
        for (int i = 0; i + 1 < n; i += 2)
            ClearRun(static_cast<int>(y + minY), cross[i] + minX, cross[i + 1] - cross[i]);
    }
    m_boundsDirty = 1;
    return true;
}

bool CMaskObj::SubPolygon(int count, const POINT *points)
{
    return Subtract([&] { return AddPolygon(count, points); });
}

RECT CMaskObj::GetBounds(int refresh)
{
    if (!m_boundsDirty)
        return m_bounds;
    RECT r { 0, 0, 0, 0 };
    if (m_bits != nullptr) {
        int minRow = -1, maxRow = -1, minCol = m_width, maxCol = -1;
        const int rowBytes = m_bitCount == 8 ? m_width : (m_width + 7) / 8;
        for (int y = 0; y < m_height; ++y) {
            const unsigned char *row = Row(y);
            int first = -1, last = -1;
            if (m_bitCount == 8) {
                for (int x = 0; x < m_width; ++x)
                    if (row[x] < 128) {
                        if (first < 0)
                            first = x;
                        last = x;
                    }
            } else {
                // Skip whole unselected bytes, then look at the bits of the remaining ones.
                int b = FirstNot(row, rowBytes, 0xFF);
                for (; b < rowBytes; ++b) {
                    if (row[b] == 0xFF)
                        continue;
                    for (int x = b * 8; x < std::min(m_width, b * 8 + 8); ++x)
                        if (!DibGetPixel1(row, x)) {
                            if (first < 0)
                                first = x;
                            last = x;
                        }
                }
            }
            if (first < 0)
                continue;
            if (minRow < 0)
                minRow = y;
            maxRow = y;
            minCol = std::min(minCol, first);
            maxCol = std::max(maxCol, last);
        }
        if (minRow >= 0)
            r = RECT { minCol, m_height - 1 - maxRow, maxCol + 1, m_height - minRow };
    }
    m_bounds = r;
    if (refresh == 1)
        m_boundsDirty = 0;
    return m_bounds;
}

int CMaskObj::ValueAt(int column, int storedRow) const
{
    if (m_bits == nullptr || column < 0 || column >= m_width || storedRow < 0 || storedRow >= m_height)
        return 255;
    const unsigned char *row = Row(storedRow);
    if (m_bitCount == 8)
        return row[column];
    return DibGetPixel1(row, column) ? 255 : 0;
}

bool CMaskObj::To1Bit()
{
    if (m_bits == nullptr)
        return false;
    if (m_bitCount == 1)
        return true;
    std::size_t size = MaskSize(m_width, m_height, 1);
    HGLOBAL block = size ? GlobalAlloc(GPTR, size) : nullptr;
    if (block == nullptr)
        return false;
    const std::size_t stride = MaskStride(m_width, 1);
    for (int y = 0; y < m_height; ++y) {
        const unsigned char *s = Row(y);
        auto *o = static_cast<unsigned char *>(block) + std::size_t(y) * stride;
        for (int x = 0; x < m_width; ++x)
            if (s[x] > 128)
                o[x >> 3] |= static_cast<unsigned char>(0x80u >> (x & 7));
    }
    Adopt(block, m_width, m_height, 1);
    return true;
}

void CMaskObj::CodecHeader(DibInfoBlock &info) const
{
    DibInitHeader(info, m_width, m_height, m_bitCount);
    DibGreyPalette(info, 1 << m_bitCount);
}

namespace
{

// Brings a resampled picture back to an 8-bit mask of the same size (grey of each pixel).
HGLOBAL ToMask8(const DibInfoBlock &info, HGLOBAL bits)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d))
        return nullptr;
    const std::size_t stride = MaskStride(d.width, 8);
    HGLOBAL block = GlobalAlloc(GPTR, stride * std::size_t(d.height));
    if (block == nullptr)
        return nullptr;
    for (int y = 0; y < d.height; ++y) {
        const std::uint8_t *s = d.Row(bits, y);
        auto *o = static_cast<std::uint8_t *>(block) + std::size_t(y) * stride;
        for (int x = 0; x < d.width; ++x) {
            const RGBQUAD *q = nullptr;
            switch (d.bitCount) {
            case 1:
                q = &d.palette[DibGetPixel1(s, x)];
                break;
            case 4:
                q = &d.palette[DibGetPixel4(s, x)];
                break;
            case 8:
                q = &d.palette[s[x]];
                break;
            case 24:
                o[x] = static_cast<std::uint8_t>(GreyOf(s[3 * x + 2], s[3 * x + 1], s[3 * x]));
                break;
            case 32:
                o[x] = static_cast<std::uint8_t>(GreyOf(s[4 * x + 2], s[4 * x + 1], s[4 * x]));
                break;
            default:
                o[x] = 255;
                break;
            }
            if (q)
                o[x] = static_cast<std::uint8_t>(GreyOf(q->rgbRed, q->rgbGreen, q->rgbBlue));
        }
    }
    return block;
}

// Resamples an 8-bit mask through the codec library into a width × height 8-bit mask.
HGLOBAL Resample8(const CMaskObj &mask, int width, int height, const RECT &rect)
{
    DibInfoBlock src {};
    mask.CodecHeader(src);
    DibInfoBlock out {};
    HGLOBAL outBits = nullptr;
    SIZE size { width, height };
    if (CodexaResample(&out, &outBits, &src, mask.Bits(), &size, rect, 2) != 1 || outBits == nullptr)
        return nullptr;
    HGLOBAL block = nullptr;
    if (out.bmiHeader.biWidth == width && out.bmiHeader.biHeight == height)
        block = ToMask8(out, outBits);
    CodexaRelease(&outBits);
    return block;
}

} // namespace

bool CMaskObj::Resize(int width, int height)
{
    if (m_bits == nullptr)
        return false;
    if (width == m_width && height == m_height)
        return true;
    if (MaskSize(width, height, m_bitCount) == 0)
        return false;
    if (m_bitCount == 8) {
        HGLOBAL block = Resample8(*this, width, height, RECT { 0, 0, width, height });
        if (block == nullptr)
            return false;
        Adopt(block, width, height, 8);
        return true;
    }
    CMaskObj scaled;
    if (!ScaledCopy(scaled, width, height, RECT { 0, 0, width, height }))
        return false;
    Adopt(scaled.m_bits, width, height, 1);
    scaled.m_bits = nullptr;
    return true;
}

bool CMaskObj::ScaledCopy(CMaskObj &dest, int width, int height, const RECT &rect) const
{
    if (m_bits == nullptr || &dest == this)
        return false;
    if (m_bitCount == 8) {
        HGLOBAL block = Resample8(*this, width, height, rect);
        if (block == nullptr)
            return false;
        dest.Adopt(block, width, height, 8);
        return true;
    }
    CMaskObj out;
    if (!out.Create(width, height, 1))
        return false;
    const std::int64_t rw = std::int64_t(rect.right) - rect.left, rh = std::int64_t(rect.bottom) - rect.top;
    if (rw > 0 && rh > 0) {
        const std::int64_t rowBase = height - std::int64_t(rect.bottom); // stored row of rect's bottom
        const int x0 = static_cast<int>(std::max<std::int64_t>(rect.left, 0));
        const int x1 = static_cast<int>(std::min<std::int64_t>(rect.right, width));
        const int y0 = static_cast<int>(std::max<std::int64_t>(rowBase, 0));
        const int y1 = static_cast<int>(std::min<std::int64_t>(rowBase + rh, height));
        for (int y = y0; y < y1; ++y) {
            const unsigned char *s = Row(static_cast<int>((y - rowBase) * m_height / rh));
            unsigned char *o = out.Row(y);
            for (int x = x0; x < x1; ++x)
                if (!DibGetPixel1(s, static_cast<int>((x - rect.left) * m_width / rw)))
                    o[x >> 3] &= static_cast<unsigned char>(~(0x80u >> (x & 7)));
        }
    }
    dest.Adopt(out.m_bits, width, height, 1);
    out.m_bits = nullptr;
    return true;
}
