// The image pane in the main frame: the frame's Image Size and Rotate Free commands bring up the
// program's own dialogs over the pane's picture.
#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "browser/thumbwnd.h"
#include "frame/browserpanes.h"
#include "frame/mainframe.h"
#include "paneapi/ithumbpane.h"
#include "panetestutil.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace panetest;

namespace
{

TEST(InFrame, ImageSizeAndRotateFreeBringUpTheProgramsDialogs)
{
    TempSettings settings;
    Pictures files;
    SetProgramFolder(settings.Path());
    SetCommandLineFolder(QString());
    CMainFrame frame;
    ASSERT_TRUE(frame.Create());
    PumpEvents();
    auto *pane = dynamic_cast<CViewImage *>(frame.GetImagePane());
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->Selection().WorkerRunning());
    pane->Open(files.Write("f.bmp", 120, 80));
    ASSERT_NE(pane->Picture(), nullptr);
    // The program's Image Size and Rotate Free dialogs come up; cancelled, they change nothing.
    {
        ModalDismisser dialogs;
        for (UINT id : { ID_TOOLS_IMAGE_SIZE, ID_TOOLS_ROTATE_FREE }) {
            frame.OnCommand(id);
            PumpEvents();
        }
        EXPECT_EQ(dialogs.Count(), 2);
    }
    EXPECT_EQ(pane->Picture()->Width(), 120);
}

