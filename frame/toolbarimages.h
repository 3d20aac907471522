// The three image lists of a toolbar built from one strip bitmap. The transparent colour is the
// strip's top-left pixel; pixels of that colour are left out of every list (alpha 0 here).
#pragma once

#include <QImage>
#include <QList>
#include <QSize>

struct ToolBarImageLists {
    QImage normal; // the strip as drawn
    QImage disabled; // embossed: a near-white copy one pixel right and down, grey on top
    QImage hot; // brightened
};

// Grey of a disabled image pixel: truncate(0.2 × red + 0.4 × green + 0.2 × blue).
int DisabledGrey(QRgb colour);

// Brightened hot image pixel: red + 15, green + 55, blue + 15, each capped at 255.
QRgb HotColour(QRgb colour);

// Builds the three lists, each as wide as the strip (ARGB32).
ToolBarImageLists BuildToolBarImageLists(const QImage &strip);

// Cuts a list into images of size, left to right.
QList<QImage> CutImageList(const QImage &list, QSize size);

// The image width for a strip of bitmapWidth and the toolbar's real (non-separator) buttons.
int ToolBarImageWidth(int bitmapWidth, int buttons);
