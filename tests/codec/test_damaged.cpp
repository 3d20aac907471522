// Damaged input: files cut short show the rows they hold and are flagged, files without a whole
// row fail, and inputs that once broke a decoder load or fail cleanly. Also the TIFF colour map
// scaling and the PCX size limits of the writer.
#include "codec/codexa.h"
#include "codec_test_util.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace codexa
{
extern const FormatCodec kFormat_pcx;
extern const FormatCodec kFormat_tiff;
} // namespace codexa

using namespace codexa;
using namespace codexa::test;

namespace
{

std::vector<std::uint8_t> Save(const Picture &pic, const char *format)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(SaveToMemory(ViewOf(pic), format, SaveOptions {}, bytes), Status::Ok) << format;
    return bytes;
}

void Put16(std::vector<std::uint8_t> &v, unsigned x)
{
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void Put32(std::vector<std::uint8_t> &v, std::uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// An uncompressed little-endian TIFF with its directory first and the pixels last, as many
// writers lay it out: 8-bit grey, or 8-bit palette with the given 16-bit colour map (red,
// green, blue thirds). Strips of four rows.
std::vector<std::uint8_t> DirectoryFirstTiff(int width, int height, const std::vector<std::uint8_t> &pixels,
    const std::vector<std::uint16_t> &map = {})
{
    const std::uint32_t rowsPerStrip = 4;
    const std::uint32_t strips = (static_cast<std::uint32_t>(height) + rowsPerStrip - 1) / rowsPerStrip;
    const std::uint16_t entries = map.empty() ? 9 : 10;
    const std::uint32_t ifdEnd = 8 + 2 + 12u * entries + 4;
    const std::uint32_t offsetsAt = ifdEnd, countsAt = offsetsAt + 4 * strips;
    const std::uint32_t mapAt = countsAt + 4 * strips;
    const std::uint32_t pixelsAt = mapAt + static_cast<std::uint32_t>(map.size()) * 2;
    std::vector<std::uint8_t> f = { 'I', 'I', 42, 0 };
    Put32(f, 8);
    Put16(f, entries);
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        Put16(f, tag);
        Put16(f, type);
        Put32(f, count);
        Put32(f, value);
    };
    entry(256, 4, 1, static_cast<std::uint32_t>(width));
    entry(257, 4, 1, static_cast<std::uint32_t>(height));
    entry(258, 3, 1, 8);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, map.empty() ? 1 : 3);
    entry(273, 4, strips, offsetsAt);
    entry(277, 3, 1, 1);
    entry(278, 4, 1, rowsPerStrip);
    entry(279, 4, strips, countsAt);
    if (!map.empty())
        entry(320, 3, static_cast<std::uint32_t>(map.size()), mapAt);
    Put32(f, 0);
    for (std::uint32_t s = 0; s < strips; ++s)
        Put32(f, pixelsAt + s * rowsPerStrip * static_cast<std::uint32_t>(width));
    for (std::uint32_t s = 0; s < strips; ++s)
        Put32(f,
            std::min<std::uint32_t>(rowsPerStrip, static_cast<std::uint32_t>(height) - s * rowsPerStrip)
                * static_cast<std::uint32_t>(width));
    for (std::uint16_t v : map)
        Put16(f, v);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

std::vector<std::uint8_t> GreyRamp(int width, int height)
{
    std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<std::uint8_t>((i % static_cast<std::size_t>(width)) * 7 + i / 97);
    return px;
}

bool RowsEqual(const Rgb &a, const Rgb &b, int y)
{
    return std::equal(a.At(0, y), a.At(0, y) + 3 * a.width, b.At(0, y));
}

bool RowUniform(const Rgb &a, int y)
{
    for (int x = 1; x < a.width; ++x)
        if (!std::equal(a.At(x, y), a.At(x, y) + 3, a.At(0, y)))
            return false;
    return true;
}

struct CutCase {
    const char *format;
    std::vector<std::uint8_t> file;
    bool bottomUp; // the file stores its last row first
};

std::vector<CutCase> CutCases()
{
    Picture colour = MakePattern(96, 96, 24);
    return {
        { "bmp", Save(colour, "bmp"), true },
        { "pcx", Save(colour, "pcx"), false },
        { "tga", Save(colour, "tga"), true },
        { "gif", Save(MakePattern(96, 96, 8), "gif"), false },
        { "png", Save(colour, "png"), false },
        { "jpg", Save(colour, "jpg"), false },
        { "tif", DirectoryFirstTiff(96, 96, GreyRamp(96, 96)), false },
    };
}

// Cut at 70%: the rows the file still holds (from its first stored row) equal the whole file's
// decode, the rest is filled with one colour, and the picture says it is damaged.
TEST(DamagedFiles, CutFilesShowTheirLeadingRowsAndAreFlagged)
{
    for (const CutCase &c : CutCases()) {
        SCOPED_TRACE(c.format);
        Picture whole;
        ASSERT_EQ(LoadFromMemory(AsBytes(c.file), c.format, -1, whole), Status::Ok);
        EXPECT_FALSE(whole.damaged);
        const Rgb want = Flatten(whole);
        Picture cut;
        ASSERT_EQ(
            LoadFromMemory(Bytes { c.file.data(), c.file.size() * 7 / 10 }, c.format, -1, cut), Status::Ok);
        EXPECT_TRUE(cut.damaged);
        const Rgb got = Flatten(cut);
        ASSERT_EQ(got.width, want.width);
        ASSERT_EQ(got.height, want.height);
        auto fromStart = [&](int i) { return c.bottomUp ? want.height - 1 - i : i; };
        int same = 0;
        while (same < want.height && RowsEqual(got, want, fromStart(same)))
            ++same;
        EXPECT_GE(same, 8);
        EXPECT_LT(same, want.height);
        const int last = fromStart(want.height - 1);
        EXPECT_TRUE(RowUniform(got, last));
        EXPECT_FALSE(RowUniform(want, last));
    }
}

// However a file is cut, a load either fails, gives a damaged picture whose first stored row is
// right, or (cut only in trailing bytes) the whole picture; a file cut inside its header fails.
TEST(DamagedFiles, EveryCutFailsOrHoldsAWholeFirstRow)
{
    for (const CutCase &c : CutCases()) {
        SCOPED_TRACE(c.format);
        Picture whole;
        ASSERT_EQ(LoadFromMemory(AsBytes(c.file), c.format, -1, whole), Status::Ok);
        const Rgb want = Flatten(whole);
        const int first = c.bottomUp ? want.height - 1 : 0;
        for (std::size_t n = 0; n < c.file.size(); n += 1 + n / 40) {
            Picture pic;
            if (LoadFromMemory(Bytes { c.file.data(), n }, c.format, -1, pic) != Status::Ok) {
                EXPECT_EQ(pic.bits, nullptr);
                continue;
            }
            EXPECT_GT(n, 24u) << "cut at " << n;
            const Rgb got = Flatten(pic);
            if (pic.damaged) {
                EXPECT_TRUE(RowsEqual(got, want, first)) << "cut at " << n;
            } else {
                EXPECT_EQ(CompareRgb(got, want), "") << "cut at " << n;
            }
        }
    }
}

// An interlaced PNG cut short shows the passes it completed: coarse, but near the whole picture
// (every pixel of the first rows within a pass's block of its own), and flagged.
TEST(DamagedFiles, CutInterlacedPngShowsItsCompletedPasses)
{
    for (const char *name :
        { "basi2c08.png", "basi3p08.png", "basi0g08.png", "basi6a08.png", "basi3p02.png" }) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> file = ReadAll(TestData(std::string("pngsuite/good/") + name));
        Picture whole, cut;
        ASSERT_EQ(LoadFromMemory(AsBytes(file), ".png", -1, whole), Status::Ok);
        ASSERT_EQ(LoadFromMemory(Bytes { file.data(), file.size() * 7 / 10 }, ".png", -1, cut), Status::Ok);
        EXPECT_TRUE(cut.damaged);
        EXPECT_EQ(cut.width(), whole.width());
        EXPECT_EQ(cut.bitCount(), whole.bitCount());
        EXPECT_LT(MeanDifference(cut, whole), 40.0);
    }
}

