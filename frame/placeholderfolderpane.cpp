#include "frame/placeholderfolderpane.h"

#include "app/appsettings.h"
#include "frame/imainframe.h"
#include "frame/panemessage.h"

#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

CPlaceholderFolderPane::CPlaceholderFolderPane(QWidget *parent)
    : QWidget(parent)
    , m_path(ReadStartFolder())
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("CViewFolder"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    auto *row = new QHBoxLayout;
    auto *iconLabel = new QLabel(this);
    iconLabel->setPixmap(style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(size, size));
    row->addWidget(iconLabel);
    m_label->setText(m_path);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    row->addWidget(m_label, 1);
    layout->addLayout(row);
    layout->addStretch(1);
    PostPaneMessage(this, WMU_SELECT_START_FOLDER);
}

CPlaceholderFolderPane::~CPlaceholderFolderPane() = default;

bool CPlaceholderFolderPane::event(QEvent *event)
{
    if (const PaneMessageEvent *message = PaneMessageEvent::From(event)) {
        if (message->Message() == WMU_SELECT_START_FOLDER)
            PostToMainFrame(WMU_FOLDER_CHANGED);
        return true;
    }
    return QWidget::event(event);
}
