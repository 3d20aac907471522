// The C entry points: result rules, untouched outputs on failure, safe saving, the pixel
// limit, resampling and thumbnails, the ordinal table.
#include "codec/codexa.h"
#include "codec/resample.h"
#include "codec_test_util.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace codexa;
using namespace codexa::test;
namespace fs = std::filesystem;

namespace
{

class TempFolder : public ::testing::Test
{
protected:
    std::string Path(const std::string &name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    QStringList Names() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    QTemporaryDir m_dir;
};

struct Block {
    DibInfoBlock info;
    Block() { std::memset(&info, 0xAB, sizeof info); }
    bool Untouched() const
    {
        const auto *b = reinterpret_cast<const std::uint8_t *>(&info);
        return std::all_of(b, b + sizeof info, [](std::uint8_t v) { return v == 0xAB; });
    }
};

TEST(CodexaApi, OrdinalTable)
{
    const std::pair<int, void *> table[] = { { 2, reinterpret_cast<void *>(&CodexaRelease) },
        { 3, reinterpret_cast<void *>(&CodexaLoadPage) }, { 4, reinterpret_cast<void *>(&CodexaSave) },
        { 7, reinterpret_cast<void *>(&CodexaLoadThumbnail) },
        { 9, reinterpret_cast<void *>(&CodexaResample) }, { 10, reinterpret_cast<void *>(&CodexaFormatTest) },
        { 15, reinterpret_cast<void *>(&CodexaPageCount) } };
    for (auto [ordinal, proc] : table)
        EXPECT_EQ(CodexaProcByOrdinal(ordinal), proc) << ordinal;
    for (int n : { 0, 1, 5, 6, 8, 11, 14, 16, -1 })
        EXPECT_EQ(CodexaProcByOrdinal(n), nullptr) << n;
}

TEST(CodexaApi, LoadPageFillsBothBlocksOrLeavesThemAlone)
{
    Block block;
    HGLOBAL bits = reinterpret_cast<HGLOBAL>(0x1234); // a stale value must not survive a failure
    EXPECT_EQ(CodexaLoadPage(&bits, &block.info, TestData("no/such/file.png").c_str(), -1), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_TRUE(block.Untouched());
    EXPECT_EQ(CodexaLoadPage(&bits, &block.info, TestData("pngsuite/bad/xcsn0g01.png").c_str(), -1), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_TRUE(block.Untouched());
    const std::string gif = TestData("gif/peterdn-gif-test-suite/animated_loop.gif");
    EXPECT_EQ(CodexaLoadPage(&bits, &block.info, gif.c_str(), 4), 0); // pages 0...3
    EXPECT_EQ(bits, nullptr);

    ASSERT_EQ(CodexaLoadPage(&bits, &block.info, gif.c_str(), 3), 1);
    ASSERT_NE(bits, nullptr);
    const BITMAPINFOHEADER &h = block.info.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 100);
    EXPECT_EQ(h.biHeight, 100);
    EXPECT_GE(GlobalSize(bits), DibImageSizeOf(h));
    CodexaRelease(&bits);
    EXPECT_EQ(bits, nullptr);
}

TEST(CodexaApi, PageCountAndFormatTest)
{
    EXPECT_EQ(CodexaPageCount(TestData("gif/peterdn-gif-test-suite/animated_loop.gif").c_str()), 4);
    EXPECT_EQ(CodexaPageCount(TestData("tiff/pillow/good/multipage.tiff").c_str()), 3);
    EXPECT_EQ(CodexaPageCount(TestData("jpeg/pillow/good/hopper.jpg").c_str()), 1);
    EXPECT_EQ(CodexaPageCount(TestData("no/such.gif").c_str()), 0);
    EXPECT_EQ(CodexaPageCount(TestData("SOURCES.md").c_str()), 0);

    // The number is the format's place in the Open dialog's list.
    for (auto [file, number] : { std::pair { "bmpsuite/g/pal8.bmp", 0 }, { "jpeg/pillow/good/hopper.jpg", 1 },
             { "gif/pillow/good/hopper.gif", 2 }, { "tga/kde/rgb.tga", 3 }, { "pcx/kde/rgb.pcx", 4 },
             { "tiff/pillow/good/hopper.tif", 5 }, { "gem-img/mono/tiger.img", 6 },
             { "macpaint/good/MUST4_raw.MAC", 7 }, { "pngsuite/good/basn2c08.png", 8 } })
        EXPECT_EQ(CodexaFormatTest(TestData(file).c_str()), number) << file;
    EXPECT_LT(CodexaFormatTest(TestData("SOURCES.md").c_str()), 0);
    EXPECT_LT(CodexaFormatTest(TestData("no/such.png").c_str()), 0);
    EXPECT_LT(CodexaFormatTest(TestData("pngsuite").c_str()), 0); // a folder
    EXPECT_LT(CodexaFormatTest(nullptr), 0);
}

TEST_F(TempFolder, SaveReplacesTheFileOnlyWhenTheNewOneIsComplete)
{
    Picture pic = MakePattern(33, 17, 24);
    const std::string target = Path("picture.png");
    std::uint8_t options[64] = {};
    options[54] = 100;
    ASSERT_EQ(CodexaSave(target.c_str(), &pic.info, pic.bits, "", options), 1);
    const auto first = ReadAll(target);
    ASSERT_FALSE(first.empty());
    ::chmod(target.c_str(), 0640);

    // Failures: unknown format, a broken picture, a missing folder, a folder in the way.
    EXPECT_EQ(CodexaSave(target.c_str(), &pic.info, pic.bits, "xyz", nullptr), 0);
    DibInfoBlock broken = pic.info;
    broken.bmiHeader.biBitCount = 7;
    EXPECT_EQ(CodexaSave(target.c_str(), &broken, pic.bits, nullptr, nullptr), 0);
    EXPECT_EQ(CodexaSave(Path("missing/picture.png").c_str(), &pic.info, pic.bits, nullptr, nullptr), 0);
    fs::create_directories(Path("folder.png"));
    EXPECT_EQ(CodexaSave(Path("folder.png").c_str(), &pic.info, pic.bits, nullptr, nullptr), 0);
    EXPECT_TRUE(fs::is_directory(Path("folder.png")));
    EXPECT_EQ(ReadAll(target), first);
    EXPECT_EQ(Names(), QStringList({ "folder.png", "picture.png" })); // no temporaries left

    // A save in another format through the format text replaces the bytes, keeps the mode.
    ASSERT_EQ(CodexaSave(target.c_str(), &pic.info, pic.bits, "tif", nullptr), 1);
    EXPECT_NE(ReadAll(target), first);
    struct stat st {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(CodexaFormatTest(target.c_str()), 5);
    EXPECT_EQ(Names(), QStringList({ "folder.png", "picture.png" }));
}

TEST_F(TempFolder, SavingOverALinkReplacesTheLinkNotItsTarget)
{
    Picture pic = MakePattern(8, 8, 8);
    const std::string real = Path("real.gif"), link = Path("link.gif");
    ASSERT_EQ(CodexaSave(real.c_str(), &pic.info, pic.bits, nullptr, nullptr), 1);
    const auto before = ReadAll(real);
    fs::create_symlink(real, link);
    Picture other = MakePattern(9, 9, 24);
    ASSERT_EQ(CodexaSave(link.c_str(), &other.info, other.bits, nullptr, nullptr), 1);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), before);
}

TEST_F(TempFolder, SavesKeepLongNamesAndRefuseReadOnlyFiles)
{
    Picture pic = MakePattern(8, 8, 24);
    const std::string longName = Path(std::string(251, 'n') + ".png"); // 255 bytes, the most a name holds
    ASSERT_EQ(CodexaSave(longName.c_str(), &pic.info, pic.bits, nullptr, nullptr), 1);
    ASSERT_EQ(CodexaSave(longName.c_str(), &pic.info, pic.bits, nullptr, nullptr), 1); // over itself
    EXPECT_EQ(CodexaFormatTest(longName.c_str()), 8);

    const std::string target = Path("setuid.bmp");
    ASSERT_EQ(CodexaSave(target.c_str(), &pic.info, pic.bits, nullptr, nullptr), 1);
    ASSERT_EQ(::chmod(target.c_str(), 06755), 0);
    ASSERT_EQ(CodexaSave(target.c_str(), &pic.info, pic.bits, nullptr, nullptr), 1);
    struct stat st {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);

    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    const auto before = ReadAll(target);
    Picture other = MakePattern(9, 9, 24);
    EXPECT_EQ(CodexaSave(target.c_str(), &other.info, other.bits, nullptr, nullptr), 0);
    EXPECT_EQ(ReadAll(target), before);
    EXPECT_EQ(Names().size(), 2);
}

TEST_F(TempFolder, SaveKilledPartWayLeavesNoTemporary)
{
    Picture big = MakePattern(2500, 2000, 24); // 15 MB as BMP: long enough to be killed inside
    Picture small = MakePattern(20, 10, 24);
    const std::string target = Path("photo.bmp");
    ASSERT_EQ(CodexaSave(target.c_str(), &small.info, small.bits, nullptr, nullptr), 1);
    std::mt19937 rng(7);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) // saves until killed
                CodexaSave(target.c_str(), &big.info, big.bits, nullptr, nullptr);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 80));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(Names(), QStringList({ "photo.bmp" }));
        // The file is the old picture or the whole new one, never a part.
        Picture back;
        ASSERT_EQ(LoadFile(target.c_str(), -1, back), Status::Ok);
        EXPECT_TRUE(back.width() == 20 || back.width() == 2500) << back.width();
    }
}

