#include "image/imageobj.h"
#include "image/parallelrows.h"
#include "image/rotate.h"
#include "testpictures.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace testpic;

namespace
{

long long FloorDiv1024(long long v)
{
    return v >= 0 ? v / 1024 : -((-v + 1023) / 1024);
}

// The rotation rule written out pixel by pixel, with its size rule: the picture as Pixel() values.
std::vector<std::uint32_t> NaiveRotate(const CImageObj &src, int s, int c, int &W, int &H)
{
    const int w = src.Width(), h = src.Height(), bpp = src.BitCount();
    W = static_cast<int>((1LL * w * std::abs(c) + 1LL * h * std::abs(s)) >> 10);
    H = static_cast<int>((1LL * h * std::abs(c) + 1LL * w * std::abs(s)) >> 10);
    const std::uint32_t white = bpp == 24 ? 0xFFFFFF : bpp == 8 ? 255 : bpp == 4 ? 15 : 1;
    std::vector<std::uint32_t> out(std::size_t(W) * H, white);
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i) {
            long long x = i - (W >> 1), y = j - (H >> 1);
            std::uint32_t &o = out[std::size_t(j) * W + i];
            if (bpp != 24) {
                long long col = FloorDiv1024(x * c - y * s) + (w >> 1);
                long long row = FloorDiv1024(x * s + y * c) + (h >> 1);
                if (col >= 0 && col < w && row >= 0 && row < h)
                    o = Pixel(src, int(col), int(row));
                continue;
            }
            long long sx = (static_cast<long long>(w >> 1) << 10) + x * c - y * s;
            long long sy = (static_cast<long long>(h >> 1) << 10) + x * s + y * c;
            if (sx < -1023 || sx >= w * 1024LL || sy < -1023 || sy >= h * 1024LL)
                continue;
            long long ix = FloorDiv1024(sx), iy = FloorDiv1024(sy);
            int fx = int(sx - 1024 * ix), fy = int(sy - 1024 * iy);
            o = 0;
            for (int ch = 0; ch < 3; ++ch) {
                auto at = [&](long long px, long long py) -> int {
                    return px < 0 || px >= w || py < 0 || py >= h
                        ? 255
                        : (Pixel(src, int(px), int(py)) >> (8 * ch)) & 255;
                };
                int v = ((at(ix + 1, iy) * fx + at(ix, iy) * (1024 - fx)) * (1024 - fy)
                            + (at(ix + 1, iy + 1) * fx + at(ix, iy + 1) * (1024 - fx)) * fy)
                    >> 20;
                o |= std::uint32_t(v) << (8 * ch);
            }
        }
    return out;
}

std::vector<std::uint32_t> Pixels(const CImageObj &p)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            out.push_back(Pixel(p, x, y));
    return out;
}

} // namespace

TEST(Rotate, AnglesThatChangeNothingAndAnglesThatDo)
{
    int s = 0, c = 0;
    EXPECT_EQ(RotationFor(0, s, c), RotationKind::Identity);
    EXPECT_EQ(RotationFor(std::nan(""), s, c), RotationKind::Invalid);
    ASSERT_EQ(RotationFor(360.5, s, c), RotationKind::Turn);
    EXPECT_EQ((std::array { s, c }), (std::array { 8, 1023 }));
    ASSERT_EQ(RotationFor(30, s, c), RotationKind::Turn); // the factor is a hair below pi/180
    EXPECT_EQ((std::array { s, c }), (std::array { 511, 886 }));

    CImageObj p;
    ASSERT_TRUE(Make(p, 10, 7, 24));
    auto before = Snapshot(p);
    EXPECT_TRUE(p.Rotate(360));
    EXPECT_TRUE(p.Rotate(-720));
    EXPECT_EQ(Snapshot(p), before);
    EXPECT_TRUE(p.Rotate(360.5));
    EXPECT_NE(Snapshot(p), before);
}

TEST(Rotate, FourQuarterTurnsAreTheIdentityAtEveryDepthAndSize)
{
    for (int bpp : { 1, 4, 8, 16, 24, 32 })
        for (auto [w, h] : { std::pair { 8, 6 }, { 7, 5 }, { 13, 1 }, { 1, 1 }, { 33, 70 } }) {
            SCOPED_TRACE(testing::Message() << bpp << " bits " << w << "x" << h);
            CImageObj p;
            ASSERT_TRUE(Make(p, w, h, bpp, 77));
            const auto before = Snapshot(p);
            for (double angle : { 90, 90, 90, 90, -90, 90, 180, -180 })
                ASSERT_TRUE(p.Rotate(angle));
            EXPECT_EQ(Snapshot(p), before);
        }
}

TEST(Rotate, SizeAndPixelsFollowTheRuleForQuarterAndFreeTurns)
{
    for (int bpp : { 1, 4, 8, 24 })
        for (double angle : { 30.0, -17.3, 45.0, 360.5, 200.0, 89.9, 90.0, -90.0, 180.0, 270.0 })
            for (auto [w, h, threads] : { std::array { 23, 14, 1 }, { 23, 14, 2 }, { 9, 5, 2 } }) {
                // Quarter turns move pixels without loss: the general rule gives the same only on odd sides.
                if (std::fmod(angle, 90.0) == 0 && (w % 2 == 0 || h % 2 == 0))
                    continue;
                SCOPED_TRACE(testing::Message() << bpp << " bits, " << angle << " degrees, " << w << "x" << h
                                                << ", " << threads << " threads");
                SetImageThreads(threads);
                SetImageParallelThreshold(1);
                CImageObj p;
                ASSERT_TRUE(Make(p, w, h, bpp, 11));
                int s = 0, c = 0, W = 0, H = 0;
                RotationFor(angle, s, c);
                auto expected = NaiveRotate(p, s, c, W, H);
                ASSERT_TRUE(p.Rotate(angle));
                ASSERT_EQ(Size(p), (std::array { W, H }));
                EXPECT_EQ(p.Info()->bmiHeader.biSizeImage, DibStride(W, bpp) * H);
                EXPECT_EQ(Pixels(p), expected);
            }
    SetImageThreads(0);
    SetImageParallelThreshold(0);
}

TEST(Rotate, NewCornersAndRowPaddingTakeTheBackground)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 20, 20, 8));
    ASSERT_TRUE(p.Rotate(45));
    for (std::size_t k = std::size_t(p.Width()); k < Stride(p); ++k)
        EXPECT_EQ(Row(p, 0)[k], 255); // palette index 255 in the padding bytes too
}

TEST(Rotate, SliverThatWouldLoseItsWidthIsRefused)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 1, 50, 24));
    const auto before = Snapshot(p);
    EXPECT_FALSE(p.Rotate(0.01)); // (1 × 1023 + 50 × 0) >> 10 = 0 columns
    EXPECT_EQ(Snapshot(p), before);
}
