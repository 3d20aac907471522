// JPEG test files: baseline, progressive, grey and CMYK decode; EXIF orientation stands the
// picture upright; broken files.
#include "codec/orient.h"
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codexa;
using namespace codexa::test;

namespace
{

TEST(JpegCorpus, GoodFilesDecode)
{
    auto files = FilesIn(TestData("jpeg/pillow/good"));
    auto progressive = FilesIn(TestData("jpeg/image-rs-progressive"));
    files.insert(files.end(), progressive.begin(), progressive.end());
    ASSERT_EQ(files.size(), 17u);
    for (const std::string &path : files) {
        Picture pic = Decode(path);
        EXPECT_TRUE(pic.bitCount() == 8 || pic.bitCount() == 24) << path;
    }
    Picture grey = Decode(TestData("jpeg/pillow/good/hopper_gray.jpg"));
    EXPECT_EQ(grey.bitCount(), 8);
    EXPECT_EQ(grey.info.bmiColors[128].rgbGreen, 128);
}

TEST(JpegCorpus, OrientationStandsThePictureUpright)
{
    Picture upright = Decode(TestData("jpeg/pillow/good/hopper.jpg"));
    for (int o = 2; o <= 8; ++o) {
        Picture turned
            = Decode(TestData("jpeg/pillow/good/hopper_orientation_" + std::to_string(o) + ".jpg"));
        ASSERT_EQ(turned.width(), upright.width());
        // Each file was encoded on its own, so about 5 levels of loss remain on average; a wrong
        // turn is tens of levels off.
        EXPECT_LT(MeanDifference(upright, turned), 6.0) << "orientation " << o;
        ASSERT_EQ(ApplyOrientation(turned, 3), Status::Ok);
        EXPECT_GT(MeanDifference(upright, turned), 20.0) << "orientation " << o << " turned again";
    }
}

TEST(JpegCorpus, CmykMatchesItsRgbTwinAndDensityIsRead)
{
    Picture cmyk = Decode(TestData("jpeg/pillow/good/pil_sample_cmyk.jpg"));
    Picture rgb = Decode(TestData("jpeg/pillow/good/pil_sample_rgb.jpg"));
    EXPECT_EQ(cmyk.bitCount(), 24);
    EXPECT_LT(MeanDifference(cmyk, rgb), 8.0);
    // JFIF density in dots per centimetre becomes pixels per metre.
    Picture cm = Decode(TestData("jpeg/pillow/good/jfif_unit_cm.jpg"));
    EXPECT_GT(cm.info.bmiHeader.biXPelsPerMeter, 0);
    EXPECT_EQ(cm.info.bmiHeader.biXPelsPerMeter % 100, 0);
}

TEST(JpegCorpus, QuestionableAndBadFiles)
{
    // Decision: damage after the frame header (truncated data, a cut APP14, junk or an FF00
    // pair among the markers) is left to the decoder's recovery, and the picture is shown with
    // whatever part could be read.
    for (const std::string &path : FilesIn(TestData("jpeg/pillow/questionable-or-bad")))
        EXPECT_NE(Decode(path).bits, nullptr) << path;
    // A fuzzed file whose frame cannot be decoded fails.
    auto bad = ReadAll(TestData("jpeg/image-rs-bad/oss-fuzz-36829.jpeg"));
    Picture pic;
    EXPECT_NE(LoadFromMemory(AsBytes(bad), ".jpg", -1, pic), Status::Ok);
    EXPECT_EQ(pic.bits, nullptr);
}

} // namespace
