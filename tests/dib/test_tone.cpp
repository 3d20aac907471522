// Tone and colour functions against naive per-pixel references and hand-computed pictures.
#include "dib/dibcore.h"
#include "dibtest.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace
{

using Bgr = std::array<BYTE, 3>;

int Y100(const Bgr &c)
{
    return (11 * c[0] + 59 * c[1] + 30 * c[2]) / 100;
}
int Y256(const Bgr &c)
{
    return (29 * c[0] + 150 * c[1] + 77 * c[2]) >> 8;
}

// A 24-bit picture whose pixel i (memory order) is colours[i % size].
void Make24(Pic &p, int w, int h, const std::vector<Bgr> &colours)
{
    ASSERT_TRUE(CreateDib(w, h, 24, &p.bits, &p.info, 0));
    for (int y = 0, i = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++i)
            for (int c = 0; c < 3; ++c)
                p.at(x, y, c) = colours[std::size_t(i) % colours.size()][c];
}

std::vector<Bgr> Colours24(const Pic &p)
{
    return Grid(p.h().biWidth, p.h().biHeight, [&](int x, int y) { return p.bgr(x, y); });
}

// Every pixel of `before` through fn, as a reference for a per-pixel rule at 24 bits.
std::vector<Bgr> Mapped(const std::vector<Bgr> &before, const std::function<Bgr(Bgr)> &fn)
{
    std::vector<Bgr> out;
    for (const Bgr &c : before)
        out.push_back(fn(c));
    return out;
}

// Runs body for the thread and kernel settings that change the code path; restores them after.
void ForEachKernel(const std::function<void()> &body)
{
    auto reset = [](void *) {
        dib::SetMaxThreads(0);
        dib::SetVectorKernels(true);
    };
    const std::unique_ptr<void, decltype(reset)> restore(&reset, reset);
    for (auto [threads, vector] : { std::pair { 1, false }, std::pair { 1, true }, std::pair { 0, true } }) {
        SCOPED_TRACE(testing::Message() << threads << " threads, vector " << vector);
        dib::SetMaxThreads(threads);
        dib::SetVectorKernels(vector);
        body();
    }
}

// Widths around the vector steps and the row chunks; the last one is split over threads.
const std::pair<int, int> kSizes[] = { { 1, 3 }, { 35, 2 }, { 67, 3 }, { 1100, 2 }, { 803, 661 } };

// A palette picture whose call must change only the palette: the pixels stay byte for byte.
template <class Call> void ExpectOnlyPaletteChanges(int depth, Call call, const char *what)
{
    SCOPED_TRACE(testing::Message() << what << " at " << depth << " bits");
    Pic p;
    MakeRandom(p, 13, 5, depth, unsigned(depth));
    const HGLOBAL bits = p.bits;
    const std::vector<BYTE> pixels(
        static_cast<BYTE *>(p.bits), static_cast<BYTE *>(p.bits) + GlobalSize(p.bits));
    std::vector<RGBQUAD> palette(p.colours(), p.colours() + 256);
    call(p);
    ASSERT_EQ(p.bits, bits);
    EXPECT_EQ(std::memcmp(p.bits, pixels.data(), pixels.size()), 0);
    EXPECT_EQ(p.h().biBitCount, depth);
    EXPECT_NE(std::memcmp(p.colours(), palette.data(), 4 * std::size_t(GetPaletteEntry(p.info))), 0);
}

} // namespace

// ---- Null and invalid input: the failure value, nothing touched ----

