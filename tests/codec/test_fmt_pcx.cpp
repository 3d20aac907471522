// PCX files against reference renderings; CGA header palettes, planes, windows and odd strides.
#include "codec_test_util.h"

#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_pcx;
}

using namespace codexa;
using namespace codexa::test;

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

TEST(FmtPcx, PlanesWindowAndOddStride)
{
    // 1 × 1 with four planes: the pixel is index 3.
    Picture pic;
    ASSERT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/good/p_4_planes.pcx"), pic), Status::Ok);
    EXPECT_EQ(pic.pixels()[0] >> 4, 3);
    // A window that starts at (1, 1).
    ASSERT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/good/pil184.pcx"), pic), Status::Ok);
    EXPECT_EQ(pic.width(), 447);
    EXPECT_EQ(pic.height(), 144);
    // Questionable: odd bytes per line are outside the format's rules, harmless, read.
    EXPECT_EQ(LoadWith(kFormat_pcx, TestData("pcx/pillow/questionable/odd_stride.pcx"), pic), Status::Ok);
}

} // namespace
