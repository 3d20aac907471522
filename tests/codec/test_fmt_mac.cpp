// MacPaint files with and without the MacBinary header; saving onto the fixed page.
#include "codec_test_util.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_mac;
}

using namespace codexa;
using namespace codexa::test;

namespace
{

Status Load(const std::string &relative, Picture &pic)
{
    return LoadWith(kFormat_mac, TestData("macpaint/" + relative), pic);
}

std::ptrdiff_t BlackPixels(const Picture &pic)
{
    Rgb rgb = Flatten(pic);
    return std::count(rgb.px.begin(), rgb.px.end(), 0) / 3;
}

TEST(FmtMac, GoodFilesDecode)
{
    for (const std::string &path : FilesIn(TestData("macpaint/good"), { ".mac", ".pic" })) {
        SCOPED_TRACE(path);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_mac, path, pic), Status::Ok);
        EXPECT_EQ(pic.width(), 576);
        EXPECT_EQ(pic.height(), 720);
        EXPECT_EQ(pic.bitCount(), 1);
        EXPECT_EQ(pic.info.bmiHeader.biXPelsPerMeter, 2835);
        EXPECT_GT(BlackPixels(pic), 1000);
        EXPECT_TRUE(kFormat_mac.probe(AsBytes(ReadAll(path)), ".mac"));
    }
    Picture japan;
    ASSERT_EQ(Load("good/japan_macbinary.mac", japan), Status::Ok);
    Rgb want;
    ASSERT_TRUE(ReadPngOverWhite(TestData("macpaint/good/japan.reference.png"), want));
    EXPECT_EQ(CompareRgb(Flatten(japan), want), "");
    // Index 1 is black.
    EXPECT_EQ(japan.info.bmiColors[1].rgbRed, 0);
    EXPECT_EQ(japan.info.bmiColors[0].rgbRed, 255);
}

TEST(FmtMac, QuestionableAndPaddedFilesDecode)
{
    // go_header: a MacBinary name field of 63 bytes holding a UTF-16 path; its data fork is the
    // raw file next to it.
    Picture withHeader, raw;
    ASSERT_EQ(Load("questionable/go_header_macbinary_utf16name.mac", withHeader), Status::Ok);
    ASSERT_EQ(Load("good/go_noheader_raw.mac", raw), Status::Ok);
    EXPECT_EQ(CompareRgb(Flatten(withHeader), Flatten(raw)), "");
    // Runs that cross rows: read as one stream.
    for (const char *f :
        { "questionable/DonHo_4_runs_cross_rows.mac", "questionable/pixarpict_runs_cross_rows.mac" }) {
        SCOPED_TRACE(f);
        Picture pic;
        ASSERT_EQ(Load(f, pic), Status::Ok);
        EXPECT_GT(BlackPixels(pic), 1000);
    }
    // 128 zero bytes in front of a raw file, and trailing padding: the same picture.
    std::vector<std::uint8_t> rawFile = ReadAll(TestData("macpaint/good/MUST4_raw.MAC"));
    std::vector<std::uint8_t> padded(128, 0);
    padded.insert(padded.end(), rawFile.begin(), rawFile.end());
    padded.insert(padded.end(), 300, 0);
    Picture a, b;
    ASSERT_EQ(kFormat_mac.load(AsBytes(rawFile), -1, a), Status::Ok);
    ASSERT_EQ(kFormat_mac.load(AsBytes(padded), -1, b), Status::Ok);
    EXPECT_EQ(CompareRgb(Flatten(a), Flatten(b)), "");
}

TEST(FmtMac, SaveThresholdsCropsAndPads)
{
    // 24-bit, 600 × 5: wider than the page, cropped; rows below stay white.
    Picture wide = MakePicture(600, 5, 24, 0, [](int x, int y) -> unsigned {
        if (y == 0)
            return 0x7F7F7F; // grey 127: black
        if (y == 1)
            return 0x808080; // grey 128: white
        if (y == 2)
            return x < 300 ? 0xFF0000u : 0x00FF00u; // red: 76 black; green: 150 white
        return x % 2 ? 0x000000u : 0xFFFFFFu;
    });
    std::vector<std::uint8_t> file;
    ASSERT_EQ(kFormat_mac.save(ViewOf(wide), SaveOptions {}, file), Status::Ok);
    EXPECT_TRUE(kFormat_mac.probe(AsBytes(file), ".mac"));
    Picture back;
    ASSERT_EQ(kFormat_mac.load(AsBytes(file), -1, back), Status::Ok);
    ASSERT_EQ(back.width(), 576);
    ASSERT_EQ(back.height(), 720);
    EXPECT_EQ(back.RowFromTop(0)[0], 0xFF);
    EXPECT_EQ(back.RowFromTop(0)[71], 0xFF);
    EXPECT_EQ(back.RowFromTop(1)[0], 0x00);
    EXPECT_EQ(back.RowFromTop(2)[0], 0xFF);
    EXPECT_EQ(back.RowFromTop(2)[71], 0x00);
    EXPECT_EQ(back.RowFromTop(3)[5], 0x55);
    EXPECT_EQ(back.RowFromTop(5)[0], 0x00);
    EXPECT_EQ(back.RowFromTop(719)[71], 0x00);

    // A page-sized 1-bit picture survives exactly, whatever its palette order.
    Picture page = MakePicture(
        576, 720, 1, 0, [](int x, int y) { return static_cast<unsigned>((x * x + y) % 3 == 0); });
    page.info.bmiColors[0] = RGBQUAD { 0, 0, 0, 0 };
    page.info.bmiColors[1] = RGBQUAD { 255, 255, 255, 0 };
    ASSERT_EQ(kFormat_mac.save(ViewOf(page), SaveOptions {}, file), Status::Ok);
    ASSERT_EQ(kFormat_mac.load(AsBytes(file), -1, back), Status::Ok);
    EXPECT_EQ(CompareRgb(Flatten(back), Flatten(page)), "");
}

} // namespace
