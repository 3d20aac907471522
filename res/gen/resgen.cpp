// Draws the program's bitmaps, cursors and icons and writes them into a resource folder:
//   tarnis-resgen <res folder>
// Toolbar strips and status icons are written as indexed BMP files (8-bit and 4-bit), cursors
// and the application icon as PNG files. The output is committed; run again after a change.
#include "platform/wintypes.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QVector>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace
{

constexpr QRgb kKey = qRgb(255, 0, 255); // transparent colour of the toolbar strips

// The sixteen colours of a 4-bit bitmap.
const QVector<QRgb> kVga = { qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
    qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(128, 128, 128),
    qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
    qRgb(0, 255, 255), qRgb(255, 255, 255) };

namespace vga
{
const QColor black(0, 0, 0), green(0, 128, 0), olive(128, 128, 0), navy(0, 0, 128), teal(0, 128, 128),
    silver(192, 192, 192), grey(128, 128, 128), red(255, 0, 0), yellow(255, 255, 0), blue(0, 0, 255),
    aqua(0, 255, 255), white(255, 255, 255);
}

QVector<QRgb> MakePalette256()
{
    QVector<QRgb> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(qRgb(r * 51, g * 51, b * 51));
    for (int i = 1; i <= 40; ++i) {
        const int v = i * 255 / 41;
        palette.push_back(qRgb(v, v, v));
    }
    return palette;
}

int Nearest(const QVector<QRgb> &palette, QRgb colour, QRgb excluded)
{
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette.size(); ++i) {
        if (palette[i] == excluded)
            continue;
        const long dr = qRed(palette[i]) - qRed(colour);
        const long dg = qGreen(palette[i]) - qGreen(colour);
        const long db = qBlue(palette[i]) - qBlue(colour);
        const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// Maps an ARGB drawing onto palette indices: mostly transparent pixels become the background
// colour (which nothing drawn may use), partly covered edge pixels are blended over light grey.
QImage Quantise(const QImage &argb, const QVector<QRgb> &palette, QRgb background)
{
    const QImage source = argb.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    const int keyIndex = static_cast<int>(palette.indexOf(background));
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *dst = out.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 110) {
                dst[x] = static_cast<uchar>(keyIndex);
                continue;
            }
            const int edge = 236;
            const int r = (qRed(in[x]) * alpha + edge * (255 - alpha)) / 255;
            const int g = (qGreen(in[x]) * alpha + edge * (255 - alpha)) / 255;
            const int b = (qBlue(in[x]) * alpha + edge * (255 - alpha)) / 255;
            dst[x] = static_cast<uchar>(Nearest(palette, qRgb(r, g, b), background));
        }
    }
    return out;
}

void Put16(std::vector<uchar> &out, int v)
{
    out.push_back(static_cast<uchar>(v & 0xFF));
    out.push_back(static_cast<uchar>((v >> 8) & 0xFF));
}

void Put32(std::vector<uchar> &out, int v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, (v >> 16) & 0xFFFF);
}

