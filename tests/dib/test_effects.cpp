// Distortions and generated effects: identities, hand-computed pixels, result shapes, the plasma's
// ending and seeding, refusals and failing allocations.
#include "dib/random.h"
#include "dibtest.h"

#include <climits>
#include <cmath>
#include <functional>
#include <tuple>

namespace
{

// A w × h 24-bit picture whose pixel (x, y) is f(x, y) as blue, green, red.
template <class F> void Make24(Pic &p, int w, int h, F f)
{
    ASSERT_TRUE(CreateDib(w, h, 24, &p.bits, &p.info, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::array<BYTE, 3> c = f(x, y);
            for (int k = 0; k < 3; ++k)
                p.at(x, y, k) = c[k];
        }
}

void Copy(Pic &to, const Pic &from)
{
    ASSERT_TRUE(DuplicateDibData(&to.bits, &to.info, from.bits, from.info));
}

const std::array<BYTE, 3> kWhite { 255, 255, 255 };

// Fails the first, second, ... allocation of `call` (on a fresh copy of `source` each time) until
// it succeeds; each failure must return `failure` and leave the copy as it was.
void ExpectAllocationFailuresUntouched(
    const Pic &source, const std::function<int(Pic &)> &call, const char *what, int failure = 0)
{
    int result = failure;
    for (long n = 1; n <= 20 && result == failure; ++n) {
        SCOPED_TRACE(testing::Message() << what << ", allocation " << n << " fails");
        Pic p;
        Copy(p, source);
        const Snapshot before(p);
        GlobalSetFailAt(n);
        result = call(p);
        GlobalSetFailAt(0);
        if (result == failure)
            before.ExpectUnchanged(p);
    }
    EXPECT_NE(result, failure) << what << " never succeeded";
}

} // namespace

// ---- Pixel helpers ----

TEST(DibGriddingPixel, WeighsTheTwoNeighboursAndTheCurrentValue)
{
    const std::tuple<int, int, int, int, int> cases[] = { { 10, 20, 30, 1, 20 }, { 10, 20, 30, 2, 22 },
        { 10, 20, 30, 3, 18 }, { 255, 255, 255, 1, 255 }, { 255, 255, 255, 2, 254 },
        { 255, 255, 255, 3, 254 }, { 10, 20, 30, 0, 0 }, { 10, 20, 30, 4, 0 }, { 10, 20, 30, -1, 0 } };
    for (auto [a, b, c, mode, expected] : cases)
        EXPECT_EQ(DibGriddingPixel(BYTE(a), BYTE(b), BYTE(c), mode), expected)
            << a << " " << b << " " << c << " mode " << mode;
}

TEST(DibPlasmaPixel, AddsHalfTheNoiseLessARandomPartRoundedAndClamped)
{
    // Noise below 1 draws nothing: the result is base + noise / 2 rounded.
    const std::tuple<int, double, int> fixed[] = { { 200, 0.0, 200 }, { 250, 0.9, 250 }, { 254, 0.99, 254 },
        { 255, 0.5, 255 }, { 0, -0.9, 0 }, { 3, 0.98, 3 }, { 100, NAN, 100 } };
    for (auto [base, noise, expected] : fixed) {
        dib::SeedRandom(5);
        EXPECT_EQ(DibPlasmaPixel(BYTE(base), noise), expected) << base << " " << noise;
        dib::SeedRandom(5);
        const int first = dib::NextRandom();
        dib::SeedRandom(5);
        DibPlasmaPixel(BYTE(base), noise);
        EXPECT_EQ(dib::NextRandom(), first) << "drew a random value";
    }
    // Otherwise one value r = rand mod trunc(noise) is drawn: v = noise / 2 + base - r.
    for (auto [base, noise] : { std::pair { 128, 64.0 }, std::pair { 0, 10.0 }, std::pair { 250, 40.5 },
             std::pair { 7, -9.0 }, std::pair { 200, 1e300 }, std::pair { 60, double(INFINITY) } }) {
        for (unsigned seed = 1; seed < 40; ++seed) {
            dib::SeedRandom(seed);
            const long long n = std::isinf(noise) || noise > INT_MAX ? INT_MAX : (long long)noise;
            const double v = noise * 0.5 + base - dib::NextRandom() % n;
            const int expected = v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5);
            dib::SeedRandom(seed);
            ASSERT_EQ(DibPlasmaPixel(BYTE(base), noise), expected)
                << base << " " << noise << " seed " << seed;
        }
    }
}

