// WebP, AVIF, HEIC and JPEG XL: the registry, decodes against each library's own command-line
// decoder on files its encoder makes here, round trips, pages, orientation, limits, bad input.
#include "codec/codexa.h"
#include "codec_test_util.h"

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace codexa::test
{
namespace
{

namespace fs = std::filesystem;

class PhotoFormats : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("photo_formats_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
        SetPixelLimit(1ll << 28);
    }
    std::string Path(const std::string &name) const { return (m_dir / name).string(); }
    // Runs a tool quietly; true on exit status 0.
    static bool Run(const std::string &cmd)
    {
        const int rc = std::system(("timeout 120 " + cmd + " >/dev/null 2>&1").c_str());
        return rc == 0;
    }
    // A smooth colourful RGBA picture (alpha ramp in the lower half when withAlpha).
    std::string MakePng(const std::string &name, int w, int h, bool withAlpha, int seed = 0) const
    {
        QImage img(w, h, QImage::Format_RGBA8888);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int a = withAlpha && y >= h / 2 ? (x * 255) / (w - 1) : 255;
                img.setPixel(x, y, qRgba((x * 255) / w, (y * 255) / h, (seed * 70 + (x + y) * 2) & 255, a));
            }
        const std::string path = Path(name);
        EXPECT_TRUE(img.save(QString::fromStdString(path), "PNG"));
        return path;
    }
    fs::path m_dir;
};

Rgb Reference(const std::string &png)
{
    Rgb ref;
    EXPECT_TRUE(ReadPngOverWhite(png, ref)) << png;
    return ref;
}

TEST(FormatRegistry, NumbersNamesAndAbilities)
{
    // The nine fixed numbers, then the later formats, each unique.
    const struct {
        int number;
        const char *name;
        const char *ext;
        bool writes;
    } kTable[] = {
        { 0, "bmp", ".bmp", true },
        { 1, "jpeg", ".jpg", true },
        { 2, "gif", ".gif", true },
        { 3, "tga", ".tga", true },
        { 4, "pcx", ".pcx", true },
        { 5, "tiff", ".tif", true },
        { 6, "img", ".img", true },
        { 7, "mac", ".mac", true },
        { 8, "png", ".png", true },
        { 9, "webp", ".webp", true },
        { 10, "avif", ".avif", true },
        { 11, "heic", ".heic", false },
        { 12, "jxl", ".jxl", false },
    };
    for (const auto &row : kTable) {
        const FormatCodec *f = FormatByNumber(row.number);
        ASSERT_NE(f, nullptr) << row.name;
        EXPECT_STREQ(f->name, row.name);
        EXPECT_EQ(FormatNumber(f), row.number);
        EXPECT_EQ(FormatByExtension(row.ext), f) << row.ext;
        EXPECT_EQ(f->save != nullptr, row.writes) << row.name;
        ASSERT_NE(f->description, nullptr);
        ASSERT_NE(f->mimeTypes, nullptr);
        EXPECT_NE(f->mimeTypes[0], nullptr) << row.name;
    }
    std::set<int> numbers;
    for (const FormatCodec *f : AllFormats())
        EXPECT_TRUE(numbers.insert(f->number).second) << "number " << f->number << " twice";
    // The C listing walks the same registry in number order.
    CodexaFormatInfo info {};
    int previous = -1, count = 0;
    for (; CodexaFormatAt(count, &info) != 0; ++count) {
        EXPECT_GT(info.number, previous);
        previous = info.number;
        EXPECT_EQ(FormatByNumber(info.number)->save != nullptr, info.canWrite != 0);
    }
    EXPECT_EQ(count, static_cast<int>(AllFormats().size()));
    EXPECT_EQ(CodexaFormatAt(-1, &info), 0);
    EXPECT_EQ(CodexaFormatAt(0, nullptr), 0);
}

