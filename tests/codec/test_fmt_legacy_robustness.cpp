// The own-code decoders against hostile input: other formats' files, damaged copies of good
// files. Nothing may crash or read out of bounds (the sanitizer build checks), a failure hands
// out no pixels, and a success hands out a picture whose palette covers its pixels.
#include "codec/pixelpack.h"
#include "fmt_testutil.h"

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
using namespace codexa::legacytest;

namespace
{

const FormatCodec *const kCodecs[] = { &kFormat_bmp, &kFormat_tga, &kFormat_pcx, &kFormat_img, &kFormat_mac };

void CheckLoad(const FormatCodec &codec, const std::vector<std::uint8_t> &data, const std::string &what)
{
    Picture pic;
    Status st = codec.load(AsBytes(data), -1, pic);
    if (st != Status::Ok) {
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

std::vector<std::string> Seeds()
{
    std::vector<std::string> files;
    for (const char *folder : { "bmpsuite/g", "bmpsuite/q", "bmp-extra/good", "tga/truevision-conformance",
             "tga/image-rs-testsuite", "pcx/kde", "pcx/kryptan/cga", "gem-img/mono", "gem-img/ximg",
             "gem-img/questionable", "macpaint/good" })
        for (const std::string &f : FilesIn(TestData(folder), { ".bmp", ".tga", ".pcx", ".img", ".mac" }))
            files.push_back(f);
    return files;
}

TEST(FmtLegacyRobustness, EveryDecoderSurvivesEveryFile)
{
    for (const std::string &path : Seeds()) {
        std::vector<std::uint8_t> data = ReadFileBytes(path);
        for (const FormatCodec *codec : kCodecs)
            CheckLoad(*codec, data, path);
    }
}

// Byte flips, overwritten header fields and cuts, from a fixed seed so failures repeat.
TEST(FmtLegacyRobustness, DamagedCopiesFailCleanly)
{
    std::mt19937 random(20240611);
    std::vector<std::string> seeds = Seeds();
    for (const std::string &path : seeds) {
        std::vector<std::uint8_t> original = ReadFileBytes(path);
        if (original.size() > 200000 || original.empty())
            continue;
        for (int round = 0; round < 24; ++round) {
            std::vector<std::uint8_t> data = original;
            int edits = 1 + static_cast<int>(random() % 6);
            for (int e = 0; e < edits; ++e) {
                // Half the edits hit the first 128 bytes, where the headers are.
                std::size_t limit = (random() % 2) ? std::min<std::size_t>(128, data.size()) : data.size();
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

TEST(FmtLegacyRobustness, ProbesReadOnlyTheHead)
{
    // The probe sees at most kProbeBytes and must not look further.
    for (const std::string &path : Seeds()) {
        std::vector<std::uint8_t> data = ReadFileBytes(path);
        std::vector<std::uint8_t> head(
            data.begin(), data.begin() + static_cast<long>(std::min(data.size(), kProbeBytes)));
        for (std::size_t cut : { std::size_t(0), std::size_t(1), std::size_t(17), head.size() }) {
            std::vector<std::uint8_t> part(
                head.begin(), head.begin() + static_cast<long>(std::min(cut, head.size())));
            for (const FormatCodec *codec : kCodecs)
                codec->probe(AsBytes(part), ".tga");
        }
    }
}

TEST(FmtLegacyRobustness, ProbeOrderAndNames)
{
    // Magic-number formats before the ones that need the extension.
    EXPECT_LT(kFormat_bmp.probeOrder, kFormat_pcx.probeOrder);
    EXPECT_LT(kFormat_pcx.probeOrder, kFormat_img.probeOrder);
    EXPECT_LT(kFormat_img.probeOrder, kFormat_tga.probeOrder);
    EXPECT_LT(kFormat_tga.probeOrder, kFormat_mac.probeOrder);
    for (const FormatCodec *codec : kCodecs) {
        ASSERT_NE(codec->extensions[0], nullptr);
        EXPECT_EQ(std::string(".") + codec->name, codec->extensions[0]);
        EXPECT_NE(codec->save, nullptr);
    }
}

} // namespace
