#include "res/resources.h"

#include "res/resource.h"

#include <QFile>
#include <QPixmap>
#include <array>

namespace
{

struct CursorResource {
    UINT id;
    int hotX;
    int hotY;
};

constexpr CursorResource kCursors[] = {
    { IDC_SELECTION, 15, 15 },
    { IDC_DRAG_FILES, 16, 8 },
    { IDC_DIAL, 15, 15 },
};

constexpr std::array<int, 4> kIconSizes = { 16, 32, 48, 256 };

} // namespace

QString BitmapResourcePath(UINT id)
{
    return QStringLiteral(":/bitmaps/%1.bmp").arg(id);
}

QImage LoadBitmapResource(UINT id)
{
    return QImage(BitmapResourcePath(id), "BMP");
}

int BitmapResourceBitCount(UINT id)
{
    QFile file(BitmapResourcePath(id));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(30);
    if (head.size() < 30 || head[0] != 'B' || head[1] != 'M')
        return 0;
    return static_cast<unsigned char>(head[28]) | (static_cast<unsigned char>(head[29]) << 8);
}

QImage LoadMappedBitmap(UINT id, const QPalette &palette)
{
    QImage image = LoadBitmapResource(id);
    if (image.isNull())
        return image;
    image = image.convertToFormat(QImage::Format_RGB32);
    const QRgb text = palette.color(QPalette::ButtonText).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            switch (row[x] & 0xFFFFFF) {
            case 0x000000:
                row[x] = text;
                break;
            case 0x808080:
                row[x] = shadow;
                break;
            case 0xC0C0C0:
                row[x] = face;
                break;
            case 0xFFFFFF:
                row[x] = light;
                break;
            default:
                break;
            }
        }
    }
    return image;
}

QCursor LoadCursorResource(UINT id)
{
    for (const CursorResource &cursor : kCursors) {
        if (cursor.id != id)
            continue;
        const QPixmap pixmap(QStringLiteral(":/cursors/%1.png").arg(id));
        if (pixmap.isNull())
            break;
        return QCursor(pixmap, cursor.hotX, cursor.hotY);
    }
    return QCursor(Qt::ArrowCursor);
}

QIcon LoadIconResource(UINT id)
{
    QIcon icon;
    for (int size : kIconSizes) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}
