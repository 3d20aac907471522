#include "appcore/htmlhelp.h"
#include "appcore/programfolder.h"
#include "frame/browserpanes.h"
#include "frame/mainstatusbar.h"
#include "frame/toolbarex.h"
#include "framefixture.h"
#include "paneapi/ifolderpane.h"
#include "paneapi/iimagepane.h"
#include "paneapi/ithumbpane.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

namespace
{

// What each command must post to the image pane, as the command table states it.
struct Posted {
    UINT id, message;
    WPARAM wParam;
    LPARAM lParam;
    bool stored;
};

std::vector<Posted> ExpectedPosts()
{
    std::vector<Posted> posts = { { 32785, 1034, 32785, 0, false }, { 32840, 1034, 32873, 0, false } };
    const std::pair<UINT, WPARAM> stored[]
        = { { 32822, 0 }, { 32823, 1 }, { 32824, 2 }, { 32825, 3 }, { 32827, 5 }, { 32828, 6 }, { 32829, 7 },
              { 32838, 8 }, { 32832, 9 }, { 32833, 10 }, { 32834, 11 }, { 32836, 12 }, { 32835, 13 },
              { 32837, 14 }, { 31790, 15 }, { 32783, 16 }, { 32784, 17 }, { 32839, 20 } };
    for (const auto &[id, code] : stored)
        posts.push_back({ id, 1028, code, 0, true });
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
        const size_t before = m_imageMessages.received.size();
        ASSERT_TRUE(frame.OnCommand(expected.id));
        EXPECT_EQ(m_imageMessages.received.size(), before); // posted, not sent
        PumpEvents();
        ASSERT_EQ(m_imageMessages.received.size(), before + 1);
        EXPECT_EQ(m_imageMessages.received.back(),
            std::make_tuple(expected.message, expected.wParam, expected.lParam));
        EXPECT_EQ(frame.GetCurrentOperation(), expected.stored ? static_cast<int>(expected.wParam) : 7);
    }
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
    // Clicking the marked tool again keeps its mark.
    frame.GetEditToolBar()->GetButton(ID_TOOL_POLYGON)->click();
    frame.GetEditToolBar()->GetButton(ID_TOOL_POLYGON)->click();
    EXPECT_EQ(marked(), (std::vector<UINT> { ID_TOOL_POLYGON }));
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
}

TEST_F(MainFrameTest, CommandsWithoutHandlerAreDisabled)
{
    CMainFrame &frame = CreateFrame();
    for (UINT id : { ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY,
             ID_EDIT_PASTE, ID_FILE_MRU_FILE1, ID_FILE_NEW, ID_FILE_OPEN }) {
        EXPECT_FALSE(frame.GetCommandAction(id)->isEnabled()) << id;
        EXPECT_FALSE(frame.OnCommand(id)) << id;
    }
    EXPECT_FALSE(frame.OnCommand(4711));
}

TEST_F(MainFrameTest, LayoutHasThreePanesAtTheirInitialSizes)
{
    CMainFrame &frame = CreateFrame();
    TVisualFramework &framework = frame.GetFramework();
    QWidget *image = framework.GetWindow(IDV_IMAGE_PANE);
    QWidget *folder = framework.GetWindow(IDV_FOLDER_PANE);
    QWidget *thumbs = framework.GetWindow(IDV_THUMB_PANE);
    ASSERT_NE(frame.GetImagePane(), nullptr);
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
    EXPECT_LT(image->mapTo(&frame, QPoint(0, 0)).x(), folder->mapTo(&frame, QPoint(0, 0)).x());
    EXPECT_LT(folder->mapTo(&frame, QPoint(0, 0)).y(), thumbs->mapTo(&frame, QPoint(0, 0)).y());
}

