// The grid over the codec library and real picture files: thumbnails of several formats, all
// 24-bit and fitted into the box, a file that cannot be decoded left out, the cache reused on the next visit.
#include "browser/codexacodec.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "browser_testutil.h"

#include <QApplication>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{

void EnsureApp()
{
    static int argc = 1;
    static char name[] = "test_browser";
    static char *argv[] = { name, nullptr };
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

const fs::path kData = TARNIS_TESTDATA_DIR;

// The codec library, counting thumbnail loads.
class CountingCodec : public ThumbCodec
{
public:
    int FormatTest(const char *path) const override { return CodexaThumbCodec().FormatTest(path); }
    int LoadThumbnail(void *info, HGLOBAL *bits, void *src, const char *path, const SIZE *box, RECT rect,
        int flags) const override
    {
        ++loads;
        return CodexaThumbCodec().LoadThumbnail(info, bits, src, path, box, rect, flags);
    }
    mutable std::atomic<int> loads { 0 };
};

bool CodecMakesThumbnails()
{
    ThumbOutcome probe
        = MakeThumbnail(CodexaThumbCodec(), (kData / "jpeg/pillow/good/hopper.jpg").string(), { 100, 100 });
    return probe.made;
}

} // namespace

TEST(CodexaGrid, ThumbnailsOfRealPictures)
{
    EnsureApp();
    if (!CodecMakesThumbnails())
        GTEST_SKIP() << "the codec library cannot make thumbnails yet";
    MessageRecorder recorder;
    TempFolder folder;
    fs::copy_file(kData / "jpeg/pillow/good/hopper.jpg", folder.Path() / "a.jpg");
    fs::copy_file(kData / "jpeg/pillow/good/hopper_gray.jpg", folder.Path() / "b.jpg");
    fs::copy_file(kData / "pngsuite/good/basn2c08.png", folder.Path() / "c.png");
    fs::copy_file(kData / "gif/pillow/good/chi.gif", folder.Path() / "d.gif");
    fs::copy_file(kData / "bmpsuite/g/pal8.bmp", folder.Path() / "e.bmp");
    // Passes the format test, fails to decode (bad chunk checksum).
    fs::copy_file(kData / "pngsuite/bad/xcsn0g01.png", folder.Path() / "f.png");

    CountingCodec codec;
    CThumbWnd grid(codec);
    grid.resize(600, 400);
    grid.SetBoxSize(100, 100);
    grid.show();
    grid.SetFolder(folder.Str(), 1);
    ASSERT_TRUE(WaitForLoad(grid));

    std::vector<std::string> names = ItemNames(grid);
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
        (std::vector<std::string> { "a.jpg", "b.jpg", "c.png", "d.gif", "e.bmp" }));
    EXPECT_EQ(names.size(), 5u) << "the broken PNG made a thumbnail";
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
    const auto &b = grid.Items().Items()[1];
    auto *px = static_cast<const std::uint8_t *>(b->GetPictureBits());
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(px[0], px[1]);
    EXPECT_EQ(px[1], px[2]);
    EXPECT_TRUE(recorder.messages.empty());

    int loads = codec.loads;
    grid.SetFolder(folder.Str(), 1);
    ASSERT_TRUE(WaitForLoad(grid));
    EXPECT_EQ(codec.loads, loads + 1); // only the picture that could not be made is tried again
    EXPECT_EQ(ItemNames(grid), names);
}