TEST(ToneFunctions, NullOrInvalidInputGivesTheFailureValue)
{
    BYTE table[256] = {};
    BYTE out[3] = { 1, 2, 3 };
    HGLOBAL noBits = nullptr;
    BITMAPINFO *noInfo = nullptr;
    Pic p;
    MakeRandom(p, 4, 3, 24, 1);
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        HGLOBAL *bits = variant == 0 ? nullptr : variant == 1 ? &noBits : &p.bits;
        BITMAPINFO **info = variant == 2 ? &noInfo : &p.info;
        const Snapshot before(p);
        Dib2Gray(bits, info, 1);
        Dib2BW(bits, info);
        EXPECT_EQ(NegativeDib(bits, info, 0), 0);
        EXPECT_EQ(AdjustRGBOffset(bits, info, table, table, table), 0);
        EXPECT_EQ(DibNormalize(bits, info), 0);
        EXPECT_EQ(DibEqualizeImage(bits, info), 0);
        EXPECT_EQ(DibSolarize(bits, info, 50.0f), -1);
        DibColorMask(bits, info, RGB(1, 2, 3), 0, 0);
        DibLightMask(bits, info, RGB(255, 255, 255), 1, 100);
        DibHSLMask(bits, info, RGB(1, 2, 3), 0, 1);
        before.ExpectUnchanged(p);
    }
    // A header that promises more pixels than the block holds, and a null table.
    const Snapshot before(p);
    p.h().biHeight = 300;
    EXPECT_EQ(NegativeDib(&p.bits, &p.info, 0), 0);
    EXPECT_EQ(DibSolarize(&p.bits, &p.info, 10.0f), -1);
    Dib2Gray(&p.bits, &p.info, 0);
    p.h().biHeight = 3;
    EXPECT_EQ(AdjustRGBOffset(&p.bits, &p.info, table, nullptr, table), 0);
    EXPECT_EQ(DibSolarize(&p.bits, &p.info, std::nanf("")), -1);
    before.ExpectUnchanged(p);
    DibColorBlend(0xFFFFFF, 0, nullptr, 0);
    for (int mode : { -1, 10, 12 }) {
        DibColorBlend(0xFFFFFF, 0x123456, out, mode);
        EXPECT_EQ(out[0] + out[1] * 10 + out[2] * 100, 321) << mode;
    }
}

TEST(ToneFunctions, FailedAllocationsLeaveThePairAsItWas)
{
    const std::pair<const char *, std::function<void(Pic &)>> calls[] = {
        { "Dib2Gray to 8 bits", [](Pic &p) { Dib2Gray(&p.bits, &p.info, 1); } },
        { "Dib2BW", [](Pic &p) { Dib2BW(&p.bits, &p.info); } },
        { "DibNormalize", [](Pic &p) { EXPECT_EQ(DibNormalize(&p.bits, &p.info), 0); } },
    };
    for (const auto &[what, call] : calls) {
        SCOPED_TRACE(what);
        Pic p;
        MakeRandom(p, 9, 7, 24, 3);
        const Snapshot before(p);
        GlobalSetFailAt(1);
        call(p);
        GlobalSetFailAt(0);
        before.ExpectUnchanged(p);
    }
}

// ---- Dib2Gray ----

TEST(Dib2Gray, TwentyFourBitPixelsBecomeTheirGreyInPlaceOrAsEightBits)
{
    ForEachKernel([] {
        for (auto [w, h] : kSizes) {
            for (int to8 : { 0, 1 }) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << ", to 8 bits " << to8);
                Pic p;
                MakeRandom(p, w, h, 24, unsigned(w + to8));
                const std::vector<Bgr> before = Colours24(p);
                Dib2Gray(&p.bits, &p.info, to8);
                ASSERT_TRUE(HasShape(p, w, h, to8 ? 8 : 24));
                EXPECT_EQ(Colours24(p), Mapped(before, [](Bgr c) {
                    return Bgr { BYTE(Y100(c)), BYTE(Y100(c)), BYTE(Y100(c)) };
                }));
                if (to8) {
                    EXPECT_EQ(p.h().biClrUsed, 0u);
                    EXPECT_EQ(p.colours()[200].rgbGreen, 200);
                    EXPECT_EQ(p.index(0, 0), Y100(before[0]));
                }
            }
        }
    });
    Pic blue; // (255 × 11) / 100
    Make24(blue, 1, 1, { { 255, 0, 0 } });
    Dib2Gray(&blue.bits, &blue.info, 0);
    EXPECT_EQ(blue.bgr(0, 0), (Bgr { 28, 28, 28 }));
}

