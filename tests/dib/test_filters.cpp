// Filters against naive references written here from the pixel rules: one output value at a time,
// no tables shared with the library, no threads.
#include "dib/dibcore.h"
#include "dib/random.h"
#include "dibtest.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <tuple>

namespace
{

// Restores threads and vector kernels however a test ends.
struct KernelSettings {
    ~KernelSettings()
    {
        dib::SetMaxThreads(0);
        dib::SetVectorKernels(true);
    }
};

const std::pair<int, bool> kRuns[] = { { 1, false }, { 1, true }, { 0, true } };

// Small pictures run on one thread with and without the vector kernels; pictures above the
// threading threshold only need the run that splits them.
std::vector<std::pair<int, bool>> Runs(int w, int h)
{
    if (w * h > 100000)
        return { { 0, true } };
    return { std::begin(kRuns), std::end(kRuns) };
}

std::vector<int> Threads(int w, int h)
{
    return w * h > 100000 ? std::vector { 0 } : std::vector { 1, 0 };
}

void Copy(Pic &dst, const Pic &src)
{
    ASSERT_TRUE(DuplicateDibData(&dst.bits, &dst.info, src.bits, src.info));
}

// The whole block, padding included.
std::vector<BYTE> AllBytes(const Pic &p)
{
    return std::vector<BYTE>(static_cast<BYTE *>(p.bits), static_cast<BYTE *>(p.bits) + GlobalSize(p.bits));
}

int Clamp(int v)
{
    return std::clamp(v, 0, 255);
}

int G601(int r, int g, int b)
{
    return int(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
}

int G601(const Pic &p, int x, int y)
{
    const auto c = p.bgr(x, y);
    return G601(c[2], c[1], c[0]);
}

int Code(Pic &p, int code, int param)
{
    const int params[3] = { 99, code, param };
    return DoImageFilter(&p.bits, &p.info, 12345, params);
}

void Flat(Pic &p, int w, int h, BYTE fill)
{
    ASSERT_TRUE(CreateDib(w, h, 24, &p.bits, &p.info, 0));
    for (int y = 0; y < h; ++y)
        std::fill(p.row(y), p.row(y) + 3 * w, fill);
}

// ---- Reference: DoSpecialFilter ----

const int kKernel[10][9]
    = { { 1, 3, 1, 3, 20, 3, 1, 3, 1 }, { 1, 3, 1, 3, 10, 3, 1, 3, 1 }, { 1, 3, 1, 3, 5, 3, 1, 3, 1 },
          { 1, 2, 1, 2, 1, 2, 1, 2, 1 }, { 3, 3, 3, 3, 1, 3, 3, 3, 3 }, { 0, -1, 0, -1, 5, -1, 0, -1, 0 },
          { -1, 0, -1, 0, 5, 0, -1, 0, -1 }, { -1, -1, -1, -1, 9, -1, -1, -1, -1 },
          { -1, -2, -1, -2, 13, -2, -1, -2, -1 }, { -2, -2, -2, -2, 17, -2, -2, -2, -2 } };
const int kDivisor[10] = { 36, 26, 21, 13, 25, 1, 1, 1, 1, 1 };

std::vector<BYTE> RefSpecial(const Pic &src, int type, int sub)
{
    const int H = src.h().biHeight, stride = src.stride();
    std::vector<BYTE> out = AllBytes(src);
    if (type >= 7)
        std::fill(out.begin(), out.end(), 128);
    auto in = [&](int y, int j) { return int(src.row(y)[j]); };
    const bool allRows = type >= 4 && type <= 6;
    for (int y = allRows ? 0 : 1; y <= (allRows ? H - 1 : H - 2); ++y)
        for (int j = 3; j <= stride - 4; ++j) {
            const int m = in(y, j), l = in(y, j - 3), r = in(y, j + 3);
            int v = 0;
            if (type <= 2) {
                const int k = (type == 1 ? 0 : 5) + sub;
                int sum = 0;
                for (int i = 0; i < 9; ++i)
                    sum += kKernel[k][i] * in(y + 1 - i / 3, j + 3 * (i % 3 - 1));
                v = sum / kDivisor[k];
            } else if (type == 3) {
                int sum = 0;
                for (int i = 0; i < 9; ++i)
                    sum += i == 4 ? 0 : in(y + 1 - i / 3, j + 3 * (i % 3 - 1));
                v = std::min(255, (3 * sum + 4 * m) / 20);
            } else if (type == 4) {
                v = 2 * (l + r) - 3 * m;
            } else if (type == 5) {
                v = 26 * m - 24 * r - l;
            } else if (type == 6) {
                v = 5 * m - r - l;
            } else {
                int k = type - 7;
                k += k >= 4;
                const int kk = 8 - k;
                v = (in(y + k / 3 - 1, j + 3 * (k % 3 - 1)) - in(y + kk / 3 - 1, j + 3 * (kk % 3 - 1))) * sub
                    + 128;
            }
            out[std::size_t(y) * stride + j] = BYTE(Clamp(v));
        }
    return out;
}

} // namespace

// ---- DoSpecialFilter ----

TEST(DoSpecialFilter, EveryTypeAndKernelMatchesTheReferenceAtOddWidthsOnAnyThreads)
{
    KernelSettings restore;
    // (width, height): widths whose rows end in padding, a single column and row, and pictures wide
    // and tall enough for the vector path and for several threads.
    const std::pair<int, int> sizes[]
        = { { 7, 5 }, { 6, 4 }, { 1, 3 }, { 2, 2 }, { 3, 1 }, { 37, 9 }, { 730, 720 } };
    for (auto [m_w, m_h] : sizes) {
        const int w = m_w, h = m_h;
        Pic source;
        MakeRandom(source, w, h, 24, unsigned(w * 7 + h));
        for (int i = 0; i < 10 && w * h < 1000; ++i) // a few pixels at the extremes
            source.row(h / 2)[i % (3 * w)] = BYTE(i & 1 ? 255 : 0);
        for (int type = 1; type <= 14; ++type)
            for (int sub : type <= 2 ? std::vector { 0, 1, 2, 3, 4 } : std::vector { 0, 1, 3, -2 }) {
                if (w * h > 1000 && !(type == 1 && sub == 0))
                    continue; // the large picture checks the threaded and vector paths only
                const auto expected = RefSpecial(source, type, sub);
                for (auto [m_threads, m_vector] : Runs(w, h)) {
                    const int threads = m_threads, vector = m_vector;
                    SCOPED_TRACE(testing::Message() << w << "x" << h << " type " << type << " sub " << sub
                                                    << ", threads " << threads << ", vector " << vector);
                    dib::SetMaxThreads(threads);
                    dib::SetVectorKernels(vector);
                    Pic p;
                    Copy(p, source);
                    ASSERT_EQ(DoSpecialFilter(&p.bits, &p.info, type, sub), 1);
                    ASSERT_TRUE(HasShape(p, w, h, 24));
                    ASSERT_EQ(AllBytes(p), expected);
                }
            }
    }
}

TEST(DoSpecialFilter, NormalisedKernelsKeepFlatPicturesFlatAndEmbossGivesMidGrey)
{
    // Rows of 8 pixels have no padding, which the last pixel's first byte would otherwise see.
    for (BYTE level : { BYTE(0), BYTE(77), BYTE(255) }) {
        for (int type : { 1, 2 })
            for (int sub = 0; sub < 5; ++sub) {
                SCOPED_TRACE(testing::Message() << int(level) << " type " << type << " sub " << sub);
                Pic p;
                Flat(p, 8, 6, level);
                ASSERT_EQ(DoSpecialFilter(&p.bits, &p.info, type, sub), 1);
                EXPECT_EQ(Grid(24, 6, [&](int j, int y) { return p.row(y)[j]; }),
                    Grid(24, 6, [&](int, int) { return level; }));
            }
        Pic p;
        Flat(p, 8, 6, level);
        ASSERT_EQ(DoSpecialFilter(&p.bits, &p.info, 7, 5), 1);
        EXPECT_EQ(Grid(24, 6, [&](int j, int y) { return p.row(y)[j]; }),
            Grid(24, 6, [](int, int) { return BYTE(128); }));
    }
}

TEST(DoSpecialFilter, PalettePicturesComeBackAt24BitsAndBadTypesAreRefused)
{
    Pic p;
    MakeRandom(p, 11, 7, 8, 4);
    Pic wide;
    Copy(wide, p);
    ASSERT_EQ(AnyConvertTo24Bit(&wide.bits, &wide.info), 1);
    ASSERT_EQ(DoSpecialFilter(&p.bits, &p.info, 1, 2), 1);
    EXPECT_TRUE(HasShape(p, 11, 7, 24));
    EXPECT_EQ(p.h().biClrUsed, 0u);
    EXPECT_EQ(AllBytes(p), RefSpecial(wide, 1, 2));
    for (int type : { 0, 17, -1, INT_MAX }) {
        const Snapshot before(p);
        EXPECT_EQ(DoSpecialFilter(&p.bits, &p.info, type, 0), 0);
        before.ExpectUnchanged(p);
    }
}

// ---- DoImageFilter ----

TEST(DoImageFilter, GreyAndInvertOnPixelsAndOnPalettes)
{
    Pic p;
    ASSERT_TRUE(CreateDib(3, 1, 24, &p.bits, &p.info, 0));
    p.at(0, 0, 0) = 255; // pure blue: 0.114 × 255 + 0.5 = 29.57
    p.at(1, 0, 1) = 255;
    p.at(2, 0, 2) = 1; // 0.299 + 0.5 rounds down
    ASSERT_EQ(Code(p, 1, 0), 1);
    EXPECT_EQ(Grid(9, 1, [&](int j, int) { return p.row(0)[j]; }),
        (std::vector<BYTE> { 29, 29, 29, 150, 150, 150, 0, 0, 0 }));
    ASSERT_EQ(Code(p, 3, 0), 1);
    EXPECT_EQ(p.at(0, 0, 2), 226);
    EXPECT_EQ(p.at(1, 0, 0), 105);

    Pic pal;
    MakeRandom(pal, 5, 3, 4, 8);
    const auto pixels = AllBytes(pal);
    std::vector<RGBQUAD> before(pal.colours(), pal.colours() + 16);
    ASSERT_EQ(Code(pal, 3, 0), 1);
    EXPECT_EQ(pal.h().biClrUsed, 16u); // the palette accessor records the size
    ASSERT_EQ(Code(pal, 1, 0), 1);
    EXPECT_EQ(AllBytes(pal), pixels);
    for (int i = 0; i < 16; ++i) {
        const int g = G601(255 - before[i].rgbRed, 255 - before[i].rgbGreen, 255 - before[i].rgbBlue);
        EXPECT_EQ(pal.colours()[i].rgbRed, g);
        EXPECT_EQ(pal.colours()[i].rgbBlue, g);
    }
}

TEST(DoImageFilter, EmbossAndEngraveMatchTheReference)
{
    for (auto [m_w, m_h] : { std::pair { 7, 5 }, std::pair { 1, 4 }, std::pair { 6, 1 } })
        for (int p : { -300, 0, 40 }) {
            const int w = m_w, h = m_h;
            Pic src;
            MakeRandom(src, w, h, 24, unsigned(w + h + p));
            for (bool engrave : { false, true }) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " p " << p << " engrave " << engrave);
                Pic q;
                Copy(q, src);
                ASSERT_EQ(Code(q, engrave ? 9 : 2, p), 1);
                auto expect = [&](int x, int y) {
                    if (x == 0 || y == 0)
                        return G601(src, x, y);
                    int d = G601(src, x - 1, y - 1) - G601(src, x, y);
                    if (!engrave)
                        return Clamp(d + 128);
                    d = d < p ? -128 : std::min(d, 127);
                    return Clamp(127 - d);
                };
                auto got = [&](int x, int y) {
                    const auto c = q.bgr(x, y);
                    return c[0] == c[1] && c[1] == c[2] ? int(c[0]) : -1;
                };
                EXPECT_EQ(Grid(w, h, got), Grid(w, h, expect));
            }
        }
}

