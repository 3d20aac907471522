#include "framework/windowid.h"

#include <QVariant>
#include <QWidget>

namespace
{
constexpr const char *kIdProperty = "tarnisWindowId";
}

void SetWindowId(QWidget *window, UINT id)
{
    if (window)
        window->setProperty(kIdProperty, QVariant::fromValue(id));
}

UINT GetWindowId(const QWidget *window)
{
    return window ? window->property(kIdProperty).toUInt() : 0;
}
