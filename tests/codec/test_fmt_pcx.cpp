#include "fmt_testutil.h"

#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_pcx;
}

using namespace codexa;
using namespace codexa::legacytest;

namespace
{

enum class Match { Exact, Partition };

struct Expect {
    const char *file; // relative to pcx/, reference beside it with .png
    Match match;
    int tolerance = 0;
};

// Partition: same picture, other colours, for files whose reference reads palette bytes we read
// differently (CGA header bytes, a version 3/4 header palette).
const Expect kWithReference[] = {
    { "kde/16color.pcx", Match::Exact },
    { "kde/CGA_FSD.pcx", Match::Partition }, // CGA light cyan/magenta are 55FFFF/FF55FF here
    { "kde/ICONDOC.pcx", Match::Partition }, // version 4: EGA colours, not the stray header bytes
    { "kde/bw.pcx", Match::Exact },
    { "kde/ccbug_463951.pcx", Match::Exact },
    { "kde/dice_rgba.pcx", Match::Exact, 1 },
    { "kde/indexed4.pcx", Match::Exact },
    { "kde/indexed8.pcx", Match::Exact },
    { "kde/mono.pcx", Match::Exact },
    { "kde/rgb-gimp-2.8.10.pcx", Match::Exact },
    { "kde/rgb.pcx", Match::Exact },
    { "kryptan/gmarbles.pcx", Match::Exact },
    { "kryptan/marbles.pcx", Match::Exact },
    { "kryptan/tiny.pcx", Match::Partition }, // version 3: EGA colours
    { "kryptan/cga/CGA_BW.PCX", Match::Exact },
    { "kryptan/cga/CGA_FSD.PCX", Match::Partition },
};

std::string PngFor(const std::string &pcx)
{
    return pcx.substr(0, pcx.rfind('.')) + ".png";
}

TEST(FmtPcx, GoodFilesMatchReferences)
{
    for (const Expect &e : kWithReference) {
        SCOPED_TRACE(e.file);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_pcx, TestData(std::string("pcx/") + e.file), pic), Status::Ok);
        Rgb want;
        ASSERT_TRUE(ReadPngOverWhite(TestData("pcx/" + PngFor(e.file)), want));
        if (e.match == Match::Exact)
            EXPECT_EQ(CompareRgb(Flatten(pic), want, e.tolerance), "");
        else
            EXPECT_EQ(ComparePartition(Flatten(pic), want), "");
    }
    for (const std::string &path : FilesIn(TestData("pcx/pillow/good"))) {
        SCOPED_TRACE(path);
        Picture pic;
        EXPECT_EQ(LoadWith(kFormat_pcx, path, pic), Status::Ok);
    }
}

TEST(FmtPcx, CgaHeaderSelectsColours)
{
    // The three CGA pictures describe their own palettes in their text: black with light cyan,
    // light magenta and white; blue with light green, light red and yellow; and cyan with dim
    // cyan, magenta and light grey (so the text in the bottom box vanishes).
    struct Case {
        const char *file;
        COLORREF colours[4];
    } cases[] = {
        { "CGA_FSD.PCX",
            { RGB(0, 0, 0), RGB(0x55, 0xFF, 0xFF), RGB(0xFF, 0x55, 0xFF), RGB(0xFF, 0xFF, 0xFF) } },
        { "CGA_RGBI.PCX",
            { RGB(0, 0, 0xAA), RGB(0x55, 0xFF, 0x55), RGB(0xFF, 0x55, 0x55), RGB(0xFF, 0xFF, 0x55) } },
        { "CGA_TST1.PCX",
            { RGB(0, 0xAA, 0xAA), RGB(0, 0xAA, 0xAA), RGB(0xAA, 0, 0xAA), RGB(0xAA, 0xAA, 0xAA) } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_pcx, TestData(std::string("pcx/kryptan/cga/") + c.file), pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), 4);
        EXPECT_EQ(pic.info.bmiHeader.biClrUsed, 4u);
        for (int i = 0; i < 4; ++i) {
            const RGBQUAD &q = pic.info.bmiColors[i];
            EXPECT_EQ(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue), c.colours[i]) << i;
        }
    }
}