TEST(Dib2Gray, PalettesTurnGreyAndTwoColoursTurnBlackAndWhite)
{
    for (int depth : { 1, 4, 8 })
        ExpectOnlyPaletteChanges(
            depth, [](Pic &p) { Dib2Gray(&p.bits, &p.info, 1); }, "Dib2Gray");
    Pic p;
    MakeRandom(p, 5, 2, 8, 4);
    p.h().biClrUsed = 3;
    const std::vector<RGBQUAD> old(p.colours(), p.colours() + 4);
    Dib2Gray(&p.bits, &p.info, 0);
    for (int i = 0; i < 3; ++i) {
        const BYTE y = BYTE(Y100({ old[i].rgbBlue, old[i].rgbGreen, old[i].rgbRed }));
        EXPECT_TRUE(p.colours()[i].rgbBlue == y && p.colours()[i].rgbGreen == y && p.colours()[i].rgbRed == y)
            << i;
    }
    EXPECT_EQ(std::memcmp(&p.colours()[3], &old[3], 4), 0); // past the used colours

    // (palette entry 0, entry 1) -> whether entry 0 ends black
    const std::tuple<RGBQUAD, RGBQUAD, bool> pairs[] = {
        { { 128, 0, 0, 0 }, { 0, 255, 255, 0 }, true }, // dark blue, yellow
        { { 0, 255, 255, 0 }, { 128, 0, 0, 0 }, false },
        { { 10, 10, 10, 0 }, { 10, 10, 10, 0 }, true }, // equal grey: entry 0 is the dark one
    };
    for (const auto &[c0, c1, firstBlack] : pairs) {
        Pic two;
        MakeRandom(two, 9, 2, 1, 5);
        two.colours()[0] = c0;
        two.colours()[1] = c1;
        Dib2Gray(&two.bits, &two.info, 0);
        EXPECT_EQ(two.colours()[firstBlack ? 0 : 1].rgbGreen, 0);
        EXPECT_EQ(two.colours()[firstBlack ? 1 : 0].rgbGreen, 255);
        EXPECT_EQ(two.colours()[firstBlack ? 1 : 0].rgbBlue, 255);
    }
}

// ---- Dib2BW ----

TEST(Dib2BW, PixelsAboveTheMiddleGreyBecomeWhite)
{
    ForEachKernel([] {
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            Pic p;
            MakeRandom(p, w, h, 24, unsigned(w));
            const std::vector<Bgr> before = Colours24(p);
            int lo = 255, hi = 0;
            for (const Bgr &c : before) {
                lo = std::min(lo, Y100(c));
                hi = std::max(hi, Y100(c));
            }
            Dib2BW(&p.bits, &p.info);
            ASSERT_TRUE(HasShape(p, w, h, 1));
            EXPECT_EQ(p.h().biClrUsed, 0u);
            EXPECT_EQ(p.colours()[1].rgbRed, 255);
            EXPECT_EQ(p.colours()[0].rgbRed, 0);
            std::vector<int> expected, got = Grid(w, h, [&](int x, int y) { return p.index(x, y); });
            for (const Bgr &c : before)
                expected.push_back(Y100(c) > (lo + hi) / 2);
            EXPECT_EQ(got, expected);
        }
    });
    Pic flat; // nothing is above the threshold 100
    Make24(flat, 5, 3, { { 100, 100, 100 } });
    Dib2BW(&flat.bits, &flat.info);
    EXPECT_EQ(Pixels(flat), std::vector<BYTE>(3, 0));
}