TEST(DoImageFilter, EmbossAndEngraveOn8BitPalettesStoreDifferences)
{
    Pic src;
    MakeRandom(src, 6, 4, 8, 21);
    for (bool engrave : { false, true }) {
        Pic q;
        Copy(q, src);
        ASSERT_EQ(Code(q, engrave ? 9 : 2, 10), 1);
        auto expect = [&](int x, int y) {
            if (x == 0 || y == 0)
                return engrave ? src.index(x, y) : (G601(src, x, y) + 128) & 255;
            int d = G601(src, x - 1, y - 1) - G601(src, x, y);
            d = engrave ? (std::min(d, 127) < 10 ? 0 : std::min(d, 127)) : std::clamp(d, -128, 127);
            return d & 255;
        };
        EXPECT_EQ(Grid(6, 4, [&](int x, int y) { return q.index(x, y); }), Grid(6, 4, expect));
        if (!engrave) { // index i shows grey (i + 128) mod 256, so the stored d shows d + 128
            for (int i : { 0, 127, 128, 255 })
                EXPECT_EQ(q.colours()[i].rgbGreen, (i + 128) & 255);
        }
    }
}

TEST(DoImageFilter, PixelateTakesEachBlocksFirstPixelWithPartialBlocksAtTheEdges)
{
    for (int depth : { 24, 8 }) {
        Pic src, q;
        MakeRandom(src, 7, 5, depth, 3);
        Copy(q, src);
        ASSERT_EQ(Code(q, 4, 3), 1);
        EXPECT_EQ(Grid(7, 5, [&](int x, int y) { return q.bgr(x, y); }),
            Grid(7, 5, [&](int x, int y) { return src.bgr(x / 3 * 3, y / 3 * 3); }));
    }
    Pic four;
    MakeRandom(four, 7, 5, 4, 3);
    const Snapshot before(four);
    EXPECT_EQ(Code(four, 4, 3), 1);
    before.ExpectUnchanged(four);
}

