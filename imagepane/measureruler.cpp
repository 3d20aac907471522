#include "imagepane/measureruler.h"

#include "res/resource.h"
#include "res/strings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

constexpr double kDegreesPerRadian = 57.29577951471995;
constexpr double kInchesPerCentimetre = 0.39370078740157477;
constexpr int kTickLength = 8;

} // namespace

CMeasureRuler::CMeasureRuler()
    : m_font(QStringLiteral("Arial"))
{
    m_font.setPointSize(8);
}

void CMeasureRuler::Begin(int x, int y, int zoom, int dpiX, int dpiY)
{
    m_zoom = zoom;
    m_startX = m_endX = x;
    m_startY = m_endY = y;
    m_active = true;
    if (m_unit == 0) {
        m_unitAcross = static_cast<int>(dpiX * kInchesPerCentimetre);
        m_unitDown = static_cast<int>(dpiY * kInchesPerCentimetre);
    } else {
        m_unitAcross = dpiX;
        m_unitDown = dpiY;
    }
    Measure();
}

bool CMeasureRuler::Move(int x, int y)
{
    if (!m_active || (x == m_endX && y == m_endY))
        return false;
    m_endX = x;
    m_endY = y;
    Measure();
    return true;
}

bool CMeasureRuler::End(int, int)
{
    if (!m_active)
        return false;
    m_active = false;
    return true;
}

void CMeasureRuler::Measure()
{
    const double dx = m_endX - m_startX, dy = m_endY - m_startY;
    m_length = std::sqrt(dx * dx + dy * dy);
    if (m_length == 0) {
        m_angle = 0;
        return;
    }
    m_angle = std::acos(dx / m_length) * kDegreesPerRadian;
    if (m_endY < m_startY)
        m_angle = -m_angle;
}

QString CMeasureRuler::AngleText() const
{
    return LoadResString(IDS_ANGLE) + QString::asprintf(" %+-.1f ", m_angle);
}

QString CMeasureRuler::LabelText() const
{
    double units = 0;
    if (m_zoom > 0 && m_unitAcross > 0)
        units = m_length * 100 / m_zoom / m_unitAcross;
    const QString unitName = LoadResString(m_unit == 0 ? IDS_UNIT_CM : IDS_UNIT_INCH);
    return AngleText() + QStringLiteral(";") + QString::asprintf(" %-.2f ", units) + unitName
        + QStringLiteral(" ");
}

bool CMeasureRuler::TickShown(int i, int z, int unit)
{
    const bool inch = unit != 0;
    if (i % 20 == 0)
        return true;
    if (i % 10 == 0)
        return inch || z >= 25;
    if (i % 2 == 0)
        return inch ? z >= 40 : z >= 150;
    if (i % 5 == 0)
        return inch ? ((z >= 16 && z <= 39) || z >= 71) : ((z >= 50 && z < 150) || z >= 400);
    return inch ? z >= 71 : z >= 400;
}

std::vector<QLine> CMeasureRuler::Ticks() const
{
    std::vector<QLine> ticks;
    const int dx = m_endX - m_startX, dy = m_endY - m_startY;
    const double length = std::sqrt(double(dx) * dx + double(dy) * dy);
    if (length == 0)
        return ticks;
    const double c = dx / length, s = dy / length;
    const double nx = c >= 0 ? -s : s, ny = c >= 0 ? c : -c;
    const double across = m_unitAcross * m_zoom * 0.0005, down = m_unitDown * m_zoom * 0.0005;
    // The walk ends once a coordinate passes the line's end, which needs a step along an axis
    // the line extends on.
    if (!((dx != 0 && across > 0) || (dy != 0 && down > 0)))
        return ticks;
    for (int i = 0;; ++i) {
        const int px = m_startX + static_cast<int>(i * across * c);
        const int py = m_startY + static_cast<int>(i * down * s);
        if (std::abs(px - m_startX) > std::abs(dx) || std::abs(py - m_startY) > std::abs(dy))
            break;
        if (!TickShown(i, m_zoom, m_unit))
            continue;
        ticks.emplace_back(static_cast<int>(px + nx + 0.5), static_cast<int>(py + ny + 0.5),
            static_cast<int>(px + kTickLength * nx + 0.5), static_cast<int>(py + kTickLength * ny + 0.5));
    }
    return ticks;
}

QRect CMeasureRuler::LabelRect() const
{
    const QFontMetrics metrics(m_font);
    // The rectangle's right and bottom edges lie outside it: label width × (label height + 4).
    const int width = metrics.horizontalAdvance(LabelText());
    return QRect(m_endX, m_endY + 20, width, metrics.height() + 4);
}

QRect CMeasureRuler::Bounds() const
{
    if (!m_active)
        return QRect();
    const int margin = kTickLength + 2;
    QRect line = QRect(QPoint(m_startX, m_startY), QPoint(m_endX, m_endY)).normalized();
    return line.adjusted(-margin, -margin, margin, margin).united(LabelRect().adjusted(-1, -1, 1, 1));
}

void CMeasureRuler::Paint(QPainter &painter) const
{
    if (!m_active)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_length != 0) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(m_startX, m_startY, m_endX, m_endY);
        for (const QLine &tick : Ticks())
            painter.drawLine(tick);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    const QPalette tips = QToolTip::palette();
    const QColor text = tips.color(QPalette::ToolTipText), back = tips.color(QPalette::ToolTipBase);
    const QRect box = LabelRect();
    painter.setPen(QPen(text, 0));
    painter.setBrush(back);
    painter.drawRect(box.adjusted(0, 0, -1, -1)); // a 0-width pen also covers right and bottom
    painter.setFont(m_font);
    const QFontMetrics metrics(m_font);
    painter.drawText(
        QRect(m_endX, m_endY + 22, box.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop, LabelText());
    const int angleWidth = metrics.horizontalAdvance(AngleText());
    painter.drawEllipse(QRect(m_endX + angleWidth - 4, m_endY + 23, 4, 4).adjusted(0, 0, -1, -1));
    painter.restore();
}
