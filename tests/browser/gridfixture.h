// The thumbnail grid as a window over the BMP test codec: the fixture of the grid tests.
#pragma once

#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "browser_testutil.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

inline ThumbItemList ReadCache(const std::string &folder)
{
    ThumbCacheBytes bytes;
    ThumbItemList items;
    if (ReadThumbCacheFile(folder + "/brwseimg.tnv", bytes))
        ParseThumbCache(bytes.data, bytes.size, "browseimage", items);
    return items;
}

class GridTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { TestApp(); }

    void SetUp() override
    {
        grid = std::make_unique<CThumbWnd>(codec);
        grid->resize(500, 420);
        grid->SetBoxSize(100, 100);
        grid->show();
    }

    void TearDown() override
    {
        codec.OpenGate();
        grid.reset();
        if (!blocked.empty())
            fs::remove_all(blocked);
    }

    void MakePictures(std::initializer_list<const char *> names)
    {
        int shade = 10;
        for (const char *n : names) {
            WriteBmp(folder.File(n), 40 + shade, 30, static_cast<std::uint8_t>(shade), 80, 160);
            SetWriteTime(folder.File(n), 1'500'000'000);
            shade += 20;
        }
    }

    void Visit(const std::string &path)
    {
        grid->SetFolder(path, 1);
        ASSERT_TRUE(WaitForLoad(*grid));
    }

    void Show(std::initializer_list<const char *> names)
    {
        MakePictures(names);
        Visit(folder.Str());
    }

    // The grid holds these items in this order, numbered from 1.
    void ExpectGrid(const std::vector<std::string> &names)
    {
        EXPECT_EQ(ItemNames(*grid), names);
        for (int i = 0; i < grid->Items().Count(); ++i)
            EXPECT_EQ(grid->Items().Items()[i]->GetIndex(), i + 1);
    }

    // Sends a mouse event to the grid's viewport at the centre (dx from it) of item i's cell.
    void Mouse(QEvent::Type type, int item, Qt::KeyboardModifiers mods = Qt::NoModifier, int dx = 0,
        Qt::MouseButton button = Qt::LeftButton)
    {
        const RECT &cell = grid->Items().Items().at(item)->GetCellRect();
        QPoint p(
            (cell.left + cell.right) / 2 + dx, (cell.top + cell.bottom) / 2 - grid->Layout().ScrollOffset());
        MouseAt(type, p, mods, button);
    }

    void MouseAt(QEvent::Type type, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier,
        Qt::MouseButton button = Qt::LeftButton)
    {
        Qt::MouseButtons buttons
            = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(p), grid->viewport()->mapToGlobal(QPointF(p)), button, buttons, mods);
        QCoreApplication::sendEvent(grid->viewport(), &e);
    }

    void Click(int item, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, item, mods);
        Mouse(QEvent::MouseButtonRelease, item, mods);
    }

    std::vector<std::string> SelectedNames() const { return ItemNames(grid->Items().Selected()); }

    // Puts a file where the user's cache folder would be made, so nothing can be written there.
    void BlockUserCacheFolder()
    {
        const char *xdg = std::getenv("XDG_CACHE_HOME");
        ASSERT_NE(xdg, nullptr);
        blocked = std::string(xdg) + "/tarnis-viewer";
        fs::remove_all(blocked);
        fs::create_directories(xdg);
        std::ofstream(blocked) << "in the way";
    }

    BmpTestCodec codec;
    MessageRecorder recorder;
    TempFolder folder;
    std::unique_ptr<CThumbWnd> grid;
    std::string blocked;
};

using Strings = std::vector<std::string>;
