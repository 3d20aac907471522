#include "dialogs/dialogunits.h"

#include "framework/windowid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace
{

// round(a * b / c), as dialog templates are scaled.
int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

} // namespace

QFont DialogFont(int pointSize)
{
    QFont font = QApplication::font();
    font.setPointSize(pointSize);
    return font;
}

DialogUnits SetUpDialog(QWidget *dialog, const QString &title, int pointSize, int cx, int cy)
{
    dialog->setWindowTitle(title);
    dialog->setFont(DialogFont(pointSize));
    const DialogUnits du(dialog->font());
    dialog->setFixedSize(du.X(cx), du.Y(cy));
    return du;
}

DialogUnits::DialogUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int letters
        = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const
{
    return MulDiv(units, m_baseX, 4);
}

int DialogUnits::Y(int units) const
{
    return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::Map(int x, int y, int cx, int cy) const
{
    return QRect(X(x), Y(y), X(cx), Y(cy));
}

void DialogUnits::Place(QWidget *control, UINT id, int x, int y, int cx, int cy) const
{
    control->setGeometry(Map(x, y, cx, cy));
    if (id != 0)
        SetWindowId(control, id);
}

QWidget *FindControl(const QWidget *parent, UINT id)
{
    if (parent == nullptr)
        return nullptr;
    for (QWidget *child : parent->findChildren<QWidget *>())
        if (GetWindowId(child) == id)
            return child;
    return nullptr;
}
