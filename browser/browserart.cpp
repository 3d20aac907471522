#include "browser/browserart.h"

#include "res/resource.h"
#include "res/resources.h"

const QImage &GridBackgroundTile()
{
    // A quiet woven pattern in 24 bits per pixel.
    static const QImage tile = [] {
        QImage img(64, 64, QImage::Format_RGB888);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                int weave = ((x / 8 + y / 8) & 1) ? 6 : 0;
                int grain = ((x * 7 + y * 13) % 11) - 5;
                int v = 196 + weave + grain;
                img.setPixel(x, y, qRgb(v - 6, v - 2, v + 6));
            }
        }
        return img;
    }();
    return tile;
}

const QCursor &ThumbDragCursor()
{
    static const QCursor cursor = LoadCursorResource(IDC_DRAG_FILES);
    return cursor;
}
