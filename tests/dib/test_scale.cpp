#include "dib/dibcore.h"
#include "reference.h"

#include <memory>
#include <tuple>

namespace
{

std::vector<BYTE> RefScale24(const Pic &src, int w, int h)
{
    return RefFourWay(src.h().biWidth, src.h().biHeight, w, h, 3,
        [&](int x, int y, int c) { return int(src.at(x, y, c)); });
}

std::vector<BYTE> RefScale8(const Pic &src, int w, int h)
{
    return RefFourWay(
        src.h().biWidth, src.h().biHeight, w, h, 1, [&](int x, int y, int) { return int(src.at(x, y)); });
}

} // namespace

// ---- ScaleDibAll on 24-bit pictures ----

TEST(ScaleDibAll, HalvingAveragesTheCoveredBlocks)
{
    // Step (99 · 1024) / 50 = 2027: target column 0 covers 0-1, column 1 covers 2-3.
    Pic p;
    ASSERT_TRUE(CreateDib(100, 100, 24, &p.bits, &p.info, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            p.at(x, y, 0) = static_cast<BYTE>(2 * x);
            p.at(x, y, 1) = static_cast<BYTE>(y);
        }
    ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, 50, 50, 0), 1);
    EXPECT_TRUE(HasShape(p, 50, 50, 24)); // rows of 152 bytes
    EXPECT_EQ(p.at(0, 0, 0), 1); // (0 + 2) / 2
    EXPECT_EQ(p.at(1, 0, 0), 5); // (4 + 6) / 2
    EXPECT_EQ(p.at(0, 1, 1), 2); // rows 2-3: (2 + 3) / 2
}

TEST(ScaleDibAll, EnlargingInterpolatesUpToTheRightEdge)
{
    // Step (9 · 1024) / 19 = 485; the last target pixel sits at 9215: column 8, fraction 1023.
    Pic p;
    ASSERT_TRUE(CreateDib(10, 10, 24, &p.bits, &p.info, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            p.at(x, y, 2) = static_cast<BYTE>(20 * x);
    ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, 20, 20, 0), 1);
    EXPECT_EQ(p.at(19, 5, 2), 179); // (160 · 1 + 180 · 1023) >> 10
    EXPECT_EQ(p.at(18, 5, 2), 170); // 8730: column 8, fraction 538
    EXPECT_EQ(p.at(0, 0, 2), 0);
}

TEST(ScaleDibAll, MatchesTheReferenceInAllFourCombinationsWhateverThreadsAndKernels)
{
    // (source, target): box/box (uneven and four-column boxes), linear/linear, box across + linear down,
    // linear across + box down, linear reduction, single rows and columns, equal width, and large
    // pictures split across threads.
    const std::tuple<int, int, int, int> cases[] = { { 37, 23, 11, 7 }, { 160, 120, 40, 30 },
        { 37, 23, 53, 31 }, { 37, 23, 13, 40 }, { 37, 23, 60, 9 }, { 37, 23, 31, 19 }, { 1, 9, 5, 3 },
        { 9, 1, 3, 6 }, { 31, 17, 31, 5 }, { 640, 3, 3, 2 }, { 5, 5, 4, 4 }, { 803, 661, 200, 165 },
        { 803, 661, 1100, 906 }, { 803, 661, 1000, 200 } };
    auto reset = [](void *) {
        dib::SetMaxThreads(0);
        dib::SetVectorKernels(true);
    };
    const std::unique_ptr<void, decltype(reset)> restoreSettings(&reset, reset); // however the test ends
    for (auto [W, H, w, h] : cases) {
        Pic source;
        MakeRandom(source, W, H, 24, unsigned(W * 131 + H));
        const std::vector<BYTE> expected = RefScale24(source, w, h);
        for (auto [threads, vector] : { std::pair { 1, false }, std::pair { 1, true }, std::pair { 0, true },
                 std::pair { 0, false } }) {
            SCOPED_TRACE(testing::Message() << W << "x" << H << " -> " << w << "x" << h << ", " << threads
                                            << " threads, vector " << vector);
            dib::SetMaxThreads(threads);
            dib::SetVectorKernels(vector);
            Pic p;
            ASSERT_TRUE(DuplicateDibData(&p.bits, &p.info, source.bits, source.info));
            ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, w, h, 0), 1);
            ASSERT_TRUE(HasShape(p, w, h, 24));
            EXPECT_EQ(Pixels(p), expected);
        }
    }
}

