// The drawing surface grid items paint on: rectangles, 1-pixel polylines, caption text and DIB
// pixels, in window coordinates. The window supplies one over its painter; tests record.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <string_view>
#include <vector>

enum class SysColour {
    ButtonFace,
    Window,
    WindowText,
    Highlight,
    HighlightText,
    InactiveCaption,
    InactiveCaptionText,
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class ItemCanvas
{
public:
    virtual ~ItemCanvas() = default;

    virtual COLORREF SystemColour(SysColour which) const = 0;
    // Fills left..right-1 × top..bottom-1.
    virtual void FillRect(const RECT &rect, COLORREF colour) = 0;
    // Sets single pixels (the pixels of 1-pixel pen lines).
    virtual void SetPixels(const std::vector<POINT> &pixels, COLORREF colour) = 0;
    // One line of caption text at the top of rect, left-aligned or centred, clipped to rect.
    // With a background the text's own extent is filled first; without one it is transparent.
    virtual void Text(
        const RECT &rect, std::string_view text, bool centred, COLORREF colour, const COLORREF *background)
        = 0;
    // A bottom-up DIB of 1, 4, 8, 16, 24 or 32 bits drawn into dest (1:1 when the sizes agree,
    // else nearest-neighbour); without a colour table, 1-, 4- and 8-bit indices show as an even
    // grey ramp. bitsSize guards every row read.
    virtual void Picture(
        const RECT &dest, const BITMAPINFOHEADER &header, const void *bits, std::size_t bitsSize)
        = 0;

    // A polyline drawn the way the platform's line drawing does it: every segment leaves out its
    // end point. Segments are horizontal, vertical or diagonal. The base sets the pixels of
    // AppendSegmentPixels; a surface may draw the same pixels faster.
    virtual void Polyline(const POINT *points, int count, COLORREF colour);
};

// Pixels of the segment from a to b without b (horizontal, vertical or 45° diagonal; other
// slopes are stepped along the longer axis).
void AppendSegmentPixels(POINT a, POINT b, std::vector<POINT> &out);