TEST(Dib2BW, PalettePicturesUseTheGreysOfTheUsedColours)
{
    Pic p;
    MakeRandom(p, 10, 2, 8, 6);
    p.h().biClrUsed = 3; // greys 20, 60 and 120: threshold 70 (137 if colour 3 counted)
    const BYTE greys[4] = { 20, 60, 120, 255 };
    for (int i = 0; i < 4; ++i)
        p.colours()[i] = RGBQUAD { greys[i], greys[i], greys[i], 0 };
    for (int x = 0; x < 10; ++x)
        p.at(x, 0) = p.at(x, 1) = BYTE(x % 3);
    Dib2BW(&p.bits, &p.info);
    ASSERT_TRUE(HasShape(p, 10, 2, 1));
    EXPECT_EQ(Grid(10, 1, [&](int x, int) { return p.index(x, 1); }),
        (std::vector<int> { 0, 0, 1, 0, 0, 1, 0, 0, 1, 0 }));

    Pic one;
    MakeRandom(one, 9, 3, 1, 7);
    const Snapshot before(one);
    Dib2BW(&one.bits, &one.info);
    before.ExpectUnchanged(one);
}

// ---- NegativeDib ----

TEST(NegativeDib, InvertsEveryOrOnlyGreyColours)
{
    ForEachKernel([] {
        for (int greyOnly : { 0, 1 }) {
            Pic p;
            MakeRandom(p, 1100, 2, 24, 8);
            p.at(5, 0, 0) = p.at(5, 0, 1) = p.at(5, 0, 2) = 10;
            const std::vector<Bgr> before = Colours24(p);
            ASSERT_EQ(NegativeDib(&p.bits, &p.info, greyOnly), 1);
            EXPECT_EQ(Colours24(p), Mapped(before, [&](Bgr c) {
                if (greyOnly && !(c[0] == c[1] && c[1] == c[2]))
                    return c;
                return Bgr { BYTE(255 - c[0]), BYTE(255 - c[1]), BYTE(255 - c[2]) };
            }));
        }
    });
    Pic p;
    Make24(p, 2, 1, { { 0, 0, 255 }, { 10, 10, 10 } });
    ASSERT_EQ(NegativeDib(&p.bits, &p.info, 1), 1);
    EXPECT_EQ(p.bgr(0, 0), (Bgr { 0, 0, 255 }));
    EXPECT_EQ(p.bgr(1, 0), (Bgr { 245, 245, 245 }));
    for (int depth : { 1, 4, 8 })
        ExpectOnlyPaletteChanges(
            depth, [](Pic &q) { EXPECT_EQ(NegativeDib(&q.bits, &q.info, 0), 1); }, "NegativeDib");
}

// ---- AdjustRGBOffset ----

TEST(AdjustRGBOffset, EachChannelGoesThroughItsOwnTable)
{
    BYTE red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = BYTE(255 - i);
        green[i] = BYTE(i / 2);
        blue[i] = BYTE(i * 7);
    }
    Pic p;
    MakeRandom(p, 67, 3, 24, 9);
    const std::vector<Bgr> before = Colours24(p);
    ASSERT_EQ(AdjustRGBOffset(&p.bits, &p.info, red, green, blue), 1);
    EXPECT_EQ(Colours24(p), Mapped(before, [&](Bgr c) {
        return Bgr { blue[c[0]], green[c[1]], red[c[2]] };
    }));
    ExpectOnlyPaletteChanges(
        4, [&](Pic &q) { EXPECT_EQ(AdjustRGBOffset(&q.bits, &q.info, red, green, blue), 1); },
        "AdjustRGBOffset");
}

// ---- DibNormalize ----