TEST_F(MainFrameTest, FolderChangeRelaysTheTreePathToTheThumbnails)
{
    CMainFrame bare; // never created: handlers needing panes return -1
    EXPECT_EQ(bare.OnThumbChosen(), -1);
    EXPECT_EQ(bare.OnFolderChanged(), -1);
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

// At 98 the start stores 99 and every folder selection launches the updater (the tree reports
// its start folder once); at 99 the start stores 100 and nothing launches; no updater is silent.
TEST_F(MainFrameTest, UpdaterLaunchFollowsTheRunCounter)
{
    struct Case {
        DWORD runs, stored;
        bool updater;
        int launchesAtStart, launchesAfterSelection;
    };
    for (const Case &c :
        { Case { 98, 99, true, 1, 2 }, Case { 99, 100, true, 0, 0 }, Case { 98, 99, false, 0, 0 } }) {
        SCOPED_TRACE(testing::Message() << c.runs << (c.updater ? " with updater" : " without"));
        m_frame.reset();
        m_launches.opened.clear();
        const QString updater = ProgramFolderFile(kUpdaterFileName);
        QFile::remove(updater);
        if (c.updater) {
            QFile file(updater);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        WriteRegDword(kSettingKey, kRuntimesValue, c.runs);
        // A start folder one level deep: the walk to it announces one selection (a deeper one
        // launches once for every folder the walk selects on its way).
        WriteLastPath(QStringLiteral("/tmp"));
        CMainFrame &frame = CreateFrame();
        DWORD count = 0;
        ASSERT_TRUE(ReadRegDword(kSettingKey, kRuntimesValue, count));
        EXPECT_EQ(count, c.stored);
        EXPECT_EQ(m_launches.opened.size(), c.launchesAtStart);
        EXPECT_EQ(frame.OnFolderChanged(), 0);
        EXPECT_EQ(m_launches.opened.size(), c.launchesAfterSelection);
        for (const QString &launched : m_launches.opened)
            EXPECT_EQ(launched, updater);
    }
}

TEST_F(MainFrameTest, HelpOpensTheUserGuideThroughTheDesktop)
{
    CMainFrame &frame = CreateFrame();
    // No guide beside this program folder: nothing is launched.
    m_launches.opened.clear();
    EXPECT_TRUE(frame.OnCommand(ID_HELP_CONTENTS));
    EXPECT_TRUE(m_launches.opened.isEmpty());
    // The build folder holds the guide where an install puts it, relative to bin/.
    SetProgramFolder(QStringLiteral(TARNIS_BINARY_DIR "/bin"));
    EXPECT_TRUE(frame.OnCommand(ID_HELP_CONTENTS));
    ASSERT_EQ(m_launches.opened.size(), 1);
    EXPECT_EQ(m_launches.opened[0], QStringLiteral(TARNIS_BINARY_DIR "/share/tarnis-viewer/help/index.html"));
    EXPECT_FALSE(AppHtmlHelp().HasFailed());
}

TEST_F(MainFrameTest, StatusTipsGoToTheMessagePane)
{
    CMainFrame &frame = CreateFrame();
    CMainStatusBar *status = frame.GetStatusBar();
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Ready"));
    QStatusTipEvent tip(frame.GetCommandAction(ID_EDIT_CROP)->statusTip());
    QCoreApplication::sendEvent(&frame, &tip);
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Crop"));
    QStatusTipEvent none { QString() };
    QCoreApplication::sendEvent(&frame, &none);
    EXPECT_EQ(status->GetMessageText(), QStringLiteral("Ready"));
}

// A bare name typed into Save As gets the extension of the filter the user chose, "jpg" while
// the first filter (all images) stays chosen.
TEST_F(MainFrameTest, SaveAsAppendsTheChosenFiltersExtension)
{
    CMainFrame &frame = CreateFrame();
    QTemporaryDir dir;
    QImage source(8, 6, QImage::Format_RGB32);
    source.fill(Qt::red);
    ASSERT_TRUE(source.save(dir.filePath(QStringLiteral("source.bmp")), "BMP"));
    ASSERT_NE(frame.GetImagePane(), nullptr);
    frame.GetImagePane()->Open(dir.filePath(QStringLiteral("source.bmp")));
    const struct {
        int filter; // index in the dialog's filter list, -1 for none chosen
        const char *name, *saved;
    } cases[] = { { -1, "first", "first.jpg" }, { 2, "second", "second.bmp" }, { 6, "third", "third.png" },
        { 0, "fourth", "fourth.jpg" } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            if (c.filter >= 0) { // as the user picks it from the list
                auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                if (types == nullptr)
                    return;
                types->setCurrentIndex(c.filter);
                emit types->activated(c.filter);
                emit types->textActivated(types->itemText(c.filter));
            }
            dialog->selectFile(dir.filePath(QString::fromLatin1(c.name)));
            answered = true;
            static_cast<QDialog *>(dialog)->accept(); // as OK does
        });
        frame.OnCommand(ID_PICTURE_SAVE_AS);
        ASSERT_TRUE(answered);
        EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromLatin1(c.saved))))
            << QDir(dir.path()).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
