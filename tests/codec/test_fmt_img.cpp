// GEM IMG and XIMG files: references, palettes, written-down decisions, malformed headers.
#include "codec_test_util.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_img;
}

using namespace codexa;
using namespace codexa::test;

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
    // 24 planes: chunky RGB, 24-bit pictures; 8 planes without a palette: grey levels.
    for (const char *f : { "xaaes_hc_dbox_24bit_chunky.img", "xaaes_hc_dbutton_24bit_chunky.img",
             "xaaes_hc_info_24bit_chunky.img", "xaaes_hc_exterior_8plane_nopalette.img",
             "xaaes_hc_slide_8plane_nopalette.img", "xaaes_hc_wtitle_8plane_nopalette.img" }) {
        SCOPED_TRACE(f);
        Picture pic;
        ASSERT_EQ(Load(std::string("questionable/") + f, pic), Status::Ok);
        const bool chunky = std::string(f).find("24bit") != std::string::npos;
        EXPECT_EQ(pic.bitCount(), chunky ? 24 : 8);
        const RGBQUAD &level = pic.info.bmiColors[100];
        EXPECT_TRUE(chunky || (level.rgbRed == 100 && level.rgbGreen == 100 && level.rgbBlue == 100));
    }
    // The 60-pixel "info" file pads each scanline to 64 black pixels; read as 60-pixel rows the
    // black would stripe the light texture.
    Picture info;
    ASSERT_EQ(Load("questionable/xaaes_hc_info_24bit_chunky.img", info), Status::Ok);
    Rgb rgb = Flatten(info);
    for (std::size_t i = 0; i < rgb.px.size(); ++i)
        ASSERT_GT(rgb.px[i], 0x80) << i;
}

// A header (pattern length 2, 372 µm pixels) followed by the given data.
std::vector<std::uint8_t> File(
    unsigned planes, unsigned width, unsigned height, std::vector<std::uint8_t> data = {})
{
    std::vector<std::uint8_t> h;
    for (unsigned v : { 1u, 8u, planes, 2u, 372u, 372u, width, height }) {
        h.push_back(static_cast<std::uint8_t>(v >> 8));
        h.push_back(static_cast<std::uint8_t>(v));
    }
    h.insert(h.end(), data.begin(), data.end());
    return h;
}

TEST(FmtImg, MalformedFilesFail)
{
    auto fails = [](std::vector<std::uint8_t> file) {
        Picture pic;
        return kFormat_img.load(AsBytes(file), -1, pic) != Status::Ok && pic.bits == nullptr;
    };
    std::vector<std::uint8_t> ok = File(1, 8, 2, { 0x81, 0x81 }); // one solid byte of black per scanline
    Picture pic;
    ASSERT_EQ(kFormat_img.load(AsBytes(ok), -1, pic), Status::Ok);
    EXPECT_EQ(pic.RowFromTop(1)[0], 0xFF);

    EXPECT_TRUE(fails(File(9, 8, 2))); // planes
    EXPECT_TRUE(fails(File(1, 0, 2))); // width
    ok[3] = 200; // header length past the end
    EXPECT_TRUE(fails(ok));
    EXPECT_TRUE(fails(File(1, 8, 2, { 0x00, 0x00, 0xFF, 0x00, 0x81, 0x81 }))); // zero replication count
    EXPECT_TRUE(
        fails(File(1, 16, 2, { 0x81, 0x00, 0x00, 0xFF, 0x02, 0x81, 0x81, 0x81 }))); // replication mid-line
    SetPixelLimit(1 << 20);
    EXPECT_TRUE(fails(File(1, 0xFFFF, 0xFFFF, { 0x81 })));
    SetPixelLimit(0);
}

} // namespace
