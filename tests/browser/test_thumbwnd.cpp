// The thumbnail grid as a window: loading a folder (workers, order, cache, staleness, deleted
// files, Esc, leaving a folder mid-load), the 1024 limit, mouse selection and reordering through
// real mouse events, neighbours, dropping files in, and the error boxes.
#include "browser/itemdroptarget.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "browser_testutil.h"
#include "gridfixture.h"
#include "platform/cpus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST_F(GridTest, FirstVisitBuildsNumberedGridInFolderOrderAndWritesCache)
{
    MakePictures({ "b10.bmp", "B2.bmp", "a.bmp", "b1.bmp" });
    std::ofstream(folder.File("notes.txt")) << "not a picture";
    fs::create_directory(folder.Path() / "sub.bmp");
    Visit(folder.Str());

    ExpectGrid({ "a.bmp", "b1.bmp", "B2.bmp", "b10.bmp" });
    for (const auto &item : grid->Items().Items()) {
        EXPECT_EQ(item->GetPictureHeader().biBitCount, 24);
        EXPECT_EQ(item->GetPictureSize().cx, item->GetPictureHeader().biWidth);
        EXPECT_EQ(item->GetFolder(), folder.Str());
    }
    EXPECT_EQ(grid->GetModified(), 0);
    ThumbItemList cached = ReadCache(folder.Str());
    EXPECT_EQ(ItemNames(cached), ItemNames(*grid));
    EXPECT_EQ(cached.at(2)->GetFileStatus().lastWriteTime, 1'500'000'000);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_LE(grid->Builder().ThreadCount(), UsableCpuCount());

    // The second visit takes every thumbnail from the cache (surplus bytes after it ignored) and
    // leaves the unchanged file alone.
    std::ofstream(folder.File("brwseimg.tnv"), std::ios::app) << "tail";
    auto size = fs::file_size(folder.File("brwseimg.tnv"));
    int loads = codec.loads;
    Visit(folder.Str());
    EXPECT_EQ(codec.loads, loads);
    ExpectGrid({ "a.bmp", "b1.bmp", "B2.bmp", "b10.bmp" });
    EXPECT_EQ(fs::file_size(folder.File("brwseimg.tnv")), size);
    EXPECT_EQ(grid->GetModified(), 0);
}

TEST_F(GridTest, StaleWhenWriteTimeMovesForwardNotBackward)
{
    Show({ "a.bmp", "b.bmp", "c.bmp" });
    int loads = codec.loads;

    SetWriteTime(folder.File("b.bmp"), 1'400'000'000);
    Visit(folder.Str());
    EXPECT_EQ(codec.loads, loads);
    EXPECT_EQ(grid->Items().Items()[1]->GetFileStatus().lastWriteTime, 1'500'000'000);

    WriteBmp(folder.File("b.bmp"), 90, 10, 1, 2, 3);
    SetWriteTime(folder.File("b.bmp"), 1'600'000'000);
    Visit(folder.Str());
    EXPECT_EQ(codec.loads, loads + 1);
    const auto &b = grid->Items().Items()[1];
    EXPECT_EQ(b->GetName(), "b.bmp");
    EXPECT_EQ(b->GetIndex(), 2);
    EXPECT_EQ(b->GetFileStatus().lastWriteTime, 1'600'000'000);
    EXPECT_EQ(b->GetPictureSize().cx, 90);
    EXPECT_EQ(ReadCache(folder.Str()).at(1)->GetFileStatus().lastWriteTime, 1'600'000'000);

    // A replacement that can no longer be made keeps its cell and shows the cross.
    std::ofstream(folder.File("c.bmp"), std::ios::trunc) << "BM";
    SetWriteTime(folder.File("c.bmp"), 1'700'000'000);
    Visit(folder.Str());
    ASSERT_EQ(grid->Items().Count(), 3);
    EXPECT_EQ(grid->Items().Items()[2]->GetPictureHeader().biBitCount, 0);
    EXPECT_EQ(ReadCache(folder.Str()).at(2)->GetPictureHeader().biBitCount, 0);
}

TEST_F(GridTest, DeletedFileLosesItsCellAndNumberingClosesUp)
{
    Show({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
    fs::remove(folder.File("b.bmp"));
    Visit(folder.Str());
    ExpectGrid({ "a.bmp", "c.bmp", "d.bmp" });
    EXPECT_EQ(ItemNames(ReadCache(folder.Str())), (Strings { "a.bmp", "c.bmp", "d.bmp" }));
}

TEST_F(GridTest, UserOrderSurvivesRevisitAndNewFilesJoinAtTheEnd)
{
    Show({ "a.bmp", "b.bmp", "c.bmp" });
    // Drag c in front of a: press on c, release over the left half of a.
    Mouse(QEvent::MouseButtonPress, 2);
    Mouse(QEvent::MouseButtonRelease, 0, Qt::NoModifier, -20);
    ExpectGrid({ "c.bmp", "a.bmp", "b.bmp" });

    MakePictures({ "0new.bmp" });
    TempFolder other;
    Visit(other.Str());
    Visit(folder.Str());
    ExpectGrid({ "c.bmp", "a.bmp", "b.bmp", "0new.bmp" });
}

TEST_F(GridTest, UnreadablePicturesAndBrokenCaches)
{
    MakePictures({ "a.bmp", "b.bmp" });
    std::ofstream(folder.File("cut.bmp")) << "BM"; // passes the format test, fails the load
    const char broken[] = "\x0b"
                          "browseimage\x05\x00garbage"; // five items promised, garbage follows
    std::ofstream(folder.File("brwseimg.tnv")).write(broken, sizeof broken - 1);
    Visit(folder.Str());
    ExpectGrid({ "a.bmp", "b.bmp" });
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(ReadCache(folder.Str()).size(), 2u);
}

TEST_F(GridTest, CacheThatCannotBeWrittenShowsFailToSave)
{
    MakePictures({ "a.bmp" });
    fs::create_directory(folder.Path() / "brwseimg.tnv");
    // The user's cache folder cannot take it either.
    BlockUserCacheFolder();
    Visit(folder.Str());
    ASSERT_EQ(recorder.messages.size(), 1u);
    std::string cachePath = folder.File("brwseimg.tnv");
    EXPECT_EQ(recorder.messages[0].text, QString::fromStdString(cachePath + " : Fail to save"));
    EXPECT_EQ(recorder.messages[0].caption, QStringLiteral("Fail to save"));
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(grid->GetModified(), 1);
    EXPECT_EQ(grid->Items().Count(), 1);
}

TEST_F(GridTest, EscapeStopsThePassAndTheNextLoadCompletesIt)
{
    MakePictures({ "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" });
    codec.CloseGate();
    grid->SetFolder(folder.Str(), 1);
    codec.Release({ "a.bmp", "b.bmp" });
    ASSERT_TRUE(WaitUntil([&] { return grid->Items().Count() == 2; }));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &esc);
    EXPECT_FALSE(grid->IsLoadRunning());
    codec.OpenGate();
    QCoreApplication::processEvents();
    ExpectGrid({ "a.bmp", "b.bmp" });
    EXPECT_EQ(ItemNames(ReadCache(folder.Str())), (Strings { "a.bmp", "b.bmp" }));

    Visit(folder.Str());
    ExpectGrid({ "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" });
}

TEST_F(GridTest, LeavingAFolderMidLoadDropsItsWork)
{
    MakePictures({ "a.bmp", "b.bmp", "c.bmp" });
    TempFolder second;
    WriteBmp(second.File("x.bmp"), 20, 20, 1, 1, 1);
    codec.CloseGate();
    grid->SetFolder(folder.Str(), 1);
    codec.Release({ "a.bmp" });
    ASSERT_TRUE(WaitUntil([&] { return grid->Items().Count() == 1; }));
    grid->SetFolder(second.Str(), 1);
    codec.OpenGate();
    ASSERT_TRUE(WaitForLoad(*grid));
    QCoreApplication::processEvents();
    ExpectGrid({ "x.bmp" });
    EXPECT_EQ(ItemNames(ReadCache(folder.Str())), (Strings { "a.bmp" }));
}

TEST_F(GridTest, EnumerationStopsAt1024WithOneMessage)
{
    for (int n : { 1023, 1024, 1030 }) {
        TempFolder many;
        for (int i = 0; i < n; ++i)
            std::ofstream(many.File("p" + std::to_string(i) + ".bmp")) << "BM";
        recorder.messages.clear();
        grid->SetFolder(many.Str(), 1);
        grid->EnumerateFolder();
        EXPECT_EQ(grid->GetFileList().size(), std::min<std::size_t>(n, 1024)) << n;
        ASSERT_EQ(recorder.messages.size(), n >= 1024 ? 1u : 0u) << n;
        if (n >= 1024) {
            EXPECT_EQ(recorder.messages[0].text, QStringLiteral("Just browse1024It's for speed1"));
            EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Information);
            EXPECT_EQ(grid->GetFileList().back(), "p1023.bmp");
        }
        grid->SetFolder(folder.Str(), 0);
        ASSERT_TRUE(WaitForLoad(*grid));
    }
}

TEST_F(GridTest, ClickCtrlShiftSelectionAndNotifications)
{
    Show({ "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" });
    QSignalSpy chosen(grid.get(), &CThumbWnd::thumbChosen);

    // Shift with no anchor selects from the first item.
    Click(2, Qt::ShiftModifier);
    EXPECT_EQ(SelectedNames(), (Strings { "a.bmp", "b.bmp", "c.bmp" }));
    EXPECT_EQ(chosen.count(), 1);
    std::string path;
    EXPECT_EQ(grid->GetCurrentFile(path), 1);
    EXPECT_EQ(path, folder.File("a.bmp"));

    // A plain click on a selected item of several reduces the selection on release, silently.
    Click(1);
    EXPECT_EQ(SelectedNames(), (Strings { "b.bmp" }));
    EXPECT_EQ(chosen.count(), 1);

    // Ctrl adds and moves the anchor; Shift then ranges backward from it.
    Click(4, Qt::ControlModifier);
    EXPECT_EQ(SelectedNames(), (Strings { "b.bmp", "e.bmp" }));
    Click(2, Qt::ShiftModifier);
    EXPECT_EQ(SelectedNames(), (Strings { "e.bmp", "d.bmp", "c.bmp" }));
    EXPECT_EQ(chosen.count(), 3);

    // Ctrl on a selected item: nothing on the press, deselected on the release.
    Click(3, Qt::ControlModifier);
    EXPECT_EQ(SelectedNames(), (Strings { "e.bmp", "c.bmp" }));
    EXPECT_EQ(chosen.count(), 3);
    // Shift on a selected item: the press changes nothing, the release ranges from the anchor (d).
    Click(2, Qt::ShiftModifier);
    EXPECT_EQ(SelectedNames(), (Strings { "d.bmp", "c.bmp" }));
    EXPECT_EQ(chosen.count(), 3);

    // Double and right clicks select without notifying; a later click on the same item only
    // notifies if its press changes the selection.
    Mouse(QEvent::MouseButtonDblClick, 0);
    EXPECT_EQ(SelectedNames(), (Strings { "a.bmp" }));
    Mouse(QEvent::MouseButtonPress, 1, Qt::NoModifier, 0, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, 1, Qt::NoModifier, 0, Qt::RightButton);
    EXPECT_EQ(SelectedNames(), (Strings { "b.bmp" }));
    EXPECT_EQ(chosen.count(), 3);
    Click(1);
    EXPECT_EQ(chosen.count(), 3);
    Click(0);
    EXPECT_EQ(chosen.count(), 4);
    EXPECT_EQ(grid->GetModified(), 0);
}

TEST_F(GridTest, ReleaseOverAnItemMovesTheSelectionBesideIt)
{
    Show({ "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" });
    Click(3);
    Click(0, Qt::ControlModifier); // selection order: d, a

    // Right half of c (its exact centre counts as right): behind it, in selection order.
    Mouse(QEvent::MouseButtonPress, 0);
    Mouse(QEvent::MouseButtonRelease, 2);
    ExpectGrid({ "b.bmp", "c.bmp", "d.bmp", "a.bmp", "e.bmp" });
    EXPECT_EQ(grid->GetModified(), 1);

    // Left half of b: in front of it.
    Mouse(QEvent::MouseButtonPress, 2);
    Mouse(QEvent::MouseButtonRelease, 0, Qt::NoModifier, -10);
    ExpectGrid({ "d.bmp", "a.bmp", "b.bmp", "c.bmp", "e.bmp" });

    // A press on empty space changes nothing; releasing over an item still moves the selection.
    QSignalSpy chosen(grid.get(), &CThumbWnd::thumbChosen);
    MouseAt(QEvent::MouseButtonPress, QPoint(2, 2));
    EXPECT_EQ(SelectedNames(), (Strings { "d.bmp", "a.bmp" }));
    Mouse(QEvent::MouseButtonRelease, 4, Qt::NoModifier, 10);
    ExpectGrid({ "b.bmp", "c.bmp", "e.bmp", "d.bmp", "a.bmp" });
    EXPECT_EQ(chosen.count(), 0);

    // Releasing outside the client moves nothing.
    Mouse(QEvent::MouseButtonPress, 3);
    MouseAt(QEvent::MouseButtonRelease, QPoint(-30, 5));
    ExpectGrid({ "b.bmp", "c.bmp", "e.bmp", "d.bmp", "a.bmp" });
}

TEST_F(GridTest, SelectNeighbourAndCurrentFile)
{
    std::string path;
    grid->SelectNeighbour(1); // empty grid: nothing to select
    EXPECT_TRUE(grid->Items().Selected().empty());
    EXPECT_EQ(grid->GetCurrentFile(path), 0);

    Show({ "a.bmp", "b.bmp", "c.bmp" });
    EXPECT_EQ(grid->GetCurrentFile(path), 1);
    EXPECT_EQ(path, folder.File("a.bmp"));
    grid->SelectNeighbour(1);
    EXPECT_EQ(SelectedNames(), (Strings { "b.bmp" }));
    MouseAt(QEvent::MouseButtonDblClick, QPoint(2, 2)); // selects nothing
    EXPECT_TRUE(grid->Items().Selected().empty());
    grid->SelectNeighbour(0);
    EXPECT_EQ(SelectedNames(), (Strings { "a.bmp" }));
    grid->SelectNeighbour(0);
    EXPECT_EQ(SelectedNames(), (Strings { "a.bmp" }));
    grid->SelectNeighbour(1);
    grid->SelectNeighbour(1);
    grid->SelectNeighbour(1);
    EXPECT_EQ(SelectedNames(), (Strings { "c.bmp" }));
    EXPECT_EQ(grid->GetCurrentFile(path), 1);
    EXPECT_EQ(path, folder.File("c.bmp"));
    grid->hide();
    EXPECT_EQ(grid->GetCurrentFile(path), 0);
}

TEST_F(GridTest, DroppedFilesAreCheckedNamedAndCopiedIn)
{
    Show({ "a.BMP", "a1.bmp" });
    TempFolder outside;
    WriteBmp(outside.File("a.BMP"), 10, 10, 5, 5, 5);
    WriteBmp(outside.File("shot.JPG"), 12, 8, 9, 9, 9); // accepted: the extension is lower-cased
    WriteBmp(outside.File("pic.png"), 10, 10, 5, 5, 5);
    std::ofstream(outside.File("fake.gif")) << "GIF89a";

    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(QString::fromStdString(outside.File("a.BMP"))),
        QUrl::fromLocalFile(QString::fromStdString(outside.File("pic.png"))),
        QUrl::fromLocalFile(QString::fromStdString(outside.File("fake.gif"))),
        QUrl::fromLocalFile(QString::fromStdString(outside.File("shot.JPG"))) });
    QPoint centre = grid->viewport()->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(centre), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &drop);
    ASSERT_TRUE(WaitForLoad(*grid));

    EXPECT_TRUE(fs::exists(folder.File("a2.bmp")));
    EXPECT_TRUE(fs::exists(folder.File("shot.JPG")));
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(
        recorder.messages[0].text, QString::fromStdString(outside.File("pic.png") + " : Unknow file type"));
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(
        recorder.messages[1].text, QString::fromStdString(outside.File("fake.gif") + " : Invalid format"));
    // The reload keeps the cached order and appends the new files.
    ExpectGrid({ "a.BMP", "a1.bmp", "a2.bmp", "shot.JPG" });

    // A grid of handed-in items takes no drops at source mode 2.
    EXPECT_FALSE(ItemDropTarget::Accepts(&mime, 2));
    EXPECT_TRUE(ItemDropTarget::Accepts(&mime, 1));
}

TEST_F(GridTest, PressOnAnItemTakesTheFocusAnEmptyGridDoesNot)
{
    QApplication::setActiveWindow(grid.get());
    MouseAt(QEvent::MouseButtonPress, QPoint(40, 40));
    MouseAt(QEvent::MouseButtonRelease, QPoint(40, 40));
    EXPECT_FALSE(grid->hasFocus());
    Show({ "a.bmp" });
    Click(0);
    EXPECT_TRUE(grid->hasFocus());
}
