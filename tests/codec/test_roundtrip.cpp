// Round trips through JPEG, PNG, TIFF and GIF for every depth each can hold.
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codexa;
using namespace codexa::test;

namespace
{

Picture RoundTrip(const Picture &pic, const char *format, SaveOptions options = {})
{
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(SaveToMemory(ViewOf(pic), format, options, bytes), Status::Ok) << format;
    Picture back;
    EXPECT_EQ(LoadFromMemory(AsBytes(bytes), format, -1, back), Status::Ok) << format;
    return back;
}

struct Case {
    const char *format;
    int bitCount;
    bool grey;
    int expectBits; // depth after the round trip
};

class LosslessRoundTrip : public ::testing::TestWithParam<Case>
{
};

TEST_P(LosslessRoundTrip, KeepsEveryPixelAndTheDepth)
{
    const Case c = GetParam();
    // Odd sizes exercise row padding and partial bytes of 1- and 4-bit rows.
    Picture pic = MakePattern(37, 23, c.bitCount, c.grey);
    pic.SetResolution(3780, 2835);
    Picture back = RoundTrip(pic, c.format);
    ASSERT_NE(back.bits, nullptr);
    EXPECT_EQ(back.bitCount(), c.expectBits);
    EXPECT_EQ(MaxDifference(pic, back), 0);
    if (std::string(c.format) != "gif") { // GIF has no resolution field
        EXPECT_NEAR(back.info.bmiHeader.biXPelsPerMeter, 3780, 1);
        EXPECT_NEAR(back.info.bmiHeader.biYPelsPerMeter, 2835, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessRoundTrip,
    ::testing::Values(Case { "png", 1, false, 1 }, Case { "png", 4, false, 4 }, Case { "png", 8, false, 8 },
        Case { "png", 8, true, 8 }, Case { "png", 4, true, 8 }, Case { "png", 24, false, 24 },
        Case { "tiff", 1, false, 1 }, Case { "tif", 4, false, 4 }, Case { "tiff", 8, false, 8 },
        Case { "tiff", 8, true, 8 }, Case { "tiff", 24, false, 24 }, Case { "tiff", 1, true, 1 },
        Case { "gif", 1, false, 1 }, Case { "gif", 4, false, 4 }, Case { "gif", 8, false, 8 },
        Case { "gif", 8, true, 8 }),
    [](const ::testing::TestParamInfo<Case> &p) {
        return std::string(p.param.format) + "_" + std::to_string(p.param.bitCount)
            + (p.param.grey ? "_grey" : "");
    });

TEST(JpegRoundTrip, ColourAndGreyStayClose)
{
    Picture colour = MakePattern(64, 48, 24);
    colour.SetResolution(11811, 11811); // 300 dpi
    Picture back = RoundTrip(colour, "jpg", SaveOptions { 95 });
    EXPECT_EQ(back.bitCount(), 24);
    EXPECT_LT(MeanDifference(colour, back), 2.0);
    EXPECT_NEAR(back.info.bmiHeader.biXPelsPerMeter, 11811, 20);

    Picture grey = MakePattern(40, 30, 8, true);
    Picture greyBack = RoundTrip(grey, "jpeg", SaveOptions { 95 });
    EXPECT_EQ(greyBack.bitCount(), 8);
    EXPECT_LT(MeanDifference(grey, greyBack), 4.0);

    // Palette pictures in colour are written as 24-bit.
    Picture pal = MakePattern(40, 30, 4);
    EXPECT_EQ(RoundTrip(pal, "jpg").bitCount(), 24);
}

TEST(JpegRoundTrip, QualityComesFromTheOptionsBlock)
{
    std::uint8_t block[64] = {};
    EXPECT_EQ(OptionsFromBlock(nullptr).jpegQuality, 90);
    EXPECT_EQ(OptionsFromBlock(block).jpegQuality, 90); // 0 is out of range
    block[54] = 100;
    EXPECT_EQ(OptionsFromBlock(block).jpegQuality, 100);
    block[54] = 101;
    EXPECT_EQ(OptionsFromBlock(block).jpegQuality, 90);
    block[54] = 0x2C, block[55] = 0x01; // 300
    EXPECT_EQ(OptionsFromBlock(block).jpegQuality, 90);

    Picture pic = MakePattern(96, 96, 24);
    std::vector<std::uint8_t> low, high;
    ASSERT_EQ(SaveToMemory(ViewOf(pic), "jpg", SaveOptions { 10 }, low), Status::Ok);
    ASSERT_EQ(SaveToMemory(ViewOf(pic), "jpg", SaveOptions { 100 }, high), Status::Ok);
    EXPECT_LT(low.size() * 2, high.size());
}

TEST(GifRoundTrip, TrueColourIsQuantisedWell)
{
    // A smooth photo-like picture with far more than 256 colours.
    Picture pic = MakePattern(120, 90, 24);
    Picture back = RoundTrip(pic, "gif");
    EXPECT_EQ(back.bitCount(), 8);
    // Pillow's median cut (with or without dithering) is 9.4 off on this picture.
    EXPECT_LT(MeanDifference(pic, back), 9.0);

    // Few colours come back exactly.
    Picture few;
    ASSERT_EQ(few.Create(50, 20, 24), Status::Ok);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x) {
            std::uint8_t *p = few.RowFromTop(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>((x / 10) * 60);
            p[1] = static_cast<std::uint8_t>(y * 12);
            p[2] = 77;
        }
    EXPECT_EQ(MaxDifference(few, RoundTrip(few, "gif")), 0);
}

TEST(SaveToMemory, RefusesUnknownFormatsAndOversizedGif)
{
    Picture pic = MakePattern(8, 8, 24);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(SaveToMemory(ViewOf(pic), "xyz", SaveOptions {}, out), Status::Unsupported);
    Picture wide;
    ASSERT_EQ(wide.Create(70000, 1, 1), Status::Ok);
    EXPECT_NE(SaveToMemory(ViewOf(wide), "gif", SaveOptions {}, out), Status::Ok);
}

} // namespace

namespace
{

TEST(SaveToMemory, SixteenAndThirtyTwoBitPicturesAreWrittenAsColour)
{
    for (int bits : { 16, 32 }) {
        DibInfoBlock info {};
        DibInitHeader(info, 5, 3, bits);
        std::vector<std::uint8_t> pixels(DibImageSizeOf(info.bmiHeader), 0);
        // Bottom row, first pixel: pure red (5-5-5: 0x7C00; 32-bit: B, G, R, x).
        if (bits == 16) {
            pixels[0] = 0x00, pixels[1] = 0x7C;
        } else {
            pixels[2] = 255;
        }
        PictureView view;
        ASSERT_TRUE(PictureView::From(&info, pixels.data(), view));
        for (const char *format : { "png", "tif" }) {
            std::vector<std::uint8_t> bytes;
            ASSERT_EQ(SaveToMemory(view, format, SaveOptions {}, bytes), Status::Ok);
            Picture back;
            ASSERT_EQ(LoadFromMemory(AsBytes(bytes), format, -1, back), Status::Ok);
            EXPECT_EQ(back.bitCount(), 24);
            const std::uint8_t *p = back.RowFromTop(2);
            EXPECT_EQ(p[0], 0) << bits << " " << format;
            EXPECT_EQ(p[2], 255) << bits << " " << format;
        }
    }
}

} // namespace
