// What saves keep of the old file: JPEG metadata segments, EXIF orientation, the one transform a
// run of turns and mirrors comes to, and lossless transforms that refuse partial edge blocks.
#include "codec/exif.h"
#include "codec/keepsave.h"
#include "codec_test_util.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace codexa;
using namespace codexa::test;

TEST(KeepSave, StepsComposeIntoOneTransform)
{
    const struct {
        std::vector<int> steps;
        int op;
    } cases[] = {
        { {}, TJXOP_NONE },
        { { 0 }, TJXOP_ROT90 },
        { { 1 }, TJXOP_ROT270 },
        { { 0, 0 }, TJXOP_ROT180 },
        { { 0, 0, 0, 0 }, TJXOP_NONE },
        { { 0, 1 }, TJXOP_NONE },
        { { 2 }, TJXOP_HFLIP },
        { { 3 }, TJXOP_VFLIP },
        { { 2, 3 }, TJXOP_ROT180 },
        { { 2, 2 }, TJXOP_NONE },
        // A clockwise turn, then a mirror: the picture's rows become its columns in order.
        { { 0, 2 }, TJXOP_TRANSPOSE },
        { { 0, 3 }, TJXOP_TRANSVERSE },
        { { 2, 0 }, TJXOP_TRANSVERSE },
        { { 7 }, -1 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ComposeTurns(c.steps.data(), static_cast<int>(c.steps.size())), c.op) << c.steps.size();
}

TEST(KeepSave, ExifOrientationIsRewrittenInBothByteOrders)
{
    for (bool little : { true, false }) {
        // "Exif\0\0", TIFF header, IFD0 with two entries: a width and the orientation 6.
        std::vector<std::uint8_t> b = { 'E', 'x', 'i', 'f', 0, 0 };
        auto put16 = [&](unsigned v) {
            if (little)
                b.insert(b.end(), { std::uint8_t(v), std::uint8_t(v >> 8) });
            else
                b.insert(b.end(), { std::uint8_t(v >> 8), std::uint8_t(v) });
        };
        auto put32 = [&](unsigned v) {
            if (little) {
                put16(v & 0xFFFF);
                put16(v >> 16);
            } else {
                put16(v >> 16);
                put16(v & 0xFFFF);
            }
        };
        b.push_back(little ? 'I' : 'M');
        b.push_back(little ? 'I' : 'M');
        put16(42);
        put32(8);
        put16(2);
        put16(0x0100), put16(3), put32(1), put16(640), put16(0);
        put16(0x0112), put16(3), put32(1), put16(6), put16(0);
        put32(0);
        EXPECT_TRUE(SetExifOrientation(b.data(), b.size(), 1));
        EXPECT_EQ(ExifOrientation(b.data(), b.size()), 1) << little;
        // The width entry is untouched.
        EXPECT_EQ(little ? b[6 + 8 + 2 + 8] : b[6 + 8 + 2 + 9], 640 & 0xFF);
        EXPECT_FALSE(SetExifOrientation(b.data(), 10, 1)); // cut short
    }
}

TEST(KeepSave, ExifIccAndCommentsAreKeptAndPlacedAfterJfif)
{
    const std::vector<std::uint8_t> file = ReadAll(TestData("jpeg/pillow/good/pil_sample_rgb.jpg"));
    const std::vector<std::uint8_t> kept = KeptJpegSegments(AsBytes(file));
    ASSERT_FALSE(kept.empty());
    // EXIF then ICC; the Photoshop and XMP segments stay behind.
    ASSERT_GE(kept.size(), 16u);
    EXPECT_EQ(kept[1], 0xE1);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(kept.data()) + 4, 4), "Exif");
    const std::size_t exifLength = (std::size_t(kept[2]) << 8 | kept[3]) + 2;
    ASSERT_LT(exifLength + 4, kept.size());
    EXPECT_EQ(kept[exifLength + 1], 0xE2);
    EXPECT_EQ(kept.size(), exifLength + 3160 + 2);
    EXPECT_TRUE(KeptJpegSegments(Bytes { file.data() + 1, file.size() - 1 }).empty());

    // Into a file of our encoder: after SOI and JFIF.
    Picture pic = MakePicture(16, 16, 24, 0, [](int x, int y) { return x * 16 + y; });
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(SaveToMemory(ViewOf(pic), "jpg", SaveOptions {}, encoded), Status::Ok);
    const std::vector<std::uint8_t> joined = WithSegments(AsBytes(encoded), kept);
    ASSERT_EQ(joined.size(), encoded.size() + kept.size());
    const std::size_t jfif = encoded[3] == 0xE0 ? (std::size_t(encoded[4]) << 8 | encoded[5]) + 2 : 0;
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), joined.begin() + std::ptrdiff_t(2 + jfif)));
    Picture back;
    EXPECT_EQ(LoadFromMemory(AsBytes(joined), "jpg", -1, back), Status::Ok);
}

TEST(KeepSave, TransformsRefusePartialBlocksAndTurnedFiles)
{
    std::vector<std::uint8_t> out;
    // 100 × 100 with 8 × 8 blocks: the last column and row of blocks are partial.
    const std::vector<std::uint8_t> partial = ReadAll(TestData("jpeg/pillow/good/pil_sample_rgb.jpg"));
    EXPECT_EQ(TransformJpeg(AsBytes(partial), TJXOP_ROT90, out), Status::Unsupported);
    EXPECT_EQ(TransformJpeg(AsBytes(partial), TJXOP_TRANSPOSE, out), Status::Ok);
    EXPECT_EQ(TransformJpeg(AsBytes(partial), TJXOP_NONE, out), Status::Ok);
    EXPECT_EQ(out, partial);
    const std::vector<std::uint8_t> turned = ReadAll(TestData("jpeg/pillow/good/hopper_orientation_6.jpg"));
    EXPECT_EQ(TransformJpeg(AsBytes(turned), TJXOP_HFLIP, out), Status::Unsupported);
    EXPECT_EQ(TransformJpeg(Bytes { partial.data(), 3 }, TJXOP_ROT90, out), Status::NotThisFormat);
}
