// ItemCanvas over a QPainter: exact pixel lines, caption text in the grid's font, DIB pixels.
#pragma once

#include "browser/itemcanvas.h"

#include <QFont>
#include <QPalette>

class QPainter;

class QtItemCanvas : public ItemCanvas
{
public:
    QtItemCanvas(QPainter &painter, const QPalette &palette, const QFont &font);

    COLORREF SystemColour(SysColour which) const override;
    void FillRect(const RECT &rect, COLORREF colour) override;
    void SetPixels(const std::vector<POINT> &pixels, COLORREF colour) override;
    // Horizontal, vertical and diagonal segments as aliased lines (the same pixels).
    void Polyline(const POINT *points, int count, COLORREF colour) override;
    void Text(const RECT &rect, std::string_view text, bool centred, COLORREF colour,
        const COLORREF *background) override;
    void Picture(
        const RECT &dest, const BITMAPINFOHEADER &header, const void *bits, std::size_t bitsSize) override;

private:
    QPainter &m_painter;
    QPalette m_palette;
    QFont m_font;
};

// The caption font of the grid (Arial, 9 points, or the closest sans-serif face).
QFont GridCaptionFont();