TEST(CodexaApi, ThumbnailsDecodeUnderTheirOwnLimits)
{
    auto thumbnail = [](const std::string &file) {
        Picture thumb;
        DibInfoBlock source {};
        return ThumbnailFile(TestData(file).c_str(), 16, 16, thumb, source);
    };
    const std::string png = "pngsuite/good/basn2c08.png"; // 32 × 32
    const std::string jpeg = "jpeg/pillow/good/hopper.jpg"; // 128 × 128, read at 1/8 for the box
    SetThumbnailPixelLimit(1023);
    EXPECT_EQ(thumbnail(png), Status::TooLarge);
    EXPECT_EQ(thumbnail(jpeg), Status::Ok); // what is decoded counts, not the full size
    Picture full;
    EXPECT_EQ(LoadFile(TestData(png).c_str(), -1, full), Status::Ok); // opening keeps its limit
    SetThumbnailPixelLimit(1024);
    EXPECT_EQ(thumbnail(png), Status::Ok);
    SetThumbnailPixelLimit(0);

    // However many threads make thumbnails, only so many decodes hold memory at once.
    TakeThumbnailDecodePeak();
    std::vector<std::thread> threads;
    std::atomic<int> made { 0 };
    for (int t = 0; t < 3 * kThumbnailDecodes; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 4; ++i)
                made += thumbnail(i % 2 ? png : "tiff/pillow/good/hopper.tif") == Status::Ok;
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(made.load(), 12 * kThumbnailDecodes);
    const int peak = TakeThumbnailDecodePeak();
    EXPECT_GE(peak, 1);
    EXPECT_LE(peak, kThumbnailDecodes);
}