TEST(DibNormalize, StretchesTheLevelsInsideTheCut)
{
    struct Case {
        const char *what;
        std::vector<std::pair<BYTE, int>> levels; // blue level, pixel count (the picture is 20 wide)
        std::vector<std::pair<BYTE, BYTE>> expected; // level -> result
    };
    const Case cases[] = {
        { "two levels", { { 100, 20 }, { 200, 20 } }, { { 100, 0 }, { 200, 254 } } },
        // 200 pixels, cut 2: the two darkest and the two lightest pixels lie outside
        { "cut", { { 10, 2 }, { 100, 98 }, { 150, 98 }, { 250, 2 } },
            { { 10, 0 }, { 100, 0 }, { 125, 127 }, { 150, 254 }, { 250, 255 } } },
        // 100 pixels, cut 1: both ends meet at 50, so the search is repeated without a cut
        { "retry", { { 50, 99 }, { 60, 1 } }, { { 50, 0 }, { 55, 127 }, { 60, 254 } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Bgr> colours;
        for (auto [level, count] : c.levels)
            for (int i = 0; i < count; ++i) // green and red do not count
                colours.push_back({ level, BYTE(255 - level), BYTE(i) });
        Pic p;
        Make24(p, 20, int(colours.size()) / 20, colours);
        // Green and red of a pixel carry probe levels through the same map.
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            p.at(int(i), 0, 1) = c.expected[i].first;
        ASSERT_EQ(DibNormalize(&p.bits, &p.info), 1);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(p.at(int(i), 0, 1), c.expected[i].second) << int(c.expected[i].first);
    }

    Pic flat;
    Make24(flat, 7, 3, { { 9, 200, 40 } });
    const Snapshot before(flat);
    EXPECT_EQ(DibNormalize(&flat.bits, &flat.info), 0);
    before.ExpectUnchanged(flat);

    Pic padded; // width 3: three padding bytes per row come back zero
    Make24(padded, 3, 2, { { 10, 10, 10 }, { 90, 90, 90 } });
    padded.row(0)[9] = padded.row(1)[11] = 0x5A;
    ASSERT_EQ(DibNormalize(&padded.bits, &padded.info), 1);
    EXPECT_EQ(padded.row(0)[9] + padded.row(1)[11], 0);
}

TEST(DibNormalize, MatchesANaiveReference)
{
    ForEachKernel([] {
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            Pic p;
            MakeRandom(p, w, h, 24, unsigned(w * 5));
            for (int y = 0; y < h; ++y) // blue levels 40 ... 167, so that the cut matters
                for (int x = 0; x < w; ++x)
                    p.at(x, y, 0) = BYTE(40 + (p.at(x, y, 0) & 127));
            const std::vector<Bgr> before = Colours24(p);
            std::vector<std::int64_t> hist(256, 0);
            for (const Bgr &c : before)
                ++hist[c[0]];
            const std::int64_t cut = std::int64_t(w) * h / 100;
            int low = 0, high = 255;
            for (std::int64_t sum = 0; sum <= cut; sum += hist[low++]) { }
            for (std::int64_t sum = 0; sum <= cut; sum += hist[high--]) { }
            --low; // the loops step one past the level that passed the cut
            ++high;
            if (low == high)
                continue; // a picture of one or two pixels: another test's case
            auto map = [&](int v) {
                return BYTE(v < low ? 0 : v > high ? 255 : 254 * (v - low) / (high - low));
            };
            ASSERT_EQ(DibNormalize(&p.bits, &p.info), 1);
            EXPECT_EQ(Colours24(p), Mapped(before, [&](Bgr c) {
                return Bgr { map(c[0]), map(c[1]), map(c[2]) };
            }));
        }
    });
}

TEST(DibNormalize, PalettePicturesWeighBlueMostAndChangeOnlyThePalette)
{
    // Levels (77 B + 150 G + 29 R) >> 8: grey 100 -> 100; (B 200, G 100, R 50) -> 124.
    Pic p;
    MakeRandom(p, 10, 10, 8, 11);
    p.colours()[0] = RGBQUAD { 100, 100, 100, 0 };
    p.colours()[1] = RGBQUAD { 200, 100, 50, 0 };
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            p.at(x, y) = BYTE(x & 1);
    const std::vector<BYTE> pixels = Pixels(p);
    ASSERT_EQ(DibNormalize(&p.bits, &p.info), 1);
    EXPECT_EQ(Pixels(p), pixels);
    EXPECT_EQ(p.bgr(0, 0), (Bgr { 0, 0, 0 }));
    EXPECT_EQ(p.bgr(1, 0), (Bgr { 255, 0, 0 }));
}

// ---- DibEqualizeImage ----

TEST(DibEqualizeImage, MapsTheCumulativeLuminanceToTheFullRange)
{
    struct Case {
        const char *what;
        std::vector<Bgr> colours; // spread evenly over a 6 × 4 picture
        std::vector<Bgr> expected;
    };
    const Case cases[] = {
        { "halves at 50 and 200", { { 50, 50, 50 }, { 200, 200, 200 } },
            { { 127, 127, 127 }, { 255, 255, 255 } } },
        { "thirds from 0", { { 0, 0, 0 }, { 100, 100, 100 }, { 200, 200, 200 } },
            { { 0, 0, 0 }, { 127, 127, 127 }, { 255, 255, 255 } } },
        // one colour, luminance (290 + 15000 + 15400) >> 8 = 119: levels from 119 up map to 255
        { "one colour", { { 10, 100, 200 } }, { { 0, 0, 255 } } },
        { "black", { { 0, 0, 0 } }, { { 0, 0, 0 } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Pic p;
        Make24(p, 6, 4, c.colours);
        ASSERT_EQ(DibEqualizeImage(&p.bits, &p.info), 1);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(p.bgr(int(i), 0), c.expected[i]);
    }
}

TEST(DibEqualizeImage, MatchesANaiveReference)
{
    ForEachKernel([] {
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            Pic p;
            MakeRandom(p, w, h, 24, unsigned(w * 3));
            const std::vector<Bgr> before = Colours24(p);
            std::vector<std::int64_t> c(256, 0);
            for (const Bgr &x : before)
                ++c[Y256(x)];
            for (int i = 1; i < 256; ++i)
                c[i] += c[i - 1];
            const std::int64_t d = std::max<std::int64_t>(c[255] - c[0], 1);
            auto map = [&](BYTE v) { return BYTE(int(double(c[v] - c[0]) * 255.0 / double(d))); };
            ASSERT_EQ(DibEqualizeImage(&p.bits, &p.info), 1);
            EXPECT_EQ(Colours24(p), Mapped(before, [&](Bgr x) {
                return Bgr { map(x[0]), map(x[1]), map(x[2]) };
            }));
        }
    });
}

TEST(DibEqualizeImage, PalettePicturesCountPixelsThroughThePalette)
{
    for (int depth : { 1, 4, 8 })
        ExpectOnlyPaletteChanges(
            depth, [](Pic &p) { EXPECT_EQ(DibEqualizeImage(&p.bits, &p.info), 1); }, "Equalize");
    Pic p; // 1 bit, three quarters of the pixels at colour 1 (grey 40), the rest colour 0 (grey 200)
    ASSERT_TRUE(CreateDib(8, 2, 1, &p.bits, &p.info, 0xEE)); // 1110 1110
    p.colours()[0] = RGBQUAD { 200, 200, 200, 0 };
    p.colours()[1] = RGBQUAD { 40, 40, 40, 0 };
    ASSERT_EQ(DibEqualizeImage(&p.bits, &p.info), 1);
    EXPECT_EQ(p.colours()[1].rgbGreen, 191); // (12 - 0) * 255 / 16
    EXPECT_EQ(p.colours()[0].rgbGreen, 255);

    Pic deep;
    MakeRandom(deep, 4, 4, 16, 1);
    EXPECT_EQ(DibEqualizeImage(&deep.bits, &deep.info), 0);
}

// ---- DibSolarize ----

TEST(DibSolarize, InvertsLevelsAboveThePercentOf256)
{
    for (auto [percent, t] : { std::pair { 50.0f, 128 }, std::pair { 0.0f, 0 }, std::pair { -5.0f, -1 },
             std::pair { 99.7f, 255 }, std::pair { 1e30f, 255 } }) {
        SCOPED_TRACE(percent);
        const int limit = t;
        Pic p;
        MakeRandom(p, 5, 3, 24, 12);
        p.at(0, 0) = 128;
        p.at(1, 0) = 129;
        p.row(0)[15] = 200; // padding
        const std::vector<Bgr> before = Colours24(p);
        ASSERT_EQ(DibSolarize(&p.bits, &p.info, percent), 1);
        EXPECT_EQ(Colours24(p), Mapped(before, [&](Bgr c) {
            for (BYTE &v : c)
                v = v > limit ? BYTE(255 - v) : v;
            return c;
        }));
        EXPECT_EQ(p.row(0)[15], 200);
    }
    ExpectOnlyPaletteChanges(
        8, [](Pic &p) { EXPECT_EQ(DibSolarize(&p.bits, &p.info, 30.0f), 1); }, "Solarize");
}

// ---- DibColorMask, DibLightMask, DibHSLMask ----

TEST(DibColorMask, TableModesFollowTheirFormulas)
{
    const COLORREF colour = RGB(200, 37, 255);
    const int K[3] = { 255, 37, 200 }; // blue, green, red
    using Rule = std::function<int(int i, int k)>;
    const std::pair<int, Rule> modes[] = {
        { 0, [](int, int k) { return k; } },
        { 1, [](int i, int k) { return std::max(i - k, 0); } },
        { 2, [](int i, int k) { return i * k / 255; } },
        { 3, [](int i, int k) { return std::abs(i - k); } },
        { 6, [](int i, int k) { return k - i * k / 255 + i; } },
    };
    for (const auto &[mode, formula] : modes)
        for (int p : { 0, 37, 100 }) {
            const Rule &rule = formula;
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", strength " << p);
            Pic pic;
            MakeRandom(pic, 35, 3, 24, unsigned(mode));
            const std::vector<Bgr> before = Colours24(pic);
            DibColorMask(&pic.bits, &pic.info, colour, p, mode);
            EXPECT_EQ(Colours24(pic), Mapped(before, [&](Bgr c) {
                for (int ch = 0; ch < 3; ++ch)
                    c[ch] = BYTE((rule(c[ch], K[ch]) * (100 - p) + c[ch] * p) / 100);
                return c;
            }));
        }
    ExpectOnlyPaletteChanges(
        8, [](Pic &p) { DibColorMask(&p.bits, &p.info, RGB(9, 9, 9), 40, 3); }, "ColorMask");
}

TEST(DibColorMask, OtherModesAreTheLightAndHslMasks)
{
    Pic fresh;
    MakeRandom(fresh, 9, 4, 24, 13);
    for (int mode : { 4, 5, 7, 8, 9, 10 }) {
        SCOPED_TRACE(mode);
        Pic a, b;
        MakeRandom(a, 9, 4, 24, 13);
        MakeRandom(b, 9, 4, 24, 13);
        DibColorMask(&a.bits, &a.info, RGB(90, 160, 30), 20, mode);
        if (mode < 7)
            DibLightMask(&b.bits, &b.info, RGB(90, 160, 30), mode - 4, 20);
        else
            DibHSLMask(&b.bits, &b.info, RGB(90, 160, 30), mode - 7, 20);
        EXPECT_EQ(Pixels(a), Pixels(b));
        EXPECT_NE(Pixels(a), Pixels(fresh));
    }
    const Snapshot before(fresh);
    DibColorMask(&fresh.bits, &fresh.info, RGB(90, 160, 30), 60, 11);
    before.ExpectUnchanged(fresh);
}

TEST(DibLightMask, ReplacesColoursPastTheScaledThreshold)
{
    // Colour grey 100: 30 R + 59 G + 11 B = 10000; factor 0.118 at strength 1 (and below), 1.0 at
    // 50, 6.0 at 100. Pixels: L of grey g is 100 g.
    struct Case {
        int strength, subMode;
        BYTE grey;
        bool replaced;
    };
    const Case cases[] = {
        { 50, 0, 99, true }, { 50, 0, 100, false }, { 50, 1, 101, true }, { 50, 1, 100, false },
        { 1, 0, 11, true }, { 1, 0, 12, false }, { -20, 0, 11, true }, { 100, 0, 255, true },
        { 200, 1, 255, false }, { 50, 2, 0, false }, { 30, 0, 63, true }, { 30, 0, 64, false }, // k 0.64
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << ", sub-mode " << c.subMode);
        Pic p;
        Make24(p, 1, 1, { { c.grey, c.grey, c.grey } });
        DibLightMask(&p.bits, &p.info, RGB(100, 100, 100), c.subMode, c.strength);
        EXPECT_EQ(p.at(0, 0, 1), c.replaced ? 100 : c.grey);
    }
    ExpectOnlyPaletteChanges(
        8, [](Pic &p) { DibLightMask(&p.bits, &p.info, RGB(1, 2, 3), 1, 1); }, "LightMask");
}

