#include "frame/placeholderthumbpane.h"

#include "app/appsettings.h"

#include <QLabel>
#include <QVBoxLayout>

CPlaceholderThumbPane::CPlaceholderThumbPane(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("CViewThumb"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_label);
    SetFolder(ReadStartFolder(), 1);
}

CPlaceholderThumbPane::~CPlaceholderThumbPane()
{
    WriteLastPath(m_folder);
}

void CPlaceholderThumbPane::SetFolder(const QString &folder, int)
{
    m_folder = folder;
    m_label->setText(folder);
}