TEST(DoImageFilter, SoftBlurWorksInPlaceFromTheTopDown)
{
    for (int p : { 3, 10, 40 }) {
        Pic src, q;
        MakeRandom(src, 8, 6, 24, 5);
        Copy(q, src);
        ASSERT_EQ(Code(q, 5, p), 1);
        std::vector<BYTE> ref = AllBytes(src);
        const int s = src.stride(), d = std::clamp(p, 9, 11);
        for (int y = 4; y >= 1; --y)
            for (int x = 1; x <= 6; ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            sum += ref[(y + dy) * s + 3 * (x + dx) + c];
                    ref[y * s + 3 * x + c] = BYTE(sum / d);
                }
        EXPECT_EQ(AllBytes(q), ref) << "p " << p;
    }
}

TEST(DoImageFilter, TextureAndRainFollowTheRandomSequence)
{
    const BYTE table[6][6]
        = { { 0, 63, 70, 71, 84, 89 }, { 7, 20, 25, 70, 87, 89 }, { 0, 25, 41, 63, 87, 89 },
              { 0, 14, 20, 25, 63, 89 }, { 0, 7, 14, 71, 84, 87 }, { 0, 8, 11, 63, 70, 71 } };
    Pic src, q;
    MakeRandom(src, 13, 8, 24, 6);
    Copy(q, src);
    dib::SeedRandom(77);
    ASSERT_EQ(Code(q, 7, 0), 1);
    dib::SeedRandom(77);
    auto texture = [&](int x, int y) {
        const double dark = table[x % 6][y % 6] * 0.5 + dib::NextRandom() % 10;
        std::array<BYTE, 3> c = src.bgr(x, y);
        for (BYTE &v : c)
            v = BYTE(std::max(0, int(v - dark)));
        return c;
    };
    EXPECT_EQ(Grid(13, 8, [&](int x, int y) { return q.bgr(x, y); }), Grid(13, 8, texture));

    // Streaks of length 0 (p = 1): one pixel per line, lines side by side from (x0, y0).
    Pic rain;
    Copy(rain, src);
    dib::SeedRandom(5);
    ASSERT_EQ(Code(rain, 6, 1), 1);
    std::vector<BYTE> ref = AllBytes(src);
    dib::SeedRandom(5);
    for (int s = 0; s < int(std::sqrt(13.0) * std::sqrt(8.0)); ++s) {
        dib::NextRandom();
        const int x0 = std::max(1, dib::NextRandom() % 12), y0 = std::max(1, dib::NextRandom() % 7);
        EXPECT_EQ(dib::NextRandom() % 1, 0);
        const int lines = dib::NextRandom() % 3 + 1;
        for (int x = x0; x < x0 + lines && x < 13; ++x) {
            const int a = 100 + dib::NextRandom() % 20;
            for (int c = 0; c < 3; ++c) {
                BYTE &v = ref[y0 * src.stride() + 3 * x + c];
                v = BYTE(v * 0.5 + a);
            }
        }
    }
    EXPECT_EQ(AllBytes(rain), ref);
}