TEST(DibPlasmaPixels, FillsOnePixelWithThreeRandomBytes)
{
    BYTE rows[2][12] = {};
    const int offset = 6;
    dib::SeedRandom(9);
    const int r0 = dib::NextRandom() & 255, r1 = dib::NextRandom() & 255, r2 = dib::NextRandom() & 255;
    dib::SeedRandom(9);
    EXPECT_EQ(DibPlasmaPixels(&offset, &rows[0][0], 1, 0xDEADBEEF, 12), r2);
    const BYTE expected[12] = { 0, 0, 0, 0, 0, 0, BYTE(r0), BYTE(r1), BYTE(r2), 0, 0, 0 };
    EXPECT_EQ(std::memcmp(rows[1], expected, 12), 0);
    EXPECT_EQ(std::memcmp(rows[0], expected, 6), 0); // the first row is untouched

    const int negative = -3;
    EXPECT_EQ(DibPlasmaPixels(nullptr, &rows[0][0], 0, 0, 12), 0);
    EXPECT_EQ(DibPlasmaPixels(&offset, nullptr, 0, 0, 12), 0);
    EXPECT_EQ(DibPlasmaPixels(&negative, &rows[0][0], 0, 0, 12), 0);
}

// ---- DibTwist ----

TEST(DibTwist, ShiftsColumnsOrRowsAndGrowsByTwiceTheAmplitude)
{
    Pic src;
    MakeRandom(src, 100, 50, 24, 11);
    struct Case {
        int phase;
        double cycles;
        int amplitude, direction, width, height;
        std::function<std::array<BYTE, 3>(int, int)> expected; // target pixel from the source
    };
    auto from = [&](int x, int y) { return x >= 0 && x < 100 && y >= 0 && y < 50 ? src.bgr(x, y) : kWhite; };
    const Case cases[] = {
        // Amplitude 0 (and below): same size, nothing moves.
        { 37, 2.5, 0, 0, 100, 50, [&](int x, int y) { return from(x, y); } },
        { 37, 2.5, -20, 1, 100, 50, [&](int x, int y) { return from(x, y); } },
        // A = 5: sin = 1 everywhere moves every column up by 2A, sin = -1 by 0.
        { 90, 0, 10, 0, 100, 60, [&](int x, int y) { return from(x, y - 10); } },
        { -90, 0, 10, 0, 100, 60, [&](int x, int y) { return from(x, y); } },
        // One cycle: column 25 at sin = 1 (shift 10), column 75 at sin = -1 (shift 0).
        { 0, 1, 10, 0, 100, 60,
            [&](int x, int y) {
                return from(x, y - (x == 25 ? 10 : x == 75 ? 0 : 5));
            } },
        // Rows: A = 10 columns, amplitude above 100 taken as 100.
        { 90, 0, 10, 1, 120, 50, [&](int x, int y) { return from(x - 20, y); } },
        { 270, 0, 250, 1, 300, 50, [&](int x, int y) { return from(x, y); } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", cycles " << c.cycles << ", amplitude "
                                        << c.amplitude << ", direction " << c.direction);
        Pic p;
        Copy(p, src);
        ASSERT_EQ(DibTwist(&p.bits, &p.info, c.phase, c.cycles, c.amplitude, c.direction), 1);
        ASSERT_TRUE(HasShape(p, c.width, c.height, 24));
        EXPECT_EQ(p.h().biXPelsPerMeter, 3780);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (c.cycles == 0 || x == 25 || x == 75) {
                    ASSERT_EQ(p.bgr(x, y), c.expected(x, y)) << x << ", " << y;
                }
    }
}

TEST(DibTwist, PalettePicturesComeOut24Bit)
{
    Pic p;
    MakeRandom(p, 30, 20, 8, 3);
    Pic before;
    Copy(before, p);
    ASSERT_EQ(DibTwist(&p.bits, &p.info, 0, 1.5, 0, 0), 1);
    ASSERT_TRUE(HasShape(p, 30, 20, 24));
    EXPECT_EQ(p.h().biClrUsed, 0u);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(p.bgr(x, y), before.bgr(x, y));
}

// ---- DibWaveEffect ----