// Writes an indexed image as an uncompressed BMP of 4 or 8 bits per pixel.
bool WriteBmp(const QImage &indexed, int bitCount, const QString &path)
{
    const int width = indexed.width();
    const int height = indexed.height();
    const int colours = 1 << bitCount;
    const int stride = ((width * bitCount + 31) / 32) * 4;
    const int offBits = 14 + 40 + colours * 4;
    std::vector<uchar> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offBits + stride * height);
    Put32(out, 0);
    Put32(out, offBits);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, bitCount);
    Put32(out, 0);
    Put32(out, stride * height);
    Put32(out, 3780);
    Put32(out, 3780);
    Put32(out, colours);
    Put32(out, 0);
    const QVector<QRgb> table = indexed.colorTable();
    for (int i = 0; i < colours; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out.push_back(static_cast<uchar>(qBlue(c)));
        out.push_back(static_cast<uchar>(qGreen(c)));
        out.push_back(static_cast<uchar>(qRed(c)));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const uchar *src = indexed.constScanLine(y);
        std::vector<uchar> row(static_cast<size_t>(stride), 0);
        for (int x = 0; x < width; ++x) {
            if (bitCount == 8)
                row[static_cast<size_t>(x)] = src[x];
            else
                row[static_cast<size_t>(x / 2)] |= static_cast<uchar>((src[x] & 0x0F) << ((x % 2) ? 0 : 4));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(reinterpret_cast<const char *>(out.data()), static_cast<qint64>(out.size()))
        == static_cast<qint64>(out.size());
}

QImage Canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPen Outline(const QColor &colour, qreal width = 1.0)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QFont BoldFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

// ---- main toolbar, 32 x 32 -------------------------------------------------------------

void DrawFloppy(QPainter &p, const QRectF &r)
{
    const qreal u = r.width() / 24.0;
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.right() - 3 * u, r.top());
    body.lineTo(r.right(), r.top() + 3 * u);
    body.lineTo(r.right(), r.bottom());
    body.lineTo(r.left(), r.bottom());
    body.closeSubpath();
    p.setPen(Outline(QColor(20, 30, 90)));
    p.setBrush(QColor(50, 90, 190));
    p.drawPath(body);
    p.setPen(Outline(QColor(120, 120, 120)));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(r.left() + 4 * u, r.top() + 0.5, 16 * u, 10 * u));
    p.setPen(Outline(QColor(150, 150, 170)));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(r.left() + 6 * u, r.top() + (3 + 2.5 * i) * u),
            QPointF(r.left() + 18 * u, r.top() + (3 + 2.5 * i) * u));
    p.setPen(Outline(QColor(60, 60, 60)));
    p.setBrush(QColor(190, 190, 200));
    p.drawRect(QRectF(r.left() + 6 * u, r.bottom() - 9 * u, 12 * u, 9 * u));
    p.setBrush(QColor(40, 50, 90));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(r.left() + 13 * u, r.bottom() - 7.5 * u, 3 * u, 6 * u));
}

void DrawArrow(QPainter &p, bool right)
{
    QPolygonF arrow({ { 3, 16 }, { 15, 4 }, { 15, 11 }, { 28, 11 }, { 28, 21 }, { 15, 21 }, { 15, 28 } });
    if (right)
        for (QPointF &pt : arrow)
            pt.setX(31 - pt.x());
    QLinearGradient fill(0, 4, 0, 28);
    fill.setColorAt(0, QColor(110, 210, 110));
    fill.setColorAt(1, QColor(20, 130, 40));
    p.setPen(Outline(QColor(10, 80, 20), 1.5));
    p.setBrush(fill);
    p.drawPolygon(arrow);
}

void DrawDoubleArrow(QPainter &p, bool vertical)
{
    p.save();
    if (vertical) {
        p.translate(16, 16);
        p.rotate(90);
        p.translate(-16, -16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 70));
    p.drawRect(QRectF(2, 5, 3, 22));
    p.drawRect(QRectF(27, 5, 3, 22));
    p.setBrush(QColor(30, 100, 210));
    p.setPen(Outline(QColor(10, 40, 120)));
    p.drawPolygon(QPolygonF({ { 6, 16 }, { 13, 9 }, { 13, 13 }, { 19, 13 }, { 19, 9 }, { 26, 16 }, { 19, 23 },
        { 19, 19 }, { 13, 19 }, { 13, 23 } }));
    p.restore();
}

