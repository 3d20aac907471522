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

// The rotation rule written out pixel by pixel: returns the picture as pixel values (Pixel()).
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
            long long sx = (static_cast<long long>(w >> 1) << 10) + x * c - y * s;
            long long sy = (static_cast<long long>(h >> 1) << 10) + x * s + y * c;
            std::uint32_t &o = out[std::size_t(j) * W + i];
            if (bpp != 24) {
                long long col = FloorDiv1024(x * c - y * s) + (w >> 1);
                long long row = FloorDiv1024(x * s + y * c) + (h >> 1);
                if (col >= 0 && col < w && row >= 0 && row < h)
                    o = Pixel(src, int(col), int(row));
                continue;
            }
            if (sx < -1023 || sx >= w * 1024LL || sy < -1023 || sy >= h * 1024LL)
                continue;
            long long ix = FloorDiv1024(sx), iy = FloorDiv1024(sy);
            int fx = int(sx - 1024 * ix), fy = int(sy - 1024 * iy);
            auto at = [&](long long px, long long py, int ch) -> int {
                if (px < 0 || px >= w || py < 0 || py >= h)
                    return 255;
                return (Pixel(src, int(px), int(py)) >> (8 * ch)) & 255;
            };
            o = 0;
            for (int ch = 0; ch < 3; ++ch) {
                int v = ((at(ix + 1, iy, ch) * fx + at(ix, iy, ch) * (1024 - fx)) * (1024 - fy)
                            + (at(ix + 1, iy + 1, ch) * fx + at(ix, iy + 1, ch) * (1024 - fx)) * fy)
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

struct ThreadReset {
    ~ThreadReset()
    {
        SetImageThreads(0);
        SetImageParallelThreshold(0);
    }
};

} // namespace

TEST(Rotate, AnglesThatChangeNothingAndAnglesThatDo)
{
    int s = 0, c = 0;
    EXPECT_EQ(RotationFor(360, s, c), RotationKind::Identity);
    EXPECT_EQ(RotationFor(-720, s, c), RotationKind::Identity);
    EXPECT_EQ(RotationFor(0, s, c), RotationKind::Identity);
    EXPECT_EQ(RotationFor(std::nan(""), s, c), RotationKind::Invalid);
    ASSERT_EQ(RotationFor(360.5, s, c), RotationKind::Turn);
    EXPECT_EQ(s, 8);
    EXPECT_EQ(c, 1023);
    ASSERT_EQ(RotationFor(90, s, c), RotationKind::Turn);
    EXPECT_EQ(s, 1024);
    EXPECT_EQ(c, 0);
    ASSERT_EQ(RotationFor(-90, s, c), RotationKind::Turn);
    EXPECT_EQ(s, -1024);
    EXPECT_EQ(c, 0);
    ASSERT_EQ(RotationFor(30, s, c), RotationKind::Turn); // the factor is a hair below pi/180
    EXPECT_EQ(s, 511);
    EXPECT_EQ(c, 886);

    CImageObj p;
    ASSERT_TRUE(Make(p, 10, 7, 24));
    auto before = Snapshot(p);
    EXPECT_TRUE(p.Rotate(360));
    EXPECT_TRUE(p.Rotate(-720));
    EXPECT_EQ(Snapshot(p), before);
    EXPECT_TRUE(p.Rotate(360.5));
    EXPECT_NE(Snapshot(p), before);
}

TEST(Rotate, SizeRule)
{
    for (int bpp : { 1, 4, 8, 24 }) {
        CImageObj p;
        ASSERT_TRUE(Make(p, 40, 25, bpp));
        ASSERT_TRUE(p.Rotate(90));
        EXPECT_EQ(p.Width(), 25);
        EXPECT_EQ(p.Height(), 40);
        ASSERT_TRUE(p.Rotate(-90));
        EXPECT_EQ(p.Width(), 40);
        EXPECT_EQ(p.Height(), 25);
        ASSERT_TRUE(p.Rotate(30));
        EXPECT_EQ(p.Width(), (40 * 886 + 25 * 511) >> 10);
        EXPECT_EQ(p.Height(), (25 * 886 + 40 * 511) >> 10);
        EXPECT_EQ(p.Info()->bmiHeader.biSizeImage, DibStride(p.Width(), bpp) * p.Height());
    }
}

