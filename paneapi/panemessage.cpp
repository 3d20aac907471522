#include "paneapi/panemessage.h"

#include <QCoreApplication>
#include <QObject>

PaneMessageEvent::PaneMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(TypeOf(message))
    , m_message(message)
    , m_wParam(wParam)
    , m_lParam(lParam)
{
}

PaneMessageEvent::~PaneMessageEvent() = default;

QEvent::Type PaneMessageEvent::TypeOf(UINT message)
{
    return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message - kWmUser));
}

const PaneMessageEvent *PaneMessageEvent::From(const QEvent *event)
{
    if (!event)
        return nullptr;
    const int type = event->type();
    if (type < QEvent::User + 1 || type > QEvent::User + 64)
        return nullptr;
    return dynamic_cast<const PaneMessageEvent *>(event);
}

bool PostPaneMessage(QObject *target, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new PaneMessageEvent(message, wParam, lParam));
    return true;
}
