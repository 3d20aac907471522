// The PNG suite: every good file decodes and equals an independent decode (Qt's reader,
// composited over white here), so equivalent encodings decode alike; bad files fail.
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codexa;
using namespace codexa::test;

namespace
{

int ExpectedDepth(const std::string &name)
{
    // Names are like basn3p04: colour type digit then depth.
    int type = name[4] - '0';
    int depth = std::stoi(name.substr(6, 2));
    if (type == 3)
        return depth == 2 ? 4 : depth;
    if (type == 0 && depth == 1 && name.rfind("tbb", 0) != 0 && name.rfind("tbw", 0) != 0)
        return 1;
    if (type == 0 || type == 4)
        return 8;
    return 24;
}

TEST(PngSuite, GoodFilesMatchAnIndependentDecode)
{
    auto files = FilesIn(TestData("pngsuite/good"), { ".png" });
    ASSERT_GT(files.size(), 150u);
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        Picture pic = Decode(path);
        ASSERT_NE(pic.bits, nullptr);
        const std::string name = FileName(path);
        if (name[0] != 'x' && std::isdigit(static_cast<unsigned char>(name[6]))) {
            EXPECT_EQ(pic.bitCount(), ExpectedDepth(name));
        }
        // Qt draws the opaque pixels of 16-bit RGB with a tRNS colour white; checked by value below.
        if (name == "tbbn2c16.png" || name == "tbgn2c16.png")
            continue;
        // 16-bit samples may round differently by one.
        Rgb ref; // Qt's decode
        ASSERT_TRUE(ReadPngOverWhite(path, ref));
        EXPECT_EQ(CompareRgb(Flatten(pic), ref, name.find("16") != std::string::npos ? 1 : 0), "");
    }
}

TEST(PngSuite, KnownPixelsAndResolution)
{
    // Grey pictures index a full grey ramp.
    EXPECT_EQ(Decode(TestData("pngsuite/good/basn0g08.png")).info.bmiColors[200].rgbRed, 200);
    // 16-bit RGB with a transparent colour: opaque red inside, transparent (white) corners.
    Picture trns = Decode(TestData("pngsuite/good/tbbn2c16.png"));
    const std::uint8_t *px = trns.RowFromTop(4) + 18 * 3;
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[2], 132);
    EXPECT_EQ(trns.RowFromTop(0)[0], 255);
    // cdun2c08 declares 1000 pixels per metre in both directions (pHYs, unit metre).
    Picture square = Decode(TestData("pngsuite/good/cdun2c08.png"));
    EXPECT_EQ(square.info.bmiHeader.biXPelsPerMeter, 1000);
    EXPECT_EQ(square.info.bmiHeader.biYPelsPerMeter, 1000);
}

TEST(PngSuite, BadFilesFail)
{
    auto files = FilesIn(TestData("pngsuite/bad"));
    ASSERT_EQ(files.size(), 14u);
    for (const std::string &path : files) {
        Picture pic;
        auto bytes = ReadAll(path);
        EXPECT_NE(LoadFromMemory(AsBytes(bytes), ".png", -1, pic), Status::Ok) << path;
        EXPECT_EQ(pic.bits, nullptr);
    }
    // The malicious file of the extra set, with the first byte it lost put back.
    auto bad = ReadAll(TestData("pngsuite/bad-extra/pngtest_bad.png.bin"));
    bad.insert(bad.begin(), 0x89);
    Picture pic;
    EXPECT_NE(LoadFromMemory(AsBytes(bad), ".png", -1, pic), Status::Ok);
}

TEST(PngSuite, QuestionableInvalidTextChunkStillDecodes)
{
    // Decision: a broken ancillary chunk is skipped, the picture is shown.
    Picture pic = Decode(TestData("pngsuite/questionable-extra/image-rs_issue2026_invalid_text_chunk.png"));
    EXPECT_NE(pic.bits, nullptr);
}

} // namespace
