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
        for (auto [dr, dg, db] :
            { std::tuple { 5, 5, 5 }, { -5, -5, -5 }, { 300, -7, 0 }, { -255, 40, -300 } }) {
            CImageObj p;
            ASSERT_TRUE(Make(p, w, 3, 24, w));
            CImageObj ref;
            ASSERT_TRUE(p.CopyTo(ref));
            ASSERT_TRUE(p.ColorTable(dr, dg, db));
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < w; ++x) {
                    std::uint32_t v = Pixel(ref, x, y);
                    int b = std::clamp(int(v & 255) + db, 0, 255),
                        g = std::clamp(int((v >> 8) & 255) + dg, 0, 255);
                    int r = std::clamp(int(v >> 16) + dr, 0, 255);
                    ASSERT_EQ(Pixel(p, x, y), std::uint32_t(b | (g << 8) | (r << 16))) << w << " " << x;
                }
                for (std::size_t k = std::size_t(w) * 3; k < Stride(p); ++k)
                    EXPECT_EQ(Row(p, y)[k], 0);
            }
        }
}

TEST(ColorTable, PalettePicturesChangeTheirPaletteNotTheirIndices)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 9, 4, 8));
    p.Info()->bmiColors[7] = RGBQUAD { 3, 100, 250, 0 };
    std::vector<std::uint8_t> pixels(static_cast<const std::uint8_t *>(p.Bits()),
        static_cast<const std::uint8_t *>(p.Bits()) + Stride(p) * 4);
    ASSERT_TRUE(p.ColorTable(5));
    EXPECT_EQ(p.Info()->bmiColors[7].rgbRed, 255);
    EXPECT_EQ(p.Info()->bmiColors[7].rgbGreen, 105);
    EXPECT_EQ(p.Info()->bmiColors[7].rgbBlue, 8);
    EXPECT_EQ(std::memcmp(p.Bits(), pixels.data(), pixels.size()), 0);
}

TEST(Negative, BytesOrBitsAreInverted)
{
    for (int bpp : { 1, 4, 8, 24, 32 }) {
        CImageObj p, ref;
        ASSERT_TRUE(Make(p, 13, 5, bpp));
        ASSERT_TRUE(p.CopyTo(ref));
        ASSERT_TRUE(p.Negative());
        const std::uint32_t all = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(Pixel(p, x, y), all - Pixel(ref, x, y)) << bpp;
        EXPECT_EQ(std::memcmp(p.Info(), ref.Info(), sizeof(DibInfoBlock)), 0); // palette kept
    }
}

TEST(Negative, RegionRecordInvertsOnlyItsRectangle)
{
    CImageObj p, ref;
    ASSERT_TRUE(Make(p, 20, 6, 4));
    ASSERT_TRUE(p.CopyTo(ref));
    RegionRecord r;
    r.pixels = p.Bits();
    r.left = 3;
    r.right = 9;
    r.bottomRow = 1;
    r.topRow = 4;
    r.wholeRight = 20;
    r.wholeBottom = 6;
    r.bitCount = 4;
    ASSERT_TRUE(InvertRegion(r));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 20; ++x) {
            bool in = x >= 3 && x < 9 && y >= 1 && y < 4;
            EXPECT_EQ(Pixel(p, x, y), in ? 15 - Pixel(ref, x, y) : Pixel(ref, x, y));
        }
    r.pixels = nullptr;
    EXPECT_FALSE(InvertRegion(r));
}

namespace
{

struct SimdReset {
    ~SimdReset() { SetSimdLimit(2); }
};

} // namespace

TEST(Grey, ValuesAndHeader)
{
    SimdReset reset;
    for (int level : { 0, 1, 2 })
        for (int bpp : { 1, 4, 8, 16, 24, 32 }) {
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
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 37; ++x) {
                    std::uint32_t v = Pixel(ref, x, y);
                    int r, g, b;
                    if (bpp <= 8) {
                        const RGBQUAD &q = ref.Info()->bmiColors[v];
                        r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
                    } else if (bpp == 16) {
                        auto widen = [](std::uint32_t c5) { return int((c5 << 3) | (c5 >> 2)); };
                        r = widen((v >> 10) & 31), g = widen((v >> 5) & 31), b = widen(v & 31);
                    } else {
                        r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255;
                    }
                    ASSERT_EQ(int(Pixel(p, x, y)), GreyValue(r, g, b)) << bpp << " bits at " << x << "," << y;
                }
        }
}

TEST(BlackWhite, GreyExactly128IsBlackAndAboveIsWhite)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 4, 1, 24));
    SetPixel(p, 0, 0, 128 | (128 << 8) | (128u << 16)); // grey 128
    SetPixel(p, 1, 0, 129 | (129 << 8) | (129u << 16)); // grey 129
    SetPixel(p, 2, 0, 0 | (217 << 8) | (0u << 16)); // 59 × 217 / 100 = 128.03 -> 128
    SetPixel(p, 3, 0, 0 | (219 << 8) | (0u << 16)); // 129.21 -> 129
    ASSERT_TRUE(p.BlackWhite(128));
    ASSERT_EQ(p.BitCount(), 1);
    EXPECT_EQ(Pixel(p, 0, 0), 0u);
    EXPECT_EQ(Pixel(p, 1, 0), 1u);
    EXPECT_EQ(Pixel(p, 2, 0), 0u);
    EXPECT_EQ(Pixel(p, 3, 0), 1u);
    EXPECT_EQ(p.Info()->bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(p.Info()->bmiColors[0].rgbRed, 0);
    EXPECT_EQ(p.Info()->bmiColors[1].rgbRed, 255);
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
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 29; ++x)
                    ASSERT_EQ(Pixel(p, x, y),
                        Pixel(grey, x, y) > std::uint32_t(std::max(threshold, 0)) || threshold < 0 ? 1u : 0u)
                        << bpp << " bits, threshold " << threshold;
            for (int y = 0; y < 7; ++y) // padding bits beyond the width stay clear
                EXPECT_EQ(Row(p, y)[3] & 0x07, 0);
        }
}
