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

    bool IsActive() const { return m_active; }
    int Unit() const { return m_unit; } // 1 inch, 0 centimetre
    void SetUnit(int unit) { m_unit = unit; }
    int Zoom() const { return m_zoom; }
    QPoint StartPoint() const { return QPoint(m_startX, m_startY); }
    QPoint EndPoint() const { return QPoint(m_endX, m_endY); }
    // Distance from start to end in pixels.
    double Length() const { return m_length; }
    // The last angle shown, in degrees: arccos(dx / length), negative when the end lies above the
    // start; 0 for a zero length.
    double Angle() const { return m_angle; }
    int PixelsPerUnitAcross() const { return m_unitAcross; }
    int PixelsPerUnitDown() const { return m_unitDown; }

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

    bool m_active = false;
    int m_unit = 1;
    int m_startX = 0, m_startY = 0;
    int m_endX = 0, m_endY = 0;
    double m_length = 0;
    QFont m_font;
    int m_zoom = 100;
    int m_unitAcross = 0, m_unitDown = 0;
    double m_angle = 0;
};
