#include "framework/tframewnd.h"
#include "framework/tsplitterwnd.h"
#include "framework/ttabwnd.h"
#include "framework/tvisualframework.h"
#include "framework/windowid.h"
#include "tests/common/qtapp.h"

#include <QKeyEvent>
#include <QPointer>
#include <gtest/gtest.h>

namespace
{

const TRuntimeClass kViewClass { "CView", [](QWidget *, TCreateContext *) {
                                    auto *view = new QWidget;
                                    view->setFocusPolicy(Qt::StrongFocus);
                                    return view;
                                } };
const TRuntimeClass kTabClass { "TTabWnd", [](QWidget *, TCreateContext *) { return new TTabWnd; } };

// Sends a key press to target through the framework; whether it was consumed.
bool PressKey(TVisualFramework &framework, QWidget *target, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    return framework.ProcessMessage(target, &press);
}

// The main frame's node tree: image pane left, folder tree above thumbnails right.
struct MainLayout {
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context { &frame };
    TVisualPane *outer = new TVisualPane(1029, QString(), 1, 2, &context);
    TVisualPane *inner = new TVisualPane(1030, 0, 1, 2, 1, &context);
    TVisualPane *folder = new TVisualPane(139, 0, 0, &context, &kViewClass, 150, 200);
    TVisualPane *thumbs = new TVisualPane(135, 1, 0, &context, &kViewClass, 150, 0);
    TVisualPane *image = new TVisualPane(136, 0, 0, &context, &kViewClass, 800, 0);

    MainLayout()
    {
        folder->SetHotKey('1');
        thumbs->SetHotKey('2');
        image->SetHotKey('3');
        framework.Add(outer);
        framework.Add(outer, inner);
        framework.Add(inner, folder);
        framework.Add(inner, thumbs);
        framework.Add(outer, image);
    }
    QWidget *Window(UINT id) const { return framework.GetWindow(id); }
    QWidget *Active() const { return frame.GetActiveView(); }
};

class FrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }
};

TEST_F(FrameworkTest, DuplicateIdentifierIsRejectedAndTreeUnchanged)
{
    TVisualFramework framework;
    TCreateContext context;
    auto *root = new TVisualPane(1029, QString(), 1, 2, &context);
    auto *view = new TVisualPane(136, 0, 0, &context, &kViewClass, 800, 0);
    TVisualPane duplicateRoot(1029, QString(), 1, 1, &context);
    TVisualPane duplicateChild(136, 0, 1, &context, &kViewClass, 10, 10);
    EXPECT_TRUE(framework.Add(root));
    EXPECT_TRUE(framework.Add(root, view));
    EXPECT_FALSE(framework.Add(&duplicateRoot));
    EXPECT_FALSE(framework.Add(root, &duplicateChild));
    EXPECT_EQ(framework.Nodes().size(), 2u);
    EXPECT_EQ(root->GetChildren().size(), 1u);
    EXPECT_EQ(duplicateChild.GetParentNode(), nullptr);
}

TEST_F(FrameworkTest, MainLayoutBuildsSplittersViewsAndActivatesSmallestViewId)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    auto *outer = qobject_cast<TSplitterWnd *>(layout.Window(1029));
    auto *inner = qobject_cast<TSplitterWnd *>(layout.Window(1030));
    ASSERT_NE(outer, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(outer->GetPane(0, 0), layout.Window(136));
    EXPECT_EQ(outer->GetPane(0, 1), inner);
    EXPECT_EQ(inner->GetPane(0, 0), layout.Window(139));
    EXPECT_EQ(inner->GetPane(1, 0), layout.Window(135));
    EXPECT_EQ(GetWindowId(outer), 59648u);
    EXPECT_EQ(GetWindowId(inner), 59648u + 1); // the outer cell (0, 1)
    EXPECT_EQ(GetWindowId(layout.Window(135)), 59648u + 16);
    EXPECT_EQ(layout.framework.FindNode(inner), layout.inner);
    EXPECT_EQ(layout.Window(4711), nullptr);
    // Node 135 is the smallest view identifier, so its view is active after creation.
    EXPECT_EQ(layout.Active(), layout.Window(135));
}

TEST_F(FrameworkTest, InitialSizesHoldAndLastCellTakesTheRest)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    layout.frame.resize(1600, 1000);
    layout.frame.show();
    PumpEvents();
    QWidget *image = layout.Window(136);
    auto *outer = qobject_cast<TSplitterWnd *>(layout.Window(1029));
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(outer->width(), 800 + outer->handleWidth() + layout.Window(139)->width());
    // Too narrow: the image pane gives way; wide again: it is back at its ideal width.
    layout.frame.resize(500, 400);
    PumpEvents();
    EXPECT_LT(image->width(), 500);
    layout.frame.resize(1400, 900);
    PumpEvents();
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(layout.Window(139)->height(), 200);
}