TEST(ScaleDibAll, SizesBelowTwoBecomeTwoAndEqualSizesChangeNothing)
{
    Pic p;
    MakeRandom(p, 9, 5, 24, 3);
    ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, -7, 0, 0), 1);
    EXPECT_TRUE(HasShape(p, 2, 2, 24));
    Snapshot before(p);
    EXPECT_EQ(ScaleDibAll(&p.bits, &p.info, 2, 2, 0), 1);
    before.ExpectUnchanged(p);
}

// ---- Scale8BitDib, ScallAlpha ----

TEST(Scale8BitDib, ScalesValuesLikeThe24BitScalerWhateverTheHeaderSays)
{
    for (auto [W, H, w, h] : { std::tuple { 29, 13, 9, 5 }, std::tuple { 29, 13, 40, 21 },
             std::tuple { 29, 13, 7, 30 }, std::tuple { 700, 900, 1100, 300 } }) {
        SCOPED_TRACE(testing::Message() << W << "x" << H << " -> " << w << "x" << h);
        Pic p;
        MakeRandom(p, W, H, 8, unsigned(W + H));
        const auto expected = RefScale8(p, w, h);
        p.h().biCompression = 0xFFFFFFFF; // plane headers carry junk here
        p.h().biPlanes = 0xFFFF;
        ASSERT_EQ(Scale8BitDib(&p.bits, &p.info, w, h), 1);
        EXPECT_TRUE(HasShape(p, w, h, 8));
        EXPECT_EQ(Pixels(p), expected);
    }
}

TEST(ScallAlpha, ReplacesTheDestinationWithTheScaledPlane)
{
    Pic plane;
    MakeRandom(plane, 21, 11, 8, 5);
    const auto expected = RefScale8(plane, 8, 30);
    HGLOBAL dst = GlobalAlloc(GPTR, 3);
    ScallAlpha(&dst, 8, 30, plane.bits, 21, 11);
    ASSERT_EQ(GlobalSize(dst), std::size_t(DibStride(8, 8) * 30));
    EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE *>(dst), static_cast<BYTE *>(dst) + 240), expected);
    HGLOBAL kept = dst;
    ScallAlpha(&dst, 8, 30, nullptr, 21, 11);
    ScallAlpha(&dst, 8, 30, plane.bits, 21, 5000); // the plane is too small for that size
    EXPECT_EQ(dst, kept);
    GlobalFree(dst);
}

// ---- DibScale1Bit ----

TEST(DibScale1Bit, ReducingGivesAnEightBitRampPicture)
{
    Pic p;
    MakeRandom(p, 45, 27, 1, 11);
    p.colours()[0] = RGBQUAD { 200, 10, 50, 7 };
    p.colours()[1] = RGBQUAD { 0, 250, 51, 9 };
    const auto expected
        = RefFourWay(45, 27, 22, 13, 1, [&](int x, int y, int) { return p.index(x, y) ? 255 : 0; });
    const BITMAPINFO *old = p.info;
    ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, 22, 13, 0), 1);
    EXPECT_NE(p.info, old); // a new header block
    EXPECT_TRUE(HasShape(p, 22, 13, 8));
    EXPECT_EQ(p.h().biClrUsed, 0u);
    EXPECT_EQ(Pixels(p), expected);
    // Colour i runs from colour 0 to colour 1 in i / 255 steps, truncated; reserved bytes zero.
    auto ramp = [](int i, int) {
        return std::array { 200 - i * 200 / 255, 10 + i * 240 / 255, 50 + i / 255, 0 };
    };
    auto entry = [&](int i, int) {
        const RGBQUAD q = p.colours()[i];
        return std::array<int, 4> { q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved };
    };
    EXPECT_EQ(Grid(256, 1, entry), Grid(256, 1, ramp));
}

// ---- Scale8Or4Dib ----

TEST(Scale8Or4Dib, MethodZeroKeepsTheDepthAndPalette)
{
    for (int depth : { 4, 8, 16 }) {
        SCOPED_TRACE(depth);
        Pic p;
        MakeRandom(p, 23, 17, depth, unsigned(depth));
        auto pixel = [&](int x, int y) { return depth == 16 ? p.row(y)[2 * x] : p.index(x, y); };
        const auto expected = Grid(31, 9, [&](int x, int y) { return pixel(x * 23 / 31, y * 17 / 9); });
        const std::vector<RGBQUAD> palette(p.colours(), p.colours() + 256);
        ASSERT_EQ(ScaleDibAll(&p.bits, &p.info, 31, 9, 0), 1);
        EXPECT_TRUE(HasShape(p, 31, 9, depth));
        EXPECT_EQ(std::memcmp(p.colours(), palette.data(), 1024), 0);
        EXPECT_EQ(Grid(31, 9, pixel), expected);
    }
}

