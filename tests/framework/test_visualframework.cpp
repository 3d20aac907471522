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

QWidget *MakeView(const char *name)
{
    auto *view = new QWidget;
    view->setObjectName(QString::fromLatin1(name));
    view->setFocusPolicy(Qt::StrongFocus);
    return view;
}

const TRuntimeClass kImageClass { "CViewImage",
    [](QWidget *, TCreateContext *) { return MakeView("image"); } };
const TRuntimeClass kFolderClass { "CViewFolder",
    [](QWidget *, TCreateContext *) { return MakeView("folder"); } };
const TRuntimeClass kThumbClass { "CViewThumb",
    [](QWidget *, TCreateContext *) { return MakeView("thumb"); } };
const TRuntimeClass kTabClass { "TTabWnd", [](QWidget *, TCreateContext *) { return new TTabWnd; } };

// The main frame's node tree: image pane left, folder tree above thumbnails right.
struct MainLayout {
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context;
    TVisualPane *outer = nullptr;
    TVisualPane *inner = nullptr;
    TVisualPane *folder = nullptr;
    TVisualPane *thumbs = nullptr;
    TVisualPane *image = nullptr;

    MainLayout()
    {
        context.frame = &frame;
        outer = new TVisualPane(1029, QString(), 1, 2, &context);
        inner = new TVisualPane(1030, 0, 1, 2, 1, &context);
        folder = new TVisualPane(139, 0, 0, &context, &kFolderClass, 150, 200);
        thumbs = new TVisualPane(135, 1, 0, &context, &kThumbClass, 150, 0);
        image = new TVisualPane(136, 0, 0, &context, &kImageClass, 800, 0);
        folder->SetHotKey('1');
        thumbs->SetHotKey('2');
        image->SetHotKey('3');
        framework.Add(outer);
        framework.Add(outer, inner);
        framework.Add(inner, folder);
        framework.Add(inner, thumbs);
        framework.Add(outer, image);
    }
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
    auto *view = new TVisualPane(136, 0, 0, &context, &kImageClass, 800, 0);
    TVisualPane duplicateRoot(1029, QString(), 1, 1, &context);
    TVisualPane duplicateChild(136, 0, 1, &context, &kImageClass, 10, 10);
    EXPECT_TRUE(framework.Add(root));
    EXPECT_TRUE(framework.Add(root, view));
    EXPECT_FALSE(framework.Add(&duplicateRoot));
    EXPECT_FALSE(framework.Add(root, &duplicateChild));
    EXPECT_EQ(framework.Nodes().size(), 2u);
    EXPECT_EQ(root->GetChildren().size(), 1u);
    EXPECT_EQ(framework.FindNode(136), view);
    EXPECT_EQ(duplicateChild.GetParentNode(), nullptr);
}

TEST_F(FrameworkTest, MainLayoutBuildsSplittersViewsAndActivatesSmallestViewId)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));

    auto *outer = qobject_cast<TSplitterWnd *>(layout.framework.GetWindow(1029));
    auto *inner = qobject_cast<TSplitterWnd *>(layout.framework.GetWindow(1030));
    ASSERT_NE(outer, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(outer->GetRowCount(), 1);
    EXPECT_EQ(outer->GetColumnCount(), 2);
    EXPECT_EQ(inner->GetRowCount(), 2);
    EXPECT_EQ(inner->GetColumnCount(), 1);
    EXPECT_EQ(outer->GetPane(0, 0), layout.framework.GetWindow(136));
    EXPECT_EQ(outer->GetPane(0, 1), inner);
    EXPECT_EQ(inner->GetPane(0, 0), layout.framework.GetWindow(139));
    EXPECT_EQ(inner->GetPane(1, 0), layout.framework.GetWindow(135));
    EXPECT_EQ(layout.framework.GetWindow(135)->objectName(), QStringLiteral("thumb"));
    EXPECT_EQ(GetWindowId(outer), 59648u);
    EXPECT_EQ(GetWindowId(inner), 59648u + 1); // the outer cell (0, 1)
    EXPECT_EQ(GetWindowId(layout.framework.GetWindow(135)), 59648u + 16);
    EXPECT_EQ(layout.framework.FindNode(inner), layout.inner);
    EXPECT_EQ(layout.framework.GetWindow(4711), nullptr);

    // Node 135 is the smallest view identifier, so its view is active after creation.
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(135));
}

TEST_F(FrameworkTest, InitialSizesHoldAndLastCellTakesTheRest)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    layout.frame.resize(1600, 1000);
    layout.frame.show();
    PumpEvents();
    QWidget *image = layout.framework.GetWindow(136);
    QWidget *folder = layout.framework.GetWindow(139);
    QWidget *thumbs = layout.framework.GetWindow(135);
    auto *outer = qobject_cast<TSplitterWnd *>(layout.framework.GetWindow(1029));
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(folder->height(), 200);
    EXPECT_EQ(outer->width(), 800 + outer->handleWidth() + folder->width());
    EXPECT_GT(thumbs->height(), 200);

    // Too narrow: the image pane gives way; wide again: it is back at its ideal width.
    layout.frame.resize(500, 400);
    PumpEvents();
    EXPECT_LT(image->width(), 500);
    layout.frame.resize(1400, 900);
    PumpEvents();
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(folder->height(), 200);
}