TEST(DoImageFilter, RainAndFogAreTheSameForTheSameSeedOnAnyThreads)
{
    KernelSettings restore;
    Pic src;
    MakeRandom(src, 730, 720, 24, 9); // large enough for several threads
    for (int code : { 6, 8 }) {
        std::vector<BYTE> first;
        for (int threads : { 1, 0 }) {
            dib::SetMaxThreads(threads);
            Pic q;
            Copy(q, src);
            dib::SeedRandom(1234);
            ASSERT_EQ(Code(q, code, 20), 1);
            if (first.empty())
                first = AllBytes(q);
            else
                EXPECT_EQ(AllBytes(q), first) << "code " << code << ", threads " << threads;
        }
        EXPECT_NE(first, AllBytes(src));
    }
    // Fog only lightens towards white and keeps red at most as light as green and blue rise.
    Pic flat;
    Flat(flat, 40, 30, 0);
    ASSERT_EQ(Code(flat, 8, 0), 1);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const auto c = flat.bgr(x, y);
            EXPECT_EQ(c[0], c[1]);
            EXPECT_LE(c[2], c[0]);
            EXPECT_GE(c[2], int(c[0] * 0.9) - 1);
        }
    Pic high; // a threshold above every texture value changes nothing
    Copy(high, src);
    ASSERT_EQ(Code(high, 8, 255), 1);
    EXPECT_EQ(AllBytes(high), AllBytes(src));
}

TEST(DoImageFilter, CodesOutsideTheRangeAndUnusableInput)
{
    Pic p;
    MakeRandom(p, 5, 4, 24, 1);
    for (int code : { 0, 12, -1 }) {
        const Snapshot before(p);
        EXPECT_EQ(Code(p, code, 3), 0);
        before.ExpectUnchanged(p);
    }
    EXPECT_EQ(DoImageFilter(&p.bits, &p.info, 0, nullptr), 0);
    HGLOBAL none = nullptr;
    BITMAPINFO *noInfo = nullptr;
    const int grey[3] = { 0, 1, 0 }, negative[3] = { 0, 10, 0 };
    EXPECT_EQ(DoImageFilter(&none, &noInfo, 0, grey), 1);
    EXPECT_EQ(DoImageFilter(&none, &noInfo, 0, negative), 0);
    Pic deep; // 32 bits: no filter works on it
    MakeRandom(deep, 5, 4, 32, 1);
    for (int code = 1; code <= 9; ++code) {
        const Snapshot before(deep);
        EXPECT_EQ(Code(deep, code, 4), 1);
        before.ExpectUnchanged(deep);
    }
}

TEST(DoImageFilter, NegativeAndOilPaintCodes)
{
    Pic p;
    ASSERT_TRUE(CreateDib(2, 1, 24, &p.bits, &p.info, 0));
    p.at(0, 0, 2) = 255; // pure red
    p.at(1, 0, 0) = p.at(1, 0, 1) = p.at(1, 0, 2) = 10;
    ASSERT_EQ(Code(p, 10, 1), 1); // grey only
    EXPECT_EQ(p.bgr(0, 0), (std::array<BYTE, 3> { 0, 0, 255 }));
    EXPECT_EQ(p.bgr(1, 0), (std::array<BYTE, 3> { 245, 245, 245 }));
    ASSERT_EQ(Code(p, 10, 0), 1);
    EXPECT_EQ(p.bgr(0, 0), (std::array<BYTE, 3> { 255, 255, 0 }));

    Pic a, b;
    MakeRandom(a, 9, 9, 8, 2);
    Copy(b, a);
    ASSERT_EQ(Code(a, 11, 2), 1);
    ASSERT_EQ(OilPaintDib(&b.bits, &b.info, 2), 1);
    EXPECT_EQ(AllBytes(a), AllBytes(b));
}

// ---- OilPaintDib ----

TEST(OilPaintDib, MatchesTheCountingReferenceAtEveryDepth)
{
    KernelSettings restore;
    for (int depth : { 1, 4, 8, 16, 24 })
        for (int r : { 1, 2, 3 }) {
            Pic src;
            MakeRandom(src, 11, 9, depth, unsigned(depth + r));
            if (depth >= 16) // few distinct luminances, so counts tie
                for (int y = 0; y < 9; ++y)
                    for (int i = 0; i < src.stride(); ++i)
                        src.row(y)[i] &= 0xC0;
            auto luma = [&](int x, int y) {
                const auto c = src.bgr(x, y);
                return (29 * c[0] + 150 * c[1] + 77 * c[2]) >> 8;
            };
            auto expect = [&](int x, int y) {
                if (x < r || y < r || x >= 11 - r || y >= 9 - r)
                    return src.bgr(x, y);
                int count[256] = {}, best = 0;
                std::pair<int, int> chosen { x, y };
                auto seg = [&](int row, int from, int to) {
                    for (int k = from; k <= to; ++k)
                        if (++count[luma(k, row)] > best) {
                            best = count[luma(k, row)];
                            chosen = { k, row };
                        }
                };
                for (int i = 0; i < r; ++i) {
                    seg(y - r + i, x - r, x - r + 2 * i);
                    seg(y + r - i, x - r, x - r + 2 * i);
                }
                seg(y, x - r, x + r);
                return src.bgr(chosen.first, chosen.second);
            };
            for (int threads : { 1, 0 }) {
                SCOPED_TRACE(testing::Message() << depth << " bits, radius " << r << ", threads " << threads);
                dib::SetMaxThreads(threads);
                Pic q;
                Copy(q, src);
                ASSERT_EQ(OilPaintDib(&q.bits, &q.info, r), 1);
                EXPECT_TRUE(HasShape(q, 11, 9, depth));
                EXPECT_EQ(Grid(11, 9, [&](int x, int y) { return q.bgr(x, y); }), Grid(11, 9, expect));
            }
        }
}

TEST(OilPaintDib, UniformPicturesAndRadiiBeyondThePictureChangeNothing)
{
    Pic flat;
    Flat(flat, 12, 10, 90);
    const auto before = AllBytes(flat);
    for (int r : { 0, -4, 1, 4, 5, 6, INT_MAX }) {
        ASSERT_EQ(OilPaintDib(&flat.bits, &flat.info, r), 1);
        EXPECT_EQ(AllBytes(flat), before);
    }
    Pic deep;
    MakeRandom(deep, 4, 4, 32, 1);
    EXPECT_EQ(OilPaintDib(&deep.bits, &deep.info, 1), 0);
}

// ---- DibCharCoal ----