// Each decoder against its library's own tool, on files that library's encoder made.
TEST_F(PhotoFormats, DecodesAsTheLibraryToolDoes)
{
    const struct {
        const char *ext;
        const char *encode; // %s input PNG, %s output
        const char *decode; // %s input, %s output PNG
        bool alpha;
        int tolerance;
    } kCases[] = {
        { ".webp", "cwebp -quiet -q 80 %s -o %s", "dwebp %s -o %s", false, 0 },
        { ".webp", "cwebp -quiet -q 75 -alpha_q 100 %s -o %s", "dwebp %s -o %s", true, 0 },
        { ".webp", "cwebp -quiet -lossless %s -o %s", "dwebp %s -o %s", true, 0 },
        { ".heic", "heif-enc -q 70 %s -o %s", "heif-convert %s %s", false, 0 },
        { ".heic", "heif-enc -q 70 %s -o %s", "heif-convert %s %s", true, 0 },
        { ".avif", "avifenc -s 8 --min 20 --max 30 %s %s", "avifdec %s %s", false, 1 },
        { ".avif", "heif-enc -A -q 60 %s -o %s", "heif-convert %s %s", true, 0 },
        { ".jxl", "cjxl -q 80 %s %s", "djxl %s %s", false, 1 },
        { ".jxl", "cjxl -d 0 %s %s", "djxl %s %s", true, 0 },
    };
    int n = 0;
    for (const auto &c : kCases) {
        SCOPED_TRACE(std::string(c.ext) + " " + c.encode);
        const std::string src = MakePng("src" + std::to_string(n) + ".png", 67, 45, c.alpha, n);
        const std::string file = Path("pic" + std::to_string(n) + c.ext);
        const std::string ref = Path("ref" + std::to_string(n) + ".png");
        ++n;
        char cmd[1024];
        std::snprintf(cmd, sizeof cmd, c.encode, src.c_str(), file.c_str());
        ASSERT_TRUE(Run(cmd)) << cmd;
        std::snprintf(cmd, sizeof cmd, c.decode, file.c_str(), ref.c_str());
        ASSERT_TRUE(Run(cmd)) << cmd;
        const std::vector<std::uint8_t> bytes = ReadAll(file);
        EXPECT_EQ(DetectFormat(AsBytes(bytes), ""), FormatByExtension(c.ext)) << "found by content alone";
        Picture pic;
        ASSERT_EQ(LoadFromMemory(AsBytes(bytes), c.ext, -1, pic), Status::Ok);
        EXPECT_EQ(pic.bitCount(), 24);
        EXPECT_FALSE(pic.damaged);
        EXPECT_EQ(CompareRgb(Flatten(pic), Reference(ref), c.tolerance), "");
        EXPECT_EQ(PageCountFromMemory(AsBytes(bytes), c.ext), 1);
    }
}

TEST_F(PhotoFormats, WrittenFormatsReadBack)
{
    const Picture colour = MakePattern(93, 61, 24);
    const Picture palette = MakePattern(40, 30, 8);
    const struct {
        const char *format;
        int quality;
        const Picture *pic;
        double meanTolerance; // 0: exact
    } kCases[] = {
        { "webp", 100, &colour, 0 }, // quality 100 is lossless
        { "webp", 100, &palette, 0 },
        { "webp", 80, &colour, 4 },
        { "avif", 90, &colour, 4 },
        { "avif", 50, &colour, 10 },
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(std::string(c.format) + " q" + std::to_string(c.quality));
        SaveOptions options;
        options.jpegQuality = c.quality;
        std::vector<std::uint8_t> file;
        ASSERT_EQ(SaveToMemory(ViewOf(*c.pic), c.format, options, file), Status::Ok);
        Picture back;
        ASSERT_EQ(LoadFromMemory(AsBytes(file), c.format, -1, back), Status::Ok);
        ASSERT_EQ(back.width(), c.pic->width());
        ASSERT_EQ(back.height(), c.pic->height());
        if (c.meanTolerance == 0)
            EXPECT_EQ(CompareRgb(Flatten(back), Flatten(*c.pic)), "");
        else
            EXPECT_LT(MeanDifference(back, *c.pic), c.meanTolerance);
    }
    // Through the file entry point, as the batch converter calls it.
    const std::string path = Path("saved.webp");
    ASSERT_EQ(SaveFile(path.c_str(), ViewOf(colour), "", SaveOptions {}), Status::Ok);
    ASSERT_TRUE(Run("dwebp " + path + " -o " + Path("saved.png")));
    Picture again;
    ASSERT_EQ(LoadFile(path.c_str(), -1, again), Status::Ok);
    EXPECT_EQ(CompareRgb(Flatten(again), Reference(Path("saved.png"))), "");
}

