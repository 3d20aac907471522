// EXIF fields of photos made here: an EXIF block written field by field, carried in a JPEG, a
// WebP (by webpmux) and as a TIFF file of its own; broken blocks give nothing or a part.
#include "image/photoinfo.h"
#include "tests/common/photoexif.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>
#include <vector>

namespace
{

using testexif::JpegWith;
using testexif::PhotoExif;

void ExpectPhotoFields(const PhotoInfo &info, bool south, bool west)
{
    ASSERT_TRUE(info.hasExif);
    EXPECT_EQ(info.camera, "Tarnis T1"); // the model repeats the make
    EXPECT_EQ(info.lens, "Tarnis 35mm F2.8");
    EXPECT_EQ(info.dateTaken, "2024:04:30 18:45:12"); // the original date, not the file's
    EXPECT_EQ(info.exposureTime, "1/250 s");
    EXPECT_EQ(info.aperture, "f/2.8");
    EXPECT_EQ(info.iso, "400");
    EXPECT_EQ(info.focalLength, "35 mm");
    EXPECT_EQ(info.flash, "Fired");
    ASSERT_TRUE(info.hasGps);
    EXPECT_NEAR(info.latitude, (south ? -1 : 1) * (48 + 51 / 60.0 + 30.30 / 3600), 1e-9);
    EXPECT_NEAR(info.longitude, (west ? -1 : 1) * (2 + 17 / 60.0 + 40.20 / 3600), 1e-9);
}

TEST(PhotoInfo, FieldsOfAJpegTiffAndWebp)
{
    for (bool south : { false, true })
        for (bool west : { false, true }) {
            SCOPED_TRACE(std::to_string(south) + std::to_string(west));
            const std::vector<std::uint8_t> tiff = PhotoExif(south, west);
            const std::vector<std::uint8_t> jpg = JpegWith(tiff);
            ExpectPhotoFields(ReadPhotoInfo(jpg.data(), jpg.size()), south, west);
            ExpectPhotoFields(ReadPhotoInfo(tiff.data(), tiff.size()), south, west);
        }
    // A WebP with the block added by libwebp's own tool, read from the file.
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("photoinfo_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<std::uint8_t> tiff = PhotoExif(false, true);
    std::FILE *f = std::fopen((dir / "block.exif").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(tiff.data(), 1, tiff.size(), f);
    std::fclose(f);
    QImage img(8, 8, QImage::Format_RGB888);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString((dir / "a.png").string()), "PNG"));
    const std::string cmd = "cwebp -quiet " + (dir / "a.png").string() + " -o " + (dir / "a.webp").string()
        + " && webpmux -set exif " + (dir / "block.exif").string() + " " + (dir / "a.webp").string() + " -o "
        + (dir / "b.webp").string();
    ASSERT_EQ(std::system((cmd + " >/dev/null 2>&1").c_str()), 0);
    ExpectPhotoFields(ReadPhotoInfoFile((dir / "b.webp").string()), false, true);
    EXPECT_FALSE(ReadPhotoInfoFile((dir / "a.webp").string()).hasExif);
    EXPECT_FALSE(ReadPhotoInfoFile((dir / "missing.jpg").string()).hasExif);
    std::filesystem::remove_all(dir);
}

TEST(PhotoInfo, BrokenBlocksAndPositionsText)
{
    const std::vector<std::uint8_t> tiff = PhotoExif(false, false);
    // Every cut of the block gives nothing or a subset, never a crash.
    for (std::size_t cut = 0; cut < tiff.size(); cut += 3) {
        const PhotoInfo info = ReadPhotoInfo(tiff.data(), cut);
        if (info.hasGps) {
            EXPECT_LE(std::abs(info.latitude), 90.0);
            EXPECT_LE(std::abs(info.longitude), 180.0);
        }
    }
    std::vector<std::uint8_t> noise(tiff);
    for (std::size_t i = 8; i < noise.size(); i += 5)
        noise[i] = static_cast<std::uint8_t>(noise[i] * 31 + 7);
    ReadPhotoInfo(noise.data(), noise.size());
    EXPECT_FALSE(ReadPhotoInfo(nullptr, 0).hasExif);

    EXPECT_EQ(FormatPosition(48.5, -2.25), "48.500000\u00b0 N, 2.250000\u00b0 W");
    EXPECT_EQ(FormatPosition(-33.9, 151.2), "33.900000\u00b0 S, 151.200000\u00b0 E");
    EXPECT_EQ(MapLink(-33.9, 151.2),
        "https://www.openstreetmap.org/?mlat=-33.900000&mlon=151.200000#map=15/-33.900000/151.200000");
}

} // namespace