TEST(DibCharCoal, EdgesOfEachChannelMakeAGreyDrawing)
{
    Pic src, q;
    MakeRandom(src, 7, 5, 24, 12);
    src.at(3, 2, 0) = src.at(3, 2, 1) = src.at(3, 2, 2) = 255;
    Copy(q, src);
    ASSERT_EQ(DibCharCoal(&q.bits, &q.info), 1);
    auto expect = [&](int x, int y) {
        if (x == 0 || y == 0 || x == 6 || y == 4)
            return int(src.at(x, y, 0));
        int e[3];
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += (dx || dy) ? src.at(x + dx, y + dy, c) : 0;
            e[c] = Clamp(8 * src.at(x, y, c) - sum);
        }
        return 255 - ((77 * e[2] + 150 * e[1] + 29 * e[0]) >> 8);
    };
    auto got = [&](int x, int y) {
        const auto c = q.bgr(x, y);
        return c[0] == c[1] && c[1] == c[2] ? int(c[0]) : -1;
    };
    EXPECT_EQ(Grid(7, 5, got), Grid(7, 5, expect));

    Pic one, small;
    MakeRandom(one, 7, 5, 1, 1);
    MakeRandom(small, 2, 9, 24, 1);
    for (Pic *p : { &one, &small }) {
        const Snapshot before(*p);
        EXPECT_EQ(DibCharCoal(&p->bits, &p->info), 0);
        before.ExpectUnchanged(*p);
    }
}

// ---- DibReduceNoiseImage ----

TEST(DibReduceNoiseImage, HandMadeNeighbourhoodsTakeTheFifthByLuminance)
{
    // 5 × 5 grey picture: a white speck at (2, 2) and a black one at (1, 3) vanish; the border stays.
    Pic p;
    Flat(p, 5, 5, 100);
    auto set = [&](int x, int y, BYTE b, BYTE g, BYTE r) {
        p.at(x, y, 0) = b;
        p.at(x, y, 1) = g;
        p.at(x, y, 2) = r;
    };
    set(2, 2, 255, 255, 255);
    set(1, 3, 0, 0, 0);
    set(0, 0, 255, 0, 0);
    ASSERT_EQ(DibReduceNoiseImage(&p.bits, &p.info), 1);
    EXPECT_EQ(p.bgr(2, 2), (std::array<BYTE, 3> { 100, 100, 100 }));
    EXPECT_EQ(p.bgr(1, 3), (std::array<BYTE, 3> { 100, 100, 100 }));
    EXPECT_EQ(p.bgr(0, 0), (std::array<BYTE, 3> { 255, 0, 0 }));

    // Equal keys, different colours: red up to 8 alone gives key (29 × red) >> 8 = 0, red 9 key 1.
    // Ties go in memory order: rows from the bottom, pixels from the left.
    Pic t;
    Flat(t, 5, 5, 0);
    const BYTE tie[3][3][3] = { { { 0, 0, 9 }, { 0, 0, 1 }, { 0, 0, 2 } },
        { { 0, 0, 3 }, { 0, 0, 4 }, { 0, 0, 5 } }, { { 0, 0, 6 }, { 0, 0, 7 }, { 0, 0, 8 } } };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                t.at(1 + x, 1 + y, c) = tie[y][x][c];
    ASSERT_EQ(DibReduceNoiseImage(&t.bits, &t.info), 1);
    EXPECT_EQ(t.at(2, 2, 2), 5); // keys 1 0 0 / 0 0 0 / 0 0 0: the fifth zero key is red 5
    EXPECT_EQ(t.at(1, 1, 2), 1); // five black border pixels, red 9 (key 1), then red 1
}

TEST(DibReduceNoiseImage, MatchesAStableSortReferenceAtEveryPaletteDepth)
{
    KernelSettings restore;
    for (auto [m_w, m_h, m_depth] : { std::tuple { 9, 7, 24 }, std::tuple { 9, 7, 8 }, std::tuple { 9, 7, 4 },
             std::tuple { 13, 5, 1 }, std::tuple { 2, 5, 24 }, std::tuple { 730, 720, 24 } }) {
        const int w = m_w, h = m_h, depth = m_depth;
        Pic src;
        MakeRandom(src, w, h, depth, unsigned(w + depth));
        for (int y = 0; y < h && depth == 24; ++y)
            for (int i = 0; i < src.stride(); ++i)
                src.row(y)[i] &= 0xE0; // many equal keys
        std::vector<int> keys(std::size_t(w) * h); // computed once: the reference sorts a lot
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto c = src.bgr(x, y);
                keys[std::size_t(y) * w + x] = (77 * c[0] + 150 * c[1] + 29 * c[2]) >> 8;
            }
        auto key = [&](int x, int y) { return keys[std::size_t(y) * w + x]; };
        auto expect = [&](int x, int y) {
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                return src.bgr(x, y);
            std::array<std::pair<int, int>, 9> n;
            for (int i = 0; i < 9; ++i)
                n[i] = { x + i % 3 - 1, y + i / 3 - 1 };
            std::stable_sort(n.begin(), n.end(),
                [&](auto a, auto b) { return key(a.first, a.second) < key(b.first, b.second); });
            return src.bgr(n[4].first, n[4].second);
        };
        const auto expected = Grid(w, h, expect);
        for (auto [m_threads, m_vector] : Runs(w, h)) {
            const int threads = m_threads;
            const bool vector = m_vector;
            SCOPED_TRACE(testing::Message()
                << w << "x" << h << "x" << depth << ", threads " << threads << ", vector " << vector);
            dib::SetMaxThreads(threads);
            dib::SetVectorKernels(vector);
            Pic q;
            Copy(q, src);
            ASSERT_EQ(DibReduceNoiseImage(&q.bits, &q.info), 1);
            EXPECT_TRUE(HasShape(q, w, h, depth));
            EXPECT_EQ(Grid(w, h, [&](int x, int y) { return q.bgr(x, y); }), expected);
        }
    }
}