TEST(CodexaApi, PixelLimitRefusesLargePictures)
{
    const std::string png = TestData("pngsuite/good/basn2c08.png"); // 32 × 32
    const std::string jpg = TestData("jpeg/pillow/good/hopper.jpg"); // 128 × 128
    Block block;
    HGLOBAL bits = nullptr;
    CodexaSetPixelLimit(1023);
    for (const std::string &path : { png, jpg, TestData("gif/pillow/good/hopper.gif"),
             TestData("tiff/pillow/good/hopper.tif"), TestData("bmpsuite/g/rgb24.bmp") }) {
        EXPECT_EQ(CodexaLoadPage(&bits, &block.info, path.c_str(), -1), 0) << path;
        EXPECT_EQ(bits, nullptr);
    }
    Picture pic;
    EXPECT_EQ(pic.Create(32, 32, 24), Status::TooLarge);
    CodexaSetPixelLimit(1024);
    EXPECT_EQ(CodexaLoadPage(&bits, &block.info, png.c_str(), -1), 1);
    CodexaRelease(&bits);
    CodexaSetPixelLimit(0); // back to the default
    EXPECT_EQ(PixelLimit(), 1ll << 28);
    EXPECT_EQ(CodexaLoadPage(&bits, &block.info, jpg.c_str(), -1), 1);
    CodexaRelease(&bits);
}

// --- resampling (ordinal 9) ---

Picture Resampled(const Picture &src, int w, int h, RECT dest)
{
    Picture out;
    SIZE size { w, h };
    Block block;
    HGLOBAL bits = nullptr;
    if (CodexaResample(&block.info, &bits, &src.info, src.bits, &size, dest, 2) != 1)
        return out;
    EXPECT_TRUE(out.Adopt(&block.info, bits));
    return out;
}

