// The selection as a bitmap mask the size of the displayed picture. 1-bit masks: a cleared bit
// is selected; 8-bit masks: a value below 128 is selected. Rows are stored bottom-up with
// 4-byte padding, like a picture.
#pragma once

#include "platform/noncopyable.h"
#include "platform/wintypes.h"

#include <vector>

class CMaskObj : NonCopyable
{
public:
    CMaskObj();
    ~CMaskObj();

    // A mask with nothing selected (every byte 0xFF). False (mask unchanged) without memory.
    bool Create(int width, int height, int bitCount = 1);
    // Every byte of every row inverted.
    bool Invert();
    // Rectangles in top-down coordinates; normalised; refused when wholly left of, above, right
    // of or below the mask. The ellipse is inscribed in the rectangle (a plain rectangle below
    // 3 × 3).
    bool AddRect(int left, int top, int right, int bottom);
    bool AddEllipse(int left, int top, int right, int bottom);
    bool SubRect(int left, int top, int right, int bottom);
    bool SubEllipse(int left, int top, int right, int bottom);
    // Scan-line fill of the closed polygon (top-down points, clamped to the mask).
    bool AddPolygon(int count, const POINT *points);
    bool SubPolygon(int count, const POINT *points);
    // Selects `count` pixels of a stored row from column x, clipped to the row.
    void ClearRun(int storedRow, int x, int count);

    // Bounding rectangle of the selected pixels (top-down, right and bottom exclusive), (0, 0, 0, 0)
    // when nothing is selected. Recomputed when the bits changed; refresh == 1 marks it current.
    RECT GetBounds(int refresh);
    // Same size: nothing. 1-bit: nearest neighbour; 8-bit: resampled by the codec library.
    bool Resize(int width, int height);
    // dest becomes a width × height mask holding this mask scaled into rect (top-down, in dest's
    // coordinates); outside rect nothing is selected.
    bool ScaledCopy(CMaskObj &dest, int width, int height, const RECT &rect) const;
    // 1-bit: 0 (selected) or 255; 8-bit: the byte; 255 outside the mask. Row is a stored row.
    int ValueAt(int column, int storedRow) const;
    bool IsSelected(int column, int storedRow) const { return ValueAt(column, storedRow) < 128; }
    // 8-bit to 1-bit: the bit is set (unselected) where the byte is above 128.
    bool To1Bit();
    // Header for handing the mask to the codec library: grey palette of 2^bitCount entries.
    void CodecHeader(DibInfoBlock &info) const;

    // The pixels on the border between selected and unselected pixels (8-neighbourhood, the
    // mask's edges count as border), as top-down (x, y), row by row.
    bool ComputeOutline();
    const std::vector<POINT> &Outline() const { return m_outline; }

    bool IsEmpty() const { return m_bits == nullptr; }
    HGLOBAL Bits() const { return m_bits; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitCount() const { return m_bitCount; }
    std::size_t Stride() const;
    unsigned char *Row(int storedRow) const;

private:
    enum class Shape { Rect, Ellipse };
    bool AddShape(Shape shape, int left, int top, int right, int bottom);
    // What add() adds, taken away instead: add runs on the inverted mask (false, and the mask
    // unchanged, when the inversion fails).
    template <class Add> bool Subtract(Add add);
    void Adopt(HGLOBAL bits, int width, int height, int bitCount);

    HGLOBAL m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_bitCount = 1;
    RECT m_bounds { 0, 0, 0, 0 };
    int m_boundsDirty = 1;
    std::vector<POINT> m_outline;
};