// ---- DibDespeckleImage ----

namespace
{

// Complementary hulling straight from the rule, on a plane with a zero border.
std::vector<int> RefDespecklePlane(std::vector<int> plane, int w, int h)
{
    const int P = w + 2;
    auto hull = [&](int dx, int dy, int s) {
        std::vector<int> buf(plane.size(), 0);
        for (int y = 1; y <= h; ++y)
            for (int x = 1; x <= w; ++x) {
                const int v = plane[y * P + x], n = plane[(y + dy) * P + x + dx];
                buf[y * P + x] = s > 0 ? (n > v ? v + 1 : v) : (v > n + 1 ? v - 1 : v);
            }
        for (int y = 1; y <= h; ++y)
            for (int x = 1; x <= w; ++x) {
                const int v = buf[y * P + x], a = buf[(y - dy) * P + x - dx], b = buf[(y + dy) * P + x + dx];
                plane[y * P + x]
                    = s > 0 ? (a + 1 > v && b > v ? v + 1 : v) : (a + 1 < v && b < v ? v - 1 : v);
            }
    };
    const int ox[4] = { 0, 1, 1, -1 }, oy[4] = { 1, 0, 1, 1 };
    for (int k = 0; k < 4; ++k) {
        hull(ox[k], oy[k], 1);
        hull(-ox[k], -oy[k], 1);
        hull(-ox[k], -oy[k], -1);
        hull(ox[k], oy[k], -1);
    }
    return plane;
}

} // namespace

TEST(DibDespeckleImage, HandMadeSpecksShrinkTowardsTheirNeighbours)
{
    // A lone bright pixel on flat grey loses height; a lone dark pixel gains; the flat area stays.
    Pic p;
    Flat(p, 5, 5, 120);
    p.at(2, 2, 0) = 250;
    p.at(2, 2, 1) = 10;
    ASSERT_EQ(DibDespeckleImage(&p.bits, &p.info), 1);
    EXPECT_LT(p.at(2, 2, 0), 250);
    EXPECT_GT(p.at(2, 2, 1), 10);
    EXPECT_EQ(p.at(2, 2, 2), 120);
    EXPECT_EQ(p.at(3, 3, 2), 120);
}

TEST(DibDespeckleImage, MatchesTheHullingReferenceOnEachChannel)
{
    KernelSettings restore;
    for (auto [m_w, m_h, m_depth] : { std::tuple { 5, 5, 24 }, std::tuple { 9, 4, 8 },
             std::tuple { 1, 3, 24 }, std::tuple { 730, 720, 24 } }) {
        const int w = m_w, h = m_h, depth = m_depth;
        Pic src;
        MakeRandom(src, w, h, depth, unsigned(3 * w + h));
        Pic wide;
        Copy(wide, src);
        ASSERT_EQ(AnyConvertTo24Bit(&wide.bits, &wide.info), 1);
        std::vector<std::vector<int>> planes(3);
        for (int c = 0; c < 3; ++c) {
            std::vector<int> plane((w + 2) * (h + 2), 0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    plane[(y + 1) * (w + 2) + x + 1] = wide.at(x, y, c);
            planes[c] = RefDespecklePlane(plane, w, h);
        }
        auto expect = [&](int x, int y) {
            std::array<BYTE, 3> out;
            for (int c = 0; c < 3; ++c)
                out[c] = BYTE(planes[c][(y + 1) * (w + 2) + x + 1]);
            return out;
        };
        for (int threads : Threads(w, h)) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << depth << ", threads " << threads);
            dib::SetMaxThreads(threads);
            Pic q;
            Copy(q, src);
            ASSERT_EQ(DibDespeckleImage(&q.bits, &q.info), 1);
            EXPECT_TRUE(HasShape(q, w, h, 24));
            EXPECT_EQ(Grid(w, h, [&](int x, int y) { return q.bgr(x, y); }), Grid(w, h, expect));
        }
    }
}

// ---- DibMyAddNoise, DibSpreadImage ----

TEST(DibMyAddNoise, AmountZeroKeepsEveryByteAndAHundredLeavesOnlyBlackAndWhite)
{
    Pic src;
    MakeRandom(src, 7, 5, 24, 2);
    Pic q;
    Copy(q, src);
    ASSERT_EQ(DibMyAddNoise(&q.bits, &q.info, 0), 1);
    EXPECT_EQ(AllBytes(q), AllBytes(src));
    ASSERT_EQ(DibMyAddNoise(&q.bits, &q.info, 100), 1);
    for (BYTE b : AllBytes(q))
        EXPECT_TRUE(b == 0 || b == 255) << int(b);
}

TEST(DibMyAddNoise, EachByteFollowsTheUnseededSequence)
{
    Pic src;
    MakeRandom(src, 7, 5, 8, 2); // converted first
    Pic wide;
    Copy(wide, src);
    ASSERT_EQ(AnyConvertTo24Bit(&wide.bits, &wide.info), 1);
    std::vector<BYTE> ref = AllBytes(wide);
    dib::SeedRandom(99);
    for (BYTE &b : ref) {
        double r = (dib::NextRandom() & 32767) / 32767.0;
        r = r == 0 ? 1.0 : r;
        b = r < 0.15 ? 0 : (r >= 0.85 ? 255 : b);
    }
    dib::SeedRandom(99);
    ASSERT_EQ(DibMyAddNoise(&src.bits, &src.info, 30), 1);
    EXPECT_TRUE(HasShape(src, 7, 5, 24));
    EXPECT_EQ(AllBytes(src), ref);
}

