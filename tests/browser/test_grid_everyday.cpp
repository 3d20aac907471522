// The grid in everyday use: folders that cannot hold their cache, drags that come back to the
// grid they started in.
#include "browser/cachelocation.h"
#include "browser/folderlisting.h"
#include "browser/shelltree.h"
#include "gridfixture.h"

#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <unistd.h>

namespace
{

// Makes folder unable to hold its cache: read-only for an ordinary user; for root, whom folder
// permissions do not stop, a folder in the cache file's place.
class CacheBlocker
{
public:
    explicit CacheBlocker(const fs::path &folder)
        : m_folder(folder)
    {
        if (::geteuid() == 0)
            fs::create_directory(folder / "brwseimg.tnv");
        else
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    ~CacheBlocker()
    {
        fs::permissions(m_folder, fs::perms::owner_all);
        std::error_code ec;
        fs::remove(m_folder / "brwseimg.tnv", ec); // root's stand-in (an empty folder)
    }

private:
    fs::path m_folder;
};

ThumbItemList ReadSpare(const std::string &folder)
{
    ThumbCacheBytes bytes;
    ThumbItemList items;
    if (ReadThumbCacheFile(SpareCachePath(UserThumbCacheFolder(), folder), bytes))
        ParseThumbCache(bytes.data, bytes.size, "browseimage", items);
    return items;
}

} // namespace

TEST(CacheLocation, SpareNamesAndWhichFileIsRead)
{
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    ASSERT_NE(xdg, nullptr);
    EXPECT_EQ(UserThumbCacheFolder(), std::string(xdg) + "/tarnis-viewer/thumbs");

    std::string a = SpareCachePath("/c", "/media/card/DCIM");
    EXPECT_EQ(a.rfind("/c/_media_card_DCIM-", 0), 0u) << a;
    EXPECT_EQ(a.substr(a.size() - 4), ".tnv");
    // Folders that make the same safe name still get different files; the same folder the same.
    EXPECT_NE(a, SpareCachePath("/c", "/media/card_DCIM"));
    EXPECT_EQ(a, SpareCachePath("/c", "/media/card/DCIM"));
    std::string deep = SpareCachePath("/c", "/" + std::string(400, 'x'));
    EXPECT_LT(fs::path(deep).filename().string().size(), 128u);
    EXPECT_EQ(SpareCachePath("", "/f"), "");

    TempFolder dir;
    std::string own = dir.File("own.tnv"), spare = dir.File("spare.tnv");
    EXPECT_EQ(CacheFileToRead(own, spare), own) << "neither exists";
    std::ofstream(spare) << "s";
    EXPECT_EQ(CacheFileToRead(own, spare), spare) << "only the spare";
    std::ofstream(own) << "o";
    SetWriteTime(spare, 1'500'000'000);
    EXPECT_EQ(CacheFileToRead(own, spare), own) << "the folder's file is newer";
    SetWriteTime(own, 1'400'000'000);
    EXPECT_EQ(CacheFileToRead(own, spare), spare) << "the spare is newer";
}

TEST_F(GridTest, FolderThatCannotHoldItsCacheKeepsItInTheUserCacheSilently)
{
    MakePictures({ "a.bmp", "b.bmp" });
    {
        CacheBlocker blocker(folder.Path());
        Visit(folder.Str());
        ExpectGrid({ "a.bmp", "b.bmp" });
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(ItemNames(ReadSpare(folder.Str())), (Strings { "a.bmp", "b.bmp" }));

        // The second visit reads it: no thumbnail is made again, leaving shows nothing.
        int loads = codec.loads;
        TempFolder other;
        Visit(other.Str());
        Visit(folder.Str());
        EXPECT_EQ(codec.loads, loads);
        ExpectGrid({ "a.bmp", "b.bmp" });

        // A new order is kept there too.
        Mouse(QEvent::MouseButtonPress, 1);
        Mouse(QEvent::MouseButtonRelease, 0, Qt::NoModifier, -20);
        ExpectGrid({ "b.bmp", "a.bmp" });
        grid->SaveCache(0);
        EXPECT_EQ(ItemNames(ReadSpare(folder.Str())), (Strings { "b.bmp", "a.bmp" }));
        grid.reset();
        EXPECT_TRUE(recorder.messages.empty());
    }
    // Once the folder takes its own file, the spare goes.
    grid = std::make_unique<CThumbWnd>(codec);
    grid->resize(500, 420);
    grid->show();
    MakePictures({ "c.bmp" });
    Visit(folder.Str());
    ExpectGrid({ "b.bmp", "a.bmp", "c.bmp" });
    EXPECT_EQ(ItemNames(ReadCache(folder.Str())), (Strings { "b.bmp", "a.bmp", "c.bmp" }));
    EXPECT_FALSE(fs::exists(SpareCachePath(UserThumbCacheFolder(), folder.Str())));
}

TEST_F(GridTest, CacheFailureIsToldOncePerFolder)
{
    MakePictures({ "a.bmp", "b.bmp" });
    fs::create_directory(folder.Path() / "brwseimg.tnv");
    BlockUserCacheFolder();
    Visit(folder.Str());
    TempFolder other;
    Visit(other.Str());
    Visit(folder.Str());
    Mouse(QEvent::MouseButtonPress, 1);
    Mouse(QEvent::MouseButtonRelease, 0, Qt::NoModifier, -20);
    grid.reset();
    EXPECT_EQ(recorder.messages.size(), 1u);
}

TEST_F(GridTest, DragThatLeavesTheGridAndComesBackCopiesNothing)
{
    Show({ "a.bmp", "b.bmp", "c.bmp" });
    // Press on a, leave the view (the drag starts), come back over the right half of c, release.
    Mouse(QEvent::MouseButtonPress, 0);
    MouseAt(QEvent::MouseMove, QPoint(-40, 30));
    std::unique_ptr<QMimeData> mime(grid->MakeDragData());
    const RECT &cell = grid->Items().Items()[2]->GetCellRect();
    QPoint over(
        (cell.left + cell.right) / 2 + 20, (cell.top + cell.bottom) / 2 - grid->Layout().ScrollOffset());
    QDragEnterEvent enter(over, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(over), Qt::CopyAction, mime.get(), Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &drop);
    ASSERT_TRUE(WaitForLoad(*grid));
    QCoreApplication::processEvents();

    Strings files;
    for (const auto &entry : fs::directory_iterator(folder.Path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Strings { "a.bmp", "b.bmp", "brwseimg.tnv", "c.bmp" }));
    EXPECT_TRUE(recorder.messages.empty());
    ExpectGrid({ "b.bmp", "c.bmp", "a.bmp" });
}

namespace
{

void Key(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &press);
}

std::vector<int> SelectedIndices(const CThumbWnd &grid)
{
    std::vector<int> out;
    for (const auto &item : grid.Items().Selected())
        out.push_back(grid.Items().IndexOf(item.get()));
    return out;
}

// The cell of item i lies whole inside the view.
bool InView(const CThumbWnd &grid, int i)
{
    const RECT &cell = grid.Items().Items().at(i)->GetCellRect();
    int top = grid.Layout().ScrollOffset();
    return cell.top >= top && cell.bottom <= top + grid.viewport()->height();
}

} // namespace

TEST_F(GridTest, KeysMoveSelectScrollAndOpen)
{
    Show({ "a01.bmp", "a02.bmp", "a03.bmp", "a04.bmp", "a05.bmp", "a06.bmp", "a07.bmp", "a08.bmp", "a09.bmp",
        "a10.bmp", "a11.bmp", "a12.bmp" });
    grid->VScroll(ScrollCode::Top);
    EXPECT_EQ(grid->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    int columns = grid->Layout().Columns();
    ASSERT_GE(columns, 2);
    ASSERT_LT(grid->Layout().VisibleRows() * columns, 12) << "End must need a scroll";
    QSignalSpy chosen(grid.get(), &CThumbWnd::thumbChosen);

    Key(grid.get(), Qt::Key_Right);
    EXPECT_EQ(grid->CurrentIndex(), 0);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 0 }));
    Key(grid.get(), Qt::Key_Right);
    Key(grid.get(), Qt::Key_Down);
    EXPECT_EQ(grid->CurrentIndex(), 1 + columns);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 1 + columns }));
    Key(grid.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 1 + columns, columns }));
    Key(grid.get(), Qt::Key_Up);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 0 }));

    // End scrolls the last item into view; Ctrl+Home moves without selecting, then Enter opens it.
    Key(grid.get(), Qt::Key_End);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 11 }));
    EXPECT_TRUE(InView(*grid, 11));
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    Key(grid.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->CurrentIndex(), 0);
    EXPECT_EQ(SelectedIndices(*grid), (std::vector<int> { 11 }));
    EXPECT_TRUE(InView(*grid, 0));
    EXPECT_EQ(chosen.count(), 0);
    Key(grid.get(), Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);
    std::string path;
    ASSERT_EQ(grid->GetCurrentFile(path), 1);
    EXPECT_EQ(path, folder.File("a01.bmp"));

    Key(grid.get(), Qt::Key_PageDown);
    int page = grid->Layout().VisibleRows() * columns;
    EXPECT_EQ(grid->CurrentIndex(), std::min(page, 11));
    EXPECT_TRUE(InView(*grid, grid->CurrentIndex()));
    Key(grid.get(), Qt::Key_PageUp);
    EXPECT_EQ(grid->CurrentIndex(), 0);
    Key(grid.get(), Qt::Key_Enter);
    EXPECT_EQ(chosen.count(), 2);
    // The keys leave the grid's order alone.
    EXPECT_EQ(ItemNames(*grid).front(), "a01.bmp");
}

