// Round trips through every writable format for every depth each can hold.
#include "codec_test_util.h"

#include <array>
#include <gtest/gtest.h>
#include <map>

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

// Every writable format and depth. Palette depths a format cannot hold widen (TGA keeps 8-bit
// maps; a 4-bit grey ramp becomes 8-bit grey in PNG); PCX writes black-and-white 1-bit
// pictures (either order) as one plane and two other colours as four planes, IMG as plain
// monochrome or XIMG. The resolution survives in each format's unit (TIFF as a fraction of an
// inch, IMG in whole micrometres); TGA and GIF have no field for it.
TEST(RoundTrip, KeepsEveryPixelInTheDepthTheFormatHolds)
{
    enum Palette { Colour, BlackFirst, WhiteFirst, Grey };
    struct Case {
        const char *format;
        int bits, paletteSize;
        Palette palette;
        int wantBits;
    } cases[] = { { "png", 1, 0, Colour, 1 }, { "png", 4, 0, Colour, 4 }, { "png", 8, 0, Colour, 8 },
        { "png", 8, 0, Grey, 8 }, { "png", 4, 0, Grey, 8 }, { "png", 24, 0, Colour, 24 },
        { "tiff", 1, 0, Colour, 1 }, { "tif", 4, 0, Colour, 4 }, { "tiff", 8, 0, Colour, 8 },
        { "tiff", 8, 0, Grey, 8 }, { "tiff", 24, 0, Colour, 24 }, { "tiff", 1, 0, Grey, 1 },
        { "gif", 1, 0, Colour, 1 }, { "gif", 4, 0, Colour, 4 }, { "gif", 8, 0, Colour, 8 },
        { "gif", 8, 0, Grey, 8 }, { "bmp", 1, 0, Colour, 1 }, { "bmp", 4, 11, Colour, 4 },
        { "bmp", 8, 0, Colour, 8 }, { "bmp", 24, 0, Colour, 24 }, { "tga", 1, 0, Colour, 8 },
        { "tga", 4, 9, Colour, 8 }, { "tga", 8, 0, Colour, 8 }, { "tga", 8, 0, Grey, 8 },
        { "tga", 24, 0, Colour, 24 }, { "pcx", 1, 2, BlackFirst, 1 }, { "pcx", 1, 2, WhiteFirst, 1 },
        { "pcx", 1, 2, Colour, 4 }, { "pcx", 4, 13, Colour, 4 }, { "pcx", 8, 0, Colour, 8 },
        { "pcx", 24, 0, Colour, 24 }, { "img", 1, 2, WhiteFirst, 1 }, { "img", 1, 2, BlackFirst, 1 },
        { "img", 1, 2, Colour, 1 }, { "img", 4, 0, Colour, 4 }, { "img", 8, 0, Colour, 8 },
        { "img", 24, 0, Colour, 24 } };
    // Resolution in, out, and how far off it may come back.
    const std::map<std::string, std::array<LONG, 5>> resolution
        = { { "png", { 3780, 2835, 3780, 2835, 1 } }, { "tiff", { 3780, 2835, 3780, 2835, 1 } },
              { "tif", { 3780, 2835, 3780, 2835, 1 } }, { "gif", { 3780, 1890, 0, 0, 0 } },
              { "bmp", { 3780, 1890, 3780, 1890, 0 } }, { "tga", { 3780, 1890, 0, 0, 0 } },
              { "pcx", { 3780, 11811, 3780, 11811, 0 } }, { "img", { 3780, 5917, 3774, 5917, 0 } } };
    for (const Case &c : cases) {
        SCOPED_TRACE(
            std::string(c.format) + " " + std::to_string(c.bits) + " palette " + std::to_string(c.palette));
        // Odd sizes exercise row padding and partial bytes; bands of equal rows exercise
        // vertical replication, the noise literal runs.
        const unsigned count
            = c.paletteSize ? static_cast<unsigned>(c.paletteSize) : 1u << std::min(c.bits, 24);
        Picture src = MakePicture(45, 23, c.bits, c.paletteSize, [&](int x, int y) {
            unsigned v = static_cast<unsigned>((x / 3 + y / 5) * 2654435761u >> 7);
            if (y % 5 == 4)
                v = static_cast<unsigned>(x * 31 + y * 17);
            return v % count;
        });
        for (int i = 0; i < 256; ++i) {
            const BYTE level = static_cast<BYTE>(i * 255 / std::max(1, std::min(255, (1 << c.bits) - 1)));
            src.info.bmiColors[i] = c.palette == Grey
                ? RGBQUAD { level, level, level, 0 }
                : RGBQUAD { static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7),
                      0 };
        }
        if (c.palette == BlackFirst || c.palette == WhiteFirst) {
            const BYTE first = c.palette == BlackFirst ? 0 : 255;
            src.info.bmiColors[0] = RGBQUAD { first, first, first, 0 };
            src.info.bmiColors[1] = RGBQUAD { BYTE(255 - first), BYTE(255 - first), BYTE(255 - first), 0 };
        }
        const auto &res = resolution.at(c.format);
        src.SetResolution(res[0], res[1]);
        std::vector<std::uint8_t> file;
        ASSERT_EQ(SaveToMemory(ViewOf(src), c.format, SaveOptions {}, file), Status::Ok);
        const FormatCodec *codec = FormatByExtension(c.format);
        EXPECT_TRUE(codec->probe(AsBytes(file), std::string(".") + c.format));
        Picture back;
        ASSERT_EQ(codec->load(AsBytes(file), -1, back), Status::Ok);
        EXPECT_EQ(back.bitCount(), c.wantBits);
        EXPECT_EQ(CompareRgb(Flatten(back), Flatten(src)), "");
        EXPECT_NEAR(back.info.bmiHeader.biXPelsPerMeter, res[2], res[4]);
        EXPECT_NEAR(back.info.bmiHeader.biYPelsPerMeter, res[3], res[4]);
        if (std::string(c.format) == "bmp") {
            EXPECT_EQ(back.info.bmiHeader.biClrUsed, src.info.bmiHeader.biClrUsed);
        }
    }
}