TEST(FmtPcx, DepthsPalettesAndDensity)
{
    struct Case {
        const char *file;
        int bitCount;
        int clrUsed;
        int xppm, yppm;
    } cases[] = {
        { "kde/mono.pcx", 1, 0, 3780, 3780 },
        { "kde/16color.pcx", 4, 0, 11811, 11811 },
        { "kde/ICONDOC.pcx", 4, 8, 25197, 13780 },
        { "kde/indexed4.pcx", 4, 0, 11811, 11811 },
        { "kde/indexed8.pcx", 8, 0, 11811, 11811 },
        { "kde/rgb.pcx", 24, 0, 11811, 11811 },
        { "kde/dice_rgba.pcx", 24, 0, 3780, 3780 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_pcx, TestData(std::string("pcx/") + c.file), pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), c.bitCount);
        EXPECT_EQ(static_cast<int>(pic.info.bmiHeader.biClrUsed), c.clrUsed);
        EXPECT_EQ(pic.info.bmiHeader.biXPelsPerMeter, c.xppm);
        EXPECT_EQ(pic.info.bmiHeader.biYPelsPerMeter, c.yppm);
    }
    // 1 × 1 with four planes: the pixel is index 3.
    Picture pic;
    ASSERT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/good/p_4_planes.pcx"), pic), Status::Ok);
    EXPECT_EQ(pic.pixels()[0] >> 4, 3);
    // A window that starts at (1, 1).
    ASSERT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/good/pil184.pcx"), pic), Status::Ok);
    EXPECT_EQ(pic.width(), 447);
    EXPECT_EQ(pic.height(), 144);
}

TEST(FmtPcx, QuestionableAndBadFiles)
{
    // Odd bytes per line: outside the format's rules, harmless, read.
    Picture pic;
    EXPECT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/questionable/odd_stride.pcx"), pic), Status::Ok);
    for (const std::string &path : FilesIn(TestData("pcx/pillow/bad"))) {
        SCOPED_TRACE(path);
        Picture bad;
        EXPECT_NE(LoadWith(kFormat_pcx, path, bad), Status::Ok);
        EXPECT_EQ(bad.bits, nullptr);
    }
    // Cut anywhere inside the pixels: fails, never reads past the end.
    std::vector<std::uint8_t> data = ReadFileBytes(TestData("pcx/kde/16color.pcx"));
    for (std::size_t n = 0; n < data.size(); n += 3) {
        std::vector<std::uint8_t> part(data.begin(), data.begin() + static_cast<long>(n));
        Picture cut;
        EXPECT_NE(kFormat_pcx.load(AsBytes(part), -1, cut), Status::Ok) << n;
    }
}

TEST(FmtPcx, Probe)
{
    EXPECT_TRUE(kFormat_pcx.probe(AsBytes(ReadFileBytes(TestData("pcx/kde/rgb.pcx"))), ".pcx"));
    EXPECT_TRUE(kFormat_pcx.probe(AsBytes(ReadFileBytes(TestData("pcx/kryptan/tiny.pcx"))), ""));
    EXPECT_FALSE(kFormat_pcx.probe(AsBytes(ReadFileBytes(TestData("pcx/pillow/bad/01r_00.pcx"))), ".pcx"));
    EXPECT_FALSE(kFormat_pcx.probe(AsBytes(ReadFileBytes(TestData("bmpsuite/g/pal8.bmp"))), ".pcx"));
}

TEST(FmtPcx, RoundTrip)
{
    struct Case {
        int bits;
        int palette;
        RGBQUAD first, second; // the first two palette entries
        int wantBits;
    } cases[] = {
        { 1, 2, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 1 },
        { 1, 2, { 255, 255, 255, 0 }, { 0, 0, 0, 0 }, 1 }, // white first: bits inverted
        { 1, 2, { 10, 20, 30, 0 }, { 200, 100, 0, 0 }, 4 }, // other colours: four planes
        { 4, 13, { 1, 2, 3, 0 }, { 4, 5, 6, 0 }, 4 },
        { 8, 0, { 9, 8, 7, 0 }, { 6, 5, 4, 0 }, 8 },
        { 24, 0, {}, {}, 24 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bits);
        int count = c.palette ? c.palette : (c.bits <= 8 ? 1 << c.bits : 1);
        Picture src = MakePicture(29, 11, c.bits, c.palette, [&](int x, int y) {
            return c.bits == 24 ? static_cast<unsigned>(x * 0x10203 + y * 0x70503)
                                : static_cast<unsigned>(x * y + x) % count;
        });
        for (int i = 2; i < 256; ++i)
            src.info.bmiColors[i]
                = RGBQUAD { static_cast<BYTE>(i), static_cast<BYTE>(i * 5), static_cast<BYTE>(i * 11), 0 };
        src.info.bmiColors[0] = c.first;
        src.info.bmiColors[1] = c.second;
        src.SetResolution(3780, 11811);
        std::vector<std::uint8_t> file;
        ASSERT_EQ(kFormat_pcx.save(ViewOf(src), SaveOptions {}, file), Status::Ok);
        EXPECT_TRUE(kFormat_pcx.probe(AsBytes(file), ".pcx"));
        Picture back;
        ASSERT_EQ(kFormat_pcx.load(AsBytes(file), -1, back), Status::Ok);
        EXPECT_EQ(back.bitCount(), c.wantBits);
        EXPECT_EQ(back.info.bmiHeader.biXPelsPerMeter, 3780);
        EXPECT_EQ(back.info.bmiHeader.biYPelsPerMeter, 11811);
        EXPECT_EQ(CompareRgb(Flatten(back), Flatten(src)), "");
    }
}

} // namespace
