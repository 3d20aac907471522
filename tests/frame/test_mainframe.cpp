#include "frame/browserpanes.h"
#include "frame/ifolderpane.h"
#include "frame/iimagepane.h"
#include "frame/ithumbpane.h"
#include "frame/mainstatusbar.h"
#include "frame/toolbarex.h"
#include "framefixture.h"

#include <QAction>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolButton>

namespace
{

// What each command must post to the image pane, as the command table states it.
struct Posted {
    UINT id;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool stored;
};

std::vector<Posted> ExpectedPosts()
{
    std::vector<Posted> posts = {
        { 32822, 1028, 0, 0, true },
        { 32823, 1028, 1, 0, true },
        { 32824, 1028, 2, 0, true },
        { 32825, 1028, 3, 0, true },
        { 32827, 1028, 5, 0, true },
        { 32828, 1028, 6, 0, true },
        { 32829, 1028, 7, 0, true },
        { 32838, 1028, 8, 0, true },
        { 32832, 1028, 9, 0, true },
        { 32833, 1028, 10, 0, true },
        { 32834, 1028, 11, 0, true },
        { 32836, 1028, 12, 0, true },
        { 32835, 1028, 13, 0, true },
        { 32837, 1028, 14, 0, true },
        { 31790, 1028, 15, 0, true },
        { 32783, 1028, 16, 0, true },
        { 32784, 1028, 17, 0, true },
        { 32839, 1028, 20, 0, true },
        { 32785, 1034, 32785, 0, false },
        { 32840, 1034, 32873, 0, false },
    };
    for (UINT id : { 31785u, 31786u, 31787u, 31788u, 31789u, 31791u, 31792u, 31793u })
        posts.push_back({ id, 1028, 22, static_cast<LPARAM>(id), false });
    for (UINT id = 32852; id <= 32857; ++id)
        posts.push_back({ id, 1033, id, 0, false });
    for (UINT id = 32868; id <= 32873; ++id)
        posts.push_back({ id, 1034, id, 0, false });
    return posts;
}

using MainFrameTest = FrameFixture;

TEST_F(MainFrameTest, EveryPictureCommandPostsItsMessageAndStoresItsCode)
{
    CMainFrame &frame = CreateFrame();
    ASSERT_NE(ImagePane(), nullptr);
    ModalDismisser boxes; // Image Size without a picture says so in a message box
    for (const Posted &expected : ExpectedPosts()) {
        SCOPED_TRACE(expected.id);
        // A known previous code shows whether the command stored its own.
        ASSERT_TRUE(frame.OnCommand(ID_EDIT_CROP));
        PumpEvents();
        const size_t before = ImageMessages().size();
        ASSERT_TRUE(frame.OnCommand(expected.id));
        EXPECT_EQ(ImageMessages().size(), before); // posted, not sent
        PumpEvents();
        ASSERT_EQ(ImageMessages().size(), before + 1);
        const PaneMessageRecorder::Received &got = ImageMessages().back();
        EXPECT_EQ(got.message, expected.message);
        EXPECT_EQ(got.wParam, expected.wParam);
        EXPECT_EQ(got.lParam, expected.lParam);
        EXPECT_EQ(frame.GetCurrentOperation(), expected.stored ? static_cast<int>(expected.wParam) : 7);
    }
}

TEST_F(MainFrameTest, MenuAndToolbarActionsRouteThroughTheSameCommand)
{
    CMainFrame &frame = CreateFrame();
    QToolButton *zoomIn = frame.GetMainToolBar()->GetButton(ID_PICTURE_ZOOM_IN);
    ASSERT_NE(zoomIn, nullptr);
    zoomIn->click();
    frame.GetCommandAction(ID_VIEW_ZOOM_75)->trigger();
    PumpEvents();
    ASSERT_EQ(ImageMessages().size(), 2u);
    EXPECT_EQ(ImageMessages()[0].wParam, 16u);
    EXPECT_EQ(ImageMessages()[1].wParam, 22u);
    EXPECT_EQ(ImageMessages()[1].lParam, 31791);
}

TEST_F(MainFrameTest, RadioMarkFollowsTheStoredCode)
{
    CMainFrame &frame = CreateFrame();
    auto marked = [&frame] {
        std::vector<UINT> ids;
        for (UINT id = ID_TOOL_SELECT; id <= ID_TOOL_POLYGON; ++id) {
            QAction *action = frame.GetCommandAction(id);
            QToolButton *button = frame.GetEditToolBar()->GetButton(id);
            EXPECT_EQ(action->isChecked(), button->isChecked());
            if (action->isChecked())
                ids.push_back(id);
        }
        return ids;
    };
    EXPECT_EQ(marked(), (std::vector<UINT> { ID_TOOL_SELECT }));
    frame.OnCommand(ID_EDIT_CROP);
    EXPECT_TRUE(marked().empty());
    frame.OnCommand(ID_TOOL_ELLIPSE);
    EXPECT_EQ(marked(), (std::vector<UINT> { ID_TOOL_ELLIPSE }));
    frame.OnCommand(ID_PICTURE_ZOOM_IN); // a stored code that is no tool
    EXPECT_TRUE(marked().empty());
    frame.OnCommand(ID_VIEW_ZOOM_50); // not stored
    EXPECT_TRUE(marked().empty());
    // Clicking the marked tool again keeps its mark.
    frame.GetEditToolBar()->GetButton(ID_TOOL_POLYGON)->click();
    frame.GetEditToolBar()->GetButton(ID_TOOL_POLYGON)->click();
    EXPECT_EQ(marked(), (std::vector<UINT> { ID_TOOL_POLYGON }));
    EXPECT_FALSE(frame.GetCommandAction(ID_EDIT_CROP)->isCheckable());
}

TEST_F(MainFrameTest, ToolBarCommandHidesTheMainToolbarOnly)
{
    CMainFrame &frame = CreateFrame();
    QAction *toggle = frame.GetCommandAction(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(frame.GetMainToolBar()->isHidden());
    EXPECT_FALSE(frame.GetEditToolBar()->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(frame.GetMainToolBar()->isHidden());
    EXPECT_TRUE(toggle->isChecked());

    QAction *status = frame.GetCommandAction(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(status->isChecked());
    status->trigger();
    EXPECT_TRUE(frame.GetStatusBar()->isHidden());
    EXPECT_FALSE(status->isChecked());
}

TEST_F(MainFrameTest, CommandsWithoutHandlerAreDisabled)
{
    CMainFrame &frame = CreateFrame();
    for (UINT id : { ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY,
             ID_EDIT_PASTE, ID_FILE_MRU_FILE1, ID_FILE_NEW, ID_FILE_OPEN }) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(frame.GetCommandAction(id)->isEnabled());
        EXPECT_FALSE(frame.OnCommand(id));
    }
    for (UINT id :
        { ID_PICTURE_OPEN, ID_HELP_CONTENTS, ID_TOOLS_BATCH_CONVERT, ID_EDIT_RESET, ID_VIEW_FIT_WIDTH })
        EXPECT_TRUE(frame.GetCommandAction(id)->isEnabled()) << id;
    EXPECT_FALSE(frame.OnCommand(4711));
}

TEST_F(MainFrameTest, AcceleratorsBelongToTheirCommands)
{
    CMainFrame &frame = CreateFrame();
    EXPECT_TRUE(
        frame.GetCommandAction(ID_FILE_OPEN)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_O)));
    EXPECT_TRUE(frame.GetCommandAction(ID_PICTURE_OPEN)->shortcuts().isEmpty());
    EXPECT_EQ(frame.GetCommandAction(ID_PICTURE_OPEN)->text(), QStringLiteral("Open(&O)...\tCtrl+O"));
    EXPECT_EQ(frame.GetCommandAction(ID_EDIT_UNDO)->shortcuts().size(), 2);
    EXPECT_TRUE(frame.GetCommandAction(ID_NEXT_PANE)->shortcuts().contains(QKeySequence(Qt::Key_F6)));
}

TEST_F(MainFrameTest, NextPaneCommandMovesWithinTheInnerSplitter)
{
    CMainFrame &frame = CreateFrame();
    TVisualFramework &framework = frame.GetFramework();
    EXPECT_EQ(frame.GetActiveView(), framework.GetWindow(IDV_THUMB_PANE));
    frame.OnCommand(ID_NEXT_PANE);
    EXPECT_EQ(frame.GetActiveView(), framework.GetWindow(IDV_FOLDER_PANE));
    frame.OnCommand(ID_PREV_PANE);
    EXPECT_EQ(frame.GetActiveView(), framework.GetWindow(IDV_THUMB_PANE));
}

TEST_F(MainFrameTest, LayoutHasThreePanesAtTheirInitialSizes)
{
    CMainFrame &frame = CreateFrame();
    TVisualFramework &framework = frame.GetFramework();
    QWidget *image = framework.GetWindow(IDV_IMAGE_PANE);
    QWidget *folder = framework.GetWindow(IDV_FOLDER_PANE);
    QWidget *thumbs = framework.GetWindow(IDV_THUMB_PANE);
    ASSERT_NE(frame.GetImagePane(), nullptr);
    ASSERT_NE(frame.GetFolderPane(), nullptr);
    ASSERT_NE(frame.GetThumbPane(), nullptr);
    EXPECT_EQ(frame.GetImagePane()->Window(), image);
    EXPECT_EQ(frame.GetActiveView(), thumbs);
    EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);