// A caller's picture whose pixels use indices past its 4-entry palette: the file gets black
// entries for them, so it reads back (a file with stray indices would be refused).
TEST(RoundTrip, SavedPaletteCoversEveryIndex)
{
    Picture src = MakePicture(10, 3, 8, 4, [](int x, int) { return static_cast<unsigned>(x * 20); });
    src.info.bmiColors[0] = RGBQUAD { 1, 2, 3, 0 };
    for (const char *format : { "bmp", "tga" }) {
        std::vector<std::uint8_t> file;
        ASSERT_EQ(FormatByName(format)->save(ViewOf(src), SaveOptions {}, file), Status::Ok) << format;
        Picture back;
        ASSERT_EQ(FormatByName(format)->load(AsBytes(file), -1, back), Status::Ok) << format;
        EXPECT_EQ(CompareRgb(Flatten(back), Flatten(src)), "") << format;
        if (std::string(format) == "bmp") {
            EXPECT_EQ(back.info.bmiHeader.biClrUsed, 181u);
        }
    }
}

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
    Picture few = MakePicture(50, 20, 24, 0,
        [](int x, int y) { return 0x4D0000u | static_cast<unsigned>(y * 12) << 8 | (x / 10) * 60u; });
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

TEST(SaveToMemory, SixteenAndThirtyTwoBitPicturesAreWrittenAsColour)
{
    for (int bits : { 16, 32 }) {
        DibInfoBlock info {};
        DibInitHeader(info, 5, 3, bits);
        std::vector<std::uint8_t> pixels(DibImageSizeOf(info.bmiHeader));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>(i * 13);
        // Bottom left: pure red (5-5-5: 0x7C00; 32-bit: B, G, R, x).
        if (bits == 16)
            pixels[0] = 0x00, pixels[1] = 0x7C;
        else
            pixels[0] = pixels[1] = 0, pixels[2] = 255;
        PictureView view;
        ASSERT_TRUE(PictureView::From(&info, pixels.data(), view));
        for (const char *format : { "png", "tif", "bmp" }) {
            SCOPED_TRACE(std::to_string(bits) + " " + format);
            std::vector<std::uint8_t> bytes;
            ASSERT_EQ(SaveToMemory(view, format, SaveOptions {}, bytes), Status::Ok);
            Picture back;
            ASSERT_EQ(LoadFromMemory(AsBytes(bytes), format, -1, back), Status::Ok);
            EXPECT_EQ(back.bitCount(), 24);
            EXPECT_EQ(CompareRgb(Flatten(back), Flatten(view)), "");
            EXPECT_EQ(Flatten(back).At(0, 2)[0], 255);
            EXPECT_EQ(Flatten(back).At(0, 2)[2], 0);
        }
    }
}

} // namespace