TEST(DibWaveEffect, MovesRowsOrColumnsByFractionsAndLeavesWhiteBehind)
{
    Pic src;
    MakeRandom(src, 40, 30, 24, 5);
    auto from = [&](int x, int y) { return x >= 0 && x < 40 && y >= 0 && y < 30 ? src.bgr(x, y) : kWhite; };
    auto half = [&](std::array<BYTE, 3> a, std::array<BYTE, 3> b) { // fraction 512
        return std::array<BYTE, 3> { BYTE((a[0] + b[0]) * 512 >> 10), BYTE((a[1] + b[1]) * 512 >> 10),
            BYTE((a[2] + b[2]) * 512 >> 10) };
    };
    const std::tuple<int, int, int, std::function<std::array<BYTE, 3>(int, int)>> cases[] = {
        { 0, 0, 0, [&](int x, int y) { return from(x, y); } }, // amplitude 0: the picture as it was
        { 0, 0, 1, [&](int x, int y) { return from(x, y); } },
        // Rows: 30 × 0.05 = 1.5; phase 90 reads y - 1.5, phase -90 y + 1.5 (nothing past the last row).
        { 90, 5, 0, [&](int x, int y) { return y < 2 ? kWhite : half(from(x, y - 2), from(x, y - 1)); } },
        { -90, 5, 0, [&](int x, int y) { return y > 27 ? kWhite : half(from(x, y + 1), from(x, y + 2)); } },
        // Columns: 40 × 0.05 = 2 whole pixels.
        { 90, 5, 1, [&](int x, int y) { return from(x - 2, y); } },
        { -90, 5, 1, [&](int x, int y) { return from(x + 2, y); } },
    };
    for (const auto &[phase, amplitude, direction, expected] : cases) {
        SCOPED_TRACE(testing::Message()
            << "phase " << phase << ", amplitude " << amplitude << ", direction " << direction);
        Pic p;
        Copy(p, src);
        ASSERT_EQ(DibWaveEffect(&p.bits, &p.info, phase, 0.0, amplitude, direction), 1);
        ASSERT_TRUE(HasShape(p, 40, 30, 24));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(p.bgr(x, y), expected(x, y)) << x << ", " << y;
    }
}

TEST(DibWaveEffect, TheLastRowIsCopiedNotBlended)
{
    // 100 × 0.01 = 1: row 98 reads row 99 exactly, row 99 reads past the end.
    Pic src;
    MakeRandom(src, 5, 100, 24, 8);
    Pic p;
    Copy(p, src);
    ASSERT_EQ(DibWaveEffect(&p.bits, &p.info, -90, 0.0, 1, 0), 1);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(p.bgr(x, 98), src.bgr(x, 99));
        EXPECT_EQ(p.bgr(x, 99), kWhite);
    }
}

// ---- DibSpiralEffect, DibDrop, DibImplodeImage ----

TEST(DibSpiralEffect, AngleZeroChangesNothingAndTheCentreStays)
{
    Pic p;
    MakeRandom(p, 41, 31, 8, 2);
    const Snapshot before(p);
    EXPECT_EQ(DibSpiralEffect(&p.bits, &p.info, 0.0), 1);
    before.ExpectUnchanged(p);

    Pic q;
    Make24(q, 40, 30, [](int, int) { return std::array<BYTE, 3> { 10, 20, 30 }; });
    ASSERT_EQ(DibSpiralEffect(&q.bits, &q.info, 90.0), 1);
    ASSERT_TRUE(HasShape(q, 40, 30, 24));
    EXPECT_EQ(q.bgr(20, 15), (std::array<BYTE, 3> { 10, 20, 30 })); // turned by 0
    EXPECT_EQ(q.bgr(0, 0), kWhite); // turned by 45 degrees: (-3.5, -24.7) from the centre is outside
    EXPECT_EQ(q.bgr(22, 16), (std::array<BYTE, 3> { 10, 20, 30 })); // near the centre: inside
}

TEST(DibDrop, ZeroAmplitudeCopiesAndTheBorderStays)
{
    Pic src;
    MakeRandom(src, 30, 20, 24, 4);
    Pic p;
    Copy(p, src);
    ASSERT_EQ(DibDrop(&p.bits, &p.info, 0.5, 0.5, 30, 4, 0), 1);
    EXPECT_EQ(Pixels(p), Pixels(src));

    ASSERT_EQ(DibDrop(&p.bits, &p.info, 0.25, 0.75, 30, 4, 40), 1);
    ASSERT_TRUE(HasShape(p, 30, 20, 24));
    int changed = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool border = x < 2 || y < 2 || x >= 28 || y >= 18;
            if (border) {
                ASSERT_EQ(p.bgr(x, y), src.bgr(x, y)) << x << ", " << y;
            }
            changed += p.bgr(x, y) != src.bgr(x, y);
        }
    EXPECT_GT(changed, 100);
    EXPECT_EQ(p.bgr(7, 15), src.bgr(7, 15)); // the centre (trunc(7.5), 15) samples itself
}