TEST(Scale8Or4Dib, MethodOneSmoothsToColourOrGrey)
{
    Pic colour, grey;
    MakeRandom(colour, 23, 17, 8, 4);
    const auto expected = RefScaleCrop(colour, false, 11, 8, 0, 11, 0, 8);
    ASSERT_EQ(ScaleDibAll(&colour.bits, &colour.info, 11, 8, 1), 1);
    EXPECT_TRUE(HasShape(colour, 11, 8, 24));
    EXPECT_EQ(Pixels(colour), expected);

    MakeRandom(grey, 23, 17, 8, 4);
    for (int i = 0; i < 256; ++i)
        grey.colours()[i] = RGBQUAD { BYTE(255 - i), BYTE(255 - i), BYTE(255 - i), 0 };
    const auto expectedGrey = RefScaleCrop(grey, true, 40, 30, 0, 40, 0, 30);
    ASSERT_EQ(ScaleDibAll(&grey.bits, &grey.info, 40, 30, 1), 1);
    EXPECT_TRUE(HasShape(grey, 40, 30, 8));
    EXPECT_EQ(grey.h().biClrUsed, 256u);
    EXPECT_EQ(grey.colours()[77].rgbRed, 77); // the plain grey ramp
    EXPECT_EQ(Pixels(grey), expectedGrey);
}

// ---- DibScaleCrop2Dib, ScaleAndCrop ----

TEST(DibScaleCrop2Dib, MatchesTheReferenceWalkForEveryDepthAsDoesScaleAndCropOnThePair)
{
    const struct {
        int depth;
        bool greyPalette;
        int W, H, tw, th;
        RECT crop;
        DWORD used = 0; // colours-used: indices past it read the block's entries all the same
    } cases[] = {
        { 24, false, 41, 29, 17, 11, { -1, -1, -1, -1 } },
        { 24, false, 41, 29, 67, 45, { 5, 3, 60, 40 } },
        { 32, false, 41, 29, 30, 50, { 2, 7, 25, 49 } },
        { 16, false, 41, 29, 50, 13, { 0, 0, 50, 13 } },
        { 8, false, 41, 29, 19, 19, { 3, 4, 18, 15 } },
        { 8, false, 41, 29, 19, 19, { 3, 4, 18, 15 }, 5 },
        { 4, false, 41, 29, 40, 28, { 0, 0, 40, 28 }, 2 },
        { 8, true, 41, 29, 90, 7, { -1, -1, -1, -1 } },
        { 4, false, 41, 29, 40, 28, { 0, 0, 40, 28 } },
        { 1, false, 41, 29, 16, 60, { 1, 1, 15, 59 } },
        { 24, false, 1000, 700, 513, 701, { 0, 0, 513, 701 } },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(
            testing::Message() << k.depth << " bits " << k.W << "x" << k.H << " -> " << k.tw << "x" << k.th);
        Pic src, dst;
        MakeRandom(src, k.W, k.H, k.depth, unsigned(k.tw * 7 + k.depth));
        if (k.greyPalette)
            for (int i = 0; i < 256; ++i)
                src.colours()[i] = RGBQUAD { BYTE(i / 2), BYTE(i / 2), BYTE(i / 2), 0 };
        src.h().biClrUsed = k.used;
        const bool grey = k.depth == 1 || k.greyPalette;
        RECT c = k.crop.left == -1 ? RECT { 0, 0, k.tw, k.th } : k.crop;
        const auto expected
            = RefScaleCrop(src, grey, k.tw, k.th, c.left, c.right, k.th - c.bottom, k.th - c.top);
        dst.info = NewInfo();
        SIZE size { k.tw, k.th };
        ASSERT_EQ(DibScaleCrop2Dib(dst.info, &dst.bits, src.info, src.bits, &size, k.crop, 2), 1);
        EXPECT_TRUE(HasShape(dst, c.right - c.left, c.bottom - c.top, grey ? 8 : 24));
        EXPECT_EQ(Pixels(dst), expected);
        Pic pair;
        ASSERT_TRUE(DuplicateDibData(&pair.bits, &pair.info, src.bits, src.info));
        std::memcpy(pair.colours(), src.colours(), 256 * 4); // the duplicate copies only the used ones
        ASSERT_EQ(ScaleAndCrop(&pair.bits, &pair.info, k.tw, k.th, c.left, c.top, c.right, c.bottom), 1);
        EXPECT_TRUE(HasShape(pair, c.right - c.left, c.bottom - c.top, grey ? 8 : 24));
        EXPECT_EQ(Pixels(pair), expected);
        if (k.depth == 1) {
            EXPECT_EQ(dst.colours()[128].rgbGreen,
                src.colours()[0].rgbGreen
                    + 128 * (src.colours()[1].rgbGreen - src.colours()[0].rgbGreen) / 255);
        }
    }
}

