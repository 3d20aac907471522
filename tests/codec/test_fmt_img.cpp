#include "fmt_testutil.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_img;
}

using namespace codexa;
using namespace codexa::legacytest;

namespace
{

Status Load(const std::string &relative, Picture &pic)
{
    return LoadWith(kFormat_img, TestData("gem-img/" + relative), pic);
}

TEST(FmtImg, MonochromeFilesMatchReferences)
{
    // grafprog: vertical replication and bit strings.
    Picture graf;
    ASSERT_EQ(Load("mono/grafprog.img", graf), Status::Ok);
    EXPECT_EQ(graf.bitCount(), 1);
    Rgb want;
    ASSERT_TRUE(ReadPngOverWhite(TestData("gem-img/mono/grafprog.expected.png"), want));
    EXPECT_EQ(CompareRgb(Flatten(graf), want), "");

    // tiger: 169 × 372 µm pixels. The reference is stretched to square pixels (152 rows to 335);
    // the picture handed out keeps its rows and the density says how to show them. Every
    // reference row is the row at its centre (rounding may pick a neighbour).
    Picture tiger;
    ASSERT_EQ(Load("mono/tiger.img", tiger), Status::Ok);
    ASSERT_TRUE(ReadPngOverWhite(TestData("gem-img/mono/tiger.expected.png"), want));
    Rgb got = Flatten(tiger);
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(want.height, 335);
    std::size_t rowBytes = std::size_t(got.width) * 3;
    for (int r = 0; r < want.height; ++r) {
        int centre = (2 * r + 1) * got.height / (2 * want.height);
        bool found = false;
        for (int s = std::max(0, centre - 1); s <= std::min(got.height - 1, centre + 1) && !found; ++s)
            found = std::memcmp(want.At(0, r), got.At(0, s), rowBytes) == 0;
        EXPECT_TRUE(found) << "reference row " << r;
    }
    EXPECT_EQ(tiger.info.bmiHeader.biXPelsPerMeter, 5917); // 169 µm
    EXPECT_EQ(tiger.info.bmiHeader.biYPelsPerMeter, 2688); // 372 µm
    Picture table;
    ASSERT_EQ(Load("mono/toswin2_table.img", table), Status::Ok); // pattern length 1
    EXPECT_EQ(table.width(), 399);
    EXPECT_EQ(table.height(), 204);
}

TEST(FmtImg, XimgColourFiles)
{
    for (const std::string &path : FilesIn(TestData("gem-img/ximg"))) {
        SCOPED_TRACE(path);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_img, path, pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), path.find("4plane") != std::string::npos ? 4 : 8);
    }
    // The palette in 0...1000 steps scaled to 0...255, in pixel-value order.
    Picture cops;
    ASSERT_EQ(Load("ximg/cops_4plane_zero_pixelsize.img", cops), Status::Ok);
    const RGBQUAD *pal = cops.info.bmiColors;
    EXPECT_EQ(pal[0].rgbRed, 255); // white
    EXPECT_EQ(pal[1].rgbRed, 255); // red
    EXPECT_EQ(pal[1].rgbGreen, 0);
    EXPECT_EQ(pal[8].rgbGreen, 136); // 533
    EXPECT_EQ(pal[15].rgbBlue, 0); // black
    EXPECT_EQ(cops.info.bmiHeader.biXPelsPerMeter, 0); // 0 µm: unknown
    // COPS is a black logo on white: most pixels are white, many black.
    Rgb rgb = Flatten(cops);
    int white = 0, black = 0;
    for (std::size_t i = 0; i < rgb.px.size(); i += 3) {
        white += rgb.px[i] == 255 && rgb.px[i + 1] == 255 && rgb.px[i + 2] == 255;
        black += rgb.px[i] == 0 && rgb.px[i + 1] == 0 && rgb.px[i + 2] == 0;
    }
    EXPECT_GT(white, 160 * 160 / 2);
    EXPECT_GT(black, 160 * 160 / 10);
}

