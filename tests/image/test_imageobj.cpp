#include "codec/codexa.h"
#include "image/displayimage.h"
#include "image/imageobj.h"
#include "testpictures.h"

#include <QPainter>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testpic;
namespace fs = std::filesystem;

namespace
{

QRgb Colour(const CImageObj &p, int x, int storedRow)
{
    std::uint32_t v = Pixel(p, x, storedRow);
    if (p.BitCount() <= 8) {
        const RGBQUAD &q = p.Info()->bmiColors[v];
        return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    if (p.BitCount() == 16) {
        auto widen = [](std::uint32_t c5) { return int((c5 << 3) | (c5 >> 2)); };
        return qRgb(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
    }
    return qRgb((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

QImage Canvas(int w, int h)
{
    QImage c(w, h, QImage::Format_RGB32);
    c.fill(qRgb(1, 2, 3));
    return c;
}

std::string TestFile(const char *relative)
{
    return std::string(TARNIS_TESTDATA_DIR) + "/" + relative;
}

// A scratch folder of the test's own, removed at the end.
struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::path(TARNIS_BINARY_DIR) / "test-image-tmp"
            / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

bool CodecCanLoad(const std::string &path)
{
    DibInfoBlock info {};
    HGLOBAL bits = nullptr;
    if (CodexaLoadPage(&bits, &info, path.c_str(), -1) <= 0 || bits == nullptr)
        return false;
    CodexaRelease(&bits);
    return true;
}

} // namespace

TEST(ImageObj, EmptyPictureRefusesEverything)
{
    CImageObj p, q;
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_FALSE(p.Rotate(90));
    EXPECT_FALSE(p.MirrorFlip(0));
    EXPECT_FALSE(p.ColorTable(5));
    EXPECT_FALSE(p.Grey());
    EXPECT_FALSE(p.BlackWhite(128));
    EXPECT_FALSE(p.Resize(5, 5, 1));
    EXPECT_FALSE(p.Crop(0, 0, 1, 1));
    EXPECT_FALSE(p.Negative());
    EXPECT_FALSE(p.RemoveBlackEdge());
    EXPECT_FALSE(p.CopyTo(q));
    EXPECT_FALSE(p.GotoPage(true));
    EXPECT_FALSE(p.Save("x.bmp"));
    EXPECT_FALSE(q.CopyFrom(nullptr, nullptr));
    QImage c = Canvas(4, 4);
    QPainter painter(&c);
    p.Draw(painter); // nothing to draw, nothing happens
}

TEST(ImageObj, CopiesAreIndependentAndKeepThePalette)
{
    CImageObj a, b;
    ASSERT_TRUE(Make(a, 1, 3, 1)); // a 1-pixel-wide 1-bit picture still has 4-byte rows
    EXPECT_EQ(GlobalSize(a.Bits()), 12u);
    ASSERT_TRUE(a.CopyTo(b));
    EXPECT_EQ(Snapshot(a), Snapshot(b));
    EXPECT_NE(a.Bits(), b.Bits());
    ASSERT_TRUE(b.Negative());
    EXPECT_NE(Snapshot(a), Snapshot(b));
    ASSERT_TRUE(a.CopyFrom(a.Bits(), a.Info())); // a copy of itself changes nothing
    EXPECT_EQ(Pixel(a, 0, 0), 1 - Pixel(b, 0, 0));
}

TEST(ImageObj, DrawShowsEveryDepthOneToOneAndFollowsEdits)
{
    for (int bpp : { 1, 4, 8, 16, 24, 32 }) {
        CImageObj p;
        ASSERT_TRUE(Make(p, 7, 5, bpp));
        QImage c = Canvas(9, 6);
        {
            QPainter painter(&c);
            p.Draw(painter);
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(c.pixel(x, y) & 0xFFFFFF, Colour(p, x, 4 - y) & 0xFFFFFF)
                    << bpp << " at " << x << "," << y;
        EXPECT_EQ(c.pixel(8, 5) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
        // After an edit the display form is rebuilt.
        ASSERT_TRUE(p.MirrorFlip(0));
        {
            QPainter painter(&c);
            p.Draw(painter);
        }
        EXPECT_EQ(c.pixel(0, 0) & 0xFFFFFF, Colour(p, 0, 4) & 0xFFFFFF);
    }
}

TEST(ImageObj, FittedDrawingKeepsProportionsAndStaysInside)
{
    RECT r = FitRect(400, 100, 10, 20, 110, 220); // wide: fits by width
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right, 110);
    EXPECT_EQ(r.top, 20 + (200 - 25) / 2);
    EXPECT_EQ(r.bottom - r.top, 25);
    r = FitRect(100, 400, 0, 0, 300, 200); // tall: fits by height
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.left, 125);
    r = FitRect(3, 7, 0, 0, 0, 100);
    EXPECT_EQ(r.right - r.left, 0);

    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 2, 24));
    QImage c = Canvas(8, 8);
    {
        QPainter painter(&c);
        p.DrawFitted(painter, 0, 0, 8, 8);
    }
    EXPECT_EQ(c.pixel(0, 1) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
    EXPECT_EQ(c.pixel(0, 2) & 0xFFFFFF, Colour(p, 0, 1) & 0xFFFFFF);
    EXPECT_EQ(c.pixel(7, 5) & 0xFFFFFF, Colour(p, 3, 0) & 0xFFFFFF);
    EXPECT_EQ(c.pixel(7, 6) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
}

TEST(ImageObjFiles, LoadEditSaveReload)
{
    const std::string source = TestFile("bmpsuite/g/rgb24.bmp");
    if (!CodecCanLoad(source))
        GTEST_SKIP() << "the codec library cannot load " << source << " yet";
    TempDir dir;
    const std::string path = (dir.path / "picture.bmp").string();
    fs::copy_file(source, path);
    CImageObj p;
    ASSERT_TRUE(p.Load(path));
    EXPECT_EQ(p.PageCount(), 1);
    EXPECT_EQ(p.CurrentPage(), 0);
    EXPECT_EQ(p.FileName(), path);
    EXPECT_FALSE(p.GotoPage(true)); // one page
    CImageObj original;
    ASSERT_TRUE(p.CopyTo(original));
    ASSERT_TRUE(p.Negative());
    ASSERT_TRUE(p.Reload()); // discards the edit
    EXPECT_EQ(Snapshot(p), Snapshot(original));
    ASSERT_TRUE(p.Negative());
    ASSERT_TRUE(p.Save("")); // over its own file
    CImageObj back;
    ASSERT_TRUE(back.Load(path));
    ASSERT_EQ(back.Width(), p.Width());
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            ASSERT_EQ(Colour(back, x, y), Colour(p, x, y));
    const std::string copy = (dir.path / "copy.bmp").string();
    ASSERT_TRUE(p.Save(copy));
    EXPECT_EQ(p.FileName(), path); // saving under another name does not rename the picture
    EXPECT_TRUE(back.Load(copy));
    EXPECT_FALSE(back.Load((dir.path / "missing.bmp").string()));
    EXPECT_TRUE(back.IsEmpty());
    EXPECT_NE(back.Info(), nullptr);
}

TEST(ImageObjFiles, PagesOfAMultiPageFile)
{
    const std::string path = TestFile("tiff/pillow/good/multipage.tiff");
    if (!CodecCanLoad(path))
        GTEST_SKIP() << "the codec library cannot load " << path << " yet";
    CImageObj p;
    ASSERT_TRUE(p.Load(path));
    ASSERT_EQ(p.PageCount(), 3);
    EXPECT_FALSE(p.GotoPage(false));
    EXPECT_EQ(p.CurrentPage(), 0);
    ASSERT_TRUE(p.GotoPage(true));
    ASSERT_TRUE(p.GotoPage(true));
    EXPECT_EQ(p.CurrentPage(), 2);
    CImageObj last;
    ASSERT_TRUE(p.CopyTo(last));
    EXPECT_FALSE(p.GotoPage(true)); // past the last page: false, the page stays
    EXPECT_EQ(p.CurrentPage(), 2);
    ASSERT_TRUE(p.GotoPage(false));
    EXPECT_EQ(p.CurrentPage(), 1);
    EXPECT_FALSE(p.IsEmpty());
    ASSERT_TRUE(p.Reload());
    EXPECT_EQ(p.CurrentPage(), 0);
}

TEST(ImageObjFiles, EveryDepthSurvivesEditsAndASaveRoundTrip)
{
    TempDir dir;
    for (const char *name : { "pal1.bmp", "pal4.bmp", "pal8.bmp", "rgb24.bmp" }) {
        SCOPED_TRACE(name);
        const std::string source = TestFile("bmpsuite/g/") + name;
        if (!CodecCanLoad(source))
            GTEST_SKIP() << "the codec library cannot load " << source << " yet";
        CImageObj p;
        ASSERT_TRUE(p.Load(source));
        const auto before = Snapshot(p);
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(p.Rotate(90));
        ASSERT_TRUE(p.MirrorFlip(1));
        ASSERT_TRUE(p.MirrorFlip(1));
        EXPECT_EQ(Snapshot(p), before);
        ASSERT_TRUE(p.Crop(3, 2, p.Width() - 5, p.Height() - 1));
        const std::string out = (dir.path / name).string();
        ASSERT_TRUE(p.Save(out));
        CImageObj back;
        ASSERT_TRUE(back.Load(out));
        ASSERT_EQ(back.Width(), p.Width());
        ASSERT_EQ(back.Height(), p.Height());
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x)
                ASSERT_EQ(Colour(back, x, y), Colour(p, x, y)) << x << "," << y;
    }
}

TEST(ImageObjFiles, BrokenFilesFailCleanly)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 4, 24));
    for (const char *name :
        { "bmpsuite/b/badbitcount.bmp", "bmpsuite/b/badrle.bmp", "bmpsuite/b/badheadersize.bmp" }) {
        EXPECT_FALSE(p.Load(TestFile(name))) << name;
        EXPECT_TRUE(p.IsEmpty());
        EXPECT_FALSE(p.Rotate(90));
        EXPECT_FALSE(p.Save(""));
    }
}
