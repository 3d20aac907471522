#include "browser/browserart.h"

#include <QBitmap>
#include <QPainter>

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
    // An arrow with a small page below it: "these files go along".
    static const QCursor cursor = [] {
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        const QPoint arrow[]
            = { { 16, 8 }, { 16, 22 }, { 19, 19 }, { 22, 25 }, { 24, 24 }, { 21, 18 }, { 25, 18 } };
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow, 7);
        p.drawRect(6, 20, 8, 10);
        p.drawLine(8, 23, 12, 23);
        p.drawLine(8, 25, 12, 25);
        p.drawLine(8, 27, 12, 27);
        p.end();
        return QCursor(QPixmap::fromImage(img), 16, 8);
    }();
    return cursor;
}
