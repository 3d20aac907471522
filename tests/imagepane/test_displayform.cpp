// The display form against a naive reference: the image core's full display image sampled at the
// nearest-neighbour positions of the zoom.
#include "image/displayimage.h"
#include "image/imageobj.h"
#include "image/parallelrows.h"
#include "imagepane/displayform.h"
#include "imagepane/zoommath.h"
#include "tests/image/testpictures.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace
{

class DisplayFormTest : public ::testing::TestWithParam<std::tuple<int /*bit count*/, int /*zoom*/>>
{
};

TEST_P(DisplayFormTest, MatchesTheFullDisplayImageSampled)
{
    const auto [bits, zoom] = GetParam();
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 97, 61, bits, 7));
    const QImage full = MakeDisplayImage(picture.Info(), picture.Bits());
    CDisplayForm form;
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    EXPECT_TRUE(form.Matches(picture.Info(), picture.Bits()));

    // Scrolled left by 13, centred down by 7; a part that starts inside the picture, rendered into
    // rows with a gap at their ends.
    const ZoomView view { POINT { -13, 7 }, ZoomedExtent(zoom, 97), ZoomedExtent(zoom, 61) };
    const int left = view.origin.x + view.zoomedWidth / 5, top = view.origin.y + view.zoomedHeight / 3;
    const int width = view.zoomedWidth - view.zoomedWidth / 5 - 1,
              height = view.zoomedHeight - view.zoomedHeight / 3;
    const std::size_t stride = static_cast<std::size_t>(width) + 3;
    std::vector<std::uint32_t> out(stride * static_cast<std::size_t>(height), 0);
    form.Render(view, left, top, width, height, out.data(), stride);
    int wrong = 0;
    for (int y = 0; y < height && wrong < 5; ++y)
        for (int x = 0; x < width && wrong < 5; ++x) {
            const std::uint32_t want = full.pixel(SourceIndex(left + x - view.origin.x, 97, view.zoomedWidth),
                                    SourceIndex(top + y - view.origin.y, 61, view.zoomedHeight)),
                                got = out[std::size_t(y) * stride + std::size_t(x)];
            if (got == want)
                continue;
            ++wrong;
            ADD_FAILURE() << "client (" << left + x << ", " << top + y << ") " << std::hex << got
                          << " != " << want;
        }
}

// Every depth once; 24 bits both at 1:1 (rows copied straight) and scaled; zooms that shrink,
// enlarge by whole and by broken ratios (repeated rows), and the limits.
INSTANTIATE_TEST_SUITE_P(DepthsAndZooms, DisplayFormTest,
    ::testing::Values(std::make_tuple(1, 37), std::make_tuple(4, 150), std::make_tuple(8, 10),
        std::make_tuple(16, 300), std::make_tuple(24, 100), std::make_tuple(24, 25),
        std::make_tuple(32, 800)));

TEST(DisplayForm, SplitOverThreadsGivesTheSameRows)
{
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 640, 480, 24, 3));
    CDisplayForm form;
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    const ZoomView view { POINT { 0, 0 }, ZoomedExtent(300, 640), ZoomedExtent(300, 480) };
    const int w = 900, h = 700;
    std::vector<std::uint32_t> one(std::size_t(w) * h), many(std::size_t(w) * h);
    SetImageParallelThreshold(1LL << 40);
    form.Render(view, 5, 9, w, h, one.data(), w);
    SetImageParallelThreshold(1);
    SetImageThreads(3);
    form.Render(view, 5, 9, w, h, many.data(), w);
    SetImageParallelThreshold(0);
    SetImageThreads(0);
    EXPECT_EQ(one, many);
}

} // namespace
