#include "platform/dibutil.h"

#include <gtest/gtest.h>

TEST(DibLayout, OffsetsMatchTheFileFormat)
{
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biWidth), 4u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biHeight), 8u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biPlanes), 12u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biCompression), 16u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biSizeImage), 20u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biXPelsPerMeter), 24u);
    EXPECT_EQ(offsetof(BITMAPINFOHEADER, biClrImportant), 36u);
    EXPECT_EQ(offsetof(RGBQUAD, rgbRed), 2u);
    EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfOffBits), 10u);
    EXPECT_EQ(sizeof(DibInfoBlock), 1064u);
}

// Naive reference: whole bytes needed for the row, rounded up to 4.
static std::int64_t ReferenceStride(int width, int bits)
{
    std::int64_t rowBits = std::int64_t(width) * bits;
    std::int64_t bytes = (rowBits + 7) / 8;
    return (bytes + 3) / 4 * 4;
}

TEST(DibLayout, StrideIsPaddedToFourBytesForEveryDepthAndWidth)
{
    for (int bits : { 1, 4, 8, 24, 32 })
        for (int width = 1; width <= 33; ++width) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            EXPECT_EQ(DibStride(width, bits), ReferenceStride(width, bits));
            EXPECT_EQ(DibCheckedStride(width, bits), ReferenceStride(width, bits));
            EXPECT_EQ(DibStride(width, bits) % 4, 0);
        }
    EXPECT_EQ(DibStride(1, 1), 4); // a one-pixel 1-bit row still takes 4 bytes
    EXPECT_EQ(DibStride(10, 24), 32);
}

TEST(DibLayout, CheckedSizesRejectNonsense)
{
    EXPECT_EQ(DibCheckedStride(0, 8), -1);
    EXPECT_EQ(DibCheckedStride(-5, 8), -1);
    EXPECT_EQ(DibCheckedStride(10, 7), -1);
    EXPECT_EQ(DibCheckedImageSize(10, 0, 24), 0u);
    EXPECT_EQ(DibCheckedImageSize(10, 10, 24), 320u);
    EXPECT_EQ(DibCheckedImageSize(0x7FFFFFFF, 0x7FFFFFFF, 32), 0u); // does not fit 32 bits
    EXPECT_EQ(DibCheckedImageSize(65536, 65536, 8), 0u);
    EXPECT_EQ(DibCheckedImageSize(65535, 65535, 8), 65536ull * 65535ull);

    BITMAPINFOHEADER h {};
    h.biWidth = 3;
    h.biHeight = -2; // top-down headers count by magnitude
    h.biBitCount = 24;
    EXPECT_EQ(DibImageSizeOf(h), 24u);
}

TEST(DibLayout, PaletteSizeFollowsColorsUsedThenDepth)
{
    BITMAPINFOHEADER h {};
    const std::pair<int, int> defaults[]
        = { { 1, 2 }, { 4, 16 }, { 8, 256 }, { 16, 0 }, { 24, 0 }, { 32, 0 } };
    for (auto [bits, entries] : defaults) {
        h.biBitCount = static_cast<WORD>(bits);
        EXPECT_EQ(DibPaletteSize(h), entries) << bits;
        EXPECT_EQ(DibHeaderBytes(h), 40u + 4u * entries);
    }
    h.biBitCount = 8;
    h.biClrUsed = 17;
    EXPECT_EQ(DibPaletteSize(h), 17);
    h.biBitCount = 24;
    EXPECT_EQ(DibPaletteSize(h), 17); // colours-used wins even for deep pictures
    h.biClrUsed = 100000;
    EXPECT_EQ(DibPaletteSize(h), 256); // never past the info block
}

TEST(DibLayout, GreyValueTruncates)
{
    EXPECT_EQ(GreyValue(255, 255, 255), 255);
    EXPECT_EQ(GreyValue(0, 0, 0), 0);
    EXPECT_EQ(GreyValue(1, 1, 1), 1);
    EXPECT_EQ(GreyValue(250, 100, 3), (7500 + 5900 + 33) / 100);
    EXPECT_EQ(GreyValue(3, 0, 0), 0); // 90 / 100 truncates to 0
}

TEST(DibLayout, InitHeaderAndGreyRamp)
{
    DibInfoBlock info;
    DibInitHeader(info, 5, 3, 8);
    EXPECT_EQ(info.bmiHeader.biSize, 40u);
    EXPECT_EQ(info.bmiHeader.biPlanes, 1);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
    DibGreyPalette(info, 16);
    EXPECT_EQ(info.bmiColors[0].rgbRed, 0);
    EXPECT_EQ(info.bmiColors[15].rgbGreen, 255);
    EXPECT_EQ(info.bmiColors[1].rgbBlue, 17);
}