TEST(DibHSLMask, TakesPartsOfTheColourAndMixesByStrength)
{
    // A red pixel; strength 0 counts as 1, so the result is (new × 99 + old) / 100.
    struct Case {
        COLORREF colour;
        int subMode;
        Bgr expected;
    };
    const Case cases[] = {
        { RGB(0, 0, 0), 0, { 0, 0, 2 } }, // black's lightness: black
        { RGB(0, 0, 255), 1, { 252, 0, 2 } }, // blue's hue: blue
        { RGB(128, 128, 128), 2, { 126, 126, 129 } }, // grey's saturation: grey 128
        { RGB(128, 128, 128), 3, { 126, 126, 129 } }, // grey's hue (1.0, taken as 0) and saturation
        { RGB(0, 0, 255), 4, { 0, 0, 255 } }, // no such sub-mode
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.subMode);
        Pic p;
        Make24(p, 2, 1, { { 0, 0, 255 } });
        DibHSLMask(&p.bits, &p.info, c.colour, c.subMode, 0);
        EXPECT_EQ(p.bgr(1, 0), c.expected);
    }
    ExpectOnlyPaletteChanges(
        4, [](Pic &p) { DibHSLMask(&p.bits, &p.info, RGB(1, 200, 3), 1, 30); }, "HSLMask");
}