// Questionable files and what is made of them.
TEST(FmtImg, QuestionableFilesFollowDecisions)
{
    // Palette levels above 1000 count as 1000: entry 0 white.
    Picture logo;
    ASSERT_EQ(Load("questionable/toswin2_logo_1plane_ximg_palette_out_of_range.img", logo), Status::Ok);
    EXPECT_EQ(logo.bitCount(), 1);
    EXPECT_EQ(logo.info.bmiColors[0].rgbRed, 255);
    EXPECT_EQ(logo.info.bmiColors[1].rgbRed, 0);
    // 24 planes: chunky RGB, 24-bit pictures.
    for (const char *f : { "xaaes_hc_dbox_24bit_chunky.img", "xaaes_hc_dbutton_24bit_chunky.img",
             "xaaes_hc_info_24bit_chunky.img" }) {
        SCOPED_TRACE(f);
        Picture pic;
        ASSERT_EQ(Load(std::string("questionable/") + f, pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), 24);
    }
    // 8 planes without a palette: grey levels.
    for (const char *f : { "xaaes_hc_exterior_8plane_nopalette.img", "xaaes_hc_slide_8plane_nopalette.img",
             "xaaes_hc_wtitle_8plane_nopalette.img" }) {
        SCOPED_TRACE(f);
        Picture pic;
        ASSERT_EQ(Load(std::string("questionable/") + f, pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), 8);
        EXPECT_EQ(pic.info.bmiColors[100].rgbRed, 100);
        EXPECT_EQ(pic.info.bmiColors[100].rgbBlue, 100);
    }
    // The 60-pixel "info" file pads each scanline to 64 black pixels; read as 60-pixel rows the
    // black would stripe the light texture.
    Picture info;
    ASSERT_EQ(Load("questionable/xaaes_hc_info_24bit_chunky.img", info), Status::Ok);
    Rgb rgb = Flatten(info);
    for (std::size_t i = 0; i < rgb.px.size(); ++i)
        ASSERT_GT(rgb.px[i], 0x80) << i;
}

std::vector<std::uint8_t> Header(unsigned planes, unsigned width, unsigned height, unsigned pattern = 2)
{
    std::vector<std::uint8_t> h;
    for (unsigned v : { 1u, 8u, planes, pattern, 372u, 372u, width, height }) {
        h.push_back(static_cast<std::uint8_t>(v >> 8));
        h.push_back(static_cast<std::uint8_t>(v));
    }
    return h;
}

TEST(FmtImg, MalformedFilesFail)
{
    std::vector<std::uint8_t> data = ReadFileBytes(TestData("gem-img/mono/grafprog.img"));
    for (std::size_t n = 0; n < data.size(); n += 11) {
        std::vector<std::uint8_t> part(data.begin(), data.begin() + static_cast<long>(n));
        Picture pic;
        EXPECT_NE(kFormat_img.load(AsBytes(part), -1, pic), Status::Ok) << n;
    }
    auto fails = [](std::vector<std::uint8_t> file) {
        Picture pic;
        return kFormat_img.load(AsBytes(file), -1, pic) != Status::Ok && pic.bits == nullptr;
    };
    std::vector<std::uint8_t> ok = Header(1, 8, 2);
    for (int i = 0; i < 2; ++i)
        ok.insert(ok.end(), { 0x81 }); // one solid byte of black per scanline
    Picture pic;
    ASSERT_EQ(kFormat_img.load(AsBytes(ok), -1, pic), Status::Ok);
    EXPECT_EQ(pic.RowFromTop(1)[0], 0xFF);

    EXPECT_TRUE(fails(Header(9, 8, 2))); // planes
    EXPECT_TRUE(fails(Header(1, 0, 2))); // width
    std::vector<std::uint8_t> longHeader = ok;
    longHeader[3] = 200; // header length past the end
    EXPECT_TRUE(fails(longHeader));
    std::vector<std::uint8_t> zeroRepeat = Header(1, 8, 2);
    zeroRepeat.insert(zeroRepeat.end(), { 0x00, 0x00, 0xFF, 0x00, 0x81, 0x81 });
    EXPECT_TRUE(fails(zeroRepeat));
    std::vector<std::uint8_t> midLine = Header(1, 16, 2);
    midLine.insert(midLine.end(), { 0x81, 0x00, 0x00, 0xFF, 0x02, 0x81, 0x81, 0x81 });
    EXPECT_TRUE(fails(midLine));
    std::vector<std::uint8_t> huge = Header(1, 0xFFFF, 0xFFFF);
    huge.push_back(0x81);
    SetPixelLimit(1 << 20);
    EXPECT_TRUE(fails(huge));
    SetPixelLimit(0);
}

