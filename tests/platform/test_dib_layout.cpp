#include "platform/dibutil.h"

#include <gtest/gtest.h>

// The sizes and the remaining offsets are checked at compile time in wintypes.h.
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
}

TEST(DibLayout, StrideIsPaddedToFourBytesAndCheckedSizesRejectNonsense)
{
    for (int bits : { 1, 4, 8, 24, 32 })
        for (int width = 1; width <= 33; ++width) {
            // Whole bytes needed for the row, rounded up to 4.
            const std::int64_t reference = ((std::int64_t(width) * bits + 7) / 8 + 3) / 4 * 4;
            EXPECT_EQ(DibStride(width, bits), reference) << bits << " bits, width " << width;
            EXPECT_EQ(DibCheckedStride(width, bits), reference) << bits << " bits, width " << width;
        }
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
    for (auto [bits, entries] :
        { std::pair { 1, 2 }, { 2, 0 }, { 4, 16 }, { 8, 256 }, { 16, 0 }, { 24, 0 }, { 32, 0 } }) {
        h.biBitCount = static_cast<WORD>(bits);
        EXPECT_EQ(DibPaletteSize(h), entries) << bits;
        EXPECT_EQ(DibHeaderBytes(h), 40u + 4u * entries);
    }
    h.biClrUsed = 17;
    EXPECT_EQ(DibPaletteSize(h), 17); // colours-used wins even for deep pictures
    h.biClrUsed = 100000;
    EXPECT_EQ(DibPaletteSize(h), 256); // never past the info block
}

TEST(DibLayout, GreyValueTruncatesAndTheGreyRampIsEven)
{
    EXPECT_EQ(GreyValue(255, 255, 255), 255);
    EXPECT_EQ(GreyValue(1, 1, 1), 1);
    EXPECT_EQ(GreyValue(250, 100, 3), (7500 + 5900 + 33) / 100);
    EXPECT_EQ(GreyValue(3, 0, 0), 0); // 90 / 100 truncates to 0
    DibInfoBlock info;
    DibInitHeader(info, 5, 3, 8);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
    DibGreyPalette(info, 16);
    EXPECT_EQ(info.bmiColors[15].rgbGreen, 255);
    EXPECT_EQ(info.bmiColors[1].rgbBlue, 17);
}
