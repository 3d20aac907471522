// Embedded colour profiles and coded colour descriptions: what the decoders give is sRGB, as
// lcms's own tools convert it.
#include "codec/colour.h"
#include "codec_test_util.h"

#include <QColorSpace>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <unistd.h>

namespace codexa::test
{
namespace
{

namespace fs = std::filesystem;

// An Adobe RGB (1998) profile made by lcms.
std::vector<std::uint8_t> AdobeRgbProfile()
{
    const cmsCIExyY d65 { 0.3127, 0.3290, 1.0 };
    const cmsCIExyYTRIPLE primaries { { 0.64, 0.33, 1 }, { 0.21, 0.71, 1 }, { 0.15, 0.06, 1 } };
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve *curves[3] = { gamma, gamma, gamma };
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(gamma);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

class Colour : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("colour_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        const std::vector<std::uint8_t> icc = AdobeRgbProfile();
        std::FILE *f = std::fopen(Path("adobe.icc").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(icc.data(), 1, icc.size(), f);
        std::fclose(f);
        // Saturated colours, where the two spaces differ most.
        m_source = MakePicture(64, 48, 24, 0, [](int x, int y) {
            return ((x * 4) & 255) << 16 | ((y * 5) & 255) << 8 | (((x + y) * 3) & 255);
        });
        std::vector<std::uint8_t> tif;
        ASSERT_EQ(SaveToMemory(ViewOf(m_source), "tif", SaveOptions {}, tif), Status::Ok);
        f = std::fopen(Path("src.tif").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(tif.data(), 1, tif.size(), f);
        std::fclose(f);
        // Pixels in Adobe RGB with the profile embedded, the same pixels untagged, and the
        // reference conversion back to sRGB.
        ASSERT_TRUE(
            Run("tificc -e -o" + Path("adobe.icc") + " " + Path("src.tif") + " " + Path("adobe.tif")));
        ASSERT_TRUE(Run("tificc -n " + Path("adobe.tif") + " " + Path("raw.tif")));
        ASSERT_TRUE(Run("tificc " + Path("adobe.tif") + " " + Path("ref.tif")));
        m_reference = Flatten(Decode(Path("ref.tif")));
        m_raw = Decode(Path("raw.tif"));
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    static bool Run(const std::string &cmd)
    {
        return std::system(("timeout 60 " + cmd + " >/dev/null 2>&1").c_str()) == 0;
    }
    std::string Path(const std::string &name) const { return (m_dir / name).string(); }
    int MaxFromReference(const Picture &pic) const
    {
        const Rgb got = Flatten(pic);
        if (got.width != m_reference.width || got.height != m_reference.height)
            return 1000;
        int worst = 0;
        for (std::size_t i = 0; i < got.px.size(); ++i)
            worst = std::max(worst, std::abs(got.px[i] - m_reference.px[i]));
        return worst;
    }
    // The untagged Adobe pixels as a QImage carrying the profile.
    QImage TaggedImage() const
    {
        const Rgb raw = Flatten(m_raw);
        QImage img(raw.width, raw.height, QImage::Format_RGB888);
        for (int y = 0; y < raw.height; ++y)
            std::memcpy(img.scanLine(y), raw.At(0, y), static_cast<std::size_t>(raw.width) * 3);
        std::vector<std::uint8_t> icc = AdobeRgbProfile();
        img.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char *>(icc.data()), static_cast<qsizetype>(icc.size()))));
        return img;
    }

    fs::path m_dir;
    Picture m_source;
    Picture m_raw;
    Rgb m_reference;
};

TEST_F(Colour, AdobeRgbPicturesShowAsLcmsConvertsThem)
{
    // Without the conversion the picture is far off: the test sees a missing one.
    ASSERT_GT(MaxFromReference(m_raw), 20);
    EXPECT_LE(MaxFromReference(Decode(Path("adobe.tif"))), 2) << "TIFF";

    const QImage tagged = TaggedImage();
    ASSERT_TRUE(tagged.save(QString::fromStdString(Path("adobe.png")), "PNG"));
    EXPECT_LE(MaxFromReference(Decode(Path("adobe.png"))), 2) << "PNG";

    // The same profile carried over by each library's own encoder.
    ASSERT_TRUE(
        Run("cwebp -quiet -lossless -metadata icc " + Path("adobe.png") + " -o " + Path("adobe.webp")));
    EXPECT_LE(MaxFromReference(Decode(Path("adobe.webp"))), 2) << "WebP";
    ASSERT_TRUE(Run("cjxl -d 0 " + Path("adobe.png") + " " + Path("adobe.jxl")));
    EXPECT_LE(MaxFromReference(Decode(Path("adobe.jxl"))), 2) << "JPEG XL";

    // JPEG: the profile applied by jpgicc, the reference its conversion back at the best quality.
    std::vector<std::uint8_t> jpg;
    SaveOptions best;
    best.jpegQuality = 100;
    ASSERT_EQ(SaveToMemory(ViewOf(m_source), "jpg", best, jpg), Status::Ok);
    std::FILE *f = std::fopen(Path("src.jpg").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(jpg.data(), 1, jpg.size(), f);
    std::fclose(f);
    ASSERT_TRUE(
        Run("jpgicc -q100 -e -o" + Path("adobe.icc") + " " + Path("src.jpg") + " " + Path("adobe.jpg")));
    ASSERT_TRUE(Run("jpgicc -q100 " + Path("adobe.jpg") + " " + Path("ref.jpg")));
    Picture ours = Decode(Path("adobe.jpg")), theirs = Decode(Path("ref.jpg"));
    EXPECT_LT(MeanDifference(ours, theirs), 1.0) << "JPEG";
    // Thumbnails go through the same conversion.
    Picture thumb, plain;
    DibInfoBlock source {};
    ASSERT_EQ(ThumbnailFile(Path("adobe.tif").c_str(), 32, 32, thumb, source), Status::Ok);
    ASSERT_EQ(ThumbnailFile(Path("ref.tif").c_str(), 32, 32, plain, source), Status::Ok);
    EXPECT_LE(MaxDifference(thumb, plain), 2);
}

TEST(ColourConversion, CodedDescriptionsAndBrokenProfiles)
{
    // Muted colours, inside every gamut here, so every conversion moves them.
    const auto fill = [](int x, int) { return x < 4 ? 0xc86432 : 0x3296c8; };
    const Picture base = MakePicture(8, 1, 24, 0, fill);
    auto copy = [&] { return MakePicture(8, 1, 24, 0, fill); };
    const struct {
        int primaries, transfer;
        bool converts;
    } kCases[] = {
        { 1, 13, false }, // sRGB
        { 2, 2, false }, // unspecified
        { 12, 13, true }, // Display P3: pure red lies outside sRGB and clips
        { 9, 14, true }, // BT.2020
        { 1, 16, false }, // PQ: not handled, left alone
        { 77, 13, false },
    };
    for (const auto &c : kCases) {
        Picture p = copy();
        EXPECT_EQ(CicpToSrgb(p, c.primaries, c.transfer), c.converts) << c.primaries << "/" << c.transfer;
        EXPECT_EQ(MaxDifference(p, base) > 0, c.converts) << c.primaries << "/" << c.transfer;
    }
    // Display P3 colours are more saturated than the same numbers in sRGB.
    Picture p3 = copy();
    CicpToSrgb(p3, 12, 13);
    const Rgb px = Flatten(p3), before = Flatten(base);
    EXPECT_GT(px.At(0, 0)[0], before.At(0, 0)[0]);
    EXPECT_LT(px.At(0, 0)[2], before.At(0, 0)[2]);

    // Broken or unsuitable profiles change nothing.
    std::vector<std::uint8_t> icc = AdobeRgbProfile();
    std::vector<std::uint8_t> cut(icc.begin(), icc.begin() + 140);
    std::vector<std::uint8_t> junk(600, 0x41);
    for (const std::vector<std::uint8_t> *bad : { &cut, &junk }) {
        Picture p = copy();
        EXPECT_FALSE(IccToSrgb(p, bad->data(), bad->size()));
        EXPECT_EQ(MaxDifference(p, base), 0);
    }
    Picture grey = MakePattern(8, 8, 8, true);
    EXPECT_FALSE(IccToSrgb(grey, icc.data(), icc.size())) << "palette pictures are left alone";
    // An sRGB profile is recognised and skipped.
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    std::vector<std::uint8_t> srgbBytes(size);
    cmsSaveProfileToMem(srgb, srgbBytes.data(), &size);
    cmsCloseProfile(srgb);
    Picture same = copy();
    EXPECT_FALSE(IccToSrgb(same, srgbBytes.data(), srgbBytes.size()));
}

} // namespace
} // namespace codexa::test
