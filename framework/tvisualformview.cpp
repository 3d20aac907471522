#include "framework/tvisualformview.h"

#include <QEvent>

TVisualFormView::TVisualFormView(QWidget *parent)
    : QWidget(parent)
{
}

TVisualFormView::~TVisualFormView() = default;

void TVisualFormView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    const bool enabled = isEnabled();
    for (QWidget *child : findChildren<QWidget *>())
        child->setEnabled(enabled);
}
