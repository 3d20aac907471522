#include "dialogs/hyperlink.h"

#include "res/resources.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace
{

QColor ToColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

CHyperLink::CHyperLink(QWidget *parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, &CHyperLink::OnClicked);
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetLink(const QString &text, const QString &target)
{
    m_text = text;
    m_target = target;
    setText(text);
    update();
}

bool CHyperLink::HasCapture() const
{
    return QWidget::mouseGrabber() == this;
}

COLORREF CHyperLink::CurrentColour() const
{
    return HasCapture() ? m_hoverColour : m_normalColour;
}

QSize CHyperLink::sizeHint() const
{
    return fontMetrics().size(Qt::TextSingleLine, m_text);
}

void CHyperLink::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(ToColor(CurrentColour()));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_text);
}

void CHyperLink::mouseMoveEvent(QMouseEvent *event)
{
    if (rect().contains(event->position().toPoint())) {
        if (!HasCapture())
            grabMouse();
        setCursor(m_cursorId != 0 ? LoadCursorResource(m_cursorId) : QCursor(Qt::UpArrowCursor));
    } else if (HasCapture()) {
        releaseMouse();
        unsetCursor();
    }
    update();
    QAbstractButton::mouseMoveEvent(event);
}

void CHyperLink::hideEvent(QHideEvent *event)
{
    if (HasCapture())
        releaseMouse();
    QAbstractButton::hideEvent(event);
}

void CHyperLink::OnClicked()
{
    if (m_target.isEmpty())
        return;
    if (HasCapture())
        releaseMouse();
    QDesktopServices::openUrl(QUrl(m_target));
    for (QWidget *w = parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto *dialog = qobject_cast<QDialog *>(w)) {
            dialog->reject();
            break;
        }
}