// The C entry point reports the damage; a whole file is not damaged.
TEST(DamagedFiles, LoadPageExReportsDamage)
{
    const std::vector<std::uint8_t> png = Save(MakePattern(40, 40, 24), "png");
    const std::string dir = testing::TempDir();
    const std::string whole = dir + "/damaged_whole.png", cut = dir + "/damaged_cut.png";
    for (const auto &[path, size] : { std::pair { whole, png.size() }, std::pair { cut, png.size() / 2 } }) {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(png.data(), 1, size, f);
        std::fclose(f);
    }
    DibInfoBlock info {};
    HGLOBAL bits = nullptr;
    int damaged = -1;
    ASSERT_EQ(CodexaLoadPageEx(&bits, &info, cut.c_str(), -1, &damaged), 1);
    EXPECT_EQ(damaged, 1);
    CodexaRelease(&bits);
    ASSERT_EQ(CodexaLoadPageEx(&bits, &info, whole.c_str(), -1, &damaged), 1);
    EXPECT_EQ(damaged, 0);
    CodexaRelease(&bits);
    ASSERT_EQ(CodexaLoadPageEx(&bits, &info, cut.c_str(), -1, nullptr), 1);
    CodexaRelease(&bits);
    EXPECT_EQ(CodexaLoadPageEx(&bits, &info, (dir + "/no-such-file.png").c_str(), -1, &damaged), 0);
    EXPECT_EQ(damaged, 0);
    std::filesystem::remove(whole);
    std::filesystem::remove(cut);
}

