// Window shapes: the one helper that needs Qt Widgets.
#include "dib/dib.h"

#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QWidget>

extern "C" DIB_API void ChangeWindowRgn(QWidget *window, int cornerWidth, int cornerHeight)
{
    if (window == nullptr)
        return;
    const QRect client = window->rect();
    if (client.isEmpty())
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(client), std::max(cornerWidth, 0) / 2.0, std::max(cornerHeight, 0) / 2.0);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
    window->update();
}
