#include "framework/tframewnd.h"

#include <QVBoxLayout>

TFrameWnd::TFrameWnd(QWidget *parent)
    : QMainWindow(parent)
    , m_client(new QWidget(this))
    , m_clientLayout(new QVBoxLayout(m_client))
{
    m_clientLayout->setContentsMargins(0, 0, 0, 0);
    m_clientLayout->setSpacing(0);
    setCentralWidget(m_client);
}

TFrameWnd::~TFrameWnd() = default;

void TFrameWnd::SetActiveView(QWidget *view)
{
    NoteActiveView(view);
    if (view && view->focusPolicy() != Qt::NoFocus)
        view->setFocus(Qt::OtherFocusReason);
}

void TFrameWnd::NoteActiveView(QWidget *view)
{
    if (m_activeView == view)
        return;
    m_activeView = view;
    emit ActiveViewChanged(view);
}

void TFrameWnd::AddClientWindow(QWidget *window)
{
    window->setParent(m_client);
    m_clientLayout->addWidget(window);
}