TEST(DibScaleCrop2Dib, FitNeverEnlargesAndKeepsTheAspectCorrectedForResolution)
{
    Pic src, copy;
    MakeRandom(src, 40, 30, 8, 9);
    copy.info = NewInfo();
    SIZE size { 500, 500 };
    ASSERT_EQ(DibScaleCrop2Dib(copy.info, &copy.bits, src.info, src.bits, &size, RECT { 1, 2, 3, 4 }, 0), 1);
    EXPECT_TRUE(HasShape(copy, 40, 30, 8)); // a plain copy at the source depth
    EXPECT_EQ(Pixels(copy), Pixels(src));
    EXPECT_EQ(std::memcmp(copy.colours(), src.colours(), 1024), 0);

    MakeRandom(src, 40, 30, 24, 10);
    // Twice the vertical resolution: the picture is half as tall as it has rows, 15 × (20 / 40).
    for (auto [yRes, height] :
        { std::pair { src.h().biXPelsPerMeter, 15 }, std::pair { 2 * src.h().biXPelsPerMeter, 7 } }) {
        src.h().biYPelsPerMeter = yRes;
        Pic dst;
        dst.info = NewInfo();
        SIZE box { 20, 20 };
        ASSERT_EQ(DibScaleCrop2Dib(dst.info, &dst.bits, src.info, src.bits, &box, RECT {}, 0), 1);
        EXPECT_EQ(box.cx, 20);
        EXPECT_EQ(box.cy, height);
        EXPECT_EQ(dst.h().biYPelsPerMeter, src.h().biXPelsPerMeter);
        EXPECT_EQ(Pixels(dst), RefScaleCrop(src, false, 20, height, 0, 20, 0, height));
    }
}

TEST(DibScaleCrop2Dib, SourceRectangleModeScalesTheRectangleToTheSize)
{
    Pic src, dst;
    MakeRandom(src, 40, 30, 24, 11);
    dst.info = NewInfo();
    SIZE size { 24, 9 };
    ASSERT_EQ(DibScaleCrop2Dib(dst.info, &dst.bits, src.info, src.bits, &size, RECT { 10, 5, 22, 14 }, 1), 1);
    EXPECT_TRUE(HasShape(dst, 24, 9, 24));
    // Full size 24 · 40 / 12 = 80 by 9 · 30 / 9 = 30; the rectangle maps to (20, 5)-(44, 14).
    EXPECT_EQ(Pixels(dst), RefScaleCrop(src, false, 80, 30, 20, 44, 30 - 14, 30 - 5));
}

// ---- ScallBitmap ----

TEST(ScallBitmap, CopiesAndScalesIntoTheDestination)
{
    Pic src, dst;
    MakeRandom(src, 33, 21, 24, 3);
    MakeRandom(dst, 2, 2, 8, 3);
    ASSERT_EQ(ScallBitmap(&dst.bits, &dst.info, 16, 40, src.bits, src.info), 1);
    EXPECT_TRUE(HasShape(dst, 16, 40, 24));
    EXPECT_EQ(Pixels(dst), RefScale24(src, 16, 40));
    EXPECT_EQ(src.h().biWidth, 33); // the source is untouched

    const BITMAPINFO *old = dst.info;
    HGLOBAL oldBits = dst.bits;
    ASSERT_NE(ScallBitmap(&dst.bits, &dst.info, 16, 40, nullptr, src.info), 0);
    EXPECT_NE(dst.info, old);
    EXPECT_EQ(dst.bits, oldBits);
    EXPECT_EQ(dst.h().biWidth, 33); // the header alone was replaced
}