TEST(DibSpreadImage, TakesPixelsFromMaskedRandomOffsetsSeededByTheClock)
{
    struct Unfix {
        ~Unfix() { dib::FixTimeSeed(std::nullopt); }
    } unfix;
    for (auto [m_w, m_h, m_depth, m_amount] : { std::tuple { 9, 7, 24, 50 }, std::tuple { 9, 7, 8, 100 },
             std::tuple { 6, 3, 32, 70 }, std::tuple { 5, 5, 16, -40 } }) {
        const int w = m_w, h = m_h, depth = m_depth, amount = m_amount;
        SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << depth << " amount " << amount);
        Pic src, q;
        MakeRandom(src, w, h, depth, 4);
        Copy(q, src);
        dib::FixTimeSeed(31);
        dib::SeedRandom(1); // the function reseeds
        ASSERT_EQ(DibSpreadImage(&q.bits, &q.info, amount), 1);
        const std::vector<BYTE> from = AllBytes(src);
        std::vector<BYTE> ref = from;
        const int d = std::min(w, h) * amount / 100, bpp = depth / 8, size = src.stride() * h;
        dib::SeedRandom(31);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = (dib::NextRandom() & d) - d / 2 + x, sy = (dib::NextRandom() & d) - d / 2 + y;
                int at = sy * src.stride() + sx * bpp;
                const int self = y * src.stride() + x * bpp;
                at = at < 0 || at + bpp > size ? self : at;
                std::copy(from.begin() + at, from.begin() + at + bpp, ref.begin() + self);
            }
        EXPECT_EQ(AllBytes(q), ref);
    }
    Pic still;
    MakeRandom(still, 9, 7, 24, 4);
    const Snapshot before(still);
    EXPECT_EQ(DibSpreadImage(&still.bits, &still.info, 0), 1); // d = 0: every pixel its own
    before.ExpectUnchanged(still);
    Pic four, thin;
    MakeRandom(four, 9, 7, 4, 4);
    MakeRandom(thin, 2, 7, 24, 4);
    for (Pic *p : { &four, &thin }) {
        const Snapshot b(*p);
        EXPECT_EQ(DibSpreadImage(&p->bits, &p->info, 30), 0);
        b.ExpectUnchanged(*p);
    }
}

// ---- DibMosaic ----

TEST(DibMosaic, BlocksFromTheBottomLeftWithPartialLastBlocks)
{
    KernelSettings restore;
    for (auto [m_w, m_h, m_bw, m_bh] : { std::tuple { 7, 5, 3, 2 }, std::tuple { 7, 5, 0, 0 },
             std::tuple { 7, 5, 1, 1 }, std::tuple { 7, 5, 100, -3 }, std::tuple { 731, 719, 16, 9 } }) {
        const int w = m_w, h = m_h, bw = m_bw, bh = m_bh;
        Pic src;
        MakeRandom(src, w, h, 24, unsigned(w * bw + h));
        const int ew = std::max(1, std::min(bw, w)), eh = std::max(1, std::min(bh, h));
        std::vector<std::array<BYTE, 3>> blocks; // each block's average, rows of blocks from the bottom
        const int across = (w + ew - 1) / ew;
        for (int y0 = 0; y0 < h; y0 += eh)
            for (int x0 = 0; x0 < w; x0 += ew) {
                std::array<int, 3> sum {};
                int n = 0;
                for (int yy = y0; yy < std::min(h, y0 + eh); ++yy)
                    for (int xx = x0; xx < std::min(w, x0 + ew); ++xx, ++n)
                        for (int c = 0; c < 3; ++c)
                            sum[c] += src.at(xx, yy, c);
                blocks.push_back({ BYTE(sum[0] / n), BYTE(sum[1] / n), BYTE(sum[2] / n) });
            }
        auto expect = [&](int x, int y) { return blocks[std::size_t(y / eh * across + x / ew)]; };
        const auto expected = Grid(w, h, expect);
        for (int threads : Threads(w, h)) {
            SCOPED_TRACE(testing::Message()
                << w << "x" << h << " blocks " << bw << "x" << bh << ", threads " << threads);
            dib::SetMaxThreads(threads);
            Pic q;
            Copy(q, src);
            ASSERT_EQ(DibMosaic(&q.bits, &q.info, bw, bh), 1);
            EXPECT_EQ(Grid(w, h, [&](int x, int y) { return q.bgr(x, y); }), expected);
        }
    }
    Pic pal;
    MakeRandom(pal, 6, 6, 4, 1);
    ASSERT_EQ(DibMosaic(&pal.bits, &pal.info, 2, 2), 1);
    EXPECT_TRUE(HasShape(pal, 6, 6, 24));
}

// ---- BlurMask8Bit, Deflate8Bit ----

namespace
{

struct Plane {
    int w, h;
    HGLOBAL bits;
    explicit Plane(int width, int height, unsigned seed, int zeros = 0)
        : w(width)
        , h(height)
        , bits(GlobalAlloc(GPTR, std::size_t(DibStride(width, 8)) * height))
    {
        std::mt19937 rng(seed);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = BYTE(int(rng() % 100) < zeros ? 0 : 1 + rng() % 255);
    }
    ~Plane() { GlobalFree(bits); }
    BYTE &at(int x, int y) const { return static_cast<BYTE *>(bits)[y * DibStride(w, 8) + x]; }
};

} // namespace

TEST(MaskFilters, BlurAveragesTheClippedEightByEightWindow)
{
    KernelSettings restore;
    for (auto [m_w, m_h] :
        { std::pair { 13, 11 }, std::pair { 1, 1 }, std::pair { 3, 9 }, std::pair { 730, 720 } }) {
        const int w = m_w, h = m_h;
        Plane src(w, h, unsigned(w + h));
        auto expect = [&](int x, int y) {
            int sum = 0, n = 0;
            for (int yy = std::max(0, y - 3); yy <= std::min(h - 1, y + 4); ++yy)
                for (int xx = std::max(0, x - 3); xx <= std::min(w - 1, x + 4); ++xx, ++n)
                    sum += src.at(xx, yy);
            return sum / n;
        };
        const auto expected = Grid(w, h, expect);
        for (int threads : Threads(w, h)) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << ", threads " << threads);
            dib::SetMaxThreads(threads);
            Plane q(w, h, unsigned(w + h));
            const HGLOBAL old = q.bits;
            ASSERT_EQ(BlurMask8Bit(w, h, &q.bits), 1);
            EXPECT_NE(q.bits, old);
            EXPECT_EQ(Grid(w, h, [&](int x, int y) { return int(q.at(x, y)); }), expected);
        }
    }
}