TEST(DibDrop, CentreFractionsOutsideZeroToOneFail)
{
    Pic p;
    MakeRandom(p, 10, 10, 24, 1);
    const Snapshot before(p);
    for (auto [x, y] : { std::pair { 1.5, 0.5 }, std::pair { 0.5, -0.01 }, std::pair { double(NAN), 0.5 } })
        EXPECT_EQ(DibDrop(&p.bits, &p.info, x, y, 0, 3, 10), 0);
    before.ExpectUnchanged(p);
}

TEST(DibImplodeImage, AmountZeroCopiesPositivePullsFromFartherOut)
{
    Pic src;
    MakeRandom(src, 60, 40, 8, 6);
    Pic p;
    Copy(p, src);
    ASSERT_EQ(DibImplodeImage(&p.bits, &p.info, 0.0, 50, 50, 50), 1);
    ASSERT_TRUE(HasShape(p, 60, 40, 24));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(p.bgr(x, y), src.bgr(x, y));

    // A ramp across: inside the circle (radius 30 around (30, 20)) a pixel takes the colour of a
    // place farther from the centre, outside it keeps its own.
    Pic ramp;
    Make24(ramp, 60, 40, [](int x, int) { return std::array<BYTE, 3> { BYTE(4 * x), 0, 0 }; });
    ASSERT_EQ(DibImplodeImage(&ramp.bits, &ramp.info, 1.0, 50, 50, 50), 1);
    EXPECT_EQ(ramp.at(30, 20, 0), 120); // the centre
    EXPECT_GT(ramp.at(35, 20, 0), 4 * 35);
    EXPECT_LT(ramp.at(25, 20, 0), 4 * 25);
    EXPECT_EQ(ramp.at(0, 20, 0), 0); // outside (sy = 1: 60 / 40)
    EXPECT_EQ(ramp.at(59, 0, 0), 4 * 59);

    for (int depth : { 1, 4 }) {
        Pic low;
        MakeRandom(low, 9, 7, depth, 1);
        const Snapshot before(low);
        EXPECT_EQ(DibImplodeImage(&low.bits, &low.info, 0.5, 50, 50, 50), 0);
        before.ExpectUnchanged(low);
    }
}

// ---- DibWind ----

TEST(DibWind, BlendsEachPixelWithTheTenBeforeItInPlace)
{
    Pic src;
    Make24(src, 14, 2, [](int x, int y) {
        return std::array<BYTE, 3> { BYTE(100 * x), BYTE(y * 7 + x), 9 };
    });
    Pic p;
    Copy(p, src);
    ASSERT_EQ(DibWind(&p.bits, &p.info, 0, 0), 1); // strength 0 changes nothing
    EXPECT_EQ(Pixels(p), Pixels(src));

    // a = 0.5: [0, 100, 200] becomes [0, 50, 75] (x = 2 blends with 0, then with the new 50).
    ASSERT_EQ(DibWind(&p.bits, &p.info, 250, 0), 1);
    EXPECT_EQ(p.at(0, 0, 0), 0);
    EXPECT_EQ(p.at(1, 0, 0), 50);
    EXPECT_EQ(p.at(2, 0, 0), 75);

    // a = 1: each pixel ends as the one just before it, so the whole row takes the first (or last) pixel.
    for (int direction : { 0, 1 }) {
        Pic q;
        Copy(q, src);
        ASSERT_EQ(DibWind(&q.bits, &q.info, 500, direction), 1);
        ASSERT_TRUE(HasShape(q, 14, 2, 24));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 14; ++x)
                EXPECT_EQ(q.bgr(x, y), src.bgr(direction == 0 ? 0 : 13, y)) << x << ", " << y;
    }
}

// ---- DibShade ----