TEST_F(PhotoFormats, AnimatedWebpFramesAndHeicCollectionsArePages)
{
    std::string frames;
    for (int i = 0; i < 3; ++i)
        frames += " " + MakePng("frame" + std::to_string(i) + ".png", 40, 30, false, i * 2 + 1);
    const std::string anim = Path("anim.webp");
    ASSERT_TRUE(Run("img2webp -loop 0 -lossless -d 100" + frames + " -o " + anim));
    EXPECT_EQ(PageCountFile(anim.c_str()), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        Picture pic;
        ASSERT_EQ(LoadFile(anim.c_str(), i, pic), Status::Ok);
        EXPECT_EQ(CompareRgb(Flatten(pic), Reference(Path("frame" + std::to_string(i) + ".png"))), "");
    }
    Picture none;
    EXPECT_EQ(LoadFile(anim.c_str(), 3, none), Status::BadPage);

    // Two pictures of different sizes in one HEIC: the first is the primary one.
    const std::string a = MakePng("a.png", 48, 32, false, 1), b = MakePng("b.png", 24, 40, false, 2);
    const std::string heic = Path("pair.heic");
    ASSERT_TRUE(Run("heif-enc -q 80 " + a + " " + b + " -o " + heic));
    EXPECT_EQ(PageCountFile(heic.c_str()), 2);
    Picture first, second, primary;
    ASSERT_EQ(LoadFile(heic.c_str(), 0, first), Status::Ok);
    ASSERT_EQ(LoadFile(heic.c_str(), 1, second), Status::Ok);
    ASSERT_EQ(LoadFile(heic.c_str(), -1, primary), Status::Ok);
    EXPECT_EQ(first.width(), 48);
    EXPECT_EQ(second.width(), 24);
    EXPECT_EQ(second.height(), 40);
    EXPECT_EQ(primary.width(), 48);
    EXPECT_EQ(LoadFile(heic.c_str(), 2, none), Status::BadPage);
}

// An EXIF block of one entry: orientation.
std::vector<std::uint8_t> ExifWithOrientation(int orientation)
{
    return { 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
        static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0 };
}

