#include "imagepane/zoommath.h"

#include <gtest/gtest.h>
#include <tuple>

namespace
{

TEST(ZoomMath, OpeningAndFitZoomsTruncateAndOnlyTheOpeningOneCapsAtHundred)
{
    const struct {
        int client, picture, opening, fit;
    } cases[] = { { 800, 2000, 40, 40 }, { 799, 2000, 39, 39 }, { 800, 300, 100, 266 }, { 30, 4000, 0, 0 },
        { 800, 0, 100, 0 } };
    for (const auto &c : cases) {
        EXPECT_EQ(OpeningZoom(c.client, c.picture), c.opening) << c.client << " / " << c.picture;
        EXPECT_EQ(FitZoom(c.client, c.picture), c.fit) << c.client << " / " << c.picture;
    }
    EXPECT_EQ(ZoomedExtent(33, 301), 99); // 99.33
    EXPECT_EQ(ZoomedExtent(800, 200000000 / 8), 200000000); // no overflow on the way
}

TEST(ZoomMath, ScrollLayoutCentresSmallAxesAndKeepsFilledOnes)
{
    const struct {
        int zoom, width, height, clientWidth, clientHeight;
        POINT previous;
        bool reset;
        SIZE zoomed;
        POINT offset;
    } cases[] = {
        { 100, 300, 200, 800, 600, { 0, 0 }, true, { 300, 200 }, { 250, 200 } }, // centred both ways
        { 40, 2000, 1000, 800, 600, { 0, 0 }, true, { 800, 400 }, { 0, 100 } }, // fills the width exactly
        { 100, 2000, 1000, 800, 600, { 17, 9 }, false, { 2000, 1000 }, { 17, 9 } }, // larger: offset stays
        { 100, 2000, 1000, 800, 600, { 17, 9 }, true, { 2000, 1000 }, { 0, 0 } }, // ... unless reset
        { 33, 301, 301, 102, 104, { 0, 0 }, true, { 99, 99 }, { 1, 2 } }, // odd remainder rounds down
    };
    for (const auto &c : cases) {
        const ScrollLayout l = ComputeScrollLayout(
            c.zoom, c.width, c.height, c.clientWidth, c.clientHeight, c.previous, c.reset);
        EXPECT_EQ(std::tie(l.zoomed.cx, l.zoomed.cy, l.offset.x, l.offset.y),
            std::tie(c.zoomed.cx, c.zoomed.cy, c.offset.x, c.offset.y))
            << c.zoom << "% " << c.width << " x " << c.height;
    }
}

TEST(ZoomMath, SourceIndexIsTheNearestNeighbourAtPixelCentres)
{
    const struct {
        long long d;
        int extent, zoomed, expected;
    } cases[] = { { 99, 100, 100, 99 }, { 1, 100, 200, 0 }, { 2, 100, 200, 1 }, // 1:1, 2:1
        { 0, 100, 25, 2 }, // 1:4 takes the middle pixel
        { -5, 100, 100, 0 }, { 500, 100, 100, 99 } }; // clamped
    for (const auto &c : cases)
        EXPECT_EQ(SourceIndex(c.d, c.extent, c.zoomed), c.expected) << c.d << " of " << c.zoomed;
}

} // namespace