// A 24-bit grey picture of the given levels, row by row from the top.
Picture Levels(int width, int height, std::vector<unsigned> levels)
{
    return MakePicture(width, height, 24, 0, [&](int x, int y) { return levels[y * width + x] * 0x010101u; });
}

TEST(CodexaResample, AreaAverageWhenShrinkingBilinearWhenGrowing)
{
    Picture half = Resampled(Levels(4, 2, { 0, 40, 100, 200, 20, 60, 0, 100 }), 2, 1, RECT { 0, 0, 2, 1 });
    ASSERT_NE(half.bits, nullptr);
    EXPECT_EQ(half.RowFromTop(0)[0], 30); // (0 + 40 + 20 + 60) / 4
    EXPECT_EQ(half.RowFromTop(0)[3], 100); // (100 + 200 + 0 + 100) / 4

    Picture wide = Resampled(Levels(2, 1, { 0, 255 }), 4, 1, RECT { 0, 0, 4, 1 });
    ASSERT_NE(wide.bits, nullptr);
    const std::uint8_t expect[4] = { 0, 64, 191, 255 }; // centres at -0.25, 0.25, 0.75, 1.25
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(wide.RowFromTop(0)[3 * x], expect[x]) << x;
}

TEST(CodexaResample, DestinationRectanglePlacesThePicture)
{
    Picture out = Resampled(Levels(4, 4, std::vector<unsigned>(16, 0)), 10, 8, RECT { 2, 3, 6, 7 });
    ASSERT_NE(out.bits, nullptr);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
            EXPECT_EQ(out.RowFromTop(y)[3 * x], inside ? 0 : 255) << x << "," << y;
        }
    // A rectangle reaching past the picture draws only the overlap: a black-white pair grown to
    // 20 wide (bilinear over the whole width), seen through its columns 5...14.
    Picture part = Resampled(Levels(2, 1, { 0, 255 }), 10, 1, RECT { -5, 0, 15, 1 });
    ASSERT_NE(part.bits, nullptr);
    EXPECT_EQ(part.RowFromTop(0)[0], 13); // source position 0.05
    EXPECT_EQ(part.RowFromTop(0)[3 * 9], 242); // 0.95
}

TEST(CodexaResample, SameSizeCopiesExactlyGreyStaysGreyOtherPalettesBecomeColour)
{
    Picture src = MakePattern(31, 19, 24);
    Picture copy = Resampled(src, 31, 19, RECT { 0, 0, 31, 19 });
    EXPECT_EQ(copy.bitCount(), 24);
    EXPECT_EQ(MaxDifference(src, copy), 0);
    Picture grey = MakePattern(16, 16, 8, true);
    Picture g = Resampled(grey, 8, 8, RECT { 0, 0, 8, 8 });
    ASSERT_NE(g.bits, nullptr);
    EXPECT_EQ(g.bitCount(), 8);
    EXPECT_EQ(g.info.bmiColors[77].rgbBlue, 77);
    Picture mask = MakePattern(16, 16, 1, true);
    EXPECT_EQ(Resampled(mask, 7, 7, RECT { 0, 0, 7, 7 }).bitCount(), 8);
    Picture colour = MakePattern(16, 16, 4);
    Picture c = Resampled(colour, 8, 8, RECT { 0, 0, 8, 8 });
    EXPECT_EQ(c.bitCount(), 24);
    Picture same = Resampled(colour, 16, 16, RECT { 0, 0, 16, 16 });
    EXPECT_EQ(MaxDifference(colour, same), 0);
}

