#include "dialogs/aboutdlg.h"

#include "dialogs/dialogunits.h"
#include "dialogs/hyperlink.h"
#include "res/resource.h"
#include "res/resources.h"

#include <QLabel>
#include <QPushButton>

const char kMakerSalesAddress[] = "sales@tarnisviewer.com";
const char kMakerSupportAddress[] = "support@tarnisviewer.com";
const char kMakerWebAddress[] = "http://www.tarnisviewer.com";

CAboutDlg::CAboutDlg(QWidget *parent)
    : TDialog(parent)
{
    const DialogUnits du = SetUpDialog(this, QStringLiteral("About TarnisViewer"), 9, 223, 103);

    auto *icon = new QLabel(this);
    icon->setPixmap(LoadIconResource(IDI_MAINFRAME).pixmap(32, 32));
    du.Place(icon, 0, 10, 10, 21, 20);
    m_versionLabel = du.Add<QLabel>(IDC_VERSION, 40, 8, 176, 10, this);
    auto *description
        = new QLabel(QStringLiteral("TarnisViewer is powerful tool for image viewer, image "
                                    "processing, we will add video generation in its next version."),
            this);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(description, 0, 40, 19, 176, 26);
    du.Place(new QLabel(QStringLiteral("Copyright (C) 2007 TarnisTech. All rights reserved."), this), 0, 40,
        46, 176, 10);
    du.Place(new QLabel(QStringLiteral("E-Mail:"), this), 0, 10, 58, 32, 10);
    m_salesLink = du.Add<CHyperLink>(IDC_SALES_LINK, 44, 58, 172, 10, this);
    m_supportLink = du.Add<CHyperLink>(IDC_SUPPORT_LINK, 44, 69, 172, 10, this);
    du.Place(new QLabel(QStringLiteral("Website:"), this), 0, 10, 81, 32, 10);
    m_webLink = du.Add<CHyperLink>(IDC_WEB_LINK, 44, 81, 120, 10, this);
    auto *ok = du.Add<QPushButton>(1, 176, 84, 40, 14, QStringLiteral("Ok"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::InitDialog()
{
    const QString sales = QString::fromLatin1(kMakerSalesAddress);
    const QString support = QString::fromLatin1(kMakerSupportAddress);
    const QString web = QString::fromLatin1(kMakerWebAddress);
    m_salesLink->SetLink(sales + QStringLiteral("(Sales Support)"),
        QStringLiteral("mailto:") + sales + QStringLiteral("?subject=Sales"));
    m_supportLink->SetLink(support + QStringLiteral("(Technical Support)"),
        QStringLiteral("mailto:") + support + QStringLiteral("?subject=Support"));
    m_webLink->SetLink(web, web);
    m_version = QStringLiteral("Tarnis Viewer Version 1.0  12/16/2007 8:58");
    m_versionLabel->setText(m_version);
}