TEST_F(FrameworkTest, DistributeSizesGivesIdealsInOrderAndTheRestToTheLast)
{
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 800, 150 }, 1500), (std::vector<int> { 800, 700 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 800, 150 }, 500), (std::vector<int> { 500, 0 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 200, 0 }, 900), (std::vector<int> { 200, 700 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ -1, -1, -1 }, 300), (std::vector<int> { 100, 100, 100 }));
    EXPECT_EQ(TSplitterWnd::DistributeSizes({ 10 }, -5), (std::vector<int> { 0 }));
}

TEST_F(FrameworkTest, ActivationRules)
{
    MainLayout layout;
    layout.image->SetCanActivate(false);
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_FALSE(layout.framework.SetActivePane(layout.image));
    EXPECT_FALSE(layout.framework.SetActivePane(layout.outer)); // a splitter
    EXPECT_FALSE(layout.framework.SetActivePane(layout.inner));
    EXPECT_TRUE(layout.framework.SetActivePane(layout.folder));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(139));
}

TEST_F(FrameworkTest, NoViewPermitsActivationLeavesNoActiveView)
{
    MainLayout layout;
    layout.folder->SetCanActivate(false);
    layout.thumbs->SetCanActivate(false);
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_EQ(layout.frame.GetActiveView(), nullptr);
}

TEST_F(FrameworkTest, AltHotKeysActivateTheirViewInIdOrder)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    QKeyEvent alt3(QEvent::KeyPress, Qt::Key_3, Qt::AltModifier);
    EXPECT_TRUE(layout.framework.ProcessMessage(&layout.frame, &alt3));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(136));
    QKeyEvent alt1(QEvent::KeyPress, Qt::Key_1, Qt::AltModifier);
    EXPECT_TRUE(layout.framework.ProcessMessage(&layout.frame, &alt1));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(139));
    QKeyEvent alt9(QEvent::KeyPress, Qt::Key_9, Qt::AltModifier);
    EXPECT_FALSE(layout.framework.ProcessMessage(&layout.frame, &alt9));
    QKeyEvent plain3(QEvent::KeyPress, Qt::Key_3, Qt::NoModifier);
    EXPECT_FALSE(layout.framework.ProcessMessage(&layout.frame, &plain3));

    layout.image->SetCanActivate(false);
    EXPECT_FALSE(layout.framework.ProcessMessage(&layout.frame, &alt3));
}

TEST_F(FrameworkTest, NextPaneCyclesWithinTheEnclosingSplitter)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(135));
    EXPECT_TRUE(layout.framework.ActivateNextPane(false));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(139)); // wraps within 1030
    EXPECT_TRUE(layout.framework.ActivateNextPane(true));
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(135));
    layout.framework.SetActivePane(layout.image);
    EXPECT_TRUE(layout.framework.ActivateNextPane(false)); // into the nested splitter's first cell
    EXPECT_EQ(layout.frame.GetActiveView(), layout.framework.GetWindow(139));
}

TEST_F(FrameworkTest, DestroyRemovesWindowsAndNodes)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    QPointer<QWidget> outer = layout.framework.GetWindow(1029);
    QPointer<QWidget> inner = layout.framework.GetWindow(1030);
    QPointer<QWidget> image = layout.framework.GetWindow(136);
    QPointer<QWidget> thumbs = layout.framework.GetWindow(135);
    layout.framework.Destroy();
    EXPECT_TRUE(outer.isNull());
    EXPECT_TRUE(inner.isNull());
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(thumbs.isNull());
    EXPECT_TRUE(layout.framework.Nodes().empty());
    EXPECT_EQ(layout.framework.GetWindow(136), nullptr);
    layout.framework.Destroy(); // a second destroy finds nothing to do
}

TEST_F(FrameworkTest, UnknownKindOrMissingParentFailsCreate)
{
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context;
    // A view-in-splitter node placed directly in the frame has no splitter to live in.
    framework.Add(new TVisualPane(7, 0, 0, &context, &kImageClass, 10, 10));
    EXPECT_FALSE(framework.Create(&frame));
}

TEST_F(FrameworkTest, SingleViewFillsTheFrame)
{
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context;
    framework.Add(new TVisualPane(TVisualPane::SingleView, 5, QString(), &context, &kImageClass));
    ASSERT_TRUE(framework.Create(&frame));
    QWidget *view = framework.GetWindow(5);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(context.newViewClass, &kImageClass);
    EXPECT_TRUE(frame.ClientArea()->isAncestorOf(view));
    EXPECT_EQ(frame.GetActiveView(), view);
}

// A tab window in the frame with two view tabs and a splitter tab holding two views.
struct TabLayout {
    TFrameWnd frame;
    TVisualFramework framework;
    TCreateContext context;
    TVisualPane *tabs;
    TVisualPane *first;
    TVisualPane *second;
    TVisualPane *split;
    TVisualPane *left;