TEST_F(GridTest, NewFolderOpensAtItsFirstRowAndAUserScrollStopsFollowing)
{
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i)
        names.push_back("p" + std::to_string(100 + i) + ".bmp");
    for (const auto &n : names)
        WriteBmp(folder.File(n), 20, 20, 1, 2, 3);
    TempFolder second;
    for (const auto &n : names)
        WriteBmp(second.File(n), 20, 20, 3, 2, 1);

    // The first visit follows the load down to its last row.
    Visit(folder.Str());
    ASSERT_GT(grid->verticalScrollBar()->value(), 0);
    Visit(second.Str());
    grid->VScroll(ScrollCode::Bottom);
    ASSERT_GT(grid->verticalScrollBar()->value(), 0);

    // Back to the first folder: read from its cache, shown from the first row.
    Visit(folder.Str());
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid->Layout().Scroll().position, 0);

    // A first visit where the user scrolls back up while it loads: the view stays there.
    TempFolder third;
    for (const auto &n : names)
        WriteBmp(third.File(n), 20, 20, 9, 9, 9);
    codec.CloseGate();
    grid->SetFolder(third.Str(), 1);
    codec.Release({ "p100.bmp", "p101.bmp", "p102.bmp", "p103.bmp", "p104.bmp", "p105.bmp", "p106.bmp",
        "p107.bmp", "p108.bmp", "p109.bmp", "p110.bmp", "p111.bmp", "p112.bmp", "p113.bmp", "p114.bmp" });
    ASSERT_TRUE(WaitUntil([&] { return grid->Items().Count() == 15; }));
    EXPECT_GT(grid->verticalScrollBar()->value(), 0) << "the load is followed";
    grid->verticalScrollBar()->setValue(0);
    codec.OpenGate();
    ASSERT_TRUE(WaitForLoad(*grid));
    EXPECT_EQ(grid->Items().Count(), 30);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
}