    frame.showNormal();
    frame.resize(1600, 1000);
    PumpEvents();
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(folder->height(), 200);
    EXPECT_GT(thumbs->height(), 200);
    EXPECT_EQ(folder->width(), thumbs->width());
    EXPECT_GT(image->mapTo(&frame, QPoint(0, 0)).x() + 800, 0);
    EXPECT_LT(image->mapTo(&frame, QPoint(0, 0)).x(), folder->mapTo(&frame, QPoint(0, 0)).x());
    EXPECT_LT(folder->mapTo(&frame, QPoint(0, 0)).y(), thumbs->mapTo(&frame, QPoint(0, 0)).y());
}

TEST_F(MainFrameTest, HandlersNeedingMissingPanesReturnMinusOne)
{
    CMainFrame frame; // never created: no panes
    EXPECT_EQ(frame.OnThumbChosen(), -1);
    EXPECT_EQ(frame.OnFolderChanged(), -1);
    frame.SetStatusPaneText(1, QStringLiteral("no status bar yet")); // does nothing
}

TEST_F(MainFrameTest, FolderChangeRelaysTheTreePathToTheThumbnails)
{
    CMainFrame &frame = CreateFrame();
    auto *thumbs = dynamic_cast<CFramedThumbPane *>(frame.GetThumbPane());
    ASSERT_NE(thumbs, nullptr);
    QTemporaryDir elsewhere;
    thumbs->SetFolder(elsewhere.path(), 1);
    PostPaneMessage(&frame, WMU_FOLDER_CHANGED);
    PumpEvents();
    EXPECT_EQ(thumbs->GetFolder(), frame.GetFolderPane()->GetSelectedPath());
    EXPECT_EQ(frame.OnThumbChosen(), 0);
    EXPECT_EQ(ImagePane()->Picture(), nullptr); // an empty current file opens nothing
}