TEST_F(FrameworkTest, DistributeSizesGivesIdealsInOrderAndTheRestToTheLast)
{
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 800, 150 }, 1500), (std::vector<int> { 800, 700 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 800, 150 }, 500), (std::vector<int> { 500, 0 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 200, 0 }, 900), (std::vector<int> { 200, 700 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ -1, -1, -1 }, 300), (std::vector<int> { 100, 100, 100 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 10 }, -5), (std::vector<int> { 0 }));
}

TEST_F(FrameworkTest, OnlyViewsThatPermitItAreActivated)
{
    MainLayout layout;
    layout.image->SetCanActivate(false);
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_FALSE(layout.framework.SetActivePane(layout.image));
    EXPECT_FALSE(layout.framework.SetActivePane(layout.outer)); // a splitter
    EXPECT_FALSE(layout.framework.SetActivePane(layout.inner));
    EXPECT_TRUE(layout.framework.SetActivePane(layout.folder));
    EXPECT_EQ(layout.Active(), layout.Window(139));

    MainLayout none; // no view permits activation: none is active
    none.folder->SetCanActivate(false);
    none.thumbs->SetCanActivate(false);
    ASSERT_TRUE(none.framework.Create(&none.frame));
    EXPECT_EQ(none.Active(), nullptr);
}

// Alt+digit activates the view with that hot key; Ctrl+Tab without a tab window is not consumed.
TEST_F(FrameworkTest, AltHotKeysActivateTheirView)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_TRUE(PressKey(layout.framework, &layout.frame, Qt::Key_3, Qt::AltModifier));
    EXPECT_EQ(layout.Active(), layout.Window(136));
    EXPECT_TRUE(PressKey(layout.framework, &layout.frame, Qt::Key_1, Qt::AltModifier));
    EXPECT_EQ(layout.Active(), layout.Window(139));
    EXPECT_FALSE(PressKey(layout.framework, &layout.frame, Qt::Key_9, Qt::AltModifier));
    EXPECT_FALSE(PressKey(layout.framework, &layout.frame, Qt::Key_3, Qt::NoModifier));
    EXPECT_FALSE(PressKey(layout.framework, layout.Window(136), Qt::Key_Tab, Qt::ControlModifier));
    layout.image->SetCanActivate(false);
    EXPECT_FALSE(PressKey(layout.framework, &layout.frame, Qt::Key_3, Qt::AltModifier));
}

TEST_F(FrameworkTest, NextPaneCyclesWithinTheEnclosingSplitter)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_TRUE(layout.framework.ActivateNextPane(false));
    EXPECT_EQ(layout.Active(), layout.Window(139)); // from 135, wrapping within 1030
    EXPECT_TRUE(layout.framework.ActivateNextPane(true));
    EXPECT_EQ(layout.Active(), layout.Window(135));
    layout.framework.SetActivePane(layout.image);
    EXPECT_TRUE(layout.framework.ActivateNextPane(false)); // into the nested splitter's first cell
    EXPECT_EQ(layout.Active(), layout.Window(139));
}

TEST_F(FrameworkTest, DestroyRemovesWindowsAndNodes)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    std::vector<QPointer<QWidget>> windows;
    for (UINT id : { 1029u, 1030u, 136u, 135u })
        windows.emplace_back(layout.Window(id));
    layout.framework.Destroy();
    for (const QPointer<QWidget> &window : windows)
        EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(layout.framework.Nodes().empty());
    EXPECT_EQ(layout.Window(136), nullptr);
    layout.framework.Destroy(); // a second destroy finds nothing to do
}

class MdiChildFrame : public TFrameWnd
{
public:
    bool IsMdiChild() const override { return true; }
};

// A single view fills the frame (an MDI child frame turns Ctrl+Tab switching off); a view meant
// for a splitter cell placed directly in the frame has no splitter to live in.
TEST_F(FrameworkTest, SingleViewFillsTheFrameAndMisplacedViewFailsCreate)
{
    MdiChildFrame frame;
    TVisualFramework framework;
    TCreateContext context;
    framework.Add(new TVisualPane(TVisualPane::SingleView, 5, QString(), &context, &kViewClass));
    EXPECT_TRUE(framework.GetCtrlTabSwitching());
    ASSERT_TRUE(framework.Create(&frame));
    QWidget *view = framework.GetWindow(5);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(frame.ClientArea()->isAncestorOf(view));
    EXPECT_EQ(frame.GetActiveView(), view);
    EXPECT_FALSE(framework.GetCtrlTabSwitching());

    TFrameWnd other;
    TVisualFramework misplaced;
    misplaced.Add(new TVisualPane(7, 0, 0, &context, &kViewClass, 10, 10));
    EXPECT_FALSE(misplaced.Create(&other));
}

// A tab window in the frame with two view tabs and a splitter tab holding two views.
struct TabLayout {
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context;
    TVisualPane *left = new TVisualPane(14, 0, 0, &context, &kViewClass, 100, 0);