    explicit TabLayout(DWORD secondFlags = 0)
    {
        tabs = new TVisualPane(
            TVisualPane::TabWindow, 10, QString(), &context, &kTabClass, TVisualPane::TabsTop);
        first = new TVisualPane(TVisualPane::ViewInTab, 11, QStringLiteral("First"), &context, &kImageClass);
        second = new TVisualPane(
            TVisualPane::ViewInTab, 12, QStringLiteral("Second"), &context, &kFolderClass, secondFlags);
        split = new TVisualPane(13, QStringLiteral("Split"), 1, 2, &context);
        left = new TVisualPane(14, 0, 0, &context, &kThumbClass, 100, 0);
        framework.Add(tabs);
        framework.Add(tabs, first);
        framework.Add(tabs, second);
        framework.Add(tabs, split);
        framework.Add(split, left);
        framework.Add(split, new TVisualPane(15, 0, 1, &context, &kThumbClass, 100, 0));
        frame.resize(800, 600);
    }

    TTabWnd *Tabs() const { return qobject_cast<TTabWnd *>(framework.GetWindow(10)); }
};

TEST_F(FrameworkTest, TabWindowShowsOnlyTheActiveTab)
{
    TabLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    TTabWnd *tabs = layout.Tabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(GetWindowId(tabs), 9592u);
    EXPECT_EQ(tabs->GetTabPos(), TTabWnd::kTabsTop);
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
    EXPECT_EQ(tabs->GetTabWnd(7), nullptr);
}

class RecordingTabs : public TTabWnd
{
public:
    std::vector<int> changes;
    void OnTabChanged(QWidget *, QWidget *) override { changes.push_back(GetActiveTab()); }
};

TEST_F(FrameworkTest, ActiveTabFlagSelectsTheTabThenTheSmallestViewIsActivated)
{
    const TRuntimeClass recordingClass { "TTabWnd",
        [](QWidget *, TCreateContext *) { return new RecordingTabs; } };
    TabLayout layout(TVisualPane::ActiveTab);
    auto *tabs = new TVisualPane(TVisualPane::TabWindow, 20, QString(), &layout.context, &recordingClass);
    layout.framework.Add(tabs);
    layout.framework.Add(tabs,
        new TVisualPane(TVisualPane::ViewInTab, 21, QStringLiteral("A"), &layout.context, &kImageClass));
    layout.framework.Add(tabs,
        new TVisualPane(TVisualPane::ViewInTab, 22, QStringLiteral("B"), &layout.context, &kImageClass,
            TVisualPane::ActiveTab));
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    // Node 12 carries the flag, but view 11 has the smallest id and is activated last.
    EXPECT_EQ(layout.Tabs()->GetActiveTab(), 0);
    auto *recording = dynamic_cast<RecordingTabs *>(layout.framework.GetWindow(20));
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->changes, (std::vector<int> { 1 }));
    EXPECT_EQ(recording->GetActiveTab(), 1);
}

TEST_F(FrameworkTest, CtrlTabStepsThroughTabsAndWraps)
{
    TabLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    TTabWnd *tabs = layout.Tabs();
    QWidget *view = layout.framework.GetWindow(11);
    QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(layout.framework.ProcessMessage(view, &ctrlTab));
    EXPECT_EQ(tabs->GetActiveTab(), 1);
    EXPECT_TRUE(layout.framework.ProcessMessage(layout.framework.GetWindow(12), &ctrlTab));
    EXPECT_EQ(tabs->GetActiveTab(), 2);
    EXPECT_TRUE(layout.framework.ProcessMessage(layout.framework.GetWindow(14), &ctrlTab));
    EXPECT_EQ(tabs->GetActiveTab(), 0);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(layout.framework.ProcessMessage(view, &back));
    EXPECT_EQ(tabs->GetActiveTab(), 2);
    // From the frame itself nothing happens; without the switching flag neither.
    EXPECT_FALSE(layout.framework.ProcessMessage(&layout.frame, &ctrlTab));
    layout.framework.SetCtrlTabSwitching(false);
    EXPECT_FALSE(layout.framework.ProcessMessage(view, &ctrlTab));
}

TEST_F(FrameworkTest, CtrlTabWithoutTabWindowIsNotConsumed)
{
    MainLayout layout;
    ASSERT_TRUE(layout.framework.Create(&layout.frame));
    QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_FALSE(layout.framework.ProcessMessage(layout.framework.GetWindow(136), &ctrlTab));
}

class MdiChildFrame : public TFrameWnd
{
public:
    bool IsMdiChild() const override { return true; }
};

TEST_F(FrameworkTest, MdiChildFrameClearsCtrlTabSwitching)
{
    MdiChildFrame frame;
    TVisualFramework framework;
    TCreateContext context;
    framework.Add(new TVisualPane(TVisualPane::SingleView, 5, QString(), &context, &kImageClass));
    EXPECT_TRUE(framework.GetCtrlTabSwitching());
    ASSERT_TRUE(framework.Create(&frame));
    EXPECT_FALSE(framework.GetCtrlTabSwitching());
}

} // namespace
