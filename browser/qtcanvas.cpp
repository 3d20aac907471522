#include "browser/qtcanvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cstring>

namespace
{

QColor ToQColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

COLORREF ToColorRef(const QColor &c)
{
    return RGB(c.red(), c.green(), c.blue());
}

QRect ToQRect(const RECT &r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

} // namespace

QFont GridCaptionFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}

QtItemCanvas::QtItemCanvas(QPainter &painter, const QPalette &palette, const QFont &font)
    : m_painter(painter)
    , m_palette(palette)
    , m_font(font)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.setFont(m_font);
}

COLORREF QtItemCanvas::SystemColour(SysColour which) const
{
    switch (which) {
    case SysColour::ButtonFace:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::Button));
    case SysColour::Window:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::Base));
    case SysColour::WindowText:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::Text));
    case SysColour::Highlight:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::Highlight));
    case SysColour::HighlightText:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::HighlightedText));
    case SysColour::InactiveCaption: {
        QColor active = m_palette.color(QPalette::Active, QPalette::Highlight);
        QColor inactive = m_palette.color(QPalette::Inactive, QPalette::Highlight);
        if (inactive == active) {
            // A muted version of the highlight, as an inactive window caption is.
            QColor base = m_palette.color(QPalette::Active, QPalette::Button);
            inactive = QColor((active.red() + 2 * base.red()) / 3, (active.green() + 2 * base.green()) / 3,
                (active.blue() + 2 * base.blue()) / 3);
        }
        return ToColorRef(inactive);
    }
    case SysColour::InactiveCaptionText:
        return ToColorRef(m_palette.color(QPalette::Active, QPalette::Text));
    }
    return kBlack;
}

void QtItemCanvas::FillRect(const RECT &rect, COLORREF colour)
{
    if (rect.right > rect.left && rect.bottom > rect.top)
        m_painter.fillRect(ToQRect(rect), ToQColor(colour));
}

void QtItemCanvas::SetPixels(const std::vector<POINT> &pixels, COLORREF colour)
{
    QPolygon points(static_cast<int>(pixels.size()));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        points.setPoint(static_cast<int>(i), pixels[i].x, pixels[i].y);
    QPen pen(ToQColor(colour));
    pen.setWidth(0);
    pen.setCosmetic(true);
    m_painter.setPen(pen);
    m_painter.drawPoints(points);
}

void QtItemCanvas::Polyline(const POINT *points, int count, COLORREF colour)
{
    QPen pen(ToQColor(colour));
    pen.setWidth(0);
    pen.setCosmetic(true);
    m_painter.setPen(pen);
    for (int i = 0; i + 1 < count; ++i) {
        POINT a = points[i];
        POINT b = points[i + 1];
        int dx = b.x - a.x;
        int dy = b.y - a.y;
        if (dx == 0 && dy == 0)
            continue;
        if (dx != 0 && dy != 0 && dx != dy && dx != -dy) {
            ItemCanvas::Polyline(points + i, 2, colour);
            m_painter.setPen(pen);
            continue;
        }
        // The end point is left out: the line stops one step before it.
        int sx = (dx > 0) - (dx < 0);
        int sy = (dy > 0) - (dy < 0);
        m_painter.drawLine(a.x, a.y, b.x - sx, b.y - sy);
    }
}

void QtItemCanvas::Text(
    const RECT &rect, std::string_view text, bool centred, COLORREF colour, const COLORREF *background)
{
    QRect box = ToQRect(rect);
    if (box.isEmpty())
        return;
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QFontMetrics fm(m_font);
    int width = fm.horizontalAdvance(s);
    int x = centred ? box.left() + (box.width() - width) / 2 : box.left();
    m_painter.save();
    m_painter.setClipRect(box);
    if (background != nullptr)
        m_painter.fillRect(QRect(x, box.top(), width, fm.height()) & box, ToQColor(*background));
    m_painter.setPen(ToQColor(colour));
    m_painter.drawText(QPoint(x, box.top() + fm.ascent()), s);
    m_painter.restore();
}

void QtItemCanvas::Picture(
    const RECT &dest, const BITMAPINFOHEADER &header, const void *bits, std::size_t bitsSize)
{
    int w = header.biWidth;
    int h = header.biHeight;
    int bc = header.biBitCount;
    if (w <= 0 || h <= 0 || (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32)
        || bits == nullptr)
        return;
    std::size_t stride = (static_cast<std::size_t>(w) * bc + 31) / 32 * 4;
    if (stride * static_cast<std::size_t>(h) > bitsSize)
        return;
    QImage img = bc <= 8 ? QImage(w, h, QImage::Format_Grayscale8)
        : bc == 16       ? QImage(w, h, QImage::Format_RGB555)
        : bc == 24       ? QImage(w, h, QImage::Format_BGR888)
                         : QImage(w, h, QImage::Format_RGB32);
    if (img.isNull())
        return;
    auto *src = static_cast<const std::uint8_t *>(bits);
    if (bc <= 8) {
        // No colour table travels with the pixels: indices show as an even grey ramp.
        const int top = (1 << bc) - 1;
        const int perByte = 8 / bc;
        for (int y = 0; y < h; ++y) {
            const std::uint8_t *s = src + static_cast<std::size_t>(h - 1 - y) * stride;
            std::uint8_t *d = img.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - bc * (x % perByte + 1);
                const int index = (s[x / perByte] >> shift) & top;
                d[x] = static_cast<std::uint8_t>(index * 255 / top);
            }
        }
    } else if (bc == 16) {
        // Little-endian 5-5-5 words, bit 15 ignored.
        for (int y = 0; y < h; ++y) {
            const std::uint8_t *s = src + static_cast<std::size_t>(h - 1 - y) * stride;
            auto *d = reinterpret_cast<std::uint16_t *>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                d[x] = static_cast<std::uint16_t>((s[2 * x] | (s[2 * x + 1] << 8)) & 0x7FFF);
        }
    } else {
        std::size_t row = static_cast<std::size_t>(w) * (bc / 8);
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), src + static_cast<std::size_t>(h - 1 - y) * stride, row);
    }
    QRect target = ToQRect(dest);
    if (target.size() == img.size())
        m_painter.drawImage(target.topLeft(), img);
    else
        m_painter.drawImage(target, img);
}
