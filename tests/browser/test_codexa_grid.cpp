// The grid over the codec library and real picture files: thumbnails of several formats, all
// 24-bit and fitted into the box, a file that cannot be decoded and FIFOs left
// out, the cache reused on the next visit.
#include "browser/codexacodec.h"
#include "browser/dropfiles.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "browser_testutil.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

const fs::path kData = TARNIS_TESTDATA_DIR;

// The codec library, counting thumbnail loads.
class CountingCodec : public ThumbCodec
{
public:
    int FormatTest(const char *path) const override { return m_real.FormatTest(path); }
    int LoadThumbnail(void *info, HGLOBAL *bits, void *src, const char *path, const SIZE *box, RECT rect,
        int flags) const override
    {
        ++loads;
        return m_real.LoadThumbnail(info, bits, src, path, box, rect, flags);
    }
    mutable std::atomic<int> loads { 0 };

private:
    const ThumbCodec &m_real = CodexaThumbCodec();
};

} // namespace

TEST(CodexaGrid, ThumbnailsOfRealPictures)
{
    TestApp();
    MessageRecorder recorder;
    TempFolder folder;
    fs::copy_file(kData / "jpeg/pillow/good/hopper.jpg", folder.Path() / "a.jpg");
    fs::copy_file(kData / "jpeg/pillow/good/hopper_gray.jpg", folder.Path() / "b.jpg");
    fs::copy_file(kData / "pngsuite/good/basn2c08.png", folder.Path() / "c.png");
    fs::copy_file(kData / "gif/pillow/good/chi.gif", folder.Path() / "d.gif");
    fs::copy_file(kData / "bmpsuite/g/pal8.bmp", folder.Path() / "e.bmp");
    // Passes the format test, fails to decode (bad chunk checksum).
    fs::copy_file(kData / "pngsuite/bad/xcsn0g01.png", folder.Path() / "f.png");
    // FIFOs, one named like a picture and one like the cache file: neither is listed or read (a
    // read would wait for a writer for ever; the alarm ends such a run).
    ASSERT_EQ(::mkfifo((folder.Path() / "g.png").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((folder.Path() / "brwseimg.tnv").c_str(), 0644), 0);
    ::alarm(120);

    CountingCodec codec;
    CThumbWnd grid(codec);
    grid.resize(600, 400);
    grid.SetBoxSize(100, 100);
    grid.show();
    grid.SetFolder(folder.Str(), 1);
    ASSERT_TRUE(WaitForLoad(grid));

    std::vector<std::string> names = ItemNames(grid);
    EXPECT_EQ(names, (std::vector<std::string> { "a.jpg", "b.jpg", "c.png", "d.gif", "e.bmp" }));
    for (const auto &item : grid.Items().Items()) {
        const BITMAPINFOHEADER &h = item->GetPictureHeader();
        EXPECT_EQ(h.biBitCount, 24) << item->GetName();
        EXPECT_GT(h.biWidth, 0);
        EXPECT_LE(h.biWidth, 100);
        EXPECT_LE(h.biHeight, 100);
        EXPECT_EQ(item->GetPictureSize().cx, h.biWidth);
    }
    const auto &a = grid.Items().Items()[0];
    EXPECT_EQ(a->GetPictureHeader().biWidth, 100); // 128 × 128 fitted into the box
    EXPECT_EQ(a->GetSourceHeader().biWidth, 128);
    // The grey picture stays grey in 24 bits.
    auto *px = static_cast<const std::uint8_t *>(grid.Items().Items().at(1)->GetPictureBits());
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(px[0], px[1]);
    EXPECT_EQ(px[1], px[2]);
    EXPECT_TRUE(recorder.messages.empty());

    int loads = codec.loads;
    grid.SetFolder(folder.Str(), 1);
    ASSERT_TRUE(WaitForLoad(grid));
    EXPECT_EQ(codec.loads, loads + 1); // only the picture that could not be made is tried again
    EXPECT_EQ(ItemNames(grid), names);
    ::alarm(0);
}

// Drops take every format the library reads, PNG and TIFF among them; the extension list comes
// from the library itself.
TEST(CodexaGrid, DropsAcceptEveryFormatTheGridShows)
{
    TestApp();
    std::string extensions = CodexaThumbCodec().ReadableExtensions();
    for (const char *ext : { "bmp", "jpg", "gif", "tga", "pcx", "tif", "img", "mac", "png" })
        EXPECT_EQ(MatchesExtensionList(extensions, std::string("x.") + ext), 1)
            << ext << " in " << extensions;
    EXPECT_EQ(MatchesExtensionList(extensions, "x.txt"), 0);

    MessageRecorder recorder;
    TempFolder folder, outside;
    fs::copy_file(kData / "bmpsuite/g/pal8.bmp", folder.Path() / "a.bmp");
    fs::copy_file(kData / "pngsuite/good/basn2c08.png", outside.Path() / "p.png");
    fs::copy_file(kData / "tiff/libtiff-pics/cramps.tif", outside.Path() / "t.tif");
    CThumbWnd grid(CodexaThumbCodec());
    grid.resize(600, 400);
    grid.show();
    grid.SetFolder(folder.Str(), 1);
    ASSERT_TRUE(WaitForLoad(grid));
    grid.DropFiles({ outside.File("p.png"), outside.File("t.tif") });
    ASSERT_TRUE(WaitForLoad(grid));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(fs::exists(folder.Path() / "p.png"));
    EXPECT_TRUE(fs::exists(folder.Path() / "t.tif"));
    EXPECT_EQ(ItemNames(grid), (std::vector<std::string> { "a.bmp", "p.png", "t.tif" }));
}
