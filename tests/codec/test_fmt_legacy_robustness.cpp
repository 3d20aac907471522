// The own-code decoders against hostile input: other formats' files, damaged and cut copies of
// good files. Nothing may crash or read out of bounds (the sanitizer build checks), a failure
// hands out no pixels, and a success hands out a picture whose palette covers its pixels.
// Also the depth, palette size and density each hands out, what each probe accepts and that
// these single-page formats have no second page.
#include "codec/pixelpack.h"
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <random>

namespace codexa
{
extern const FormatCodec kFormat_bmp;
extern const FormatCodec kFormat_tga;
extern const FormatCodec kFormat_pcx;
extern const FormatCodec kFormat_img;
extern const FormatCodec kFormat_mac;
} // namespace codexa

using namespace codexa;
using namespace codexa::test;

namespace
{

const FormatCodec *const kCodecs[] = { &kFormat_bmp, &kFormat_tga, &kFormat_pcx, &kFormat_img, &kFormat_mac };

void CheckLoad(const FormatCodec &codec, const std::vector<std::uint8_t> &data, const std::string &what)
{
    Picture pic;
    if (codec.load(AsBytes(data), -1, pic) != Status::Ok) {
        EXPECT_EQ(pic.bits, nullptr) << codec.name << " " << what;
        return;
    }
    ASSERT_NE(pic.bits, nullptr) << codec.name << " " << what;
    int bits = pic.bitCount();
    ASSERT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << codec.name << " " << what;
    EXPECT_GT(pic.info.bmiHeader.biHeight, 0);
    if (bits > 8)
        return;
    PictureView view = ViewOf(pic);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(view.width));
    for (int y = 0; y < view.height; ++y) {
        UnpackIndexRow(view.RowFromTop(y), view.width, bits, indices.data());
        for (std::uint8_t v : indices)
            ASSERT_LT(v, view.paletteSize) << codec.name << " " << what << " row " << y;
    }
}

