#include "image/imageobj.h"
#include "image/parallelrows.h"
#include "testpictures.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace testpic;

namespace
{

// The resize rule for one axis, written out: reduction averages [first, last], interpolation
// samples `index` and `next` with weight `frac` / 1024 on `next`.
struct Sample {
    bool reduce;
    int first, last, index, next, frac;
};

Sample AxisSample(int oldN, int newN, int k)
{
    Sample s { newN <= oldN / 2, 0, 0, 0, 0, 0 };
    if (s.reduce) {
        long long step = ((long long)oldN * 1024 - 1024) / newN;
        s.first = static_cast<int>(std::ceil(double(k * step) / 1024.0));
        s.last = static_cast<int>((k + 1) * step / 1024);
    } else {
        long long p = k * (((long long)oldN * 1024 - 1024) / (newN - 1));
        s.index = static_cast<int>(p / 1024);
        s.frac = static_cast<int>(p % 1024);
        s.next = s.index == oldN - 1 ? s.index : s.index + 1;
    }
    return s;
}

std::uint32_t NaivePixel(const CImageObj &src, int W, int H, int x, int y)
{
    const Sample sx = AxisSample(src.Width(), W, x), sy = AxisSample(src.Height(), H, y);
    std::uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        auto at = [&](int c, int r) -> long long { return (Pixel(src, c, r) >> (8 * ch)) & 255; };
        auto lerpX = [&](int r) { return at(sx.index, r) * (1024 - sx.frac) + at(sx.next, r) * sx.frac; };
        long long v = 0, n = 0;
        if (sx.reduce && sy.reduce) {
            for (int r = sy.first; r <= sy.last; ++r)
                for (int c = sx.first; c <= sx.last; ++c, ++n)
                    v += at(c, r);
        } else if (sy.reduce) {
            for (int r = sy.first; r <= sy.last; ++r, ++n)
                v += lerpX(r) >> 10;
        } else if (sx.reduce) {
            for (int c = sx.first; c <= sx.last; ++c, ++n)
                v += (at(c, sy.index) * (1024 - sy.frac) + at(c, sy.next) * sy.frac) >> 10;
        } else {
            v = (lerpX(sy.index) * (1024 - sy.frac) + lerpX(sy.next) * sy.frac) >> 20, n = 1;
        }
        out |= std::uint32_t(v / n) << (8 * ch);
    }
    return out;
}

} // namespace

TEST(Resize, TwentyFourBitAgainstTheNaiveRuleOnOneAndTwoThreads)
{
    struct Case {
        int w, h, W, H;
    };
    for (Case c :
        { Case { 100, 100, 30, 30 }, { 100, 100, 60, 60 }, { 100, 100, 30, 60 }, { 100, 100, 60, 30 },
            { 7, 5, 19, 11 }, { 100, 80, 2, 3 }, { 1, 9, 4, 4 }, { 5, 5, 1, 1 }, { 640, 3, 17, 3 } })
        for (int threads : { 1, 2 }) {
            SCOPED_TRACE(
                testing::Message() << c.w << "x" << c.h << " -> " << c.W << "x" << c.H << ", " << threads);
            SetImageThreads(threads);
            SetImageParallelThreshold(1);
            CImageObj src, p;
            ASSERT_TRUE(Make(src, c.w, c.h, 24, c.W));
            ASSERT_TRUE(src.CopyTo(p));
            ASSERT_TRUE(p.Resize(c.W, c.H, 1));
            const int W = std::max(c.W, 2), H = std::max(c.H, 2); // 24-bit sides are at least 2
            ASSERT_EQ(Size(p), (std::array { W, H }));
            EXPECT_EQ(p.Info()->bmiHeader.biSizeImage, DibStride(W, 24) * H);
            ExpectPixels(p, [&](int x, int y) { return NaivePixel(src, W, H, x, y); });
        }
    SetImageThreads(0);
    SetImageParallelThreshold(0);
}

TEST(Resize, PaletteDepthsTakeTheNearestPixel)
{
    for (int bpp : { 1, 4, 8, 16 })
        for (auto size : { std::pair { 3, 2 }, { 41, 17 }, { 9, 30 } }) {
            SCOPED_TRACE(bpp);
            const int W = size.first, H = size.second;
            CImageObj src, p;
            ASSERT_TRUE(Make(src, 21, 13, bpp));
            ASSERT_TRUE(src.CopyTo(p));
            ASSERT_TRUE(p.Resize(W, H, 1));
            ASSERT_EQ(p.BitCount(), bpp);
            EXPECT_EQ(std::memcmp(p.Info()->bmiColors, src.Info()->bmiColors, 1024), 0);
            ExpectPixels(p, [&](int x, int y) { return Pixel(src, x * 21 / W, y * 13 / H); });
        }
}

TEST(Resize, RefusalsAndNoOpsLeaveThePicture)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 12, 8, 32));
    auto before = Snapshot(p);
    EXPECT_FALSE(p.Resize(6, 4, 1)); // 32-bit pictures are not resized
    EXPECT_EQ(Snapshot(p), before);
    ASSERT_TRUE(Make(p, 12, 8, 24));
    before = Snapshot(p);
    EXPECT_FALSE(p.Resize(6, 4, 0)); // not confirmed
    EXPECT_TRUE(p.Resize(12, 8, 1)); // same size
    EXPECT_FALSE(p.Resize(0, 4, 1));
    EXPECT_FALSE(p.Resize(1 << 22, 2, 1)); // huge results are refused before any memory is taken
    EXPECT_FALSE(p.Resize(30000, 30000, 1));
    EXPECT_EQ(Snapshot(p), before);
}
