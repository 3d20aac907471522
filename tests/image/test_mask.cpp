#include "image/maskobj.h"
#include "testpictures.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <string>

using namespace testpic;

namespace
{

// The mask as text, top line first: '#' selected, '.' not.
std::string Picture(const CMaskObj &m)
{
    std::string s;
    for (int y = 0; y < m.Height(); ++y) {
        for (int x = 0; x < m.Width(); ++x)
            s += m.IsSelected(x, m.Height() - 1 - y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

int Count(const CMaskObj &m)
{
    const std::string s = Picture(m);
    return static_cast<int>(std::count(s.begin(), s.end(), '#'));
}

A4 Bounds(CMaskObj &m)
{
    return Ltrb(m.GetBounds(1));
}

} // namespace

TEST(Mask, NewMaskSelectsNothingAndHasEmptyBounds)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(13, 5));
    EXPECT_EQ(m.Stride(), 4u);
    const auto *b = static_cast<const unsigned char *>(m.Bits());
    for (std::size_t i = 0; i < m.Stride() * 5; ++i)
        ASSERT_EQ(b[i], 0xFF);
    EXPECT_EQ(Bounds(m), (A4 { 0, 0, 0, 0 }));
    EXPECT_FALSE(m.Create(0, 5));
    EXPECT_FALSE(m.Create(4, 4, 4));
}

TEST(Mask, RectanglesAddSubtractAndRefuse)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(10, 10));
    ASSERT_TRUE(m.AddRect(7, 5, 2, 3)); // normalised to (2, 3, 7, 5)
    EXPECT_EQ(Count(m), 10);
    EXPECT_EQ(Bounds(m), (A4 { 2, 3, 7, 5 }));
    ASSERT_TRUE(m.AddRect(0, 0, 10, 10));
    ASSERT_TRUE(m.SubRect(2, 2, 5, 5));
    EXPECT_EQ(Count(m), 91);
    EXPECT_FALSE(m.AddRect(11, 0, 20, 5));
    EXPECT_FALSE(m.AddRect(-9, -9, -1, 4));
    EXPECT_FALSE(m.SubRect(0, 11, 4, 20));
    m.ClearRun(0, 8, 100); // clipped to the row
    m.ClearRun(10, 0, 5); // outside
    EXPECT_EQ(Count(m), 91);
}

TEST(Mask, EllipsesByHand)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(7, 6));
    ASSERT_TRUE(m.AddEllipse(0, 0, 5, 5));
    EXPECT_EQ(Picture(m),
        ".##....\n"
        "####...\n"
        "####...\n"
        "####...\n"
        ".##....\n"
        ".......\n");
    ASSERT_TRUE(m.Create(10, 7));
    ASSERT_TRUE(m.AddEllipse(2, 1, 9, 6));
    EXPECT_EQ(Picture(m),
        "..........\n"
        "...####...\n"
        "..######..\n"
        "..######..\n"
        "..######..\n"
        "...####...\n"
        "..........\n");
    ASSERT_TRUE(m.Create(6, 4));
    ASSERT_TRUE(m.AddEllipse(1, 1, 3, 4)); // narrower than 3: the rectangle
    EXPECT_EQ(Count(m), 6);
    ASSERT_TRUE(m.SubEllipse(0, 0, 6, 4));
    EXPECT_EQ(Picture(m), "......\n......\n......\n.##...\n");
}

TEST(Mask, PolygonsByHand)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(9, 8));
    const POINT triangle[] = { { 0, 0 }, { 8, 0 }, { 0, 8 } };
    ASSERT_TRUE(m.AddPolygon(3, triangle));
    EXPECT_EQ(Picture(m),
        "#######..\n"
        "######...\n"
        "#####....\n"
        "####.....\n"
        "###......\n"
        "##.......\n"
        "#........\n"
        ".........\n");

    ASSERT_TRUE(m.Create(9, 8));
    const POINT diamond[] = { { 4, 0 }, { 8, 4 }, { 4, 8 }, { 0, 4 } };
    ASSERT_TRUE(m.AddPolygon(4, diamond));
    EXPECT_EQ(Picture(m),
        "...##....\n"
        "..####...\n"
        ".######..\n"
        "########.\n"
        ".######..\n"
        "..####...\n"
        "...##....\n"
        ".........\n");
    ASSERT_TRUE(m.SubPolygon(4, diamond));
    EXPECT_EQ(Count(m), 0);
    EXPECT_FALSE(m.AddPolygon(2, diamond));
}

TEST(Mask, ValuesConversionAndCodecHeader)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(4, 1, 8));
    auto *row = m.Row(0);
    row[0] = 127;
    row[1] = 128;
    row[2] = 129;
    EXPECT_FALSE(m.IsSelected(1, 0));
    EXPECT_EQ(m.ValueAt(9, 0), 255); // outside the mask
    ASSERT_TRUE(m.To1Bit());
    EXPECT_EQ(m.BitCount(), 1);
    const int want[] = { 0, 0, 255, 255 }; // 128 is not above 128
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(m.ValueAt(x, 0), want[x]);
    DibInfoBlock info;
    m.CodecHeader(info);
    EXPECT_EQ(info.bmiHeader.biBitCount, 1);
    EXPECT_EQ(info.bmiColors[0].rgbRed, 0);
    EXPECT_EQ(info.bmiColors[1].rgbRed, 255);
}

TEST(Mask, ResizeAndScaledCopyTakeTheNearestPixel)
{
    CMaskObj m, copy;
    ASSERT_TRUE(m.Create(4, 4));
    ASSERT_TRUE(m.AddRect(0, 0, 2, 2));
    ASSERT_TRUE(m.Resize(8, 8));
    EXPECT_EQ(Count(m), 16);
    EXPECT_EQ(Bounds(m), (A4 { 0, 0, 4, 4 }));
    ASSERT_TRUE(m.ScaledCopy(copy, 20, 10, RECT { 4, 2, 12, 6 }));
    EXPECT_EQ(copy.Width(), 20);
    EXPECT_EQ(Bounds(copy), (A4 { 4, 2, 8, 4 }));
}

TEST(Mask, OutlineFollowsTheBorderOfTheSelection)
{
    CMaskObj m;
    ASSERT_TRUE(m.Create(10, 10));
    ASSERT_TRUE(m.ComputeOutline());
    EXPECT_TRUE(m.Outline().empty());
    ASSERT_TRUE(m.AddRect(2, 3, 6, 7));
    ASSERT_TRUE(m.ComputeOutline());
    ASSERT_EQ(m.Outline().size(), 12u); // the ring of a 4 × 4 square
    EXPECT_EQ(m.Outline().front().x, 2);
    EXPECT_EQ(m.Outline().front().y, 3);
    for (const POINT &p : m.Outline())
        EXPECT_TRUE(p.x == 2 || p.x == 5 || p.y == 3 || p.y == 6);
    ASSERT_TRUE(m.Create(10, 10));
    ASSERT_TRUE(m.Invert()); // everything: the mask's edges are the border
    ASSERT_TRUE(m.ComputeOutline());
    EXPECT_EQ(m.Outline().size(), 36u);
    EXPECT_EQ(Bounds(m), (A4 { 0, 0, 10, 10 }));
}