// Every decoder gets every file and 24 damaged copies of it (byte flips, overwritten header
// fields, cuts), from a fixed seed so failures repeat.
TEST(FmtLegacyRobustness, EveryDecoderSurvivesEveryFileAndDamagedCopies)
{
    std::mt19937 random(20240611);
    for (const char *folder : { "bmpsuite/g", "bmpsuite/q", "bmp-extra/good", "tga/truevision-conformance",
             "tga/image-rs-testsuite", "pcx/kde", "pcx/kryptan/cga", "gem-img/mono", "gem-img/ximg",
             "gem-img/questionable", "macpaint/good" })
        for (const std::string &path :
            FilesIn(TestData(folder), { ".bmp", ".tga", ".pcx", ".img", ".mac" })) {
            const std::vector<std::uint8_t> original = ReadAll(path);
            for (const FormatCodec *codec : kCodecs)
                CheckLoad(*codec, original, path);
            for (int round = 0; round < 24 && !original.empty() && original.size() <= 200000; ++round) {
                std::vector<std::uint8_t> data = original;
                for (int e = 0, edits = 1 + static_cast<int>(random() % 6); e < edits; ++e) {
                    // Half the edits hit the first 128 bytes, where the headers are.
                    std::size_t limit
                        = (random() % 2) ? std::min<std::size_t>(128, data.size()) : data.size();
                    std::size_t at = random() % limit;
                    switch (random() % 4) {
                    case 0:
                        data[at] = static_cast<std::uint8_t>(random());
                        break;
                    case 1:
                        data[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                        break;
                    case 2:
                        data[at] = (random() % 2) ? 0xFF : 0x00;
                        break;
                    default:
                        data.resize(at + 1);
                        break;
                    }
                }
                for (const FormatCodec *codec : kCodecs)
                    CheckLoad(*codec, data, path + " round " + std::to_string(round));
            }
        }
}

// A file cut before its last `slack` bytes fails or gives a picture flagged damaged (never
// reading past the end); a longer cut either fails or gives the whole picture.
TEST(FmtLegacyRobustness, CutFilesAreDamagedUntilThePixelsAreComplete)
{
    struct Case {
        const FormatCodec &codec;
        const char *file;
        std::size_t step; // after the first 200 cuts, which go byte by byte
        std::size_t slack;
    } cases[] = {
        // BMP: only the final row padding or RLE end marker may be missing.
        { kFormat_bmp, "bmpsuite/g/pal8rle.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/g/pal4rle.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/g/rgb16-565.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/q/rgba32-1.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/q/rgb24rle24.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/g/pal8os2.bmp", 37, 6 },
        { kFormat_bmp, "bmpsuite/x/ba-bm.bmp", 37, 6 },
        // ccm8's RLE pixels end about 4.7 kB into its 9.3 kB.
        { kFormat_tga, "tga/truevision-conformance/ccm8.tga", 23, 9271 - 4141 },
        { kFormat_pcx, "pcx/kde/16color.pcx", 3, 0 },
        { kFormat_img, "gem-img/mono/grafprog.img", 11, 0 },
        // japan's packed rows end well before its trailing padding.
        { kFormat_mac, "macpaint/good/japan_macbinary.mac", 13, 1024 },
    };
    for (const Case &c : cases) {
        const std::vector<std::uint8_t> data = ReadAll(TestData(c.file));
        Picture whole;
        ASSERT_EQ(c.codec.load(AsBytes(data), -1, whole), Status::Ok) << c.file;
        for (std::size_t n = 0; n < data.size(); n += (n < 200 ? 1 : c.step)) {
            Picture pic;
            if (c.codec.load(Bytes { data.data(), n }, -1, pic) != Status::Ok) {
                EXPECT_EQ(pic.bits, nullptr);
            } else if (!pic.damaged) {
                EXPECT_EQ(CompareRgb(Flatten(pic), Flatten(whole)), "") << c.file << " cut at " << n;
            }
            EXPECT_TRUE(pic.bits == nullptr || pic.damaged || n + c.slack >= data.size())
                << c.file << " cut at " << n;
        }
    }
}

TEST(FmtLegacyRobustness, BadFilesFail)
{
    const std::pair<const FormatCodec &, const char *> folders[]
        = { { kFormat_bmp, "bmp-extra/bad" }, { kFormat_tga, "tga/image-rs-regression-bad" },
              { kFormat_tga, "tga/pillow-misc/bad" }, { kFormat_pcx, "pcx/pillow/bad" } };
    for (auto &[codec, folder] : folders)
        for (const std::string &path : FilesIn(TestData(folder))) {
            Picture pic;
            // Files cut short are shown as far as they go, flagged damaged.
            if (FileName(path).find("truncated") != std::string::npos
                && LoadWith(codec, path, pic) == Status::Ok) {
                EXPECT_TRUE(pic.damaged) << path;
                continue;
            }
            EXPECT_NE(LoadWith(codec, path, pic), Status::Ok) << path;
            EXPECT_EQ(pic.bits, nullptr) << path;
        }
}

// 1-, 4- and 8-bit pictures keep their palette (2-bit widened to 4), everything else becomes
// 24-bit; grey has the grey ramp. Density as the file gives it (-1: the format has none).
TEST(FmtLegacyRobustness, DepthsPalettesAndDensity)
{
    struct Case {
        const FormatCodec &codec;
        const char *file;
        int bitCount, clrUsed, xppm, yppm;
    } cases[] = {
        { kFormat_bmp, "bmpsuite/g/pal1.bmp", 1, 0, 2835, 2835 },
        { kFormat_bmp, "bmpsuite/q/pal2.bmp", 4, 4, 2835, 2835 },
        { kFormat_bmp, "bmpsuite/g/pal4.bmp", 4, 12, 2835, 2835 },
        { kFormat_bmp, "bmpsuite/g/pal8rle.bmp", 8, 252, 2835, 2835 },
        { kFormat_bmp, "bmpsuite/g/pal8nonsquare.bmp", 8, 252, 2835, 1417 },
        { kFormat_bmp, "bmpsuite/g/pal8os2.bmp", 8, 0, 0, 0 },
        { kFormat_bmp, "bmpsuite/q/pal8os2sp.bmp", 8, 252, 0, 0 },
        { kFormat_bmp, "bmpsuite/g/rgb16.bmp", 24, 0, 2835, 2835 },
        { kFormat_bmp, "bmpsuite/b/baddens1.bmp", 1, 0, 30000000, 3 },
        { kFormat_tga, "tga/truevision-conformance/ubw8.tga", 8, 0, -1, -1 },
        { kFormat_tga, "tga/truevision-conformance/ucm8.tga", 8, 0, -1, -1 },
        { kFormat_tga, "tga/image-rs-testsuite/cmap_offset.tga", 8, 111, -1, -1 },
        { kFormat_tga, "tga/go-tga-extra/rgb24_top_left_colormap.tga", 8, 29, -1, -1 },
        { kFormat_tga, "tga/kde/bwa.tga", 8, 0, -1, -1 },
        { kFormat_tga, "tga/truevision-conformance/utc16.tga", 24, 0, -1, -1 },
        { kFormat_tga, "tga/kde/rgba.tga", 24, 0, -1, -1 },
        { kFormat_pcx, "pcx/kde/mono.pcx", 1, 0, 3780, 3780 },
        { kFormat_pcx, "pcx/kde/16color.pcx", 4, 0, 11811, 11811 },
        { kFormat_pcx, "pcx/kde/ICONDOC.pcx", 4, 8, 25197, 13780 },
        { kFormat_pcx, "pcx/kde/indexed8.pcx", 8, 0, 11811, 11811 },
        { kFormat_pcx, "pcx/kde/rgb.pcx", 24, 0, 11811, 11811 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Picture pic;
        ASSERT_EQ(LoadWith(c.codec, TestData(c.file), pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), c.bitCount);
        EXPECT_EQ(static_cast<int>(pic.info.bmiHeader.biClrUsed), c.clrUsed);
        EXPECT_GT(pic.info.bmiHeader.biHeight, 0);
        if (c.xppm >= 0) {
            EXPECT_EQ(pic.info.bmiHeader.biXPelsPerMeter, c.xppm);
            EXPECT_EQ(pic.info.bmiHeader.biYPelsPerMeter, c.yppm);
        }
    }
    Picture grey;
    ASSERT_EQ(LoadWith(kFormat_tga, TestData("tga/kde/bw.tga"), grey), Status::Ok);
    EXPECT_EQ(grey.info.bmiColors[200].rgbGreen, 200);
}

// Files with their own extension are recognised in the format-number test of the C entry points.
TEST(FmtLegacyRobustness, ProbesDecideFromMagicOrExtensionAndThereIsOnePage)
{
    struct Case {
        const FormatCodec &codec;
        const char *file;
        const char *ext;
        bool accept;
    } cases[] = {
        { kFormat_bmp, "bmpsuite/x/ba-bm.bmp", "", true },
        { kFormat_bmp, "bmpsuite/b/badheadersize.bmp", ".bmp", false },
        { kFormat_bmp, "pcx/kde/mono.pcx", ".bmp", false },
        // TGA has no magic number: the extension or the footer decides.
        { kFormat_tga, "tga/kde/rgb.tga", ".dat", false },
        { kFormat_tga, "tga/pillow-common/1x1_l_bl_raw.tga", "", true },
        { kFormat_tga, "pcx/kde/mono.pcx", ".tga", false },
        { kFormat_tga, "bmpsuite/g/pal8.bmp", ".tga", false },
        { kFormat_tga, "gem-img/mono/tiger.img", ".tga", false },
        { kFormat_tga, "macpaint/good/MUST4_raw.MAC", ".tga", false },
        { kFormat_pcx, "pcx/kryptan/tiny.pcx", "", true },
        { kFormat_pcx, "pcx/pillow/bad/01r_00.pcx", ".pcx", false },
        { kFormat_pcx, "bmpsuite/g/pal8.bmp", ".pcx", false },
        // A plain IMG header needs the extension; XIMG has a signature.
        { kFormat_img, "gem-img/mono/tiger.img", ".dat", false },
        { kFormat_img, "gem-img/ximg/xaaes_8b_info.img", "", true },
        { kFormat_img, "tga/kde/rgb.tga", ".img", false },
        { kFormat_img, "macpaint/good/MUST4_raw.MAC", ".img", false },
        // MacPaint without a MacBinary header: the extension decides.
        { kFormat_mac, "macpaint/good/thinking_about_you_raw.mac", ".bin", false },
        { kFormat_mac, "macpaint/good/MILO_macbinary.PIC", ".pic", true },
        { kFormat_mac, "tga/kde/rgb.tga", ".mac", false },
        { kFormat_mac, "gem-img/mono/tiger.img", ".mac", false },
        { kFormat_mac, "bmpsuite/g/pal1.bmp", ".mac", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.codec.name) + " " + c.file + " " + c.ext);
        const std::vector<std::uint8_t> data = ReadAll(TestData(c.file));
        EXPECT_EQ(c.codec.probe(AsBytes(data), c.ext), c.accept);
        if (c.accept) {
            Picture pic;
            EXPECT_EQ(c.codec.load(AsBytes(data), 0, pic), Status::Ok);
            EXPECT_EQ(c.codec.load(AsBytes(data), 1, pic), Status::BadPage);
        }
    }
}

} // namespace
