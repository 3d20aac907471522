#include "framework/tsplitterwnd.h"
#include "framework/ttabwnd.h"
#include "framework/tvisualformview.h"
#include "tests/common/qtapp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace
{

const TRuntimeClass kPlainView { "View", [](QWidget *, TCreateContext *) { return new QWidget; } };

class TabWndTest : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }
};

TEST_F(TabWndTest, TabWidthIsLabelPlusTenCappedAt200WithSixPixelGaps)
{
    const std::vector<TTabRange> ranges = TTabWnd::ComputeTabRanges({ 300, 50, 190, 0 });
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[0].left, 0);
    EXPECT_EQ(ranges[0].right, 200);
    EXPECT_EQ(ranges[1].left, 206);
    EXPECT_EQ(ranges[1].right, 266);
    EXPECT_EQ(ranges[2].left, 272);
    EXPECT_EQ(ranges[2].right, 472); // 190 + 10 = 200, exactly the cap
    EXPECT_EQ(ranges[3].left, 478);
    EXPECT_EQ(ranges[3].right, 488);
}

TEST_F(TabWndTest, LongLabelMakesA200PixelTab)
{
    TTabWnd tabs;
    tabs.resize(900, 400);
    tabs.SetTabPos(TTabWnd::kTabsTop);
    const QString wide(200, QLatin1Char('W'));
    tabs.AddViewTab(wide, &kPlainView, nullptr);
    tabs.AddViewTab(QStringLiteral("B"), &kPlainView, nullptr);
    tabs.repaint();
    ASSERT_EQ(tabs.GetTabCount(), 2);
    EXPECT_EQ(tabs.GetTabItem(0)->left, 0);
    EXPECT_EQ(tabs.GetTabItem(0)->right, 200);
    EXPECT_EQ(tabs.GetTabItem(1)->left, 206);
}

TEST_F(TabWndTest, HitTestOnlyInsideTheStripBand)
{
    TTabWnd tabs;
    tabs.resize(600, 300);
    tabs.SetTabPos(TTabWnd::kTabsTop);
    tabs.AddViewTab(QStringLiteral("One"), &kPlainView, nullptr);
    tabs.AddViewTab(QStringLiteral("Two"), &kPlainView, nullptr);
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
    tabs.resize(400, 300);
    tabs.SetTabPos(TTabWnd::kTabsTop);
    tabs.AddViewTab(QStringLiteral("One"), &kPlainView, nullptr);
    tabs.Layout();
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 31, 398, 268));
    tabs.SetTabPos(TTabWnd::kTabsBottom);
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 0, 398, 270));
    tabs.Layout(500, 200); // a size given by the parent
    EXPECT_EQ(tabs.GetTabWnd(0)->geometry(), QRect(1, 0, 500, 170));
}

class GuardedTabs : public TTabWnd
{
public:
    bool allow = true;
    int notifications = 0;
    bool CanChangeTab(QWidget *, QWidget *) override { return allow; }
    void OnTabChanged(QWidget *, QWidget *) override { ++notifications; }
};

TEST_F(TabWndTest, SetActiveTabRules)
{
    GuardedTabs tabs;
    tabs.resize(400, 300);
    tabs.AddViewTab(QStringLiteral("One"), &kPlainView, nullptr);
    tabs.AddViewTab(QStringLiteral("Two"), &kPlainView, nullptr);
    tabs.AddViewTab(QStringLiteral("Three"), &kPlainView, nullptr);
    EXPECT_FALSE(tabs.SetActiveTab(-1, false));
    EXPECT_FALSE(tabs.SetActiveTab(3, false));
    EXPECT_TRUE(tabs.SetActiveTab(0, false)); // the current tab: no change
    EXPECT_EQ(tabs.notifications, 0);

    tabs.allow = false;
    EXPECT_FALSE(tabs.SetActiveTab(1, false));
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    tabs.allow = true;
    EXPECT_TRUE(tabs.SetActiveTab(1, false));
    EXPECT_EQ(tabs.GetActiveTab(), 1);
    EXPECT_EQ(tabs.notifications, 1);
    EXPECT_TRUE(tabs.GetTabWnd(0)->isHidden());
    EXPECT_FALSE(tabs.GetTabWnd(0)->isEnabled());
    EXPECT_FALSE(tabs.GetTabWnd(1)->isHidden());
    EXPECT_TRUE(tabs.GetTabWnd(1)->isEnabled());
}

TEST_F(TabWndTest, ClickOnATabActivatesIt)
{
    TTabWnd tabs;
    tabs.resize(400, 300);
    tabs.SetTabPos(TTabWnd::kTabsTop);
    tabs.AddViewTab(QStringLiteral("One"), &kPlainView, nullptr);
    tabs.AddViewTab(QStringLiteral("Two"), &kPlainView, nullptr);
    const QPoint inSecond(tabs.GetTabItem(1)->left + 2, 15);
    QMouseEvent release(QEvent::MouseButtonRelease, inSecond, tabs.mapToGlobal(inSecond), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&tabs, &release);
    EXPECT_EQ(tabs.GetActiveTab(), 1);
}

TEST_F(TabWndTest, DeletedPaneWindowReadsAsNull)
{
    TTabWnd tabs;
    tabs.AddViewTab(QStringLiteral("One"), &kPlainView, nullptr);
    delete tabs.GetTabWnd(0);
    EXPECT_EQ(tabs.GetTabWnd(0), nullptr);
    EXPECT_EQ(tabs.GetTabCount(), 1);
}

TEST_F(TabWndTest, SplitterTabGetsTheGivenIdentifier)
{
    TTabWnd tabs;
    auto *splitter = new TSplitterWnd;
    ASSERT_NE(tabs.AddSplitterTab(QStringLiteral("Split"), 2, 2, splitter, 59648), nullptr);
    EXPECT_EQ(splitter->parentWidget(), &tabs);
    EXPECT_EQ(splitter->GetRowCount(), 2);
    EXPECT_EQ(splitter->GetColumnCount(), 2);
    EXPECT_NE(splitter->GetPane(1, 1), nullptr);
    EXPECT_EQ(splitter->GetPane(2, 0), nullptr);
    EXPECT_EQ(tabs.AddViewTab(QStringLiteral("none"), nullptr, nullptr), nullptr);
}

TEST(FormViewTest, EnabledStateReachesEveryDescendant)
{
    TestApp();
    TVisualFormView form;
    auto *layout = new QVBoxLayout(&form);
    auto *edit = new QLineEdit;
    auto *group = new QWidget;
    auto *box = new QCheckBox(group);
    layout->addWidget(edit);
    layout->addWidget(group);
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
