// TGA files of several suites against reference renderings, and the rules for alpha and maps.
#include "codec_test_util.h"

#include <cstring>
#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_tga;
}

using namespace codexa;
using namespace codexa::test;

namespace
{

struct Expect {
    const char *file;
    const char *reference; // relative to the tga folder
    int tolerance = 0;
};

// Good files with a reference rendering of their own (alpha over white).
const Expect kWithReference[] = {
    { "go-tga-extra/monochrome8_bottom_left.tga", "go-tga-extra/monochrome8.png" },
    { "go-tga-extra/monochrome8_bottom_left_rle.tga", "go-tga-extra/monochrome8.png" },
    { "go-tga-extra/monochrome16_top_left.tga", "go-tga-extra/monochrome16.png", 1 },
    { "go-tga-extra/monochrome16_top_left_rle.tga", "go-tga-extra/monochrome16.png", 1 },
    { "go-tga-extra/rgb24_bottom_left_rle.tga", "go-tga-extra/rgb24.0.png" },
    { "go-tga-extra/rgb24_top_left.tga", "go-tga-extra/rgb24.0.png" },
    { "go-tga-extra/rgb24_top_left_colormap.tga", "go-tga-extra/rgb24.1.png" },
    { "go-tga-extra/rgb32_bottom_left.tga", "go-tga-extra/rgb32.0.png", 1 },
    { "go-tga-extra/rgb32_top_left_rle.tga", "go-tga-extra/rgb32.0.png", 1 },
    { "go-tga-extra/rgb32_top_left_rle_colormap.tga", "go-tga-extra/rgb32.1.png", 1 },
    { "pillow-misc/good/cross_scan_line.tga", "pillow-misc/good/cross_scan_line.png" },
    { "pillow-misc/good/p_16.tga", "pillow-misc/good/p_16.png" }, // 16-bit map, no alpha bits: opaque
    { "pillow-misc/good/200x32_p_bl_raw_origin.tga", "pillow-common/200x32_p.png" },
    { "kde/bw.tga", "kde/bw.png" },
    { "kde/bwa.tga", "kde/bwa.png", 1 },
    { "kde/colormapped.tga", "kde/colormapped.png", 1 },
    { "kde/devarea.tga", "kde/extarea.png", 1 }, // extension says "no alpha"; the alpha bits win
    { "kde/extarea.tga", "kde/extarea.png", 1 },
    { "kde/rgb.tga", "kde/rgb.png" },
    { "kde/rgb16.tga", "kde/rgb16.png" },
    { "kde/rgb-gimp-2.8.10-bottom-left.tga", "kde/rgb-gimp-2.8.10-bottom-left.png" },
    { "kde/rgb-gimp-2.8.10-rle-bottom-left.tga", "kde/rgb-gimp-2.8.10-rle-bottom-left.png" },
    { "kde/rgb-gimp-2.8.10-rle-top-left.tga", "kde/rgb-gimp-2.8.10-rle-top-left.png" },
    { "kde/rgb-gimp-2.8.10-top-left.tga", "kde/rgb-gimp-2.8.10-top-left.png" },
};

Rgb Load(const std::string &relative)
{
    Picture pic;
    Status st = LoadWith(kFormat_tga, TestData("tga/" + relative), pic);
    EXPECT_EQ(st, Status::Ok) << relative << ": " << StatusText(st);
    return st == Status::Ok ? Flatten(pic) : Rgb {};
}

TEST(FmtTga, GoodFilesDecodeAndMatchReferences)
{
    for (const char *folder : { "tga/go-tga-extra", "tga/image-rs-testsuite", "tga/kde",
             "tga/pillow-misc/good", "tga/truevision-conformance" })
        for (const std::string &path : FilesIn(TestData(folder), { ".tga" }))
            EXPECT_GT(Load(path.substr(TestData("tga/").size())).width, 0);
    for (const Expect &e : kWithReference) {
        SCOPED_TRACE(e.file);
        Rgb want;
        ASSERT_TRUE(ReadPngOverWhite(TestData(std::string("tga/") + e.reference), want));
        EXPECT_EQ(CompareRgb(Load(e.file), want, e.tolerance), "");
    }
    // Shared references: every origin; every depth compressed and uncompressed (utc32's alpha is
    // all 0: opaque); the common set's 1x1 and 200x32 in every mode, origin and coding.
    auto compare = [](const std::string &file, const std::string &reference, int tolerance) {
        Rgb want;
        ASSERT_TRUE(ReadPngOverWhite(TestData("tga/" + reference), want));
        EXPECT_EQ(CompareRgb(Load(file), want, tolerance), "") << file;
    };
    for (const char *origin : { "bottom_left", "bottom_right", "top_left", "top_right" })
        compare(std::string("kde/") + origin + ".tga", "kde/orientation.png", 0);
    for (const char *f :
        { "cbw8", "ubw8", "ccm8", "ucm8", "ctc16", "utc16", "ctc24", "utc24", "ctc32", "utc32" })
        compare(std::string("truevision-conformance/") + f + ".tga",
            f[1] == 'b' ? "truevision-conformance/bw.png" : "truevision-conformance/color.png", 0);
    for (const std::string &path : FilesIn(TestData("tga/pillow-common"), { ".tga" })) {
        std::string name = FileName(path);
        compare("pillow-common/" + name,
            "pillow-common/" + name.substr(0, name.find('_', name.find('_') + 1)) + ".png", 1);
    }
}

TEST(FmtTga, UnusedAndFifteenBitMapsGiveTheDirectColours)
{
    // An unused colour map before true-colour pixels is skipped; the 15-bit map holds the same
    // colours as the direct 16-bit pixels.
    Rgb direct = Load("image-rs-testsuite/b5-noattrib.tga");
    EXPECT_EQ(CompareRgb(Load("image-rs-testsuite/b5-unused-cmap.tga"), direct), "");
    EXPECT_EQ(CompareRgb(Load("image-rs-testsuite/b5-cmap.tga"), direct), "");
}

TEST(FmtTga, FewAlphaBitsScaleToFullRange)
{
    // kde/rgba.tga keeps 4 alpha bits in the low half of each fourth byte. The reference maps
    // them to v << 4 (15 -> 240); here 15 is opaque (v * 17).
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(ReadPngRgba(TestData("tga/kde/rgba.png"), w, h, rgba));
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = static_cast<std::uint8_t>((rgba[i] >> 4) * 17);
    EXPECT_EQ(CompareRgb(Load("kde/rgba.tga"), OverWhiteRgb(w, h, rgba), 1), "");
}

TEST(FmtTga, AttributeBitDecidesSixteenBitAlpha)
{
    // b5-attrib: one alpha bit per pixel, half of them clear; b5-noattrib: the same bits ignored.
    Rgb with = Load("image-rs-testsuite/b5-attrib.tga");
    Rgb without = Load("image-rs-testsuite/b5-noattrib.tga");
    ASSERT_EQ(with.width, without.width);
    std::vector<std::uint8_t> raw = ReadAll(TestData("tga/image-rs-testsuite/b5-attrib.tga"));
    int transparent = 0;
    for (int i = 0; i < with.width * with.height; ++i) {
        bool opaque = raw[18 + 2 * i + 1] & 0x80;
        int x = i % with.width, y = i / with.width; // top-left origin
        if (opaque) {
            EXPECT_EQ(0, std::memcmp(with.At(x, y), without.At(x, y), 3));
        } else {
            ++transparent;
            EXPECT_EQ(with.At(x, y)[0], 255);
            EXPECT_EQ(with.At(x, y)[1], 255);
            EXPECT_EQ(with.At(x, y)[2], 255);
        }
    }
    EXPECT_EQ(transparent, 8);
}

TEST(FmtTga, PremultipliedAlphaAndWideIndices)
{
    // 2 × 1, 32-bit, 8 alpha bits, extension area saying "premultiplied": c + 255 - a.
    std::vector<std::uint8_t> file
        = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 8, 50, 60, 70, 128, 0, 0, 0, 0 };
    std::size_t ext = file.size();
    file.resize(ext + 495, 0);
    file[ext] = 495 & 0xFF;
    file[ext + 1] = 495 >> 8;
    file[ext + 494] = 4;
    auto push32 = [&](std::size_t v) {
        for (int k = 0; k < 4; ++k)
            file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    push32(ext);
    push32(0);
    for (char c : std::string("TRUEVISION-XFILE."))
        file.push_back(static_cast<std::uint8_t>(c));
    file.push_back(0);
    Picture pic;
    ASSERT_EQ(kFormat_tga.load(AsBytes(file), -1, pic), Status::Ok);
    EXPECT_EQ(pic.RowFromTop(0)[0], 50 + 127);
    EXPECT_EQ(pic.RowFromTop(0)[2], 70 + 127);
    EXPECT_EQ(pic.RowFromTop(0)[3], 255); // alpha 0: white

    // 16-bit indices into a 2-entry map starting at 300: a 24-bit picture.
    file = { 0, 1, 1, 300 & 0xFF, 300 >> 8, 2, 0, 24, 0, 0, 0, 0, 2, 0, 1, 0, 16, 0x20, 1, 2, 3, 4, 5, 6,
        0x2D, 0x01, 0x2C, 0x01 };
    ASSERT_EQ(kFormat_tga.load(AsBytes(file), -1, pic), Status::Ok);
    EXPECT_EQ(pic.bitCount(), 24);
    EXPECT_EQ(pic.RowFromTop(0)[0], 4); // index 301
    EXPECT_EQ(pic.RowFromTop(0)[3], 1); // index 300
    file[18 + 6] = 0x2F; // index 303: outside the map
    EXPECT_EQ(kFormat_tga.load(AsBytes(file), -1, pic), Status::Corrupt);
}

} // namespace