// Thumbnail choice, Previous/Next and Exit ask before an edited picture goes: Cancel keeps it (and
// the window), No moves on. The title marks the change; the frame's Undo and Redo reach the pane.
TEST(InFrame, LeavingAnEditedPictureAsksOnEveryPath)
{
    TempSettings settings;
    Pictures files;
    SetProgramFolder(settings.Path());
    SetCommandLineFolder(QString());
    const QString first = files.Write("a.bmp", 40, 30), second = files.Write("b.bmp", 30, 20);
    files.Write("c.bmp", 20, 10);
    CMainFrame frame;
    ASSERT_TRUE(frame.Create());
    frame.OnUpdateFrameTitle(QStringLiteral("Doc"));
    PumpEvents();
    auto *pane = dynamic_cast<CViewImage *>(frame.GetImagePane());
    IThumbPane *thumbs = frame.GetThumbPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_NE(thumbs, nullptr);
    Answers answers;
    pane->SetDialogs(answers.Dialogs());
    thumbs->SetFolder(QFileInfo(first).absolutePath(), 1);
    QElapsedTimer clock;
    clock.start();
    while (thumbs->GetCurrentFile().isEmpty() && clock.elapsed() < 10000)
        PumpEvents();
    ASSERT_FALSE(thumbs->GetCurrentFile().isEmpty());
    const QString plainTitle = frame.windowTitle();

    auto edit = [&] {
        pane->Open(first);
        frame.OnCommand(ID_TOOLS_MIRROR);
        PumpEvents();
        ASSERT_TRUE(pane->IsModified());
        EXPECT_EQ(frame.windowTitle(), QStringLiteral("* ") + plainTitle);
        answers.questions.clear();
    };
    const std::function<void()> paths[] = {
        [&] { frame.OnThumbChosen(); },
        [&] { frame.OnCommand(ID_PICTURE_NEXT); },
        [&] { frame.OnCommand(ID_PICTURE_PREVIOUS); },
    };
    for (const auto &leave : paths) {
        edit();
        answers.answer = QMessageBox::Cancel;
        leave();
        ASSERT_EQ(answers.questions.size(), 1u);
        EXPECT_EQ(answers.questions[0], QStringLiteral("Save changes to a.bmp?"));
        EXPECT_EQ(pane->PicturePath(), first);
        EXPECT_TRUE(pane->IsModified());
        answers.answer = QMessageBox::No;
        leave();
        EXPECT_FALSE(pane->IsModified());
        EXPECT_EQ(frame.windowTitle(), plainTitle);
    }
    EXPECT_NE(pane->PicturePath(), QString());

    // A cancelled thumbnail click leaves the grid's highlight on the picture shown.
    edit();
    auto *framed = dynamic_cast<CFramedThumbPane *>(thumbs);
    ASSERT_NE(framed, nullptr);
    framed->SelectAfterLoad(second);
    ASSERT_EQ(thumbs->GetCurrentFile(), second);
    answers.answer = QMessageBox::Cancel;
    frame.OnThumbChosen();
    EXPECT_EQ(thumbs->GetCurrentFile(), first);
    answers.answer = QMessageBox::No;
    frame.OnThumbChosen();
    EXPECT_FALSE(pane->IsModified());

    // Undo and Redo from the frame, then Exit: Cancel keeps the window open.
    edit();
    frame.OnCommand(ID_EDIT_UNDO);
    EXPECT_FALSE(pane->IsModified());
    frame.OnCommand(ID_EDIT_REDO);
    EXPECT_TRUE(pane->IsModified());
    answers.answer = QMessageBox::Cancel;
    QCloseEvent close;
    QCoreApplication::sendEvent(&frame, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(answers.questions.size(), 1u);

    // Yes on a thumbnail choice writes the edit first, then moves on.
    answers.answer = QMessageBox::Yes;
    frame.OnThumbChosen();
    EXPECT_FALSE(pane->IsModified());
    CImageObj written;
    ASSERT_TRUE(written.Load(first.toStdString()));
    EXPECT_EQ(PixelAt(written, 0, 0), Gradient(39, 0));
    EXPECT_FALSE(second.isEmpty());
}

// A thumbnail choice and Next have the grid's neighbours decoded ahead, the direction of travel
// first; the next picture then comes from the cache, and another folder empties it.
TEST(InFrame, TheGridsNeighboursAreDecodedAhead)
{
    TempSettings settings;
    Pictures files;
    SetProgramFolder(settings.Path());
    SetCommandLineFolder(QString());
    const QString a = files.Write("a.bmp", 40, 30), b = files.Write("b.bmp", 30, 20),
                  c = files.Write("c.bmp", 20, 10);
    CMainFrame frame;
    ASSERT_TRUE(frame.Create());
    PumpEvents();
    auto *pane = dynamic_cast<CViewImage *>(frame.GetImagePane());
    IThumbPane *thumbs = frame.GetThumbPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_NE(thumbs, nullptr);
    ASSERT_NE(pane->DecodeCache(), nullptr);
    CDecodeAhead &cache = *pane->DecodeCache();
    thumbs->SetFolder(QFileInfo(a).absolutePath(), 1);
    QElapsedTimer clock;
    clock.start();
    auto *framed = dynamic_cast<CFramedThumbPane *>(thumbs);
    ASSERT_NE(framed, nullptr);
    // The listing adds items as it goes: wait for the whole folder.
    while ((thumbs->GetCurrentFile().isEmpty() || framed->Grid()->IsLoadRunning()) && clock.elapsed() < 10000)
        PumpEvents();
    ASSERT_EQ(thumbs->GetCurrentFile(), a);
    EXPECT_EQ(thumbs->NeighbourFile(true), b);
    EXPECT_EQ(thumbs->NeighbourFile(false), QString());

    frame.OnThumbChosen();
    pane->FinishOpening();
    ASSERT_TRUE(cache.WaitIdle(20000));
    EXPECT_TRUE(cache.Holds(b.toStdString()));
    frame.OnCommand(ID_PICTURE_NEXT);
    EXPECT_FALSE(pane->Opening()); // shown from the cache
    EXPECT_EQ(pane->PicturePath(), b);
    ASSERT_TRUE(cache.WaitIdle(20000));
    EXPECT_TRUE(cache.Holds(c.toStdString()));
    EXPECT_TRUE(cache.Holds(a.toStdString())); // the picture left
    EXPECT_FALSE(cache.Holds(b.toStdString()));
    frame.OnFolderChanged();
    EXPECT_EQ(cache.Count(), 0);
}

} // namespace
