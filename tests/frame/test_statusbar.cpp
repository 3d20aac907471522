#include "frame/mainstatusbar.h"
#include "framefixture.h"
#include "res/resources.h"
#include "res/strings.h"

#include <QPainter>

namespace
{

using StatusBarTest = FrameFixture;

TEST_F(StatusBarTest, SixPanesSizedByTheirIndicatorStrings)
{
    CMainFrame &frame = CreateFrame();
    CMainStatusBar *status = frame.GetStatusBar();
    ASSERT_EQ(status->GetPaneCount(), 6);
    const UINT ids[] = { 20103, 20104, 20105, 20106, 20107, 0 };
    const QFontMetrics metrics(status->font());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(status->GetItemId(i), ids[i]);
        if (ids[i] != 0) {
            EXPECT_EQ(status->GetItemRect(i).width(),
                metrics.horizontalAdvance(LoadResString(ids[i])) + CMainStatusBar::kPanePadding);
        }
        if (i > 0) { // left to right, the separator pane last
            EXPECT_GT(status->GetItemRect(i).left(), status->GetItemRect(i - 1).right());
        }
    }
    EXPECT_EQ(status->GetPaneText(1), QStringLiteral("00000x00000"));
    EXPECT_EQ(status->GetPaneText(5), QStringLiteral("Ready"));

    CMainStatusBar missing; // an indicator without its string fails them all
    const UINT unknown[] = { 20103, 4242, 0 };
    EXPECT_FALSE(missing.SetIndicators(unknown, 3));
    EXPECT_EQ(missing.GetPaneCount(), 0);
}

// Before anything is drawn over them, the indicator panes show their strings in the text colour.
TEST_F(StatusBarTest, IndicatorPanesShowTheirInitialText)
{
    CMainFrame &frame = CreateFrame();
    frame.showNormal();
    frame.resize(1400, 800);
    PumpEvents();
    CMainStatusBar *status = frame.GetStatusBar();
    const QImage shot = status->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int face = qGray(status->palette().color(QPalette::Button).rgb());
    const int text = qGray(status->palette().color(QPalette::WindowText).rgb());
    for (int pane = 0; pane < 5; ++pane) {
        SCOPED_TRACE(pane);
        const QRect r = status->GetItemRect(pane).adjusted(2, 2, -2, -2);
        int inked = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                inked += std::abs(qGray(shot.pixel(x, y)) - text) < std::abs(face - text) / 2;
        EXPECT_GT(inked, 3 * status->GetPaneText(pane).size()); // a few text pixels per character
    }
}

// Pane 4 shows the position icon and pane 1 the dimensions icon, each one pixel in from the
// pane's corner, with the text on the button face right after the icon; pane 2 has text only.
TEST_F(StatusBarTest, IconPanesDrawTheIconThenTheTextRightOfIt)
{
    CMainFrame &frame = CreateFrame();
    frame.showNormal();
    frame.resize(1400, 800);
    PumpEvents();
    CMainStatusBar *status = frame.GetStatusBar();
    frame.SetStatusPaneText(4, QStringLiteral("(12,34)"));
    frame.SetStatusPaneText(2, QStringLiteral("24Bit"));
    frame.SetStatusPaneText(1, QStringLiteral("640x480"));
    PumpEvents();
    const QImage shot = status->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb face = status->palette().color(QPalette::Button).rgb();
    const std::pair<int, UINT> iconPanes[] = { { 4, IDB_STATUS_POSITION }, { 1, IDB_STATUS_DIMENSIONS } };
    for (const auto &[pane, bitmap] : iconPanes) {
        SCOPED_TRACE(pane);
        const QRect rect = status->GetItemRect(pane);
        const QPoint at = status->OverlayIconPos(pane);
        EXPECT_EQ(at, QPoint(rect.left() + 1, rect.top() + 1));
        const QRect text = status->OverlayTextRect(pane, 14);
        EXPECT_EQ(text.left(), rect.left() + 1 + 14);
        EXPECT_EQ(text.top(), rect.top() + 1);
        EXPECT_EQ(text.right() + 1, rect.left() + rect.width() - 1);
        EXPECT_EQ(shot.pixel(text.left(), text.top()), face);
        const QImage icon = LoadMappedBitmap(bitmap, status->palette()).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(icon.size(), QSize(14, 14));
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 14; ++x)
                ASSERT_EQ(shot.pixel(at.x() + x, at.y() + y), icon.pixel(x, y)) << x << "," << y;
    }
    const QRect text2 = status->OverlayTextRect(2, 0);
    EXPECT_EQ(text2.left(), status->GetItemRect(2).left() + 1);
    EXPECT_EQ(shot.pixel(text2.left(), text2.top()), face);
}

} // namespace