TEST(Rotate, FourQuarterTurnsAreTheIdentityAtEveryDepthAndSize)
{
    for (int bpp : { 1, 4, 8, 16, 24, 32 })
        for (auto [w, h] : { std::pair { 8, 6 }, { 7, 5 }, { 13, 1 }, { 1, 1 }, { 33, 70 } }) {
            SCOPED_TRACE(testing::Message() << bpp << " bits " << w << "x" << h);
            CImageObj p;
            ASSERT_TRUE(Make(p, w, h, bpp, 77));
            const auto before = Snapshot(p);
            for (int k = 0; k < 4; ++k)
                ASSERT_TRUE(p.Rotate(90));
            EXPECT_EQ(Snapshot(p), before);
            ASSERT_TRUE(p.Rotate(-90));
            ASSERT_TRUE(p.Rotate(90));
            ASSERT_TRUE(p.Rotate(180));
            ASSERT_TRUE(p.Rotate(-180));
            EXPECT_EQ(Snapshot(p), before);
        }
}

TEST(Rotate, QuarterTurnsOfOddSizesFollowTheGeneralRule)
{
    for (int bpp : { 1, 8, 24 })
        for (double angle : { 90.0, -90.0, 180.0, 270.0 }) {
            CImageObj p;
            ASSERT_TRUE(Make(p, 9, 5, bpp, 3));
            int s = 0, c = 0, W = 0, H = 0;
            RotationFor(angle, s, c);
            auto expected = NaiveRotate(p, s, c, W, H);
            ASSERT_TRUE(p.Rotate(angle));
            ASSERT_EQ(p.Width(), W);
            EXPECT_EQ(Pixels(p), expected) << bpp << " bits, " << angle;
        }
}

TEST(Rotate, FreeAnglesMatchThePixelRule)
{
    ThreadReset reset;
    for (int bpp : { 1, 4, 8, 24 })
        for (double angle : { 30.0, -17.3, 45.0, 360.5, 200.0, 89.9 })
            for (int threads : { 1, 2 }) {
                SCOPED_TRACE(testing::Message() << bpp << " bits, " << angle << " degrees, " << threads);
                SetImageThreads(threads);
                SetImageParallelThreshold(1);
                CImageObj p;
                ASSERT_TRUE(Make(p, 23, 14, bpp, 11));
                int s = 0, c = 0, W = 0, H = 0;
                RotationFor(angle, s, c);
                auto expected = NaiveRotate(p, s, c, W, H);
                ASSERT_TRUE(p.Rotate(angle));
                ASSERT_EQ(p.Width(), W);
                ASSERT_EQ(p.Height(), H);
                EXPECT_EQ(Pixels(p), expected);
            }
}

TEST(Rotate, BackgroundOfTheNewCorners)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 20, 20, 8));
    ASSERT_TRUE(p.Rotate(45));
    EXPECT_EQ(Pixel(p, 0, 0), 255u); // palette index 255, padding bytes too
    const std::uint8_t *row = Row(p, 0);
    for (std::size_t k = std::size_t(p.Width()); k < Stride(p); ++k)
        EXPECT_EQ(row[k], 255);
    CImageObj q;
    ASSERT_TRUE(Make(q, 20, 20, 24));
    ASSERT_TRUE(q.Rotate(45));
    EXPECT_EQ(Pixel(q, 0, 0), 0xFFFFFFu);
}

TEST(Rotate, SliverThatWouldLoseItsWidthIsRefused)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 1, 50, 24));
    const auto before = Snapshot(p);
    EXPECT_FALSE(p.Rotate(0.01)); // (1 × 1023 + 50 × 0) >> 10 = 0 columns
    EXPECT_EQ(Snapshot(p), before);
}