TEST_F(MainFrameTest, StartFolderComesFromLastPathOrTheCommandLine)
{
    QTemporaryDir remembered, fromArguments;
    WriteLastPath(remembered.path());
    CMainFrame &frame = CreateFrame();
    EXPECT_EQ(frame.GetFolderPane()->GetSelectedPath(), remembered.path());
    m_frame.reset();
    SetCommandLineFolder(fromArguments.path());
    CMainFrame &second = CreateFrame();
    EXPECT_EQ(second.GetFolderPane()->GetSelectedPath(), fromArguments.path());
    SetCommandLineFolder(QString());
}

TEST_F(MainFrameTest, ThumbnailPaneStoresItsFolderAsLastPathWhenDestroyed)
{
    CMainFrame &frame = CreateFrame();
    QTemporaryDir pictures;
    frame.GetThumbPane()->SetFolder(pictures.path(), 1);
    frame.close();
    QString stored;
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, stored), 1);
    EXPECT_EQ(stored, pictures.path());
    EXPECT_EQ(frame.GetFramework().GetWindow(IDV_THUMB_PANE), nullptr);
}

TEST_F(MainFrameTest, CounterAt98LaunchesTheUpdaterOnEveryFolderSelection)
{
    CreateUpdater();
    WriteRegDword(kSettingKey, kRuntimesValue, 98);
    CMainFrame &frame = CreateFrame(); // the start stores 99; the tree reports its start folder
    DWORD count = 0;
    ASSERT_TRUE(ReadRegDword(kSettingKey, kRuntimesValue, count));
    EXPECT_EQ(count, 99u);
    ASSERT_EQ(m_launches.opened.size(), 1);
    EXPECT_EQ(m_launches.opened.front(), UpdaterPath());
    frame.OnFolderChanged();
    EXPECT_EQ(m_launches.opened.size(), 2);
}

