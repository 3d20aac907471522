// The PNG suite: every good file decodes and equals an independent decode (Qt's reader,
// composited over white here); bad files fail; equivalent encodings decode alike.
#include "codec_test_util.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

using namespace codexa;
using namespace codexa::test;

namespace
{

// Qt's decode as B, G, R over white; 16-bit samples through Qt's own rounding.
std::vector<std::uint8_t> Reference(const std::string &path, int &width, int &height)
{
    QImage img(QString::fromStdString(path));
    img = img.convertToFormat(QImage::Format_ARGB32);
    width = img.width(), height = img.height();
    std::vector<std::uint8_t> out;
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            unsigned a = static_cast<unsigned>(qAlpha(line[x]));
            out.push_back(OverWhite(static_cast<unsigned>(qBlue(line[x])), a));
            out.push_back(OverWhite(static_cast<unsigned>(qGreen(line[x])), a));
            out.push_back(OverWhite(static_cast<unsigned>(qRed(line[x])), a));
        }
    }
    return out;
}

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
    auto files = FilesIn(TestData("pngsuite/good"), false, { ".png" });
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
        int w = 0, h = 0;
        auto ref = Reference(path, w, h);
        ASSERT_EQ(pic.width(), w);
        ASSERT_EQ(pic.height(), h);
        auto ours = PixelsBGR(pic);
        int worst = 0;
        std::size_t at = 0;
        for (std::size_t i = 0; i < ours.size(); ++i)
            if (std::abs(ours[i] - ref[i]) > worst)
                worst = std::abs(ours[i] - ref[i]), at = i;
        // 16-bit samples may round differently by one.
        EXPECT_LE(worst, name.find("16") != std::string::npos ? 1 : 0)
            << "pixel " << at / 3 << " ours " << int(ours[at]) << " reference " << int(ref[at]);
    }
}

TEST(PngSuite, InterlacedAndSplitEncodingsDecodeAlike)
{
    const char *pairs[][2] = { { "basn0g01", "basi0g01" }, { "basn0g02", "basi0g02" },
        { "basn3p02", "basi3p02" }, { "basn3p04", "basi3p04" }, { "basn4a16", "basi4a16" },
        { "basn6a08", "basi6a08" }, { "basn2c16", "basi2c16" }, { "oi1n2c16", "oi9n2c16" },
        { "z00n2c08", "z09n2c08" }, { "s39n3p04", "s39i3p04" } };
    for (auto &p : pairs) {
        Picture a = Decode(TestData(std::string("pngsuite/good/") + p[0] + ".png"));
        Picture b = Decode(TestData(std::string("pngsuite/good/") + p[1] + ".png"));
        EXPECT_EQ(MaxDifference(a, b), 0) << p[0] << " vs " << p[1];
    }
}

TEST(PngSuite, KnownPixelsAndResolution)
{
    // basn0g08 is a grey ramp: the first rows count up from 0 (32 per row); 8-bit grey ramp palette.
    Picture ramp = Decode(TestData("pngsuite/good/basn0g08.png"));
    ASSERT_EQ(ramp.bitCount(), 8);
    EXPECT_EQ(ramp.info.bmiColors[200].rgbRed, 200);
    EXPECT_EQ(ramp.RowFromTop(0)[0], 0);
    EXPECT_EQ(ramp.RowFromTop(3)[5], 101);
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
    auto files = FilesIn(TestData("pngsuite/bad"), false);
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
