#include "imagepane/zoommath.h"

#include <gtest/gtest.h>

namespace
{

struct ZoomCase {
    int client, picture, expected;
};

class OpeningZoomTest : public ::testing::TestWithParam<ZoomCase>
{
};

TEST_P(OpeningZoomTest, TruncatesAndCapsAtHundred)
{
    const ZoomCase c = GetParam();
    EXPECT_EQ(OpeningZoom(c.client, c.picture), c.expected) << c.client << " / " << c.picture;
}

INSTANTIATE_TEST_SUITE_P(Cases, OpeningZoomTest,
    ::testing::Values(ZoomCase { 800, 2000, 40 }, ZoomCase { 800, 300, 100 }, ZoomCase { 800, 800, 100 },
        ZoomCase { 800, 801, 99 }, ZoomCase { 799, 2000, 39 }, ZoomCase { 30, 4000, 0 },
        ZoomCase { 700, 1000, 70 }, ZoomCase { 800, 0, 100 }));

class FitZoomTest : public ::testing::TestWithParam<ZoomCase>
{
};

TEST_P(FitZoomTest, TruncatesWithoutCap)
{
    const ZoomCase c = GetParam();
    EXPECT_EQ(FitZoom(c.client, c.picture), c.expected) << c.client << " / " << c.picture;
}

INSTANTIATE_TEST_SUITE_P(Cases, FitZoomTest,
    ::testing::Values(ZoomCase { 30, 4000, 0 }, ZoomCase { 800, 400, 200 }, ZoomCase { 800, 90, 888 },
        ZoomCase { 600, 1500, 40 }, ZoomCase { 599, 1500, 39 }, ZoomCase { 800, 0, 0 }));

TEST(ZoomedExtent, TruncatesTowardZero)
{
    EXPECT_EQ(ZoomedExtent(40, 2000), 800);
    EXPECT_EQ(ZoomedExtent(33, 301), 99); // 99.33
    EXPECT_EQ(ZoomedExtent(800, 200000000 / 8), 200000000); // no overflow on the way
}

struct LayoutCase {
    int zoom, width, height, clientWidth, clientHeight;
    POINT previous;
    bool reset;
    SIZE zoomed;
    POINT offset;
};

class ScrollLayoutTest : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(ScrollLayoutTest, CentresSmallAxesAndKeepsFilledOnes)
{
    const LayoutCase c = GetParam();
    const ScrollLayout l
        = ComputeScrollLayout(c.zoom, c.width, c.height, c.clientWidth, c.clientHeight, c.previous, c.reset);
    EXPECT_EQ(l.zoomed.cx, c.zoomed.cx);
    EXPECT_EQ(l.zoomed.cy, c.zoomed.cy);
    EXPECT_EQ(l.offset.x, c.offset.x);
    EXPECT_EQ(l.offset.y, c.offset.y);
    EXPECT_EQ(l.page.cx, c.clientWidth);
    EXPECT_EQ(l.page.cy, c.clientHeight);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScrollLayoutTest,
    ::testing::Values(
        // 300 × 200 at 100 % in 800 × 600: centred both ways.
        LayoutCase { 100, 300, 200, 800, 600, { 0, 0 }, true, { 300, 200 }, { 250, 200 } },
        // 2000 × 1000 at 40 %: fills the width exactly, centred vertically.
        LayoutCase { 40, 2000, 1000, 800, 600, { 0, 0 }, true, { 800, 400 }, { 0, 100 } },
        // Larger than the client without reset: the previous offset stays.
        LayoutCase { 100, 2000, 1000, 800, 600, { 17, 9 }, false, { 2000, 1000 }, { 17, 9 } },
        // ... and with reset it is 0.
        LayoutCase { 100, 2000, 1000, 800, 600, { 17, 9 }, true, { 2000, 1000 }, { 0, 0 } },
        // One axis filled, one centred, without reset.
        LayoutCase { 100, 2000, 100, 800, 600, { 17, 9 }, false, { 2000, 100 }, { 17, 250 } },
        // Odd remainder rounds down.
        LayoutCase { 33, 301, 301, 100, 100, { 0, 0 }, true, { 99, 99 }, { 0, 0 } },
        LayoutCase { 33, 301, 301, 102, 104, { 0, 0 }, true, { 99, 99 }, { 1, 2 } }));

struct SourceCase {
    long long d;
    int extent, zoomed, expected;
};

class SourceIndexTest : public ::testing::TestWithParam<SourceCase>
{
};

TEST_P(SourceIndexTest, NearestNeighbourAtPixelCentres)
{
    const SourceCase c = GetParam();
    EXPECT_EQ(SourceIndex(c.d, c.extent, c.zoomed), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SourceIndexTest,
    ::testing::Values(SourceCase { 0, 100, 100, 0 }, SourceCase { 99, 100, 100, 99 }, // 1:1
        SourceCase { 0, 100, 200, 0 }, SourceCase { 1, 100, 200, 0 }, SourceCase { 2, 100, 200, 1 }, // 2:1
        SourceCase { 0, 100, 25, 2 }, SourceCase { 24, 100, 25, 98 }, // 1:4 takes the middle pixel
        SourceCase { -5, 100, 100, 0 }, SourceCase { 500, 100, 100, 99 }, // clamped
        SourceCase { 799, 2000, 800, 1998 }));

TEST(ClientToPicture, FollowsTheZoomAndRunsPastTheEdges)
{
    // 2000 × 1000 at 40 % with the picture at (0, 100).
    POINT p = ClientToPicture(POINT { 400, 300 }, POINT { 0, 100 }, 2000, 1000, 800, 400);
    EXPECT_EQ(p.x, 1001);
    EXPECT_EQ(p.y, 501);
    p = ClientToPicture(POINT { 0, 99 }, POINT { 0, 100 }, 2000, 1000, 800, 400);
    EXPECT_EQ(p.x, 1);
    EXPECT_LT(p.y, 0);
    p = ClientToPicture(POINT { 260, 210 }, POINT { 250, 200 }, 300, 200, 300, 200);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 10);
}

} // namespace