    explicit TabLayout(DWORD secondFlags = 0)
    {
        auto *tabs = new TVisualPane(
            TVisualPane::TabWindow, 10, QString(), &context, &kTabClass, TVisualPane::TabsTop);
        auto *split = new TVisualPane(13, QStringLiteral("Split"), 1, 2, &context);
        framework.Add(tabs);
        framework.Add(tabs,
            new TVisualPane(TVisualPane::ViewInTab, 11, QStringLiteral("First"), &context, &kViewClass));
        framework.Add(tabs,
            new TVisualPane(
                TVisualPane::ViewInTab, 12, QStringLiteral("Second"), &context, &kViewClass, secondFlags));
        framework.Add(tabs, split);
        framework.Add(split, left);
        framework.Add(split, new TVisualPane(15, 0, 1, &context, &kViewClass, 100, 0));
        frame.resize(800, 600);
    }

    TTabWnd *Tabs() const { return qobject_cast<TTabWnd *>(framework.GetWindow(10)); }
};

class RecordingTabs : public TTabWnd
{
public:
    std::vector<int> changes;
    void OnTabChanged(QWidget *, QWidget *) override { changes.push_back(GetActiveTab()); }
};

// A second tab window's flagged tab is selected at creation. In the first, node 12 carries the
// flag too, but view 11 has the smallest id and is activated last, so its tab stays in front.
TEST_F(FrameworkTest, TabWindowShowsOnlyTheActiveTab)
{
    const TRuntimeClass recordingClass { "TTabWnd",
        [](QWidget *, TCreateContext *) { return new RecordingTabs; } };
    TabLayout layout(TVisualPane::ActiveTab);
    auto *second = new TVisualPane(TVisualPane::TabWindow, 20, QString(), &layout.context, &recordingClass);
    layout.framework.Add(second);
    layout.framework.Add(second,
        new TVisualPane(TVisualPane::ViewInTab, 21, QStringLiteral("A"), &layout.context, &kViewClass));
    layout.framework.Add(second,
        new TVisualPane(TVisualPane::ViewInTab, 22, QStringLiteral("B"), &layout.context, &kViewClass,
            TVisualPane::ActiveTab));
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    auto *recording = dynamic_cast<RecordingTabs *>(layout.framework.GetWindow(20));
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->changes, (std::vector<int> { 1 }));

    TTabWnd *tabs = layout.Tabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetActiveTab(), 0);
    EXPECT_EQ(GetWindowId(tabs), 9592u);
    ASSERT_EQ(tabs->GetTabCount(), 3);
    EXPECT_EQ(GetWindowId(tabs->GetTabWnd(0)), 13576u);
    EXPECT_EQ(GetWindowId(tabs->GetTabWnd(1)), 13577u);
    EXPECT_TRUE(qobject_cast<TSplitterWnd *>(tabs->GetTabWnd(2)));
    EXPECT_FALSE(tabs->GetTabWnd(1)->isEnabled());
    EXPECT_TRUE(tabs->GetTabWnd(1)->isHidden());
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(11));

    // Activating a view inside the splitter tab switches to that tab first.
    EXPECT_TRUE(layout.framework.SetActivePane(layout.left));
    EXPECT_EQ(tabs->GetActiveTab(), 2);
    EXPECT_TRUE(tabs->GetTabWnd(0)->isHidden());
    EXPECT_FALSE(tabs->GetTabWnd(2)->isHidden());
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(14));
    EXPECT_EQ(tabs->GetTabIndex(layout.framework.GetWindow(12)), 1);
    EXPECT_EQ(tabs->GetTabIndex(layout.framework.GetWindow(14)), -1);
}

TEST_F(FrameworkTest, CtrlTabStepsThroughTabsAndWraps)
{
    TabLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    TVisualFramework &framework = layout.framework;
    TTabWnd *tabs = layout.Tabs();
    EXPECT_TRUE(PressKey(framework, framework.GetWindow(11), Qt::Key_Tab, Qt::ControlModifier));
    EXPECT_EQ(tabs->GetActiveTab(), 1);
    EXPECT_TRUE(PressKey(framework, framework.GetWindow(12), Qt::Key_Tab, Qt::ControlModifier));
    EXPECT_EQ(tabs->GetActiveTab(), 2);
    EXPECT_TRUE(PressKey(framework, framework.GetWindow(14), Qt::Key_Tab, Qt::ControlModifier));
    EXPECT_EQ(tabs->GetActiveTab(), 0);
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    EXPECT_TRUE(PressKey(framework, framework.GetWindow(11), Qt::Key_Backtab, ctrlShift));
    EXPECT_EQ(tabs->GetActiveTab(), 2);
    // From the frame itself nothing happens; without the switching flag neither.
    EXPECT_FALSE(PressKey(framework, &layout.frame, Qt::Key_Tab, Qt::ControlModifier));
    framework.SetCtrlTabSwitching(false);
    EXPECT_FALSE(PressKey(framework, framework.GetWindow(11), Qt::Key_Tab, Qt::ControlModifier));
}

} // namespace
