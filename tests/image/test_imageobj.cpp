#include "image/displayimage.h"
#include "image/imageobj.h"
#include "testpictures.h"

#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testpic;
namespace fs = std::filesystem;

namespace
{

constexpr std::uint32_t kCanvas = 0x010203;

QImage Canvas(int w, int h)
{
    QImage c(w, h, QImage::Format_RGB32);
    c.fill(kCanvas);
    return c;
}

std::uint32_t At(const QImage &c, int x, int y)
{
    return c.pixel(x, y) & 0xFFFFFF;
}

std::string TestFile(const std::string &relative)
{
    return std::string(TARNIS_TESTDATA_DIR) + "/" + relative;
}

} // namespace

TEST(ImageObj, EmptyPictureRefusesEverything)
{
    CImageObj p, q;
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_FALSE(p.Rotate(90) || p.MirrorFlip(0) || p.ColorTable(5) || p.Grey() || p.BlackWhite(128));
    EXPECT_FALSE(p.Resize(5, 5, 1) || p.Crop(0, 0, 1, 1) || p.Negative() || p.RemoveBlackEdge());
    EXPECT_FALSE(p.CopyTo(q) || p.GotoPage(true) || p.Save("x.bmp") || q.CopyFrom(nullptr, nullptr));
    QImage c = Canvas(4, 4);
    QPainter painter(&c);
    p.Draw(painter); // nothing to draw, nothing happens
}

TEST(ImageObj, CopiesAreIndependent)
{
    CImageObj a, b;
    ASSERT_TRUE(Make(a, 1, 3, 1)); // a 1-pixel-wide 1-bit picture still has 4-byte rows
    EXPECT_EQ(GlobalSize(a.Bits()), 12u);
    ASSERT_TRUE(a.CopyTo(b));
    EXPECT_EQ(Snapshot(a), Snapshot(b));
    ASSERT_TRUE(b.Negative());
    ASSERT_TRUE(a.CopyFrom(a.Bits(), a.Info())); // a copy of itself changes nothing
    EXPECT_EQ(Pixel(a, 0, 0), 1 - Pixel(b, 0, 0));
}

TEST(ImageObj, DrawShowsEveryDepthOneToOneAndFollowsEdits)
{
    for (int bpp : { 1, 4, 8, 16, 24, 32 }) {
        CImageObj p;
        ASSERT_TRUE(Make(p, 7, 5, bpp));
        QImage c = Canvas(9, 6);
        for (bool edited : { false, true }) {
            ASSERT_TRUE(!edited || p.MirrorFlip(0)); // the display form is rebuilt after an edit
            QPainter painter(&c);
            p.Draw(painter);
            painter.end();
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x)
                    ASSERT_EQ(At(c, x, y), Colour(p, x, 4 - y)) << bpp << " at " << x << "," << y;
        }
        EXPECT_EQ(At(c, 8, 5), kCanvas);
    }
}

TEST(ImageObj, FittedDrawingKeepsProportionsAndStaysInside)
{
    EXPECT_EQ(Ltrb(FitRect(400, 100, 10, 20, 110, 220)), (A4 { 10, 107, 110, 132 })); // wide: by width
    EXPECT_EQ(Ltrb(FitRect(100, 400, 0, 0, 300, 200)), (A4 { 125, 0, 175, 200 })); // tall: by height
    EXPECT_EQ(FitRect(3, 7, 0, 0, 0, 100).right, 0);

    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 2, 24));
    QImage c = Canvas(8, 8);
    QPainter painter(&c);
    p.DrawFitted(painter, 0, 0, 8, 8);
    painter.end();
    EXPECT_EQ(At(c, 0, 1), kCanvas);
    EXPECT_EQ(At(c, 0, 2), Colour(p, 0, 1));
    EXPECT_EQ(At(c, 7, 5), Colour(p, 3, 0));
    EXPECT_EQ(At(c, 7, 6), kCanvas);
}

TEST(ImageObjFiles, EveryDepthReloadsAndSavesOverItsFileAndUnderANewName)
{
    // The test program's own temporary home holds the files.
    const fs::path dir = fs::path(std::getenv("HOME")) / "save";
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (std::string name : { "pal1.bmp", "pal4.bmp", "pal8.bmp", "rgb24.bmp" }) {
        SCOPED_TRACE(name);
        const std::string path = (dir / name).string(), copy = (dir / ("copy-" + name)).string();
        fs::copy_file(TestFile("bmpsuite/g/" + name), path);
        CImageObj p, original;
        ASSERT_TRUE(p.Load(path));
        EXPECT_EQ(p.PageCount(), 1);
        EXPECT_FALSE(p.GotoPage(true)); // one page
        ASSERT_TRUE(p.CopyTo(original));
        ASSERT_TRUE(p.Negative());
        ASSERT_TRUE(p.Reload()); // discards the edit
        EXPECT_EQ(Snapshot(p), Snapshot(original));
        ASSERT_TRUE(p.Crop(3, 2, p.Width() - 5, p.Height() - 1));
        ASSERT_TRUE(p.Negative());
        ASSERT_TRUE(p.Save("")); // over its own file
        ASSERT_TRUE(p.Save(copy));
        EXPECT_EQ(p.FileName(), path); // saving under another name does not rename the picture
        for (const std::string &file : { path, copy }) {
            CImageObj back;
            ASSERT_TRUE(back.Load(file));
            ASSERT_EQ(Size(back), Size(p));
            for (int y = 0; y < p.Height(); ++y)
                for (int x = 0; x < p.Width(); ++x)
                    ASSERT_EQ(Colour(back, x, y), Colour(p, x, y)) << x << "," << y;
        }
    }
    fs::remove_all(dir);
}

TEST(ImageObjFiles, PagesStopAtTheLastAndReloadReturnsToTheFirst)
{
    CImageObj p;
    ASSERT_TRUE(p.Load(TestFile("tiff/pillow/good/multipage.tiff")));
    ASSERT_EQ(p.PageCount(), 3);
    EXPECT_FALSE(p.GotoPage(false));
    ASSERT_TRUE(p.GotoPage(true) && p.GotoPage(true));
    EXPECT_FALSE(p.GotoPage(true)); // past the last page: false, the page stays
    EXPECT_EQ(p.CurrentPage(), 2);
    EXPECT_FALSE(p.IsEmpty());
    ASSERT_TRUE(p.Reload());
    EXPECT_EQ(p.CurrentPage(), 0);
}

TEST(ImageObjFiles, BrokenAndMissingFilesFailCleanly)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 4, 24));
    for (const char *name : { "bmpsuite/b/badbitcount.bmp", "bmpsuite/b/badrle.bmp",
             "bmpsuite/b/badheadersize.bmp", "bmpsuite/missing.bmp" }) {
        EXPECT_FALSE(p.Load(TestFile(name))) << name;
        EXPECT_TRUE(p.IsEmpty());
        EXPECT_FALSE(p.Rotate(90));
        EXPECT_FALSE(p.Save(""));
    }
}