TEST_F(PhotoFormats, WebpExifOrientationTurnsThePicture)
{
    const std::string src = MakePng("upright.png", 30, 20, false, 3);
    const std::string plain = Path("plain.webp");
    ASSERT_TRUE(Run("cwebp -quiet -lossless " + src + " -o " + plain));
    Picture base;
    ASSERT_EQ(LoadFile(plain.c_str(), -1, base), Status::Ok);
    const Rgb upright = Flatten(base);
    for (int orientation : { 3, 6, 8 }) {
        SCOPED_TRACE(orientation);
        const std::string exif = Path("o.exif"), turned = Path("turned.webp");
        const std::vector<std::uint8_t> block = ExifWithOrientation(orientation);
        std::FILE *f = std::fopen(exif.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(block.data(), 1, block.size(), f);
        std::fclose(f);
        ASSERT_TRUE(Run("webpmux -set exif " + exif + " " + plain + " -o " + turned));
        Picture pic;
        ASSERT_EQ(LoadFile(turned.c_str(), -1, pic), Status::Ok);
        const Rgb got = Flatten(pic);
        const bool swap = orientation != 3;
        ASSERT_EQ(got.width, swap ? 20 : 30);
        ASSERT_EQ(got.height, swap ? 30 : 20);
        // Where the upright picture's top-left pixel lands.
        const int x = orientation == 6 ? 19 : (orientation == 3 ? 29 : 0);
        const int y = orientation == 8 ? 29 : (orientation == 3 ? 19 : 0);
        EXPECT_EQ(std::vector<std::uint8_t>(got.At(x, y), got.At(x, y) + 3),
            std::vector<std::uint8_t>(upright.At(0, 0), upright.At(0, 0) + 3));
        // The thumbnail's source size is the turned one too.
        Picture reduced;
        DibInfoBlock source {};
        ASSERT_EQ(LoadReducedFile(turned.c_str(), 8, 8, reduced, source), Status::Ok);
        EXPECT_EQ(source.bmiHeader.biWidth, got.width);
        EXPECT_EQ(source.bmiHeader.biHeight, got.height);
        EXPECT_EQ(reduced.width() > reduced.height(), got.width > got.height);
    }
}

TEST_F(PhotoFormats, ReducedDecodeAndThumbnails)
{
    const std::string src = MakePng("big.png", 400, 300, false, 4);
    const std::string webp = Path("big.webp"), heic = Path("big.heic"), plain = Path("plain.heic");
    ASSERT_TRUE(Run("cwebp -quiet -q 80 " + src + " -o " + webp));
    ASSERT_TRUE(Run("heif-enc -t 160 -q 60 " + src + " -o " + heic)); // with a stored thumbnail
    ASSERT_TRUE(Run("heif-enc --no-alpha -q 60 " + src + " -o " + plain)); // shrunk from its own planes
    for (const std::string &path : { webp, heic, plain }) {
        SCOPED_TRACE(path);
        Picture reduced;
        DibInfoBlock source {};
        ASSERT_EQ(LoadReducedFile(path.c_str(), 100, 100, reduced, source), Status::Ok);
        EXPECT_EQ(source.bmiHeader.biWidth, 400);
        EXPECT_EQ(source.bmiHeader.biHeight, 300);
        EXPECT_GE(reduced.width(), 100);
        EXPECT_GE(reduced.height(), 75);
        EXPECT_LT(reduced.width(), 400) << "smaller than the full picture";
        Picture thumb;
        ASSERT_EQ(ThumbnailFile(path.c_str(), 100, 100, thumb, source), Status::Ok);
        EXPECT_EQ(thumb.width(), 100);
        EXPECT_EQ(thumb.height(), 75);
        // The thumbnail looks like the picture scaled down.
        Picture full;
        ASSERT_EQ(LoadFile(path.c_str(), -1, full), Status::Ok);
        Picture scaled;
        DibInfoBlock unused {};
        std::vector<std::uint8_t> bytes = ReadAll(src);
        ASSERT_EQ(ThumbnailFromMemory(AsBytes(bytes), ".png", 100, 100, scaled, unused), Status::Ok);
        EXPECT_LT(MeanDifference(thumb, scaled), 6.0);
    }
}

TEST_F(PhotoFormats, PixelLimitAndBadInput)
{
    const std::string src = MakePng("limit.png", 64, 64, true, 5);
    const struct {
        const char *ext;
        const char *encode;
    } kCases[] = {
        { ".webp", "cwebp -quiet -q 80 %s -o %s" },
        { ".heic", "heif-enc -q 50 %s -o %s" },
        { ".avif", "heif-enc -A -q 50 %s -o %s" },
        { ".jxl", "cjxl -q 80 %s %s" },
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.ext);
        const std::string file = Path(std::string("limit") + c.ext);
        char cmd[1024];
        std::snprintf(cmd, sizeof cmd, c.encode, src.c_str(), file.c_str());
        ASSERT_TRUE(Run(cmd)) << cmd;
        const std::vector<std::uint8_t> bytes = ReadAll(file);
        Picture pic;
        SetPixelLimit(64 * 64 - 1);
        EXPECT_EQ(LoadFromMemory(AsBytes(bytes), c.ext, -1, pic), Status::TooLarge);
        EXPECT_EQ(pic.bits, nullptr);
        SetPixelLimit(1ll << 28);
        // Every cut of the file, and damaged bodies, fail or decode without crashing.
        for (std::size_t cut :
            { std::size_t(0), std::size_t(12), std::size_t(40), bytes.size() / 2, bytes.size() - 1 }) {
            Picture part;
            const Status s = LoadFromMemory(Bytes { bytes.data(), cut }, c.ext, -1, part);
            if (s != Status::Ok) {
                EXPECT_EQ(part.bits, nullptr) << cut;
            }
            PageCountFromMemory(Bytes { bytes.data(), cut }, c.ext);
        }
        std::vector<std::uint8_t> broken = bytes;
        for (std::size_t i = 48; i < broken.size(); i += 7)
            broken[i] ^= 0x5a;
        Picture bad;
        LoadFromMemory(AsBytes(broken), c.ext, -1, bad);
        Picture reduced;
        DibInfoBlock source {};
        LoadReducedFromMemory(AsBytes(broken), c.ext, 16, 16, reduced, source);
    }
}

} // namespace
} // namespace codexa::test
