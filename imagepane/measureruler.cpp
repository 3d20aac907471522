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
    : font_(QStringLiteral("Arial"))
{
    font_.setPointSize(8);
}

void CMeasureRuler::Begin(int x, int y, int zoom, int dpiX, int dpiY)
{
    zoom_ = zoom;
    startX_ = endX_ = x;
    startY_ = endY_ = y;
    active_ = true;
    if (unit_ == 0) {
        unitAcross_ = static_cast<int>(dpiX * kInchesPerCentimetre);
        unitDown_ = static_cast<int>(dpiY * kInchesPerCentimetre);
    } else {
        unitAcross_ = dpiX;
        unitDown_ = dpiY;
    }
    Measure();
}

bool CMeasureRuler::Move(int x, int y)
{
    if (!active_ || (x == endX_ && y == endY_))
        return false;
    endX_ = x;
    endY_ = y;
    Measure();
    return true;
}

bool CMeasureRuler::End(int, int)
{
    if (!active_)
        return false;
    active_ = false;
    return true;
}

void CMeasureRuler::Measure()
{
    const double dx = endX_ - startX_, dy = endY_ - startY_;
    length_ = std::sqrt(dx * dx + dy * dy);
    if (length_ == 0) {
        angle_ = 0;
        return;
    }
    angle_ = std::acos(dx / length_) * kDegreesPerRadian;
    if (endY_ < startY_)
        angle_ = -angle_;
}

QString CMeasureRuler::AngleText() const
{
    return LoadResString(IDS_ANGLE) + QString::asprintf(" %+-.1f ", angle_);
}

QString CMeasureRuler::LabelText() const
{
    double units = 0;
    if (zoom_ > 0 && unitAcross_ > 0)
        units = length_ * 100 / zoom_ / unitAcross_;
    const QString unitName = LoadResString(unit_ == 0 ? IDS_UNIT_CM : IDS_UNIT_INCH);
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
    const int dx = endX_ - startX_, dy = endY_ - startY_;
    const double length = std::sqrt(double(dx) * dx + double(dy) * dy);
    if (length == 0)
        return ticks;
    const double c = dx / length, s = dy / length;
    const double nx = c >= 0 ? -s : s, ny = c >= 0 ? c : -c;
    const double across = unitAcross_ * zoom_ * 0.0005, down = unitDown_ * zoom_ * 0.0005;
    // The walk ends once a coordinate passes the line's end, which needs a step along an axis
    // the line extends on.
    if (!((dx != 0 && across > 0) || (dy != 0 && down > 0)))
        return ticks;
    for (int i = 0;; ++i) {
        const int px = startX_ + static_cast<int>(i * across * c);
        const int py = startY_ + static_cast<int>(i * down * s);
        if (std::abs(px - startX_) > std::abs(dx) || std::abs(py - startY_) > std::abs(dy))
            break;
        if (!TickShown(i, zoom_, unit_))
            continue;
        ticks.emplace_back(static_cast<int>(px + nx + 0.5), static_cast<int>(py + ny + 0.5),
            static_cast<int>(px + kTickLength * nx + 0.5), static_cast<int>(py + kTickLength * ny + 0.5));
    }
    return ticks;
}

QRect CMeasureRuler::LabelRect() const
{
    const QFontMetrics metrics(font_);
    // The rectangle's right and bottom edges lie outside it: label width × (label height + 4).
    const int width = metrics.horizontalAdvance(LabelText());
    return QRect(endX_, endY_ + 20, width, metrics.height() + 4);
}

QRect CMeasureRuler::Bounds() const
{
    if (!active_)
        return QRect();
    const int margin = kTickLength + 2;
    QRect line = QRect(QPoint(startX_, startY_), QPoint(endX_, endY_)).normalized();
    return line.adjusted(-margin, -margin, margin, margin).united(LabelRect().adjusted(-1, -1, 1, 1));
}

void CMeasureRuler::Paint(QPainter &painter) const
{
    if (!active_)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (length_ != 0) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(startX_, startY_, endX_, endY_);
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
    painter.setFont(font_);
    const QFontMetrics metrics(font_);
    painter.drawText(
        QRect(endX_, endY_ + 22, box.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop, LabelText());
    const int angleWidth = metrics.horizontalAdvance(AngleText());
    painter.drawEllipse(QRect(endX_ + angleWidth - 4, endY_ + 23, 4, 4).adjusted(0, 0, -1, -1));
    painter.restore();
}
