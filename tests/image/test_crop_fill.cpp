#include "image/imageobj.h"
#include "image/maskobj.h"
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
    ASSERT_EQ(Size(out), (std::array { w, h }));
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

TEST(FillByMask, EachDepthTakesItsFormOfTheColour)
{
    CMaskObj mask;
    ASSERT_TRUE(mask.Create(9, 4));
    ASSERT_TRUE(mask.AddRect(2, 1, 5, 3));
    for (int bpp : { 4, 8, 24, 32 }) {
        SCOPED_TRACE(bpp);
        CImageObj p, ref;
        ASSERT_TRUE(Make(p, 9, 4, bpp));
        p.Info()->bmiColors[3] = RGBQUAD { 12, 200, 40, 0 }; // nearest to (40, 199, 13)
        ASSERT_TRUE(p.CopyTo(ref));
        ASSERT_TRUE(p.FillByMask(mask, RGB(40, 199, 13)));
        const std::uint32_t want = bpp == 24 ? 0x28C70Du : bpp == 32 ? 0x0028C70Du : 3u;
        ExpectPixels(p, [&](int x, int y) { return mask.IsSelected(x, y) ? want : Pixel(ref, x, y); });
    }
}

TEST(FillByMask, OneBitPicturesTakeTheirWhiteIndexAndConvertAnEightBitMask)
{
    CMaskObj mask;
    ASSERT_TRUE(mask.Create(12, 2, 8));
    mask.ClearRun(0, 3, 4);
    for (int whiteIndex : { 0, 1 }) {
        CImageObj p;
        ASSERT_TRUE(Make(p, 12, 2, 1));
        p.Info()->bmiColors[whiteIndex] = RGBQUAD { 255, 255, 255, 0 };
        p.Info()->bmiColors[1 - whiteIndex] = RGBQUAD { 0, 0, 0, 0 };
        ASSERT_TRUE(p.FillByMask(mask, RGB(0, 0, 0))); // only white fills: the colour is not used
        for (int x = 3; x < 7; ++x)
            EXPECT_EQ(Pixel(p, x, 0), std::uint32_t(whiteIndex));
    }
    EXPECT_EQ(mask.BitCount(), 1);
}

TEST(RemoveBlackEdge, DarkRunsAtTheRowEndsGo)
{
    for (int bpp : { 1, 8, 24 }) {
        SCOPED_TRACE(bpp);
        CImageObj p;
        ASSERT_TRUE(Make(p, 30, 20, bpp));
        p.Info()->bmiColors[0] = RGBQUAD { 0, 0, 0, 0 };
        p.Info()->bmiColors[1] = RGBQUAD { 255, 255, 255, 0 };
        // Grey 99 is dark as well, grey 120 is not; a dark pixel inside stays.
        const std::uint32_t dark = bpp == 24 ? 0x636363 : 0, light = bpp == 24 ? 0x787878 : 1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) // 3 dark rows at the bottom, 2 at the top, 4 columns left, 5 right
                SetPixel(
                    p, x, y, y < 3 || y >= 18 || x < 4 || x >= 25 || (x == 10 && y == 10) ? dark : light);
        ASSERT_TRUE(p.RemoveBlackEdge());
        EXPECT_EQ(Size(p), (std::array { 21, 15 }));
        EXPECT_EQ(Pixel(p, 6, 7), dark);
    }
    CImageObj p;
    ASSERT_TRUE(Make(p, 8, 8, 4));
    const auto before = Snapshot(p);
    EXPECT_TRUE(p.RemoveBlackEdge()); // no pixel of other depths counts as dark
    EXPECT_EQ(Snapshot(p), before);
}

TEST(CropToSelection, SameAsWhiteningOutsideThenCropping)
{
    CImageObj p, ref;
    ASSERT_TRUE(Make(p, 30, 20, 24));
    ASSERT_TRUE(p.CopyTo(ref));
    CMaskObj mask, outside;
    for (CMaskObj *m : { &mask, &outside })
        ASSERT_TRUE(m->Create(30, 20) && m->AddEllipse(3, 2, 21, 17));
    RECT b = outside.GetBounds(1);
    ASSERT_TRUE(outside.Invert());
    ASSERT_TRUE(ref.FillByMask(outside, RGB(255, 255, 255)));
    ASSERT_TRUE(ref.Crop(b.left, b.top, b.right, b.bottom));
    ASSERT_TRUE(p.CropToSelection(mask));
    EXPECT_EQ(Snapshot(p), Snapshot(ref));

    CMaskObj none;
    ASSERT_TRUE(none.Create(30, 20));
    const auto before = Snapshot(p);
    EXPECT_FALSE(p.CropToSelection(none)); // nothing selected: nothing cropped or whitened
    EXPECT_EQ(Snapshot(p), before);
}

TEST(PreviewCopy, FitsWithoutEnlarging)
{
    CImageObj p, dest;
    ASSERT_TRUE(Make(p, 400, 300, 24));
    const auto before = Snapshot(p);
    ASSERT_TRUE(p.PreviewCopy(dest, 100, 100));
    EXPECT_EQ(Size(dest), (std::array { 100, 75 }));
    ASSERT_TRUE(p.PreviewCopy(dest, 200, 50));
    EXPECT_EQ(dest.Width(), 66); // trunc(400 × 50 / 300) in single precision
    EXPECT_EQ(dest.Height(), 50);
    ASSERT_TRUE(p.PreviewCopy(dest, 1000, 900));
    EXPECT_EQ(Snapshot(dest), before);
    EXPECT_EQ(Snapshot(p), before);
    for (int bpp : { 1, 8 }) {
        ASSERT_TRUE(Make(p, 300, 100, bpp));
        ASSERT_TRUE(p.PreviewCopy(dest, 30, 30));
        EXPECT_EQ(Size(dest), (std::array { 30, 10 }));
        EXPECT_TRUE(bpp != 1 || dest.BitCount() == 1); // 1 bit stays; 8 bits are resampled smoothly
    }
}