// ---- DibColorBlend ----

TEST(DibColorBlend, EveryModeOnChosenPixels)
{
    const DWORD base = 200 | 100 << 8 | 255 << 16; // blue, green, red
    const DWORD blend = 100 | 200 << 8 | 37 << 16;
    const Bgr expected[] = {
        { 100, 200, 37 }, // 0 blend
        { 100, 0, 218 }, // 1 base - blend
        { 78, 78, 37 }, // 2 multiply
        { 200, 200, 255 }, // 3 lighter
        { 100, 100, 37 }, // 4 darker
        { 100, 100, 218 }, // 5 difference
        { 222, 222, 255 }, // 6 screen
    };
    for (int mode = 0; mode < 7; ++mode) {
        Bgr out {};
        DibColorBlend(base, blend, out.data(), mode);
        EXPECT_EQ(out, expected[mode]) << mode;
    }
    const DWORD red = 0xFF0000, green = 0x00FF00, white = 0xFFFFFF, grey = 0x808080, blue = 0x0000FF;
    const std::tuple<DWORD, DWORD, int, Bgr> hsl[] = {
        { red, white, 7, { 255, 255, 255 } }, // lightness 1 of white
        { red, grey, 7, { 1, 1, 255 } }, // red at lightness 128/255
        { red, green, 8, { 0, 255, 0 } }, // green's hue
        { red, grey, 9, { 128, 128, 128 } }, // grey's saturation
        { grey, blue, 11, { 255, 1, 1 } }, // blue's hue and saturation, grey's lightness
    };
    for (const auto &[a, b, mode, want] : hsl) {
        Bgr out {};
        DibColorBlend(a, b, out.data(), mode);
        EXPECT_EQ(out, want) << mode;
    }
    Bgr out {};
    DibColorBlend(0, 0, out.data(), 6);
    EXPECT_EQ(out, (Bgr { 0, 0, 0 }));
    DibColorBlend(white, 0x123456, out.data(), 6);
    EXPECT_EQ(out, (Bgr { 255, 255, 255 }));
}
