// The About box: product name and version, a short description and the maker's sales, support
// and web links.
#pragma once

#include "framework/tdialog.h"
#include "platform/wintypes.h"

class CHyperLink;
class QLabel;

// The maker's addresses.
extern const char kMakerSalesAddress[];
extern const char kMakerSupportAddress[];
extern const char kMakerWebAddress[];

class CAboutDlg : public TDialog
{
    Q_OBJECT
public:
    static constexpr UINT IDD = 100;
    static constexpr UINT IDC_VERSION = 1682;
    static constexpr UINT IDC_WEB_LINK = 1683;
    static constexpr UINT IDC_SALES_LINK = 1684;
    static constexpr UINT IDC_SUPPORT_LINK = 1685;

    explicit CAboutDlg(QWidget *parent = nullptr);
    ~CAboutDlg() override;

    CHyperLink *WebLink() const { return m_webLink; }
    CHyperLink *SupportLink() const { return m_supportLink; }
    CHyperLink *SalesLink() const { return m_salesLink; }
    QString GetVersionText() const { return m_version; }

protected:
    void InitDialog() override;

private:
    CHyperLink *m_webLink;
    CHyperLink *m_supportLink;
    CHyperLink *m_salesLink;
    QString m_version;
    QLabel *m_versionLabel;
};
