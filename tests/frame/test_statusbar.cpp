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
}

TEST_F(StatusBarTest, MissingIndicatorStringFailsTheIndicators)
{
    TestApp();
    CMainStatusBar status;
    const UINT ids[] = { 20103, 4242, 0 };
    EXPECT_FALSE(status.SetIndicators(ids, 3));
    EXPECT_EQ(status.GetPaneCount(), 0);
}

TEST_F(StatusBarTest, IconPanesDrawTheIconThenTheTextOnePixelRightOfIt)
{
    CMainFrame &frame = CreateFrame();
    frame.showNormal();
    frame.resize(1400, 800);
    PumpEvents();
    CMainStatusBar *status = frame.GetStatusBar();
    frame.SetStatusPaneText(4, QStringLiteral("(12,34)"));
    frame.SetStatusPaneText(2, QStringLiteral("24Bit"));
    PumpEvents();

    const QRect pane4 = status->GetItemRect(4);
    EXPECT_EQ(status->OverlayIconPos(4), QPoint(pane4.left() + 1, pane4.top() + 1));
    EXPECT_EQ(status->OverlayTextRect(4, 14).left(), pane4.left() + 1 + 14);
    EXPECT_EQ(status->OverlayTextRect(4, 14).top(), pane4.top() + 1);
    EXPECT_EQ(status->OverlayTextRect(4, 14).right() + 1, pane4.left() + pane4.width() - 1);
    const QRect pane2 = status->GetItemRect(2);
    EXPECT_EQ(status->OverlayTextRect(2, 0).left(), pane2.left() + 1);

    const QImage shot = status->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage icon
        = LoadMappedBitmap(IDB_STATUS_POSITION, status->palette()).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(icon.size(), QSize(14, 14));
    const QPoint at = status->OverlayIconPos(4);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x)
            ASSERT_EQ(shot.pixel(at.x() + x, at.y() + y), icon.pixel(x, y)) << x << "," << y;

    // The text area is filled with the button face and the text starts at its left edge.
    const QRgb face = status->palette().color(QPalette::Button).rgb();
    const QRect text4 = status->OverlayTextRect(4, 14);
    EXPECT_EQ(shot.pixel(text4.left(), text4.top()), face);
    int firstInk = -1;
    for (int x = text4.left(); x < text4.left() + text4.width() && firstInk < 0; ++x)
        for (int y = text4.top(); y < text4.top() + text4.height(); ++y)
            if (shot.pixel(x, y) != face) {
                firstInk = x;
                break;
            }
    EXPECT_GE(firstInk, text4.left());
    EXPECT_LE(firstInk, text4.left() + 3);
    const QRect text2 = status->OverlayTextRect(2, 0);
    EXPECT_EQ(shot.pixel(text2.left(), text2.top()), face);
}

TEST_F(StatusBarTest, DimensionsPaneUsesIcon387)
{
    CMainFrame &frame = CreateFrame();
    frame.showNormal();
    frame.resize(1400, 800);
    PumpEvents();
    CMainStatusBar *status = frame.GetStatusBar();
    frame.SetStatusPaneText(1, QStringLiteral("640x480"));
    PumpEvents();
    const QImage shot = status->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage icon
        = LoadMappedBitmap(IDB_STATUS_DIMENSIONS, status->palette()).convertToFormat(QImage::Format_RGB32);
    const QPoint at = status->OverlayIconPos(1);
    int same = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x)
            same += shot.pixel(at.x() + x, at.y() + y) == icon.pixel(x, y);
    EXPECT_EQ(same, 14 * 14);
}

} // namespace