TEST_F(GridTest, FolderChangesShowWithoutAClickAndReachTheCache)
{
    Show({ "a.bmp", "b.bmp", "c.bmp" });
    auto settled = [&](const Strings &names) {
        return WaitUntil([&] { return ItemNames(*grid) == names && !grid->IsLoadRunning(); }, 10000);
    };

    // Created: joins at the end.
    MakePictures({ "0new.bmp" });
    ASSERT_TRUE(settled({ "a.bmp", "b.bmp", "c.bmp", "0new.bmp" }));

    // Rewritten in place: a new thumbnail in the same cell.
    WriteBmp(folder.File("b.bmp"), 77, 10, 1, 1, 1);
    SetWriteTime(folder.File("b.bmp"), 1'600'000'000);
    ASSERT_TRUE(WaitUntil([&] { return grid->Items().Items().at(1)->GetPictureSize().cx == 77; }, 10000));

    // Renamed: the old name goes, the new one joins at the end; deleted: the cell goes.
    fs::rename(folder.File("c.bmp"), folder.File("renamed.bmp"));
    ASSERT_TRUE(settled({ "a.bmp", "b.bmp", "0new.bmp", "renamed.bmp" }));
    fs::remove(folder.File("a.bmp"));
    ASSERT_TRUE(settled({ "b.bmp", "0new.bmp", "renamed.bmp" }));
    ExpectGrid({ "b.bmp", "0new.bmp", "renamed.bmp" });

    // The cache written afterwards holds the same items, the rewritten thumbnail included.
    ThumbItemList cached = ReadCache(folder.Str());
    EXPECT_EQ(ItemNames(cached), (Strings { "b.bmp", "0new.bmp", "renamed.bmp" }));
    EXPECT_EQ(cached.at(0)->GetPictureSize().cx, 77);
    EXPECT_EQ(cached.at(0)->GetFileStatus().lastWriteTime, 1'600'000'000);
    EXPECT_TRUE(recorder.messages.empty());

    // F5 compares again at once.
    int loads = codec.loads;
    WriteBmp(folder.File("renamed.bmp"), 55, 10, 1, 1, 1);
    SetWriteTime(folder.File("renamed.bmp"), 1'700'000'000);
    Key(grid.get(), Qt::Key_F5);
    ASSERT_TRUE(WaitForLoad(*grid));
    EXPECT_GE(codec.loads, loads + 1);
    EXPECT_EQ(grid->Items().Items().at(2)->GetPictureSize().cx, 55);
}

TEST_F(GridTest, EscapeStopsASlowListingAndTheWindowStaysFree)
{
    for (int i = 0; i < 3000; ++i)
        std::ofstream(folder.File("broken" + std::to_string(i) + ".bmp")) << "xx";
    DelayedThumbCodec slow(codec, std::chrono::milliseconds(5));
    grid = std::make_unique<CThumbWnd>(slow);
    grid->resize(500, 420);
    grid->show();
    QSignalSpy finished(grid.get(), &CThumbWnd::loadFinished);
    grid->SetFolder(folder.Str(), 1);
    // The listing runs while the event loop turns: a timer still fires during it.
    bool ticked = false;
    QTimer::singleShot(30, [&] { ticked = true; });
    ASSERT_TRUE(WaitUntil([&] { return ticked; }, 5000));
    EXPECT_TRUE(grid->IsLoadRunning());
    QApplication::setActiveWindow(grid.get());
    Key(grid.get(), Qt::Key_Escape);
    EXPECT_FALSE(grid->IsLoadRunning());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(grid->Items().Empty());
    EXPECT_TRUE(recorder.messages.empty());
    grid.reset(); // before the codec it reads through
}

TEST(ShellTreeLive, SubFoldersCreatedAndRemovedShowInTheTree)
{
    TestApp();
    MessageRecorder recorder;
    TempFolder base;
    fs::create_directories(base.Path() / "b" / "inner");
    CShellTree tree;
    tree.PopulateTree();
    tree.SelectPath(QString::fromStdString((base.Path() / "b" / "inner").string()));
    QTreeWidgetItem *inner = tree.currentItem();
    ASSERT_NE(inner, nullptr);
    QTreeWidgetItem *node = inner->parent()->parent();
    ASSERT_EQ(CShellTree::NodePath(node), QString::fromStdString(base.Str()));
    auto children = [&] {
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            names.append(node->child(i)->text(0));
        return names;
    };
    ASSERT_EQ(children(), QStringList { "b" });

    fs::create_directory(base.Path() / "a");
    fs::create_directory(base.Path() / "c");
    ASSERT_TRUE(WaitUntil(
        [&] {
            return children() == QStringList({ "a", "b", "c" });
        },
        10000))
        << children().join(',').toStdString();
    // The branch holding the current node goes: the selection moves up to the changed folder.
    fs::remove_all(base.Path() / "b");
    ASSERT_TRUE(WaitUntil([&] { return children() == QStringList({ "a", "c" }); }, 10000));
    EXPECT_EQ(tree.currentItem(), node);
}