TEST(DibShade, LightsEdgesFromTheirNeighbourhood)
{
    // Blue 255 in columns 0-1, 0 in 2-3. Light at azimuth 0, elevation 45: L = (180, 0, 180).
    // Columns 1 and 2 see X = 765: 229500 / sqrt(845325) = 249; the flat edges see Lz.
    Pic edge;
    Make24(edge, 4, 3, [](int x, int) { return std::array<BYTE, 3> { BYTE(x < 2 ? 255 : 0), 50, 60 }; });
    Pic grey;
    Copy(grey, edge);
    ASSERT_EQ(DibShade(&grey.bits, &grey.info, 0, 0.0, 45.0), 1);
    ASSERT_TRUE(HasShape(grey, 4, 3, 8));
    EXPECT_EQ(grey.h().biClrUsed, 256u);
    EXPECT_EQ(grey.colours()[200].rgbGreen, 200);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Grid(4, 1, [&](int x, int) { return int(grey.at(x, y)); }),
            (std::vector<int> { 180, 249, 249, 180 }));

    // From the other side the lit faces turn away: d < 0 gives 0.
    Pic away;
    Copy(away, edge);
    ASSERT_EQ(DibShade(&away.bits, &away.info, 0, 180.0, 45.0), 1);
    EXPECT_EQ(away.at(1, 1), 0);

    // Colour: each byte × shade >> 8, still 24-bit.
    Pic colour;
    Copy(colour, edge);
    ASSERT_EQ(DibShade(&colour.bits, &colour.info, 1, 0.0, 45.0), 1);
    ASSERT_TRUE(HasShape(colour, 4, 3, 24));
    EXPECT_EQ(colour.bgr(1, 0), (std::array<BYTE, 3> { 255 * 249 >> 8, 50 * 249 >> 8, 60 * 249 >> 8 }));
    EXPECT_EQ(colour.bgr(3, 2), (std::array<BYTE, 3> { 0, 50 * 180 >> 8, 60 * 180 >> 8 }));
}

TEST(DibShade, PalettePicturesKeepTheirIndicesOrBecomeGrey)
{
    // A flat picture: every pixel gets Lz = trunc(255 × sin 30°) = 127.
    Pic p8;
    ASSERT_TRUE(CreateDib(5, 4, 8, &p8.bits, &p8.info, 3));
    p8.colours()[3] = RGBQUAD { 200, 100, 40, 0 };
    ASSERT_EQ(DibShade(&p8.bits, &p8.info, 1, 30.0, 30.0), 1);
    ASSERT_TRUE(HasShape(p8, 5, 4, 8));
    EXPECT_EQ(p8.index(4, 3), 3);
    EXPECT_EQ(p8.bgr(0, 0), (std::array<BYTE, 3> { 200 * 127 >> 8, 100 * 127 >> 8, 40 * 127 >> 8 }));

    Pic p1; // below 8 bits the colour flag is ignored
    MakeRandom(p1, 13, 5, 1, 2);
    p1.colours()[0] = RGBQUAD { 0, 0, 0, 0 };
    p1.colours()[1] = RGBQUAD { 255, 255, 255, 0 };
    ASSERT_EQ(DibShade(&p1.bits, &p1.info, 1, 30.0, 30.0), 1);
    ASSERT_TRUE(HasShape(p1, 13, 5, 8));
    EXPECT_EQ(p1.colours()[77].rgbBlue, 77);

    Pic p16; // 16 and 32 bits are read as 24
    MakeRandom(p16, 6, 6, 16, 2);
    ASSERT_EQ(DibShade(&p16.bits, &p16.info, 1, 10.0, 60.0), 1);
    EXPECT_TRUE(HasShape(p16, 6, 6, 24));
}

// ---- DibLens ----

TEST(DibLens, MovesTheLargestAndSmallestBytesAndMixesTheThird)
{
    // (blue 10, green 20, red 30); tints out of range are clamped.
    const std::tuple<int, int, std::array<BYTE, 3>> cases[] = {
        { 1, 1, { 16, 10, 30 } }, // trunc(20 × 71/255 + 10.5)
        { 0, 1, { 16, 10, 30 } },
        { 2, 0, { 21, 30, 10 } }, // 142/255
        { 2, 1, { 21, 30, 10 } }, // 146/255 gives 21 too
        { 3, 1, { 30, 16, 10 } },
        { 5, 1, { 10, 30, 21 } },
        { 6, 0, { 30, 10, 14 } }, // 55/255
        { 9, 0, { 30, 10, 14 } },
    };
    for (const auto &[tint, mode, expected] : cases) {
        Pic p;
        Make24(p, 3, 2, [](int, int) { return std::array<BYTE, 3> { 10, 20, 30 }; });
        ASSERT_EQ(DibLens(&p.bits, &p.info, tint, mode), 1);
        ASSERT_TRUE(HasShape(p, 3, 2, 24));
        EXPECT_EQ(p.bgr(2, 1), expected) << "tint " << tint << ", mode " << mode;
    }

    // Palette pictures: only the palette changes.
    Pic p;
    MakeRandom(p, 9, 7, 4, 3);
    p.colours()[5] = RGBQUAD { 10, 20, 30, 0 };
    const std::vector<BYTE> pixels = Pixels(p);
    ASSERT_EQ(DibLens(&p.bits, &p.info, 1, 1), 1);
    EXPECT_TRUE(HasShape(p, 9, 7, 4));
    EXPECT_EQ(Pixels(p), pixels);
    EXPECT_EQ(p.colours()[5].rgbBlue, 16);
    EXPECT_EQ(p.colours()[5].rgbGreen, 10);
}

