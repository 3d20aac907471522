// The measuring ruler of the image pane: a drag draws a line from the press point to the pointer
// with tick marks every twentieth of an inch (or centimetre) at the picture's zoom, inverted over
// the pane, and a tooltip-coloured box below the pointer with the line's angle and length. The
// pane drives it with its mouse and paints it on top of the picture.
#pragma once

#include <QFont>
#include <QLine>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;

class CMeasureRuler
{
public:
    CMeasureRuler();

    // Left button press: start := end := (x, y), the zoom at the press, the display's logical
    // pixels per inch across and down.
    void Begin(int x, int y, int zoom, int dpiX, int dpiY);
    // Pointer move while active; false when inactive or the point did not change.
    bool Move(int x, int y);
    // Button release while active; false when it was not active.
    bool End(int x, int y);

    bool IsActive() const { return active_; }
    int Unit() const { return unit_; } // 1 inch, 0 centimetre
    void SetUnit(int unit) { unit_ = unit; }
    int Zoom() const { return zoom_; }
    QPoint StartPoint() const { return QPoint(startX_, startY_); }
    QPoint EndPoint() const { return QPoint(endX_, endY_); }
    // Distance from start to end in pixels.
    double Length() const { return length_; }
    // The last angle shown, in degrees: arccos(dx / length), negative when the end lies above the
    // start; 0 for a zero length.
    double Angle() const { return angle_; }
    int PixelsPerUnitAcross() const { return unitAcross_; }
    int PixelsPerUnitDown() const { return unitDown_; }

    // "Angle: +12.5 " (the degree mark is drawn over its trailing blank).
    QString AngleText() const;
    // AngleText() + ";" + " 1.25 " + unit name + " ".
    QString LabelText() const;
    // Whether tick i (1/20 unit steps) is drawn at zoom z for the unit.
    static bool TickShown(int i, int zoom, int unit);
    // The tick marks of the current line, each from p + n to p + 8 n.
    std::vector<QLine> Ticks() const;
    // The label box for the end point, in client coordinates.
    QRect LabelRect() const;
    // Everything Paint touches; empty while inactive.
    QRect Bounds() const;

    // Line and ticks inverted, then the label box (only while active).
    void Paint(QPainter &painter) const;

private:
    void Measure();

    bool active_ = false;
    int unit_ = 1;
    int startX_ = 0, startY_ = 0;
    int endX_ = 0, endY_ = 0;
    double length_ = 0;
    QFont font_;
    int zoom_ = 100;
    int unitAcross_ = 0, unitDown_ = 0;
    double angle_ = 0;
};
