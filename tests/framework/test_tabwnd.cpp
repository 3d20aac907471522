#include "framework/tframewnd.h"
#include "framework/tsplitterwnd.h"
#include "framework/ttabwnd.h"
#include "framework/tvisualformview.h"
#include "tests/common/qtapp.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace
{

const TRuntimeClass kPlainView { "View", [](QWidget *, TCreateContext *) { return new QWidget; } };

class TabWndTest : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }

    // Sizes tabs and adds count plain view tabs "Tab0", "Tab1", ... with the strip on top.
    static void Fill(TTabWnd &tabs, int count, QSize size = QSize(400, 300))
    {
        tabs.resize(size);
        tabs.SetTabPos(TTabWnd::kTabsTop);
        for (int i = 0; i < count; ++i)
            tabs.AddViewTab(QStringLiteral("Tab%1").arg(i), &kPlainView, nullptr);
    }
};

TEST_F(TabWndTest, TabWidthIsLabelPlusTenCappedAt200WithSixPixelGaps)
{
    const std::vector<TTabRange> ranges = TTabWnd::ComputeTabRanges({ 300, 50, 190, 0 });
    const std::pair<int, int> expected[] = { { 0, 200 }, { 206, 266 }, { 272, 472 }, { 478, 488 } };
    ASSERT_EQ(ranges.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(std::make_pair(ranges[i].left, ranges[i].right), expected[i]) << i;
}

TEST_F(TabWndTest, HitTestOnlyInsideTheStripBand)
{
    TTabWnd tabs;
    Fill(tabs, 2, QSize(600, 300));
    const int secondLeft = tabs.GetTabItem(1)->left;
    EXPECT_EQ(tabs.HitTest(2, 5), -1);
    EXPECT_EQ(tabs.HitTest(2, 6), 0);
    EXPECT_EQ(tabs.HitTest(2, 26), 0);
    EXPECT_EQ(tabs.HitTest(2, 27), -1);
    EXPECT_EQ(tabs.HitTest(QPoint(secondLeft + 1, 15)), 1);
    EXPECT_EQ(tabs.HitTest(secondLeft - 3, 15), -1); // in the gap between tabs
    EXPECT_EQ(tabs.HitTest(590, 15), -1);

    tabs.SetTabPos(TTabWnd::kTabsBottom);
    EXPECT_EQ(tabs.HitTest(2, 15), -1);
    EXPECT_EQ(tabs.HitTest(2, 300 - 26), 0);
    EXPECT_EQ(tabs.HitTest(2, 300 - 6), 0);
    EXPECT_EQ(tabs.HitTest(2, 300 - 5), -1);
}

TEST_F(TabWndTest, PanesSitBelowTheTopStripOrAboveTheBottomStrip)
{
    TTabWnd tabs;
    Fill(tabs, 1);
    tabs.Layout();
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 31, 398, 268));
    tabs.SetTabPos(TTabWnd::kTabsBottom);
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 0, 398, 270));
    tabs.Layout(500, 200); // a size given by the parent
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 0, 500, 170));
}

// A resize lays the panes out at the given width; in a frame the strip has an etched edge.
TEST_F(TabWndTest, ResizedPanesTakeTheGivenWidthAndAFrameGetsAnEtchedEdge)
{
    TFrameWnd frame;
    auto *tabs = new TTabWnd(&frame);
    Fill(*tabs, 1);
    frame.show();
    tabs->resize(500, 250);
    QCoreApplication::processEvents();
    EXPECT_EQ(tabs->GetTabWnd(0)->geometry(), QRect(1, 31, 500, 218));

    const QImage shot = tabs->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPalette &pal = tabs->palette();
    for (int x : { 0, 250, tabs->width() - 1 }) {
        EXPECT_EQ(shot.pixel(x, 0), pal.color(QPalette::Dark).rgb()) << x;
        EXPECT_EQ(shot.pixel(x, 1), pal.color(QPalette::Light).rgb()) << x;
    }
    TTabWnd loose; // not in a frame: no edge
    Fill(loose, 1);
    const QImage plain = loose.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(plain.pixel(250, 0), pal.color(QPalette::Button).rgb());
}

class GuardedTabs : public TTabWnd
{
public:
    bool allow = true;
    int notifications = 0;
    bool CanChangeTab(QWidget *, QWidget *) override { return allow; }
    void OnTabChanged(QWidget *, QWidget *) override { ++notifications; }
};

TEST_F(TabWndTest, SetActiveTabRulesAndClicks)
{
    GuardedTabs tabs;
    Fill(tabs, 3);
    EXPECT_FALSE(tabs.SetActiveTab(-1, false));
    EXPECT_FALSE(tabs.SetActiveTab(3, false));
    EXPECT_TRUE(tabs.SetActiveTab(0, false)); // the current tab: no change
    EXPECT_EQ(tabs.notifications, 0);

    tabs.allow = false;
    EXPECT_FALSE(tabs.SetActiveTab(1, false));
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    tabs.allow = true;
    EXPECT_TRUE(tabs.SetActiveTab(1, false));
    EXPECT_EQ(tabs.notifications, 1);
    EXPECT_TRUE(tabs.GetTabWnd(0)->isHidden());
    EXPECT_FALSE(tabs.GetTabWnd(0)->isEnabled());
    EXPECT_FALSE(tabs.GetTabWnd(1)->isHidden());
    EXPECT_TRUE(tabs.GetTabWnd(1)->isEnabled());

    // A click (on release) in the third tab activates it.
    const QPoint inThird(tabs.GetTabItem(2)->left + 2, 15);
    QMouseEvent release(QEvent::MouseButtonRelease, inThird, tabs.mapToGlobal(inThird), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&tabs, &release);
    EXPECT_EQ(tabs.GetActiveTab(), 2);
}

TEST_F(TabWndTest, SplitterTabsAndDeletedPanes)
{
    TTabWnd tabs;
    auto *splitter = new TSplitterWnd;
    ASSERT_NE(tabs.AddSplitterTab(QStringLiteral("Split"), 2, 2, splitter, 59648), nullptr);
    EXPECT_EQ(splitter->parentWidget(), &tabs);
    EXPECT_NE(splitter->GetPane(1, 1), nullptr);
    EXPECT_EQ(splitter->GetPane(2, 0), nullptr);
    EXPECT_EQ(tabs.AddViewTab(QStringLiteral("none"), nullptr, nullptr), nullptr);

    delete tabs.GetTabWnd(0); // the tab stays, its window reads as null
    EXPECT_EQ(tabs.GetTabWnd(0), nullptr);
    EXPECT_EQ(tabs.GetTabCount(), 1);
}

TEST(FormViewTest, EnabledStateReachesEveryDescendant)
{
    TestApp();
    TVisualFormView form;
    auto *edit = new QLineEdit(&form);
    auto *group = new QWidget(&form);
    auto *box = new QCheckBox(group);
    box->setEnabled(false); // re-enabled with the form, as the form passes its state on
    form.setEnabled(false);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(box->isEnabled());
    form.setEnabled(true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(group->isEnabled());
}

} // namespace