// ---- DibFuzzy ----

TEST(DibFuzzy, PaintsOutsideTheShapeAndFadesAcrossItsBand)
{
    const COLORREF red = RGB(255, 0, 0);
    const std::array<BYTE, 3> paint { 0, 0, 255 }, grey { 100, 100, 100 };
    auto run = [&](int w, int h, int percent, int shape, Pic &p) {
        Make24(p, w, h, [&](int, int) { return grey; });
        DibFuzzy(&p.bits, &p.info, red, percent, shape);
    };
    {
        // Ellipse with half-axes 10 and 5 around (10, 5); percent 100 fades all the way in.
        Pic p;
        run(21, 11, 100, 1, p);
        ASSERT_TRUE(HasShape(p, 21, 11, 24));
        EXPECT_EQ(p.bgr(10, 5), grey);
        EXPECT_EQ(p.bgr(0, 0), paint); // e = 2
        EXPECT_EQ(p.bgr(15, 5), (std::array<BYTE, 3> { 50, 50, 177 })); // e = 1/4, t = 1/2
        EXPECT_EQ(p.bgr(0, 5), paint); // e = 1: t = 0
    }
    {
        // Circle: half-axes min(10, 5) - 1 = 4.
        Pic p;
        run(21, 11, 100, 0, p);
        EXPECT_EQ(p.bgr(15, 5), paint);
        EXPECT_EQ(p.bgr(12, 5), (std::array<BYTE, 3> { 50, 50, 177 }));
    }
    {
        // Rectangle, percent 10: half-sizes 10 and 5, inner box 9 and 4.
        Pic p;
        run(21, 11, 10, 2, p);
        EXPECT_EQ(p.bgr(0, 5), paint); // |x - 10| = 10
        EXPECT_EQ(p.bgr(10, 0), paint);
        EXPECT_EQ(p.bgr(18, 5), grey);
        EXPECT_EQ(p.bgr(11, 8), grey);
        const std::array<BYTE, 3> band = p.bgr(19, 5);
        EXPECT_NE(band, grey);
        EXPECT_NE(band, paint);
    }
    for (int shape : { -1, 7 }) { // unknown shapes change nothing
        Pic p;
        Make24(p, 8, 8, [&](int, int) { return grey; });
        const Snapshot before(p);
        DibFuzzy(&p.bits, &p.info, red, 30, shape);
        before.ExpectUnchanged(p);
    }
    for (int shape : { 4, 5, 6 }) { // the open shapes: the centre stays, the corner is painted
        Pic p;
        run(21, 21, 30, shape, p);
        EXPECT_EQ(p.bgr(10, 10), grey) << shape;
        EXPECT_EQ(p.bgr(0, 0), paint) << shape;
    }
}

// ---- Plasma ----

TEST(DibPlasmaImage, SaysWhenTheLastQuarterIsSmall)
{
    Pic p;
    MakeRandom(p, 9, 9, 24, 1);
    const RECT whole { 0, 0, 8, 8 }, three { 0, 0, 2, 2 }, wide { 0, 0, 8, 2 };
    // (depth, segment): the last quarter of 0-8 is 4-8 after one split, 6-8 after two.
    const std::tuple<int, const RECT *, int> cases[] = { { 0, &whole, 0 }, { 1, &whole, 0 }, { 2, &whole, 1 },
        { 5, &whole, 1 }, { 0, &three, 1 }, { 0, &wide, 0 }, { 2, &wide, 1 } };
    for (auto [depth, segment, expected] : cases)
        EXPECT_EQ(DibPlasmaImage(&p.bits, &p.info, segment, 4, depth, 1) != 0, expected != 0)
            << "depth " << depth << ", right " << segment->right;

    // A huge depth ends as well.
    EXPECT_NE(DibPlasmaImage(&p.bits, &p.info, &whole, 4, INT_MAX, 0), 0);

    // Refused: -1, nothing touched.
    const Snapshot before(p);
    const RECT outside { 0, 0, 9, 8 }, reversed { 5, 0, 4, 8 };
    EXPECT_EQ(DibPlasmaImage(&p.bits, &p.info, &outside, 4, 1, 1), -1);
    EXPECT_EQ(DibPlasmaImage(&p.bits, &p.info, &reversed, 4, 1, 1), -1);
    EXPECT_EQ(DibPlasmaImage(&p.bits, &p.info, nullptr, 4, 1, 1), -1);
    before.ExpectUnchanged(p);
    Pic p8;
    MakeRandom(p8, 9, 9, 8, 1);
    EXPECT_EQ(DibPlasmaImage(&p8.bits, &p8.info, &whole, 4, 1, 1), -1);
}

