// Dialog templates in dialog units: the mapping to pixels for a dialog's font, and lookup of a
// dialog's controls by their identifiers.
#pragma once

#include "platform/wintypes.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <utility>

class QWidget;

// The application font at pointSize, as a dialog template names its font.
QFont DialogFont(int pointSize);

class DialogUnits
{
public:
    // Base units from the font: the average width of the letters and the line height.
    explicit DialogUnits(const QFont &font);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }
    int X(int units) const; // horizontal units to pixels (a quarter of the base width each)
    int Y(int units) const; // vertical units to pixels (an eighth of the base height each)
    QRect Map(int x, int y, int cx, int cy) const;

    // Places control at (x, y, cx, cy) dialog units and gives it the identifier id.
    void Place(QWidget *control, UINT id, int x, int y, int cx, int cy) const;
    // A new T(args...) (the last argument its parent), placed as Place does.
    template <class T, class... Args> T *Add(UINT id, int x, int y, int cx, int cy, Args &&...args) const
    {
        T *control = new T(std::forward<Args>(args)...);
        Place(control, id, x, y, cx, cy);
        return control;
    }

private:
    int m_baseX;
    int m_baseY;
};

// A dialog template's frame: the dialog's title, its font (DialogFont(pointSize)) and its fixed
// size of cx × cy units; returns the units of that font, for placing the controls.
DialogUnits SetUpDialog(QWidget *dialog, const QString &title, int pointSize, int cx, int cy);

// The descendant of parent with window identifier id, or null.
QWidget *FindControl(const QWidget *parent, UINT id);

template <class T> T *FindControlAs(const QWidget *parent, UINT id)
{
    return qobject_cast<T *>(FindControl(parent, id));
}