// Inputs that broke a decoder once: each loads or fails with no sanitizer report, through the
// dispatcher and through every decoder.
TEST(DamagedFiles, RegressionInputsLoadOrFailCleanly)
{
    const auto files = FilesIn(TARNIS_SOURCE_DIR "/tests/data/regressions");
    ASSERT_FALSE(files.empty());
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        const std::vector<std::uint8_t> data = ReadAll(path);
        Picture pic;
        if (LoadFromMemory(AsBytes(data), std::filesystem::path(path).extension().string(), -1, pic)
            == Status::Ok) {
            EXPECT_NE(pic.bits, nullptr);
        }
        for (const FormatCodec *format : AllFormats()) {
            Picture one;
            format->load(AsBytes(data), -1, one);
        }
    }
    // An animated WebP whose canvas is 983041 × 2817: refused before a canvas that size is made.
    Picture huge;
    EXPECT_NE(LoadFromMemory(AsBytes(ReadAll(TARNIS_SOURCE_DIR
                                 "/tests/data/regressions/webp-animation-huge-canvas.webp")),
                  ".webp", -1, huge),
        Status::Ok);
    // The PNG whose late PLTE cancels its tRNS: rows are three bytes a pixel, and the picture
    // is opaque RGB.
    Picture png;
    const auto overflow = ReadAll(TARNIS_SOURCE_DIR "/tests/data/regressions/png-rgb-trns-plte-overflow.png");
    if (LoadFromMemory(AsBytes(overflow), ".png", -1, png) == Status::Ok) {
        EXPECT_EQ(png.bitCount(), 24);
    }
}

// 16-bit colour map entries keep their high byte: entries written as v × 256 read back as v.
TEST(TiffColourMap, SixteenBitEntriesKeepTheirHighByte)
{
    std::vector<std::uint16_t> map(3 * 256);
    for (unsigned i = 0; i < 256; ++i) {
        map[i] = static_cast<std::uint16_t>(i << 8); // red
        map[256 + i] = static_cast<std::uint16_t>((255 - i) << 8 | 0xFF); // green
        map[512 + i] = static_cast<std::uint16_t>(i * 257); // blue
    }
    std::vector<std::uint8_t> px(16 * 16);
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<std::uint8_t>(i);
    const std::vector<std::uint8_t> file = DirectoryFirstTiff(16, 16, px, map);
    Picture pic;
    ASSERT_EQ(kFormat_tiff.load(AsBytes(file), -1, pic), Status::Ok);
    ASSERT_EQ(pic.bitCount(), 8);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(pic.info.bmiColors[i].rgbRed, i) << i;
        EXPECT_EQ(pic.info.bmiColors[i].rgbGreen, 255 - i) << i;
        EXPECT_EQ(pic.info.bmiColors[i].rgbBlue, i) << i;
    }
    EXPECT_EQ(pic.info.bmiColors[157].rgbRed, 157);
}

// The header holds the last column (16 bits) and the bytes per plane line (16 bits): a picture
// either round-trips or is refused.
TEST(PcxLimits, WidePicturesRoundTripOrAreRefused)
{
    struct Case {
        int width, bits;
        bool fits;
    } cases[] = { { 65535, 1, true }, { 65536, 1, true }, { 65535, 4, true }, { 65536, 4, true },
        { 65535, 8, true }, { 65536, 8, false }, { 65535, 24, true }, { 65536, 24, false },
        { 65537, 1, false } };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.bits));
        Picture pic = MakePattern(c.width, 2, c.bits);
        ASSERT_NE(pic.bits, nullptr);
        std::vector<std::uint8_t> bytes;
        const Status saved = kFormat_pcx.save(ViewOf(pic), SaveOptions {}, bytes);
        EXPECT_EQ(saved == Status::Ok, c.fits);
        if (saved != Status::Ok)
            continue;
        Picture back;
        ASSERT_EQ(kFormat_pcx.load(AsBytes(bytes), -1, back), Status::Ok);
        EXPECT_FALSE(back.damaged);
        EXPECT_EQ(CompareRgb(Flatten(back), Flatten(pic)), "");
    }
}

} // namespace
