#include "image/imageobj.h"
#include "testpictures.h"

#include <gtest/gtest.h>

using namespace testpic;

namespace
{

// Crops src into a destination (src must stay as it was) and checks that the result is the
// w × h rectangle of the source at (left, top), top-down.
void ExpectCrop(CImageObj &src, int l, int t, int r, int b, int left, int top, int w, int h)
{
    CImageObj out;
    const auto before = Snapshot(src);
    ASSERT_TRUE(src.Crop(l, t, r, b, &out));
    EXPECT_EQ(Snapshot(src), before);
    ASSERT_EQ(out.Width(), w);
    ASSERT_EQ(out.Height(), h);
    ASSERT_EQ(out.BitCount(), src.BitCount());
    EXPECT_EQ(out.Info()->bmiHeader.biSizeImage, DibStride(w, src.BitCount()) * h);
    ExpectPixels(out, [&](int x, int y) { return Pixel(src, x + left, src.Height() - h - top + y); });
}

} // namespace

TEST(Crop, EveryDepthCopiesTheRectangle)
{
    for (int bpp : { 1, 4, 8, 16, 24, 32 }) {
        SCOPED_TRACE(bpp);
        CImageObj src;
        ASSERT_TRUE(Make(src, 37, 21, bpp));
        ExpectCrop(src, 5, 3, 30, 17, 5, 3, 25, 14);
    }
}

TEST(Crop, OneBitRowsAtEveryLeftOffset)
{
    for (int left = 0; left < 8; ++left)
        for (int w : { 1, 5, 8, 9, 16, 23 }) {
            SCOPED_TRACE(testing::Message() << "left " << left << " width " << w);
            CImageObj src;
            ASSERT_TRUE(Make(src, 40, 6, 1, left * 31 + w));
            ExpectCrop(src, left, 1, left + w, 5, left, 1, w, 4);
        }
}

TEST(Crop, LastByteOfAShiftedRowTakesOnesFromBeyondTheRowEnd)
{
    CImageObj src;
    ASSERT_TRUE(Make(src, 12, 2, 1)); // 2 row bytes: pixels 0-7, 8-11 and 4 padding bits
    std::memset(src.Bits(), 0, 8);
    ASSERT_TRUE(src.Crop(3, 0, 12, 2)); // 9 pixels from column 3: bytes at 0 and 1 of the source
    // Output byte 1 = (source byte 1 << 3) | (beyond the row end: ones >> 5).
    EXPECT_EQ(Row(src, 0)[0], 0);
    EXPECT_EQ(Row(src, 0)[1], 0x07);
}

TEST(Crop, ClippingWholePictureAndRefusals)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 20, 10, 24));
    const auto before = Snapshot(p);
    EXPECT_TRUE(p.Crop(0, 0, 20, 10)); // the whole picture: success, nothing changes
    EXPECT_TRUE(p.Crop(-5, -5, 40, 40)); // clipped to the whole picture
    EXPECT_FALSE(p.Crop(5, 5, 5, 9)); // empty
    EXPECT_FALSE(p.Crop(8, 2, 3, 6)); // inverted
    EXPECT_FALSE(p.Crop(25, 0, 30, 10)); // outside
    EXPECT_FALSE(p.Crop(0, -9, 20, 0)); // above
    EXPECT_EQ(Snapshot(p), before);
    ExpectCrop(p, -3, 4, 6, 99, 0, 4, 6, 6);
}
