#include "frame/toolbarimages.h"

namespace
{

constexpr QRgb kDisabledShadow = 0xFFFAFAFA; // RGB(250, 250, 250)

} // namespace

int DisabledGrey(QRgb colour)
{
    return static_cast<int>(0.2 * qRed(colour) + 0.4 * qGreen(colour) + 0.2 * qBlue(colour));
}

QRgb HotColour(QRgb colour)
{
    const int r = qRed(colour) > 240 ? 255 : qRed(colour) + 15;
    const int g = qGreen(colour) > 200 ? 255 : qGreen(colour) + 55;
    const int b = qBlue(colour) > 240 ? 255 : qBlue(colour) + 15;
    return qRgb(r, g, b);
}

ToolBarImageLists BuildToolBarImageLists(const QImage &strip)
{
    ToolBarImageLists lists;
    if (strip.isNull())
        return lists;
    const QImage source = strip.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    const QRgb transparent = source.pixel(0, 0) | 0xFF000000;
    lists.normal = QImage(width, height, QImage::Format_ARGB32);
    lists.disabled = QImage(width, height, QImage::Format_ARGB32);
    lists.hot = QImage(width, height, QImage::Format_ARGB32);
    lists.normal.fill(Qt::transparent);
    lists.disabled.fill(Qt::transparent);
    lists.hot.fill(Qt::transparent);
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        auto *normal = reinterpret_cast<QRgb *>(lists.normal.scanLine(y));
        auto *hot = reinterpret_cast<QRgb *>(lists.hot.scanLine(y));
        auto *disabled = reinterpret_cast<QRgb *>(lists.disabled.scanLine(y));
        auto *disabledBelow
            = y + 1 < height ? reinterpret_cast<QRgb *>(lists.disabled.scanLine(y + 1)) : nullptr;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = in[x] | 0xFF000000;
            if (pixel == transparent)
                continue;
            normal[x] = pixel;
            hot[x] = HotColour(pixel);
            // The shifted near-white copy goes under the grey one, so it only shows where the
            // grey copy leaves a transparent pixel.
            if (disabledBelow && x + 1 < width && qAlpha(disabledBelow[x + 1]) == 0)
                disabledBelow[x + 1] = kDisabledShadow;
            const int g = DisabledGrey(pixel);
            disabled[x] = qRgb(g, g, g);
        }
    }
    return lists;
}

QList<QImage> CutImageList(const QImage &list, QSize size)
{
    QList<QImage> images;
    if (list.isNull() || size.width() <= 0 || size.height() <= 0)
        return images;
    for (int x = 0; x + size.width() <= list.width(); x += size.width())
        images.append(list.copy(x, 0, size.width(), size.height()));
    return images;
}

int ToolBarImageWidth(int bitmapWidth, int buttons)
{
    return buttons > 0 ? bitmapWidth / buttons : 0;
}
