#include "image/imageobj.h"
#include "image/simd.h"
#include "image/tone.h"
#include "testpictures.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace testpic;

TEST(ColorTable, BrightnessThenDarknessOnOnePixel)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 3, 2, 24));
    SetPixel(p, 1, 1, 3 | (100 << 8) | (250u << 16)); // R 250, G 100, B 3
    ASSERT_TRUE(p.ColorTable(5));
    EXPECT_EQ(Pixel(p, 1, 1), 8u | (105u << 8) | (255u << 16));
    ASSERT_TRUE(p.ColorTable(-5));
    EXPECT_EQ(Pixel(p, 1, 1), 3u | (100u << 8) | (250u << 16));
}

TEST(ColorTable, EveryByteOfEveryRowClampsPerChannel)
{
    // Widths around the 48-byte vector step, steps beyond the byte range, padding untouched.
    for (int w : { 1, 15, 16, 17, 33, 50 })
        for (std::array d : { std::array { 5, 5, 5 }, { -5, -5, -5 }, { 300, -7, 0 }, { -255, 40, -300 } }) {
            CImageObj p, ref;
            ASSERT_TRUE(Make(p, w, 3, 24, w));
            ASSERT_TRUE(p.CopyTo(ref));
            ASSERT_TRUE(p.ColorTable(d[0], d[1], d[2])); // red, green, blue
            auto add = [](std::uint32_t c, int step) {
                return std::uint32_t(std::clamp(int(c & 255) + step, 0, 255));
            };
            ExpectPixels(p, [&](int x, int y) {
                const std::uint32_t v = Pixel(ref, x, y);
                return add(v, d[2]) | add(v >> 8, d[1]) << 8 | add(v >> 16, d[0]) << 16;
            });
            for (int y = 0; y < 3; ++y)
                for (std::size_t k = std::size_t(w) * 3; k < Stride(p); ++k)
                    EXPECT_EQ(Row(p, y)[k], 0);
        }
}

TEST(ColorTable, PalettePicturesChangeTheirPaletteNotTheirIndices)
{
    CImageObj p, ref;
    ASSERT_TRUE(Make(p, 9, 4, 8));
    p.Info()->bmiColors[7] = RGBQUAD { 3, 100, 250, 0 };
    ASSERT_TRUE(p.CopyTo(ref));
    ASSERT_TRUE(p.ColorTable(5));
    const RGBQUAD &q = p.Info()->bmiColors[7];
    EXPECT_EQ((std::array { q.rgbRed, q.rgbGreen, q.rgbBlue }), (std::array<BYTE, 3> { 255, 105, 8 }));
    EXPECT_EQ(std::memcmp(p.Bits(), ref.Bits(), Stride(p) * 4), 0);
}

TEST(Negative, BytesOrBitsAreInvertedInTheRegionOnly)
{
    for (int bpp : { 1, 4, 8, 24, 32 }) {
        SCOPED_TRACE(bpp);
        CImageObj p, ref;
        ASSERT_TRUE(Make(p, 13, 5, bpp));
        ASSERT_TRUE(p.CopyTo(ref));
        ASSERT_TRUE(p.Negative());
        const std::uint32_t all = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
        ExpectPixels(p, [&](int x, int y) { return all - Pixel(ref, x, y); });
        EXPECT_EQ(std::memcmp(p.Info(), ref.Info(), sizeof(DibInfoBlock)), 0); // palette kept
    }
    CImageObj p, ref;
    ASSERT_TRUE(Make(p, 20, 6, 4));
    ASSERT_TRUE(p.CopyTo(ref));
    RegionRecord r;
    r.pixels = p.Bits();
    r.left = 3, r.right = 9, r.bottomRow = 1, r.topRow = 4, r.wholeRight = 20, r.wholeBottom = 6,
    r.bitCount = 4;
    ASSERT_TRUE(InvertRegion(r));
    ExpectPixels(p, [&](int x, int y) {
        return x >= 3 && x < 9 && y >= 1 && y < 4 ? 15 - Pixel(ref, x, y) : Pixel(ref, x, y);
    });
    r.pixels = nullptr;
    EXPECT_FALSE(InvertRegion(r));
}

TEST(Grey, ValuesAndHeaderAtEveryDepthAndVectorLevel)
{
    for (int level : { 0, 1, 2 })
        for (int bpp : { 1, 4, 8, 16, 24, 32 }) {
            SCOPED_TRACE(testing::Message() << bpp << " bits, vector level " << level);
            SetSimdLimit(level);
            CImageObj p, ref;
            ASSERT_TRUE(Make(p, 37, 9, bpp, 5));
            ASSERT_TRUE(p.CopyTo(ref));
            ASSERT_TRUE(p.Grey());
            ASSERT_EQ(p.BitCount(), 8);
            EXPECT_EQ(p.Info()->bmiHeader.biClrUsed, 256u);
            EXPECT_EQ(p.Info()->bmiHeader.biSizeImage, 40u * 9);
            for (int i = 0; i < 256; ++i)
                ASSERT_EQ(p.Info()->bmiColors[i].rgbGreen, i);
            ExpectPixels(p, [&](int x, int y) {
                const std::uint32_t c = Colour(ref, x, y);
                return GreyValue(int(c >> 16), int(c >> 8) & 255, int(c & 255));
            });
        }
    SetSimdLimit(2);
}

TEST(BlackWhite, GreyExactly128IsBlackAndAboveIsWhite)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 1, 24));
    SetPixel(p, 0, 0, 0x808080); // grey 128
    SetPixel(p, 1, 0, 0x818181); // grey 129
    SetPixel(p, 2, 0, 217 << 8); // 59 × 217 / 100 = 128.03 -> 128
    SetPixel(p, 3, 0, 219 << 8); // 129.21 -> 129
    ASSERT_TRUE(p.BlackWhite(128));
    ASSERT_EQ(p.BitCount(), 1);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Pixel(p, x, 0), x % 2u);
    EXPECT_EQ(p.Info()->bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(Colour(p, 0, 0), 0u);
    EXPECT_EQ(Colour(p, 1, 0), 0xFFFFFFu);
    const auto before = Snapshot(p);
    EXPECT_TRUE(p.BlackWhite(128)); // 1-bit pictures stay as they are
    EXPECT_EQ(Snapshot(p), before);
}

TEST(BlackWhite, EveryDepthAndThresholdAgainstTheGreyRule)
{
    for (int bpp : { 4, 8, 16, 24, 32 })
        for (int threshold : { -1, 0, 100, 128, 254, 255 }) {
            CImageObj p, grey;
            ASSERT_TRUE(Make(p, 29, 7, bpp, 9));
            ASSERT_TRUE(p.CopyTo(grey));
            ASSERT_TRUE(grey.Grey());
            ASSERT_TRUE(p.BlackWhite(threshold));
            SCOPED_TRACE(testing::Message() << bpp << " bits, threshold " << threshold);
            ExpectPixels(
                p, [&](int x, int y) { return threshold < 0 || int(Pixel(grey, x, y)) > threshold; });
            for (int y = 0; y < 7; ++y) // padding bits beyond the width stay clear
                EXPECT_EQ(Row(p, y)[3] & 0x07, 0);
        }
}