TEST(DibPlasmaImage, GriddingSetsTheEdgeMidpointsAndTheCentreFromTheCorners)
{
    // 3 × 3, corners (blue) 30, 60, 90, 120, the rest 0; mode 1: (p + q + current) / 3.
    Pic p;
    ASSERT_TRUE(CreateDib(3, 3, 24, &p.bits, &p.info, 0));
    p.at(0, 0) = 30;
    p.at(0, 2) = 60;
    p.at(2, 0) = 90;
    p.at(2, 2) = 120;
    const RECT segment { 0, 0, 2, 2 };
    ASSERT_EQ(DibPlasmaImage(&p.bits, &p.info, &segment, 1, 0, 1), 1);
    // (0,1) from (0,0),(0,2): 30; (2,1) from (2,0),(2,2): 70; (1,2) from (0,2),(2,2): 60;
    // (1,0) from (0,0),(2,0): 40; the centre from (0,2),(2,0): 50.
    EXPECT_EQ(Grid(3, 3, [&](int x, int y) { return int(p.at(x, y)); }),
        (std::vector<int> { 30, 40, 90, 30, 50, 70, 60, 60, 120 }));
}

TEST(DibPlasma, IsRepeatableForASeedAnd24Bit)
{
    auto run = [](unsigned seed, int depth, int mode, Pic &p) {
        MakeRandom(p, 37, 23, depth, 4);
        dib::FixTimeSeed(seed);
        const int result = DibPlasma(&p.bits, &p.info, 2, mode);
        dib::FixTimeSeed(std::nullopt);
        return result;
    };
    Pic a, b, c;
    ASSERT_EQ(run(7, 24, 0, a), 1);
    ASSERT_EQ(run(7, 8, 0, b), 1);
    ASSERT_EQ(run(8, 24, 0, c), 1);
    ASSERT_TRUE(HasShape(a, 37, 23, 24));
    ASSERT_TRUE(HasShape(b, 37, 23, 24));
    EXPECT_EQ(b.h().biClrUsed, 0u);
    EXPECT_EQ(Pixels(a), Pixels(b)); // mode 0 does not look at the picture
    EXPECT_NE(Pixels(a), Pixels(c));
}

TEST(DibPlasma, GriddingKeepsAFlatPictureAndEndsOnThinOnes)
{
    for (auto [mode, depth] : { std::pair { 1, 4 }, std::pair { 2, 1 }, std::pair { 1, 8 } }) {
        Pic p; // palette index 0 everywhere, colour (100, 40, 8)
        ASSERT_TRUE(CreateDib(33, 17, WORD(depth), &p.bits, &p.info, 0));
        p.colours()[0] = RGBQUAD { 100, 40, 8, 0 };
        ASSERT_EQ(DibPlasma(&p.bits, &p.info, 3, mode), 1);
        ASSERT_TRUE(HasShape(p, 33, 17, 24));
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 33; ++x)
                ASSERT_EQ(p.bgr(x, y), (std::array<BYTE, 3> { 100, 40, 8 }))
                    << mode << ": " << x << ", " << y;
    }
    for (auto [w, h] :
        { std::pair { 1, 1 }, std::pair { 20000, 1 }, std::pair { 1, 5000 }, std::pair { 3000, 2 } }) {
        Pic p;
        ASSERT_TRUE(CreateDib(w, h, 24, &p.bits, &p.info, 0));
        EXPECT_EQ(DibPlasma(&p.bits, &p.info, 1, 0), 1) << w << " x " << h;
    }
}

// ---- Refusals and failing allocations ----

