#include "image/imageobj.h"
#include "image/parallelrows.h"
#include "image/simd.h"
#include "testpictures.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace testpic;

namespace
{

// The resize rule for one axis, written out: reduction covers [first, last], interpolation
// samples `index` and `next` with weight `frac` / 1024 on `next`.
struct Sample {
    int first, last, index, next, frac;
};

Sample AxisSample(int oldN, int newN, int k)
{
    Sample s {};
    if (newN <= oldN / 2) {
        long long step = ((long long)oldN * 1024 - 1024) / newN;
        s.first = static_cast<int>(std::ceil(double(k * step) / 1024.0));
        s.last = static_cast<int>((k + 1) * step / 1024);
    } else {
        long long step = ((long long)oldN * 1024 - 1024) / (newN - 1);
        long long p = k * step;
        s.index = static_cast<int>(p / 1024);
        s.frac = static_cast<int>(p % 1024);
        s.next = s.index == oldN - 1 ? s.index : s.index + 1;
    }
    return s;
}

int Channel(const CImageObj &p, int x, int y, int ch)
{
    return (Pixel(p, x, y) >> (8 * ch)) & 255;
}

std::uint32_t NaivePixel(const CImageObj &src, int W, int H, int x, int y)
{
    const int w = src.Width(), h = src.Height();
    const bool reduceX = W <= w / 2, reduceY = H <= h / 2;
    const Sample sx = AxisSample(w, W, x), sy = AxisSample(h, H, y);
    std::uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        long long v = 0;
        if (reduceX && reduceY) {
            long long sum = 0, n = 0;
            for (int r = sy.first; r <= sy.last; ++r)
                for (int c = sx.first; c <= sx.last; ++c, ++n)
                    sum += Channel(src, c, r, ch);
            v = sum / n;
        } else if (reduceY) {
            long long sum = 0;
            for (int r = sy.first; r <= sy.last; ++r)
                sum += (Channel(src, sx.index, r, ch) * (1024 - sx.frac)
                           + Channel(src, sx.next, r, ch) * sx.frac)
                    >> 10;
            v = sum / (sy.last - sy.first + 1);
        } else if (reduceX) {
            long long sum = 0;
            for (int c = sx.first; c <= sx.last; ++c)
                sum += (Channel(src, c, sy.index, ch) * (1024 - sy.frac)
                           + Channel(src, c, sy.next, ch) * sy.frac)
                    >> 10;
            v = sum / (sx.last - sx.first + 1);
        } else {
            long long top = Channel(src, sx.index, sy.index, ch) * (1024 - sx.frac)
                + Channel(src, sx.next, sy.index, ch) * sx.frac;
            long long bot = Channel(src, sx.index, sy.next, ch) * (1024 - sx.frac)
                + Channel(src, sx.next, sy.next, ch) * sx.frac;
            v = (top * (1024 - sy.frac) + bot * sy.frac) >> 20;
        }
        out |= std::uint32_t(v) << (8 * ch);
    }
    return out;
}

struct ThreadReset {
    ~ThreadReset()
    {
        SetImageThreads(0);
        SetImageParallelThreshold(0);
        SetSimdLimit(2);
    }
};

} // namespace

TEST(Resize, TwentyFourBitAgainstTheNaiveRule)
{
    ThreadReset reset;
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
            ASSERT_EQ(p.Width(), W);
            ASSERT_EQ(p.Height(), H);
            EXPECT_EQ(p.Info()->bmiHeader.biSizeImage, DibStride(W, 24) * H);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    ASSERT_EQ(Pixel(p, x, y), NaivePixel(src, W, H, x, y)) << x << "," << y;
        }
}

TEST(Resize, PaletteDepthsTakeTheNearestPixel)
{
    for (int bpp : { 1, 4, 8, 16 })
        for (auto [W, H] : { std::pair { 3, 2 }, { 41, 17 }, { 9, 30 } }) {
            CImageObj src, p;
            ASSERT_TRUE(Make(src, 21, 13, bpp));
            ASSERT_TRUE(src.CopyTo(p));
            ASSERT_TRUE(p.Resize(W, H, 1));
            ASSERT_EQ(p.BitCount(), bpp);
            EXPECT_EQ(std::memcmp(p.Info()->bmiColors, src.Info()->bmiColors, 1024), 0);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    ASSERT_EQ(Pixel(p, x, y), Pixel(src, x * 21 / W, y * 13 / H)) << bpp;
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