void DrawMagnifier(QPainter &p, int sign)
{
    p.setPen(Outline(QColor(90, 60, 30), 5));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(Outline(QColor(50, 50, 50), 2.5));
    p.setBrush(QColor(205, 235, 255));
    p.drawEllipse(QPointF(13, 13), 9.5, 9.5);
    p.setPen(Outline(QColor(20, 60, 160), 3));
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    if (sign > 0)
        p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

void DrawMainButton(QPainter &p, int index)
{
    switch (index) {
    case 0: { // Open: a folder opening
        QPainterPath back;
        back.moveTo(3, 7);
        back.lineTo(11, 7);
        back.lineTo(13, 9.5);
        back.lineTo(25, 9.5);
        back.lineTo(25, 26);
        back.lineTo(3, 26);
        back.closeSubpath();
        p.setPen(Outline(QColor(120, 80, 0)));
        p.setBrush(QColor(205, 150, 30));
        p.drawPath(back);
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(7, 5, 14, 11));
        p.setBrush(QColor(252, 212, 70));
        p.drawPolygon(QPolygonF({ { 3, 26 }, { 8, 14 }, { 30, 14 }, { 25, 26 } }));
        break;
    }
    case 1: // Save
        DrawFloppy(p, QRectF(4, 4, 24, 24));
        break;
    case 2: // Save as: a disk and a pencil
        DrawFloppy(p, QRectF(2, 6, 20, 20));
        p.save();
        p.translate(24, 16);
        p.rotate(45);
        p.setPen(Outline(QColor(90, 60, 10)));
        p.setBrush(QColor(250, 200, 40));
        p.drawRect(QRectF(-2.5, -12, 5, 16));
        p.setBrush(QColor(240, 200, 160));
        p.drawPolygon(QPolygonF({ { -2.5, 4 }, { 2.5, 4 }, { 0, 9 } }));
        p.setBrush(QColor(230, 120, 140));
        p.drawRect(QRectF(-2.5, -14, 5, 2.5));
        p.restore();
        break;
    case 3: // Previous
        DrawArrow(p, false);
        break;
    case 4: // Next
        DrawArrow(p, true);
        break;
    case 5: // 100%: actual size
        p.setPen(Outline(QColor(40, 40, 40)));
        p.setBrush(QColor(225, 240, 255));
        p.drawRect(QRectF(2.5, 5.5, 27, 21));
        p.setPen(QColor(10, 40, 140));
        p.setFont(BoldFont(13));
        p.drawText(QRectF(2, 5, 28, 22), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    case 6: // Fit width
        DrawDoubleArrow(p, false);
        break;
    case 7: // Fit height
        DrawDoubleArrow(p, true);
        break;
    case 8: // Zoom in
        DrawMagnifier(p, 1);
        break;
    case 9: // Zoom out
        DrawMagnifier(p, -1);
        break;
    case 10: // Print
        p.setPen(Outline(QColor(60, 60, 60)));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(9.5, 3.5, 13, 11));
        p.setBrush(QColor(175, 175, 180));
        p.drawRoundedRect(QRectF(3.5, 12.5, 25, 11), 2, 2);
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(8.5, 19.5, 15, 9));
        p.setPen(Outline(QColor(120, 120, 140)));
        p.drawLine(QPointF(11, 23), QPointF(21, 23));
        p.drawLine(QPointF(11, 26), QPointF(19, 26));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 200, 60));
        p.drawEllipse(QPointF(25, 16), 1.5, 1.5);
        break;
    case 11: // Help
        p.setPen(Outline(QColor(10, 50, 130), 1.5));
        p.setBrush(QColor(40, 110, 220));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(QColor(255, 255, 255));
        p.setFont(BoldFont(21));
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
        break;
    default:
        break;
    }
}

// ---- edit toolbar, 24 x 24, sixteen colours without smoothing ---------------------------

void Ants(QPainter &p, const std::function<void(QPainter &)> &shape)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(vga::white, 1));
    shape(p);
    QPen dashed(vga::black, 1, Qt::CustomDashLine);
    dashed.setDashPattern({ 2, 2 });
    p.setPen(dashed);
    shape(p);
}

void DrawCurvedArrow(QPainter &p, bool clockwise, const QColor &colour)
{
    p.save();
    if (!clockwise) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(4, 5, 15, 15), 200 * 16, -250 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygon({ QPoint(14, 1), QPoint(20, 6), QPoint(14, 10) }));
    p.restore();
}

void DrawSun(QPainter &p, const QColor &disc, const QColor &rays)
{
    p.setPen(QPen(rays, 2));
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        p.drawLine(QPointF(12 + 7 * std::cos(a), 12 + 7 * std::sin(a)),
            QPointF(12 + 10 * std::cos(a), 12 + 10 * std::sin(a)));
    }
    p.setPen(QPen(vga::black, 1));
    p.setBrush(disc);
    p.drawEllipse(QPoint(12, 12), 5, 5);
}