TEST_F(MainFrameTest, CounterAt99StoresHundredAndLaunchesNothing)
{
    CreateUpdater();
    WriteRegDword(kSettingKey, kRuntimesValue, 99);
    CMainFrame &frame = CreateFrame();
    DWORD count = 0;
    ASSERT_TRUE(ReadRegDword(kSettingKey, kRuntimesValue, count));
    EXPECT_EQ(count, 100u);
    frame.OnFolderChanged();
    EXPECT_TRUE(m_launches.opened.isEmpty());
}

TEST_F(MainFrameTest, MissingUpdaterFailsSilently)
{
    WriteRegDword(kSettingKey, kRuntimesValue, 98);
    CMainFrame &frame = CreateFrame();
    EXPECT_EQ(frame.OnFolderChanged(), 0);
    EXPECT_TRUE(m_launches.opened.isEmpty());
}

TEST_F(MainFrameTest, HelpOpensTheHelpFileBesideTheProgram)
{
    CMainFrame &frame = CreateFrame();
    frame.OnCommand(ID_HELP_CONTENTS); // no help file: nothing happens
    EXPECT_TRUE(m_launches.opened.isEmpty());
    QFile help(ProgramFolderFile(kHelpFileName));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    frame.OnCommand(ID_HELP_CONTENTS);
    ASSERT_EQ(m_launches.opened.size(), 1);
    EXPECT_EQ(m_launches.opened.front(), m_settings.Path() + QStringLiteral("/pexora.chm"));
}

TEST_F(MainFrameTest, TitleJoinsDocumentAndApplication)
{
    CMainFrame &frame = CreateFrame();
    frame.OnUpdateFrameTitle(QStringLiteral("beach.jpg"));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("beach.jpg - Tarnis Viewer"));
    EXPECT_EQ(
        CMainFrame::FrameTitle(QString(), QStringLiteral("Tarnis Viewer")), QStringLiteral("Tarnis Viewer"));
}

TEST_F(MainFrameTest, StatusTipsGoToTheMessagePane)
{
    CMainFrame &frame = CreateFrame();
    CMainStatusBar *status = frame.GetStatusBar();
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Ready"));
    QStatusTipEvent tip(QStringLiteral("Crop"));
    QCoreApplication::sendEvent(&frame, &tip);
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Crop"));
    QStatusTipEvent none { QString() };
    QCoreApplication::sendEvent(&frame, &none);
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Ready"));
    EXPECT_EQ(frame.GetCommandAction(ID_EDIT_CROP)->statusTip(), QStringLiteral("Crop"));
    EXPECT_TRUE(frame.GetCommandAction(ID_PICTURE_OPEN)->statusTip().isEmpty());
}

} // namespace
