// The BMP suite and extra files against reference renderings and written-down decisions.
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <map>

namespace codexa
{
extern const FormatCodec kFormat_bmp;
}

using namespace codexa;
using namespace codexa::test;

namespace
{

const std::string kSuite = "bmpsuite/";

// What a file must decode to: a reference rendering of the suite (alpha over white), or failure.
struct Expect {
    const char *file;
    const char *reference; // null: must fail
    int tolerance = 0;
};

// g/: every good file against the suite's reference rendering for it (html/).
const Expect kGood[] = {
    { "g/pal1.bmp", "pal1.png" }, { "g/pal1wb.bmp", "pal1.png" }, { "g/pal1bg.bmp", "pal1bg.png" },
    { "g/pal4.bmp", "pal4.png" }, { "g/pal4gs.bmp", "pal4gs.png" }, { "g/pal4rle.bmp", "pal4.png" },
    { "g/pal8.bmp", "pal8.png" }, { "g/pal8-0.bmp", "pal8.png" }, { "g/pal8gs.bmp", "pal8gs.png" },
    { "g/pal8rle.bmp", "pal8.png" }, { "g/pal8w126.bmp", "pal8w126.png" },
    { "g/pal8w125.bmp", "pal8w125.png" }, { "g/pal8w124.bmp", "pal8w124.png" },
    { "g/pal8topdown.bmp", "pal8.png" },
    { "g/pal8nonsquare.bmp", "pal8nonsquare-e.png" }, // shown unstretched; the header keeps the density
    { "g/pal8os2.bmp", "pal8.png" }, { "g/pal8v4.bmp", "pal8.png" }, { "g/pal8v5.bmp", "pal8.png" },
    { "g/rgb16.bmp", "rgb16.png" }, { "g/rgb16bfdef.bmp", "rgb16.png" },
    { "g/rgb16-565.bmp", "rgb16-565.png" }, { "g/rgb16-565pal.bmp", "rgb16-565.png" },
    { "g/rgb24.bmp", "rgb24.png" }, { "g/rgb24pal.bmp", "rgb24.png" }, { "g/rgb32.bmp", "rgb24.png" },
    { "g/rgb32bfdef.bmp", "rgb24.png" }, { "g/rgb32bf.bmp", "rgb24.png" },
    { "x/ba-bm.bmp", "pal8.png" }, // first picture of an OS/2 bitmap array
};

// q/: the decision for every questionable file.
const Expect kQuestionable[] = {
    { "q/pal1huffmsb.bmp", nullptr }, // OS/2 Huffman 1D: not supported
    { "q/pal1p1.bmp", "pal1p1.png" }, // one-colour palette: fine while no pixel uses index 1
    { "q/pal2.bmp", "pal2.png" }, // 2-bit: widened to a 4-bit picture
    { "q/pal2color.bmp", "pal2color.png" },
    { "q/pal4rlecut.bmp", "pal4rlecut-0.png" }, // skipped pixels keep index 0
    { "q/pal4rletrns.bmp", "pal4rletrns-0.png" }, { "q/pal8rlecut.bmp", "pal8rlecut-0.png" },
    { "q/pal8rletrns.bmp", "pal8rletrns-0.png" }, { "q/pal8offs.bmp", "pal8.png" }, // pixel offset honoured
    { "q/pal8oversizepal.bmp", "pal8.png" }, // palette cut to 256
    { "q/pal8os2-hs.bmp", "pal8.png" }, { "q/pal8os2-sz.bmp", "pal8.png" },
    { "q/pal8os2sp.bmp", "pal8.png" }, // short palette: the entries before the pixels
    { "q/pal8os2v2.bmp", "pal8.png" }, { "q/pal8os2v2-16.bmp", "pal8.png" },
    { "q/pal8os2v2-sz.bmp", "pal8.png" }, { "q/pal8os2v2-40sz.bmp", "pal8.png" },
    { "q/rgb16-231.bmp", "rgb16-231.png" }, // odd bit fields scale to 0...255
    { "q/rgb16-3103.bmp", "rgb16-3103.png" },
    { "q/rgb16faketrns.bmp", "rgb16.png" }, // the spare bit of 5-5-5 is not alpha
    { "q/rgb24jpeg.bmp", nullptr }, // embedded JPEG/PNG: not supported
    { "q/rgb24png.bmp", nullptr }, { "q/rgb24largepal.bmp", "rgb24.png" },
    { "q/rgb24lprof.bmp", "rgb24.png" }, // colour profiles are ignored
    { "q/rgb24prof.bmp", "rgb24.png" }, { "q/rgb24rle24.bmp", "pal8.png" }, // OS/2 RLE24
    { "q/rgb32-111110.bmp", "rgb24.png", 1 },
    { "q/rgb32-7187.bmp", "rgb32-7187.png", 1 }, // 18-bit green rounds to the nearer level
    { "q/rgb32-xbgr.bmp", "rgb24.png" },
    { "q/rgb32fakealpha.bmp", "rgb24.png" }, // BI_RGB: the fourth byte is padding
    { "q/rgb32h52.bmp", "rgb24.png" },
    { "q/rgba16-1924.bmp", "rgba16-1924.png", 1 }, // alpha masks: over white
    { "q/rgba16-4444.bmp", "rgba16-4444.png", 1 }, { "q/rgba16-5551.bmp", "rgba16-5551.png", 1 },
    { "q/rgba32-1.bmp", "rgba32.png", 1 }, { "q/rgba32-2.bmp", "rgba32.png", 1 },
    { "q/rgba32-1010102.bmp", "rgba32-1010102.png", 1 }, { "q/rgba32-81284.bmp", "rgba32-81284.png", 1 },
    { "q/rgba32-61754.bmp", "rgba32-61754.png", 1 }, { "q/rgba32abf.bmp", "rgba32.png", 1 },
    { "q/rgba32h56.bmp", "rgba32.png", 1 }, { "q/rgba64.bmp", nullptr }, // 64-bit: not supported
};

// b/: all fail, except header fields that nothing depends on, a channel-less bit field and the
// file cut short.
const std::map<std::string, const char *> kBadButReadable = {
    { "badbitssize.bmp", "pal1.png" }, // image-size field ignored for BI_RGB
    { "baddens1.bmp", "pal1.png" }, // density is kept, not used
    { "baddens2.bmp", "pal1.png" }, { "badfilesize.bmp", "pal1.png" }, // file-size field ignored
    { "rgb16-880.bmp", "rgb16-880.png" }, // a zero mask is a channel of 0
};

void CheckExpect(const Expect &e)
{
    SCOPED_TRACE(e.file);
    Picture pic;
    Status st = LoadWith(kFormat_bmp, TestData(kSuite + e.file), pic);
    if (e.reference == nullptr) {
        EXPECT_NE(st, Status::Ok);
        EXPECT_EQ(pic.bits, nullptr);
        return;
    }
    ASSERT_EQ(st, Status::Ok) << StatusText(st);
    Rgb want;
    ASSERT_TRUE(ReadPngOverWhite(TestData(kSuite + "html/" + e.reference), want));
    EXPECT_EQ(CompareRgb(Flatten(pic), want, e.tolerance), "");
}

TEST(FmtBmp, SuiteGoodFilesMatchReferences)
{
    for (const Expect &e : kGood)
        CheckExpect(e);
    // Every good file is listed.
    EXPECT_EQ(FilesIn(TestData(kSuite + "g")).size() + 1, std::size(kGood));
}

TEST(FmtBmp, SuiteQuestionableFilesFollowDecisions)
{
    for (const Expect &e : kQuestionable)
        CheckExpect(e);
    EXPECT_EQ(FilesIn(TestData(kSuite + "q")).size(), std::size(kQuestionable) + 1);

    // rgb24prof2 swaps red and green and relies on its profile to swap them back; profiles are
    // ignored, so the picture shows swapped channels.
    Picture pic;
    ASSERT_EQ(LoadWith(kFormat_bmp, TestData(kSuite + "q/rgb24prof2.bmp"), pic), Status::Ok);
    Rgb want;
    ASSERT_TRUE(ReadPngOverWhite(TestData(kSuite + "html/rgb24.png"), want));
    for (std::size_t i = 0; i < want.px.size(); i += 3)
        std::swap(want.px[i], want.px[i + 1]);
    EXPECT_EQ(CompareRgb(Flatten(pic), want), "");
}

TEST(FmtBmp, SuiteBadFilesFailOrFollowDecisions)
{
    auto files = FilesIn(TestData(kSuite + "b"));
    EXPECT_EQ(files.size(), 20u);
    for (const std::string &path : files) {
        if (FileName(path) == "shortfile.bmp") { // cut short: shown as far as it goes, flagged
            Picture pic;
            ASSERT_EQ(LoadWith(kFormat_bmp, path, pic), Status::Ok);
            EXPECT_TRUE(pic.damaged);
            continue;
        }
        auto it = kBadButReadable.find(FileName(path));
        std::string name = "b/" + FileName(path);
        CheckExpect(Expect { name.c_str(), it == kBadButReadable.end() ? nullptr : it->second });
    }
}

TEST(FmtBmp, ExtraGoodFilesDecodeAndAgreeAcrossLayouts)
{
    std::map<std::string, Rgb> decoded;
    for (const std::string &path : FilesIn(TestData("bmp-extra/good"))) {
        SCOPED_TRACE(path);
        Picture pic;
        ASSERT_EQ(LoadWith(kFormat_bmp, path, pic), Status::Ok);
        decoded[FileName(path)] = Flatten(pic);
    }
    // Top-down files equal their bottom-up twins; V4 and V5 24-bit files hold the same picture.
    for (const auto &[name, rgb] : decoded) {
        auto pos = name.find("_Top_Down");
        if (pos == std::string::npos)
            continue;
        std::string twin = name.substr(0, pos) + ".bmp";
        ASSERT_TRUE(decoded.count(twin)) << twin;
        EXPECT_EQ(CompareRgb(rgb, decoded[twin]), "") << name;
    }
    EXPECT_EQ(CompareRgb(decoded["V4_24_Bit.bmp"], decoded["V5_24_Bit.bmp"]), "");
    // The same content with 4-4-4 colour in three layouts, alpha unused or all opaque.
    EXPECT_EQ(CompareRgb(decoded["V3_A4_R4_G4_B4.bmp"], decoded["V3_X4_R4_G4_B4.bmp"]), "");
    // Alpha fields all zero: opaque, not blank.
    EXPECT_EQ(CompareRgb(
                  decoded["pillow_rgb32bf-abgr.bmp"], Flatten(Decode(TestData(kSuite + "q/rgb32-xbgr.bmp")))),
        "");
}

TEST(FmtBmp, ExtraQuestionableFilesDecode)
{
    // Junk masks with BI_RGB are ignored; RLE runs past the row end are clipped.
    for (const std::string &path : FilesIn(TestData("bmp-extra/questionable"))) {
        SCOPED_TRACE(path);
        Picture pic;
        EXPECT_EQ(LoadWith(kFormat_bmp, path, pic), Status::Ok);
    }
    Picture pic;
    ASSERT_EQ(LoadWith(kFormat_bmp, TestData("bmp-extra/questionable/V5_A8_R8_G8_B8_Rgb_BadMask.bmp"), pic),
        Status::Ok);
    EXPECT_EQ(pic.bitCount(), 24);
    EXPECT_EQ(Flatten(pic).At(0, 0)[0], 255); // red, opaque
}

} // namespace
