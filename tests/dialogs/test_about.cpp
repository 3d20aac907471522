// The About box and its links offscreen: texts, colours following the mouse, opening a target
// through the desktop and closing the box.
#include "dialogs/aboutdlg.h"
#include "dialogs/dialogunits.h"
#include "dialogs/hyperlink.h"
#include "tests/common/qtapp.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

// Receives what the links ask the desktop to open.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    UrlSink()
    {
        for (const char *scheme : { "mailto", "http", "https" })
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~UrlSink() override
    {
        for (const char *scheme : { "mailto", "http", "https" })
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl &url) { opened << url; }
};

void SendMove(QWidget *widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

} // namespace

TEST(AboutBox, ShowsTheProductTheVersionAndTheMakersLinks)
{
    TestApp();
    CAboutDlg dlg;
    dlg.show();
    PumpEvents();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About TarnisViewer"));
    EXPECT_EQ(FindControlAs<QLabel>(&dlg, CAboutDlg::IDC_VERSION)->text(),
        QStringLiteral("Tarnis Viewer Version 1.0  12/16/2007 8:58"));
    EXPECT_EQ(dlg.SalesLink()->GetText(), QStringLiteral("sales@tarnisviewer.com(Sales Support)"));
    EXPECT_EQ(dlg.SalesLink()->GetTarget(), QStringLiteral("mailto:sales@tarnisviewer.com?subject=Sales"));
    EXPECT_EQ(dlg.WebLink()->GetText(), QStringLiteral("http://www.tarnisviewer.com"));
    EXPECT_EQ(dlg.WebLink()->GetTarget(), dlg.WebLink()->GetText());
    // Every link is wide enough for its text.
    for (CHyperLink *link : { dlg.SalesLink(), dlg.SupportLink(), dlg.WebLink() })
        EXPECT_GE(link->width(), link->sizeHint().width()) << link->GetText().toStdString();
}

TEST(AboutBox, LinkTurnsRedWhileTheMouseIsOverIt)
{
    TestApp();
    CAboutDlg dlg;
    dlg.show();
    PumpEvents();
    CHyperLink *link = dlg.WebLink();
    EXPECT_EQ(link->CurrentColour(), RGB(0, 0, 255));
    SendMove(link, QPoint(3, 3));
    EXPECT_TRUE(link->HasCapture());
    EXPECT_EQ(link->CurrentColour(), RGB(255, 0, 0));
    EXPECT_EQ(link->cursor().shape(), Qt::UpArrowCursor);
    QImage hover(link->size(), QImage::Format_RGB32);
    hover.fill(Qt::white);
    link->render(&hover);
    bool red = false;
    for (int y = 0; y < hover.height(); ++y)
        for (int x = 0; x < hover.width(); ++x)
            red |= (hover.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_TRUE(red);
    SendMove(link, QPoint(-5, link->height() + 5));
    EXPECT_FALSE(link->HasCapture());
    EXPECT_EQ(link->CurrentColour(), RGB(0, 0, 255));
}

// The support link opens mail through the desktop and closes the box; a link without a target
// does neither.
TEST(AboutBox, ClickingALinkOpensItsTargetAndCloses)
{
    TestApp();
    UrlSink sink;
    CAboutDlg dlg;
    dlg.show();
    PumpEvents();
    QTest::mouseClick(dlg.SupportLink(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    ASSERT_EQ(sink.opened.size(), 1);
    EXPECT_EQ(sink.opened[0].toString(), QStringLiteral("mailto:support@tarnisviewer.com?subject=Support"));
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    QDialog parent;
    CHyperLink link(&parent);
    link.setGeometry(0, 0, 80, 16);
    link.SetLink(QStringLiteral("Tarnis"), QString());
    parent.show();
    QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(sink.opened.size(), 1);
    EXPECT_TRUE(parent.isVisible());
}

#include "test_about.moc"