TEST(DibEffects, RefuseNullAndBrokenPicturesUntouched)
{
    Pic p;
    MakeRandom(p, 9, 7, 24, 1);
    p.h().biHeight = 400; // taller than its block
    const Snapshot before(p);
    const std::pair<const char *, std::function<int(HGLOBAL *, BITMAPINFO **)>> calls[] = {
        { "DibTwist", [](HGLOBAL *b, BITMAPINFO **i) { return DibTwist(b, i, 0, 1, 10, 0); } },
        { "DibWaveEffect", [](HGLOBAL *b, BITMAPINFO **i) { return DibWaveEffect(b, i, 0, 1, 10, 1); } },
        { "DibSpiralEffect", [](HGLOBAL *b, BITMAPINFO **i) { return DibSpiralEffect(b, i, 30); } },
        { "DibDrop", [](HGLOBAL *b, BITMAPINFO **i) { return DibDrop(b, i, 0.5, 0.5, 0, 3, 10); } },
        { "DibImplodeImage",
            [](HGLOBAL *b, BITMAPINFO **i) { return DibImplodeImage(b, i, 1, 50, 50, 50); } },
        { "DibWind", [](HGLOBAL *b, BITMAPINFO **i) { return DibWind(b, i, 30, 0); } },
        { "DibShade", [](HGLOBAL *b, BITMAPINFO **i) { return DibShade(b, i, 1, 30, 30) == 0 ? 0 : 9; } },
        { "DibLens", [](HGLOBAL *b, BITMAPINFO **i) { return DibLens(b, i, 2, 1); } },
        { "DibFuzzy",
            [](HGLOBAL *b, BITMAPINFO **i) {
                DibFuzzy(b, i, 0, 30, 1);
                return 0;
            } },
        { "DibPlasma", [](HGLOBAL *b, BITMAPINFO **i) { return DibPlasma(b, i, 2, 1) == 0 ? 0 : 9; } },
    };
    for (const auto &[name, call] : calls) {
        EXPECT_EQ(call(&p.bits, &p.info), 0) << name;
        before.ExpectUnchanged(p);
        HGLOBAL noBits = nullptr;
        BITMAPINFO *noInfo = nullptr;
        const int nullResult = std::string(name) == "DibShade" || std::string(name) == "DibPlasma" ? 9 : 0;
        EXPECT_EQ(call(&noBits, &p.info), nullResult) << name;
        EXPECT_EQ(call(&p.bits, &noInfo), nullResult) << name;
        EXPECT_EQ(call(nullptr, nullptr), nullResult) << name;
    }
    HGLOBAL noBits = nullptr;
    EXPECT_EQ(DibShade(&noBits, &p.info, 0, 0, 0), -1);
    EXPECT_EQ(DibPlasma(nullptr, &p.info, 0, 0), -1);
}

TEST(DibEffects, EachFailingAllocationLeavesThePairUntouched)
{
    for (int depth : { 8, 24 }) {
        SCOPED_TRACE(testing::Message() << depth << " bits");
        Pic src;
        MakeRandom(src, 13, 9, depth, 3);
        const std::pair<const char *, std::function<int(Pic &)>> calls[] = {
            { "DibTwist", [](Pic &p) { return DibTwist(&p.bits, &p.info, 0, 1, 10, 0); } },
            { "DibTwist rows", [](Pic &p) { return DibTwist(&p.bits, &p.info, 0, 1, 10, 1); } },
            { "DibWaveEffect", [](Pic &p) { return DibWaveEffect(&p.bits, &p.info, 0, 1, 10, 1); } },
            { "DibSpiralEffect", [](Pic &p) { return DibSpiralEffect(&p.bits, &p.info, 30); } },
            { "DibDrop", [](Pic &p) { return DibDrop(&p.bits, &p.info, 0.5, 0.5, 0, 3, 10); } },
            { "DibImplodeImage", [](Pic &p) { return DibImplodeImage(&p.bits, &p.info, 1, 50, 50, 50); } },
            { "DibWind", [](Pic &p) { return DibWind(&p.bits, &p.info, 30, 0); } },
            { "DibShade", [](Pic &p) { return DibShade(&p.bits, &p.info, 1, 30, 30); } },
            { "DibShade grey", [](Pic &p) { return DibShade(&p.bits, &p.info, 0, 30, 30); } },
            { "DibPlasma", [](Pic &p) { return DibPlasma(&p.bits, &p.info, 2, 1); } },
            { "DibFuzzy",
                [](Pic &p) {
                    const HGLOBAL old = p.bits;
                    DibFuzzy(&p.bits, &p.info, 0, 30, 1);
                    return p.bits != old ? 1 : 0;
                } },
        };
        for (const auto &[name, call] : calls)
            ExpectAllocationFailuresUntouched(src, call, name);
        if (depth == 24)
            ExpectAllocationFailuresUntouched(
                src, [](Pic &p) { return DibLens(&p.bits, &p.info, 2, 1); }, "DibLens");
    }
}