void DrawEditButton(QPainter &p, int index)
{
    switch (index) {
    case 0: // Select: the arrow pointer
        p.setPen(QPen(vga::black, 1));
        p.setBrush(vga::white);
        p.drawPolygon(QPolygon({ QPoint(7, 2), QPoint(7, 19), QPoint(11, 15), QPoint(14, 21), QPoint(16, 20),
            QPoint(13, 14), QPoint(18, 14) }));
        break;
    case 1: // Rectangle selection
        Ants(p, [](QPainter &q) { q.drawRect(3, 5, 17, 13); });
        break;
    case 2: // Ellipse selection
        Ants(p, [](QPainter &q) { q.drawEllipse(2, 4, 19, 15); });
        break;
    case 3: // Polygon selection
        Ants(p, [](QPainter &q) {
            q.drawPolygon(
                QPolygon({ QPoint(3, 9), QPoint(10, 3), QPoint(20, 7), QPoint(17, 20), QPoint(6, 17) }));
        });
        break;
    case 4: // Delete the selection
        Ants(p, [](QPainter &q) { q.drawRect(2, 3, 19, 17); });
        p.setPen(QPen(vga::red, 3));
        p.drawLine(7, 8, 16, 16);
        p.drawLine(16, 8, 7, 16);
        break;
    case 5: // Reverse the selection
        p.setPen(Qt::NoPen);
        p.setBrush(vga::navy);
        p.drawRect(2, 3, 20, 18);
        p.setBrush(vga::white);
        p.drawRect(7, 8, 10, 8);
        Ants(p, [](QPainter &q) { q.drawRect(7, 8, 9, 7); });
        break;
    case 6: // Crop
        p.setPen(Qt::NoPen);
        p.setBrush(vga::aqua);
        p.drawRect(7, 7, 10, 10);
        p.setBrush(vga::black);
        p.drawRect(5, 1, 2, 17);
        p.drawRect(5, 16, 17, 2);
        p.drawRect(1, 5, 17, 2);
        p.drawRect(16, 5, 2, 17);
        break;
    case 7: // Remove the black edge
        p.setPen(Qt::NoPen);
        p.setBrush(vga::black);
        p.drawRect(1, 2, 22, 20);
        p.setBrush(vga::aqua);
        p.drawRect(5, 6, 14, 12);
        p.setBrush(vga::green);
        p.drawPolygon(
            QPolygon({ QPoint(5, 18), QPoint(10, 11), QPoint(14, 15), QPoint(16, 13), QPoint(19, 18) }));
        p.setBrush(vga::yellow);
        p.drawRect(14, 8, 3, 3);
        p.setPen(QPen(vga::red, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(4, 5, 15, 13);
        break;
    case 8: // Rotate -90
        DrawCurvedArrow(p, false, vga::blue);
        p.setPen(vga::navy);
        p.setFont(BoldFont(8));
        p.drawText(QRect(6, 14, 14, 10), Qt::AlignCenter, QStringLiteral("90"));
        break;
    case 9: // Rotate +90
        DrawCurvedArrow(p, true, vga::blue);
        p.setPen(vga::navy);
        p.setFont(BoldFont(8));
        p.drawText(QRect(4, 14, 14, 10), Qt::AlignCenter, QStringLiteral("90"));
        break;
    case 10: // Rotate free: a protractor with an angle
        p.setPen(QPen(vga::black, 1));
        p.setBrush(vga::yellow);
        p.drawPie(QRect(1, 5, 22, 22), 0, 180 * 16);
        p.setPen(QPen(vga::red, 2));
        p.drawLine(12, 16, 21, 16);
        p.drawLine(12, 16, 17, 7);
        p.setPen(QPen(vga::blue, 1));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(7, 11, 10, 10), 0, 60 * 16);
        break;
    case 11: // Darkness
        DrawSun(p, vga::grey, vga::black);
        break;
    case 12: // Brightness
        DrawSun(p, vga::yellow, vga::olive);
        break;
    case 13: // Negative
        p.setPen(Qt::NoPen);
        p.setBrush(vga::white);
        p.drawRect(2, 2, 20, 20);
        p.setBrush(vga::black);
        p.drawPolygon(QPolygon({ QPoint(2, 2), QPoint(22, 2), QPoint(2, 22) }));
        p.setBrush(vga::black);
        p.drawPie(QRect(5, 5, 14, 14), 225 * 16, 180 * 16);
        p.setBrush(vga::white);
        p.drawPie(QRect(5, 5, 14, 14), 45 * 16, 180 * 16);
        p.setPen(QPen(vga::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(2, 2, 19, 19);
        break;
    case 14: // Set image size
        p.setPen(QPen(vga::black, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(2, 2, 19, 19);
        p.setPen(QPen(vga::black, 1));
        p.setBrush(vga::aqua);
        p.drawRect(2, 13, 8, 8);
        p.setPen(QPen(vga::blue, 2));
        p.drawLine(9, 14, 18, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(vga::blue);
        p.drawPolygon(QPolygon({ QPoint(20, 3), QPoint(20, 10), QPoint(13, 3) }));
        break;
    case 15: // Reset: back to the original
        DrawCurvedArrow(p, false, vga::green);
        p.setPen(QPen(vga::black, 1));
        p.setBrush(vga::white);
        p.drawRect(8, 12, 8, 9);
        break;
    default:
        break;
    }
}

// ---- status icons, 14 x 14 ---------------------------------------------------------------

QImage DrawStatusDimensions()
{
    QImage image = Canvas(14, 14);
    QPainter p(&image);
    p.setPen(vga::black);
    p.setBrush(vga::white);
    p.drawRect(3, 4, 9, 8);
    p.setPen(vga::navy);
    p.drawLine(3, 1, 12, 1);
    p.drawLine(3, 0, 3, 2);
    p.drawLine(12, 0, 12, 2);
    p.drawLine(0, 4, 0, 12);
    p.drawLine(1, 4, 1, 4);
    p.drawLine(1, 12, 1, 12);
    p.setPen(vga::teal);
    p.drawLine(5, 9, 7, 7);
    p.drawLine(7, 7, 8, 8);
    p.drawLine(8, 8, 10, 6);
    return image;
}

QImage DrawStatusPosition()
{
    QImage image = Canvas(14, 14);
    QPainter p(&image);
    p.setPen(vga::black);
    p.drawLine(7, 0, 7, 4);
    p.drawLine(7, 9, 7, 13);
    p.drawLine(0, 7, 4, 7);
    p.drawLine(9, 7, 13, 7);
    p.setPen(vga::grey);
    p.drawEllipse(3, 3, 8, 8);
    p.setPen(vga::red);
    p.drawPoint(7, 7);
    p.drawPoint(6, 7);
    p.drawPoint(7, 6);
    p.drawPoint(8, 7);
    p.drawPoint(7, 8);
    return image;
}

// ---- cursors, 32 x 32 ---------------------------------------------------------------------

QImage DrawSelectionCursor()
{
    QImage image = Canvas(32, 32);
    QPainter p(&image);
    // The four arms of the cross, black over a wider white halo.
    const auto arms = [&p](const QPen &pen) {
        p.setPen(pen);
        p.drawLine(15, 2, 15, 12);
        p.drawLine(15, 18, 15, 28);
        p.drawLine(2, 15, 12, 15);
        p.drawLine(18, 15, 28, 15);
    };
    arms(QPen(Qt::white, 3));
    arms(QPen(Qt::black, 1));
    p.drawPoint(15, 15);
    return image;
}

QImage DrawDragCursor()
{
    QImage image = Canvas(32, 32);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(20, 19, 10, 12);
    p.drawLine(22, 22, 28, 22);
    p.drawLine(22, 25, 28, 25);
    p.drawLine(22, 28, 26, 28);
    p.drawPolygon(QPolygon({ QPoint(16, 8), QPoint(16, 21), QPoint(19, 18), QPoint(21, 23), QPoint(23, 22),
        QPoint(21, 17), QPoint(25, 17) }));
    return image;
}

QImage DrawDialCursor()
{
    QImage image = Canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int pass = 0; pass < 2; ++pass) {
        const QColor colour = pass == 0 ? QColor(Qt::white) : QColor(Qt::black);
        const qreal width = pass == 0 ? 4.0 : 1.6;
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6, 6, 19, 19), 30 * 16, 300 * 16);
        p.setPen(QPen(colour, pass == 0 ? 2.5 : 1.0));
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({ { 22, 3 }, { 28, 11 }, { 19, 12 } }));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(15.5, 15.5), 1.5, 1.5);
    return image;
}

// ---- Rotate Free dial ------------------------------------------------------------------------

// The round dial of the Rotate Free dialog: 201 x 201, centre (100, 100), a raised rim, the groove
// the knob runs in (radius 94), ticks every 15 degrees and a white face for the preview. Drawn
// without smoothing so every pixel is one of the sixteen colours; outside the rim is light grey.
QImage DrawDial()
{
    QImage image = Canvas(201, 201);
    image.fill(vga::silver);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPointF c(100, 100);
    auto circle = [&](qreal r) { return QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r); };
    // Rim: light from the top left.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(vga::white, 2));
    p.drawArc(circle(99), 45 * 16, 180 * 16);
    p.setPen(QPen(vga::grey, 2));
    p.drawArc(circle(99), 225 * 16, 180 * 16);
    p.setPen(QPen(vga::black, 1));
    p.drawArc(circle(100), 225 * 16, 180 * 16);
    // Groove of the knob, engraved.
    p.setPen(QPen(vga::grey, 1));
    p.drawEllipse(circle(96));
    p.setPen(QPen(vga::white, 1));
    p.drawEllipse(circle(92));
    // Ticks.
    for (int degrees = 0; degrees < 360; degrees += 15) {
        const double a = degrees * std::numbers::pi / 180.0;
        const bool major = degrees % 90 == 0;
        const double inner = major ? 78 : 84;
        p.setPen(QPen(major ? vga::black : vga::grey, major ? 2 : 1));
        p.drawLine(QPointF(c.x() + std::sin(a) * inner, c.y() - std::cos(a) * inner),
            QPointF(c.x() + std::sin(a) * 89, c.y() - std::cos(a) * 89));
    }
    // Face.
    p.setPen(QPen(vga::grey, 1));
    p.setBrush(vga::white);
    p.drawEllipse(circle(74));
    p.end();
    return image;
}

// ---- application icon -----------------------------------------------------------------------

QImage DrawAppIcon(int size)
{
    QImage image = Canvas(256, 256);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(12, 28, 232, 200);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(frame.translated(6, 8), 26, 26);
    p.setBrush(QColor(30, 60, 90));
    p.drawRoundedRect(frame, 26, 26);
    const QRectF picture = frame.adjusted(16, 16, -16, -16);
    QPainterPath clip;
    clip.addRoundedRect(picture, 12, 12);
    p.setClipPath(clip);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(70, 150, 235));
    sky.setColorAt(1, QColor(190, 225, 255));
    p.setBrush(sky);
    p.drawRect(picture);
    p.setBrush(QColor(255, 205, 40));
    p.drawEllipse(QPointF(180, 88), 24, 24);
    p.setBrush(QColor(40, 140, 70));
    p.drawPolygon(QPolygonF({ { 28, 212 }, { 96, 110 }, { 150, 180 }, { 180, 150 }, { 230, 212 } }));
    p.setBrush(QColor(30, 110, 55));
    p.drawPolygon(QPolygonF({ { 28, 212 }, { 60, 175 }, { 110, 212 } }));
    p.setClipping(false);
    p.end();
    return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage DrawStrip(int buttons, int imageSize, bool smooth, const std::function<void(QPainter &, int)> &draw)
{
    QImage strip = Canvas(buttons * imageSize, imageSize);
    for (int i = 0; i < buttons; ++i) {
        QImage button = Canvas(imageSize, imageSize);
        QPainter p(&button);
        p.setRenderHint(QPainter::Antialiasing, smooth);
        p.setRenderHint(QPainter::TextAntialiasing, smooth);
        draw(p, i);
        p.end();
        QPainter s(&strip);
        s.drawImage(i * imageSize, 0, button);
    }
    return strip;
}

bool Report(bool ok, const QString &path)
{
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnis-resgen <res folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : { "bitmaps", "cursors", "icons" })
        out.mkpath(QString::fromLatin1(sub));
    bool ok = true;

    const QVector<QRgb> palette256 = MakePalette256();
    const QImage mainStrip = DrawStrip(12, 32, true, DrawMainButton);
    QString path = out.filePath(QStringLiteral("bitmaps/130.bmp"));
    ok &= Report(WriteBmp(Quantise(mainStrip, palette256, kKey), 8, path), path);

    const QImage editStrip = DrawStrip(16, 24, false, DrawEditButton);
    path = out.filePath(QStringLiteral("bitmaps/144.bmp"));
    ok &= Report(WriteBmp(Quantise(editStrip, kVga, kKey), 4, path), path);

    path = out.filePath(QStringLiteral("bitmaps/386.bmp"));
    ok &= Report(WriteBmp(Quantise(DrawStatusPosition(), kVga, qRgb(192, 192, 192)), 4, path), path);
    path = out.filePath(QStringLiteral("bitmaps/387.bmp"));
    ok &= Report(WriteBmp(Quantise(DrawStatusDimensions(), kVga, qRgb(192, 192, 192)), 4, path), path);

    path = out.filePath(QStringLiteral("bitmaps/20304.bmp"));
    ok &= Report(WriteBmp(Quantise(DrawDial(), kVga, kKey), 4, path), path);

    const std::pair<int, QImage> cursors[]
        = { { 138, DrawSelectionCursor() }, { 2157, DrawDragCursor() }, { 20305, DrawDialCursor() } };
    for (const auto &[id, image] : cursors) {
        path = out.filePath(QStringLiteral("cursors/%1.png").arg(id));
        ok &= Report(image.save(path, "PNG"), path);
    }
    for (int size : { 16, 32, 48, 256 }) {
        path = out.filePath(QStringLiteral("icons/128-%1.png").arg(size));
        ok &= Report(DrawAppIcon(size).save(path, "PNG"), path);
    }
    return ok ? 0 : 1;
}