TEST(FmtImg, Probe)
{
    std::vector<std::uint8_t> mono = ReadFileBytes(TestData("gem-img/mono/tiger.img"));
    EXPECT_TRUE(kFormat_img.probe(AsBytes(mono), ".img"));
    EXPECT_FALSE(kFormat_img.probe(AsBytes(mono), ".dat")); // plain header: the extension decides
    EXPECT_TRUE(kFormat_img.probe(AsBytes(ReadFileBytes(TestData("gem-img/ximg/xaaes_8b_info.img"))), ""));
    EXPECT_FALSE(kFormat_img.probe(AsBytes(ReadFileBytes(TestData("tga/kde/rgb.tga"))), ".img"));
    EXPECT_FALSE(kFormat_img.probe(AsBytes(ReadFileBytes(TestData("macpaint/good/MUST4_raw.MAC"))), ".img"));
}

TEST(FmtImg, RoundTrip)
{
    struct Case {
        int bits;
        int palette;
        RGBQUAD first, second;
        int wantBits;
    } cases[] = {
        { 1, 2, { 255, 255, 255, 0 }, { 0, 0, 0, 0 }, 1 }, // plain monochrome
        { 1, 2, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 1 }, // plain, bits inverted
        { 1, 2, { 0, 0, 255, 0 }, { 0, 255, 0, 0 }, 1 }, // XIMG with two colours
        { 4, 0, { 1, 2, 3, 0 }, { 200, 100, 50, 0 }, 4 },
        { 8, 0, { 4, 5, 6, 0 }, { 7, 8, 9, 0 }, 8 },
        { 24, 0, {}, {}, 24 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bits);
        // Bands of equal rows exercise vertical replication; the noise exercises bit strings.
        Picture src = MakePicture(45, 23, c.bits, c.palette, [&](int x, int y) {
            int band = y / 5;
            unsigned v = static_cast<unsigned>((x / 3 + band) * 2654435761u >> 7);
            if (y % 5 == 4)
                v = static_cast<unsigned>(x * 31 + y * 17);
            return c.bits == 24 ? v & 0xFFFFFF : v % (1u << c.bits);
        });
        for (int i = 2; i < 256; ++i) // levels that survive the 0...1000 scale
            src.info.bmiColors[i]
                = RGBQUAD { static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0 };
        src.info.bmiColors[0] = c.first;
        src.info.bmiColors[1] = c.second;
        src.SetResolution(3780, 5917);
        std::vector<std::uint8_t> file;
        ASSERT_EQ(kFormat_img.save(ViewOf(src), SaveOptions {}, file), Status::Ok);
        EXPECT_TRUE(kFormat_img.probe(AsBytes(file), ".img"));
        Picture back;
        ASSERT_EQ(kFormat_img.load(AsBytes(file), -1, back), Status::Ok);
        EXPECT_EQ(back.bitCount(), c.wantBits);
        EXPECT_EQ(back.info.bmiHeader.biXPelsPerMeter, 3774); // 265 µm
        EXPECT_EQ(back.info.bmiHeader.biYPelsPerMeter, 5917);
        EXPECT_EQ(CompareRgb(Flatten(back), Flatten(src)), "");
    }
}

} // namespace