TEST(CodexaResample, FailuresLeaveTheOutputsAlone)
{
    Picture src = MakePattern(8, 8, 24);
    Block block;
    HGLOBAL bits = nullptr;
    SIZE size { 4, 4 };
    EXPECT_EQ(CodexaResample(&block.info, &bits, &src.info, src.bits, &size, RECT { 0, 0, 0, 4 }, 2), 0);
    SIZE huge { 1 << 20, 1 << 20 };
    EXPECT_EQ(CodexaResample(&block.info, &bits, &src.info, src.bits, &huge, RECT { 0, 0, 4, 4 }, 2), 0);
    EXPECT_EQ(CodexaResample(&block.info, &bits, &src.info, nullptr, &size, RECT { 0, 0, 4, 4 }, 2), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_TRUE(block.Untouched());
}

// --- thumbnails (ordinal 7) ---

TEST(CodexaThumbnail, FitsTheBoxAndReportsTheSourceOrLeavesBothAlone)
{
    const std::string jpg = TestData("jpeg/image-rs-progressive/3.jpg"); // 650 × 470
    Block thumb, source;
    HGLOBAL bits = nullptr;
    auto load = [&](const std::string &path, LONG box) {
        SIZE size { box, box };
        return CodexaLoadThumbnail(
            &thumb.info, &bits, &source.info, path.c_str(), &size, RECT { -1, -1, -1, -1 }, 0);
    };
    ASSERT_EQ(load(jpg, 100), 1);
    EXPECT_EQ(thumb.info.bmiHeader.biWidth, 100);
    EXPECT_EQ(thumb.info.bmiHeader.biHeight, 72);
    EXPECT_EQ(thumb.info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(source.info.bmiHeader.biWidth, 650);
    EXPECT_EQ(source.info.bmiHeader.biHeight, 470);

    // Close to shrinking the full decode directly (the 2/8 DCT decode covers 652 × 472 source
    // pixels and filters edges its own way: about 5 levels on this sharp picture; a misplaced
    // or wrongly scaled thumbnail is tens of levels off).
    Picture fromThumb, direct;
    ASSERT_TRUE(fromThumb.Adopt(&thumb.info, bits));
    ASSERT_EQ(
        ResamplePicture(ViewOf(Decode(jpg)), 100, 72, RECT { 0, 0, 100, 72 }, true, direct), Status::Ok);
    EXPECT_LT(MeanDifference(fromThumb, direct), 6.0);

    // Never enlarged; grey sources give 24-bit thumbnails and an 8-bit source header.
    ASSERT_EQ(load(jpg, 2000), 1);
    EXPECT_EQ(thumb.info.bmiHeader.biWidth, 650);
    CodexaRelease(&bits);
    ASSERT_EQ(load(TestData("pngsuite/good/basn0g08.png"), 100), 1);
    EXPECT_EQ(thumb.info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(source.info.bmiHeader.biBitCount, 8);
    EXPECT_EQ(source.info.bmiColors[9].rgbRed, 9);
    CodexaRelease(&bits);

    // Tall and wide extremes keep at least one pixel.
    int w = 0, h = 0;
    ASSERT_TRUE(FitIntoBox(10000, 3, 100, 100, w, h));
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 1);
    EXPECT_FALSE(FitIntoBox(10, 10, 0, 100, w, h));

    thumb = Block(), source = Block();
    bits = reinterpret_cast<HGLOBAL>(0x10);
    EXPECT_EQ(load(TestData("SOURCES.md"), 100), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_TRUE(thumb.Untouched());
    EXPECT_TRUE(source.Untouched());
}

// For callers that scale down: JPEGs come from the smallest DCT scale that still covers the
// fitted size, other formats whole; the source header is always the full picture's.
TEST(CodexaThumbnail, ReducedLoadCoversTheFittedSize)
{
    const std::string jpg = TestData("jpeg/image-rs-progressive/3.jpg"); // 650 × 470
    Block info, source;
    HGLOBAL bits = nullptr;
    SIZE box { 100, 100 };
    ASSERT_EQ(CodexaLoadReduced(&bits, &info.info, &source.info, jpg.c_str(), &box), 1);
    EXPECT_EQ(info.info.bmiHeader.biWidth, 163); // 2/8 of 650, rounded up
    EXPECT_EQ(info.info.bmiHeader.biHeight, 118);
    EXPECT_EQ(source.info.bmiHeader.biWidth, 650);
    EXPECT_EQ(source.info.bmiHeader.biHeight, 470);
    CodexaRelease(&bits);

    const std::string png = TestData("pngsuite/good/basn2c08.png"); // 32 × 32
    SIZE tiny { 4, 4 };
    ASSERT_EQ(CodexaLoadReduced(&bits, &info.info, nullptr, png.c_str(), &tiny), 1);
    EXPECT_EQ(info.info.bmiHeader.biWidth, 32);
    CodexaRelease(&bits);

    Block untouched;
    bits = reinterpret_cast<HGLOBAL>(0x10);
    EXPECT_EQ(CodexaLoadReduced(&bits, &untouched.info, nullptr, TestData("SOURCES.md").c_str(), &box), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_TRUE(untouched.Untouched());
}

} // namespace