TEST(MaskFilters, DeflateSpreadsZerosOverTheSquareWindow)
{
    KernelSettings restore;
    for (auto [m_w, m_h, m_r] :
        { std::tuple { 13, 11, 1 }, std::tuple { 13, 11, 3 }, std::tuple { 13, 11, 0 },
            std::tuple { 5, 4, 50 }, std::tuple { 9, 1, -2 }, std::tuple { 730, 720, 2 } }) {
        const int w = m_w, h = m_h, r = m_r;
        Plane src(w, h, unsigned(w * r + h), w > 100 ? 1 : 8);
        auto expect = [&](int x, int y) {
            const int rr = std::max(r, 0);
            for (int yy = std::max(0, y - rr); yy <= std::min(h - 1, y + rr); ++yy)
                for (int xx = std::max(0, x - rr); xx <= std::min(w - 1, x + rr); ++xx)
                    if (src.at(xx, yy) == 0)
                        return 0;
            return int(src.at(x, y));
        };
        const auto expected = Grid(w, h, expect);
        for (int threads : Threads(w, h)) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " radius " << r << ", threads " << threads);
            dib::SetMaxThreads(threads);
            Plane q(w, h, unsigned(w * r + h), w > 100 ? 1 : 8);
            ASSERT_EQ(Deflate8Bit(w, h, &q.bits, r), 1);
            EXPECT_EQ(Grid(w, h, [&](int x, int y) { return int(q.at(x, y)); }), expected);
        }
    }
}

TEST(MaskFilters, RefuseMissingOrShortPlanes)
{
    Plane p(8, 8, 1);
    const HGLOBAL kept = p.bits;
    HGLOBAL none = nullptr;
    for (auto [m_w, m_h] : { std::pair { 9, 8 }, std::pair { 8, 9 }, std::pair { 0, 8 }, std::pair { -8, -8 },
             std::pair { INT_MAX, INT_MAX } }) {
        const int w = m_w, h = m_h;
        EXPECT_EQ(BlurMask8Bit(w, h, &p.bits), 0);
        EXPECT_EQ(Deflate8Bit(w, h, &p.bits, 1), 0);
    }
    EXPECT_EQ(p.bits, kept);
    EXPECT_EQ(BlurMask8Bit(8, 8, nullptr), 0);
    EXPECT_EQ(Deflate8Bit(8, 8, &none, 1), 0);
}

// ---- Null input and allocation failure, every function that allocates ----

namespace
{

struct Call {
    const char *name;
    int depth;
    std::function<int(Pic &)> run;
};

const Call kCalls[] = {
    { "DoSpecialFilter", 8, [](Pic &p) { return DoSpecialFilter(&p.bits, &p.info, 1, 0); } },
    { "DoImageFilter oil", 24, [](Pic &p) { return Code(p, 11, 1); } },
    { "OilPaintDib", 4, [](Pic &p) { return OilPaintDib(&p.bits, &p.info, 1); } },
    { "DibCharCoal", 8, [](Pic &p) { return DibCharCoal(&p.bits, &p.info); } },
    { "DibDespeckleImage", 8, [](Pic &p) { return DibDespeckleImage(&p.bits, &p.info); } },
    { "DibReduceNoiseImage", 1, [](Pic &p) { return DibReduceNoiseImage(&p.bits, &p.info); } },
    { "DibMyAddNoise", 8, [](Pic &p) { return DibMyAddNoise(&p.bits, &p.info, 50); } },
    { "DibMosaic", 8, [](Pic &p) { return DibMosaic(&p.bits, &p.info, 2, 3); } },
    { "DibSpreadImage", 24, [](Pic &p) { return DibSpreadImage(&p.bits, &p.info, 50); } },
    { "BlurMask8Bit", 8, [](Pic &p) { return BlurMask8Bit(9, 7, &p.bits); } },
    { "Deflate8Bit", 8, [](Pic &p) { return Deflate8Bit(9, 7, &p.bits, 1); } },
};

} // namespace

TEST(FilterFailures, NullPairsAreRefused)
{
    for (const Call &c : kCalls) {
        Pic p; // null handle and null header
        EXPECT_EQ(c.run(p), 0) << c.name;
        MakeRandom(p, 9, 7, c.depth, 1);
        GlobalFree(p.bits);
        p.bits = nullptr;
        EXPECT_EQ(c.run(p), 0) << c.name;
        EXPECT_EQ(p.bits, nullptr);
    }
    Pic p;
    MakeRandom(p, 9, 7, 24, 1);
    p.h().biHeight = 400; // taller than the block
    for (const Call &c : kCalls) {
        if (std::string(c.name).find("8Bit") != std::string::npos)
            continue;
        const Snapshot before(p);
        EXPECT_EQ(c.run(p), 0) << c.name;
        before.ExpectUnchanged(p);
    }
}

TEST(FilterFailures, EachFailingAllocationLeavesThePairUntouched)
{
    for (const Call &c : kCalls) {
        Pic p;
        MakeRandom(p, 9, 7, c.depth, 1);
        const Snapshot before(p);
        int result = 0;
        for (long n = 1; n <= 20 && result == 0; ++n) {
            SCOPED_TRACE(testing::Message() << c.name << ", allocation " << n << " fails");
            dib::FixTimeSeed(3);
            GlobalSetFailAt(n);
            result = c.run(p);
            GlobalSetFailAt(0);
            dib::FixTimeSeed(std::nullopt);
            if (result == 0)
                before.ExpectUnchanged(p);
            else
                EXPECT_GT(n, 1) << "succeeded without allocating";
        }
        EXPECT_EQ(result, 1) << c.name << " never succeeded";
    }
}
