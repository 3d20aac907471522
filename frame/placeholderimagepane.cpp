#include "frame/placeholderimagepane.h"

#include <QPainter>

CPlaceholderImagePane::CPlaceholderImagePane(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CViewImage"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

CPlaceholderImagePane::~CPlaceholderImagePane() = default;

void CPlaceholderImagePane::Open(const QString &path)
{
    if (!path.isEmpty())
        m_openedPath = path;
}

bool CPlaceholderImagePane::Save(const QString &)
{
    return false;
}

bool CPlaceholderImagePane::GotoPage(bool)
{
    return false;
}

void CPlaceholderImagePane::Fit(int) { }

bool CPlaceholderImagePane::event(QEvent *event)
{
    if (const PaneMessageEvent *message = PaneMessageEvent::From(event)) {
        m_received.push_back({ message->Message(), message->WParam(), message->LParam() });
        return true;
    }
    return QWidget::event(event);
}

void CPlaceholderImagePane::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(194, 194, 194));
}
