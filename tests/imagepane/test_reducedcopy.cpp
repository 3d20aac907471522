// The reduced copies of big pictures: what a paint shows through a copy is exactly what the
// direct rendering shows, copies follow the zoom and go with the picture state they were built
// from, and pictures up to the threshold never get one.
#include "image/imageobj.h"
#include "imagepane/displayform.h"
#include "imagepane/viewnav.h"
#include "imagepane/zoommath.h"
#include "panetestutil.h"
#include "tests/image/testpictures.h"

#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

using namespace panetest;

namespace
{

// Lowers the picture size above which copies are built, for pictures a test can afford.
struct Threshold {
    explicit Threshold(std::int64_t pixels) { CDisplayForm::SetReducedThreshold(pixels); }
    ~Threshold() { CDisplayForm::SetReducedThreshold(0); }
};

ZoomView ViewAt(int zoom, const CImageObj &picture, POINT origin = POINT { 0, 0 })
{
    return ZoomView { origin, ZoomedExtent(zoom, picture.Width()), ZoomedExtent(zoom, picture.Height()) };
}

// The client rectangle (left, top, width, height) as the form renders it.
std::vector<std::uint32_t> Rendered(
    const CDisplayForm &form, const ZoomView &view, int left, int top, int width, int height)
{
    std::vector<std::uint32_t> out(std::size_t(width) * std::size_t(height), 0);
    form.Render(view, left, top, width, height, out.data(), std::size_t(width));
    return out;
}

// Zoom 0 stands for the zoom that fits the picture into a 300 × 200 client.
constexpr int kFit = 0;

class ReducedCopyTable : public ::testing::TestWithParam<std::tuple<int /*bit count*/, int /*zoom*/>>
{
};

TEST_P(ReducedCopyTable, PaintsWhatTheDirectRenderingPaints)
{
    const auto [bits, wantedZoom] = GetParam();
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 1001, 703, bits, 11));
    const int zoom = wantedZoom == kFit ? WholePictureZoom(300, 200, 1001, 703) : wantedZoom;
    // The whole zoomed picture, and a scrolled part that starts inside it.
    const ZoomView whole = ViewAt(zoom, picture);
    const ZoomView scrolled = ViewAt(zoom, picture, POINT { -37, -19 });
    const int left = 5, top = 3, width = whole.zoomedWidth - 37 - 9, height = whole.zoomedHeight - 19 - 4;

    CDisplayForm direct;
    ASSERT_TRUE(direct.Prepare(picture.Info(), picture.Bits()));
    const auto wantWhole = Rendered(direct, whole, 0, 0, whole.zoomedWidth, whole.zoomedHeight);
    const auto wantPart = Rendered(direct, scrolled, left, top, width, height);
    EXPECT_EQ(direct.ReducedBytes(), 0u);

    Threshold low(1000);
    CDisplayForm form;
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    EXPECT_EQ(Rendered(form, whole, 0, 0, whole.zoomedWidth, whole.zoomedHeight), wantWhole); // before
    form.WaitForCopies();
    ASSERT_TRUE(form.HasReducedCopy(whole.zoomedWidth, whole.zoomedHeight));
    EXPECT_EQ(Rendered(form, whole, 0, 0, whole.zoomedWidth, whole.zoomedHeight), wantWhole);
    EXPECT_EQ(Rendered(form, scrolled, left, top, width, height), wantPart);
    // The same rows read in place, as the pane draws them.
    CDisplayForm::Rows rows;
    ASSERT_TRUE(form.ReducedRows(scrolled, left, top, width, height, rows));
    std::vector<std::uint32_t> inPlace;
    for (int y = 0; y < height; ++y)
        inPlace.insert(inPlace.end(), rows.pixels + std::size_t(y) * rows.stride,
            rows.pixels + std::size_t(y) * rows.stride + width);
    EXPECT_EQ(inPlace, wantPart);
}

INSTANTIATE_TEST_SUITE_P(DepthsAndZooms, ReducedCopyTable,
    ::testing::Combine(::testing::Values(1, 4, 8, 16, 24, 32), ::testing::Values(10, 12, 25, 33, 50, kFit)));

std::int64_t Pixels(int zoom, const CImageObj &picture)
{
    const ZoomView v = ViewAt(zoom, picture);
    return std::int64_t(v.zoomedWidth) * v.zoomedHeight;
}

// The copies of the zoom shown and one step in and out are built; others stay while all copies
// hold at most a third of the picture's pixels, the least recently shown going first; a zoomed-in
// view keeps what there is.
TEST(ReducedCopy, CopiesFollowTheZoomWithinTheirBudget)
{
    Threshold low(1000);
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 1001, 703, 24, 5));
    CDisplayForm form;
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    auto has = [&](int zoom) {
        const ZoomView v = ViewAt(zoom, picture);
        return form.HasReducedCopy(v.zoomedWidth, v.zoomedHeight);
    };
    // Budget 234 567 pixels; 10 %: 7 000, 15 %: 15 750, 20 %: 28 000, 25 %: 43 750, 35 %: 86 100,
    // 40 %: 112 400, 50 %: 175 500, 60 %: 252 600.
    struct Step {
        int shown;
        std::vector<int> kept, gone;
    };
    const Step steps[] = {
        { 25, { 15, 25, 35 }, { 10, 20 } }, { 10, { 10, 20, 15, 25, 35 }, {} },
        { 25, { 10, 20, 15, 25, 35 }, {} },
        { 50, { 40, 50, 60 }, { 10, 15, 20, 25, 35 } }, // the wanted ones alone are over budget
        { 150, { 40, 50, 60 }, {} }, // zoomed in: nothing built, nothing dropped
        { 100, { 40, 50, 60 }, {} },
        { 10, { 10, 20, 50 }, { 40, 60 } }, // 60, then 40 were shown least recently
        { 95, { 85, 95 }, { 10, 20, 50 } }, // 105 % does not reduce
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.shown);
        const ZoomView v = ViewAt(step.shown, picture);
        const bool known = has(step.shown);
        Rendered(form, v, 0, 0, 1, 1);
        // A copy that stayed serves at once.
        if (known) {
            EXPECT_TRUE(has(step.shown));
        }
        form.WaitForCopies();
        std::int64_t bytes = 0;
        for (int zoom : step.kept) {
            EXPECT_TRUE(has(zoom)) << zoom;
            bytes += 4 * Pixels(zoom, picture);
        }
        for (int zoom : step.gone)
            EXPECT_FALSE(has(zoom)) << zoom;
        EXPECT_EQ(std::int64_t(form.ReducedBytes()), bytes);
    }
}

// Above 50 megapixels only, with the real threshold: 1-bit pictures keep that affordable.
TEST(ReducedCopy, OnlyPicturesAboveFiftyMegapixels)
{
    EXPECT_EQ(CDisplayForm::ReducedThreshold(), 50'000'000);
    for (const auto &[height, copies] : { std::pair { 6250, false }, std::pair { 6251, true } }) {
        SCOPED_TRACE(height);
        CImageObj picture;
        ASSERT_TRUE(testpic::Make(picture, 8000, height, 1, 3));
        CDisplayForm form;
        ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
        const ZoomView v = ViewAt(10, picture);
        const auto before = Rendered(form, v, 100, 50, 300, 200);
        form.WaitForCopies();
        EXPECT_EQ(form.HasReducedCopy(v.zoomedWidth, v.zoomedHeight), copies);
        EXPECT_EQ(form.ReducedBytes() > 0, copies);
        EXPECT_EQ(Rendered(form, v, 100, 50, 300, 200), before);
    }
}

// Prepare after a change of the pixels starts afresh: a copy of the old pixels is never painted.
TEST(ReducedCopy, NewPixelsDropTheCopies)
{
    Threshold low(1000);
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 801, 601, 8, 1));
    CDisplayForm form;
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    const ZoomView v = ViewAt(20, picture);
    const auto old = Rendered(form, v, 0, 0, v.zoomedWidth, v.zoomedHeight);
    form.WaitForCopies();
    ASSERT_TRUE(form.HasReducedCopy(v.zoomedWidth, v.zoomedHeight));

    form.Clear();
    ASSERT_TRUE(picture.ColorTable(40)); // in place: same block, same geometry
    ASSERT_TRUE(form.Prepare(picture.Info(), picture.Bits()));
    EXPECT_FALSE(form.HasReducedCopy(v.zoomedWidth, v.zoomedHeight));
    CDisplayForm fresh;
    {
        Threshold high(1LL << 40);
        ASSERT_TRUE(fresh.Prepare(picture.Info(), picture.Bits()));
    }
    const auto want = Rendered(fresh, v, 0, 0, v.zoomedWidth, v.zoomedHeight);
    ASSERT_NE(want, old);
    EXPECT_EQ(Rendered(form, v, 0, 0, v.zoomedWidth, v.zoomedHeight), want);
    form.WaitForCopies();
    EXPECT_EQ(Rendered(form, v, 0, 0, v.zoomedWidth, v.zoomedHeight), want);
}

// Clear while builds are queued or running, then the pixels change or go at once (the sanitizer
// build catches a build still reading them); a form that goes stops its builds the same way.
TEST(ReducedCopy, ClearStopsTheBuildsBeforeThePixelsGo)
{
    Threshold low(1000);
    for (int round = 0; round < 12; ++round) {
        auto picture = std::make_unique<CImageObj>();
        ASSERT_TRUE(testpic::Make(*picture, 1203, 905, 24, round));
        CDisplayForm form;
        ASSERT_TRUE(form.Prepare(picture->Info(), picture->Bits()));
        Rendered(form, ViewAt(10 + 7 * round, *picture), 0, 0, 2, 2);
        form.Clear();
        EXPECT_EQ(form.ReducedBytes(), 0u);
        if (round % 2 == 0) {
            picture.reset();
            continue;
        }
        ASSERT_TRUE(picture->Rotate(90 * 1024)); // a new block; the old one is freed
        ASSERT_TRUE(form.Prepare(picture->Info(), picture->Bits()));
        Rendered(form, ViewAt(10 + 5 * round, *picture), 0, 0, 2, 2);
        // The form, declared later, goes first and stops its builds; then the picture.
    }
}

// Through the pane: opening, an edit, undo and another picture each paint the picture as it now
// is, before and after its copy is ready.
class ReducedCopyPane : public PaneFixture
{
protected:
    void ExpectShown(const char *when)
    {
        SCOPED_TRACE(when);
        const CImageObj &picture = *pane->Picture();
        const ZoomView v = pane->DisplayView();
        ASSERT_LT(v.zoomedWidth, picture.Width());
        for (int pass = 0; pass < 2; ++pass) {
            const QImage shot = Grab();
            int wrong = 0;
            // The part of the zoomed picture inside the client.
            const int right = std::min(v.zoomedWidth, shot.width() - v.origin.x),
                      bottom = std::min(v.zoomedHeight, shot.height() - v.origin.y);
            ASSERT_GT(right, 100);
            ASSERT_GT(bottom, 100);
            for (int y = std::max(0, -v.origin.y); y < bottom && wrong < 3; ++y)
                for (int x = std::max(0, -v.origin.x); x < right && wrong < 3; ++x) {
                    const std::uint32_t want
                        = PixelAt(picture, SourceIndex(x, picture.Width(), v.zoomedWidth),
                            SourceIndex(y, picture.Height(), v.zoomedHeight)),
                        got = Rgb(shot, v.origin.x + x, v.origin.y + y);
                    if (got != want)
                        ADD_FAILURE() << "pass " << pass << " (" << x << ", " << y << ") " << ++wrong;
                }
            pane->DisplayForm().WaitForCopies();
            EXPECT_TRUE(pane->DisplayForm().HasReducedCopy(v.zoomedWidth, v.zoomedHeight));
        }
    }
};

TEST_F(ReducedCopyPane, EditsUndoAndANewPictureArePaintedAsTheyAre)
{
    Threshold low(1000);
    CViewImage &v = MakePane(200, 150);
    v.Open(files.Write(QStringLiteral("a.bmp"), 601, 451));
    ASSERT_NE(v.Picture(), nullptr);
    ASSERT_EQ(v.Zoom(), 33);
    ExpectShown("opened");
    v.OnImageOperation(CViewImage::OpNegative, 0);
    EXPECT_FALSE(v.DisplayForm().HasReducedCopy(v.DisplayView().zoomedWidth, v.DisplayView().zoomedHeight));
    ExpectShown("negative");
    ASSERT_TRUE(v.Undo());
    ExpectShown("undone");
    v.OnImageOperation(CViewImage::OpRotateRight, 0);
    ExpectShown("turned");
    v.Open(files.Write(
        QStringLiteral("b.bmp"), 701, 433, [](int x, int y) { return Gradient(y, x) ^ 0x5A5A5A; }));
    ExpectShown("another picture");
}

// With a copy ready, the crawling outline of a selection is still drawn over the picture.
TEST_F(ReducedCopyPane, TheSelectionOutlineShowsOverACopy)
{
    Threshold low(1000);
    const auto light = [](int x, int y) { return Gradient(x, y) | 0x808080u; }; // never red or green
    CViewImage &v = MakePane(400, 300);
    v.Open(files.Write(QStringLiteral("c.bmp"), 1200, 900, light));
    v.OnImageOperation(kOperationViewZoom, ID_VIEW_ZOOM_25); // 300 × 225, centred
    Grab();
    v.DisplayForm().WaitForCopies();
    ASSERT_TRUE(v.DisplayForm().HasReducedCopy(300, 225));
    v.OnImageOperation(CViewImage::OpReverse, 0); // everything: the outline runs along the edge
    const POINT o = v.Origin();
    const auto edgeMarked = [&](const QImage &shot) {
        int marked = 0;
        for (int x = 0; x < 300; ++x)
            marked += Rgb(shot, o.x + x, o.y) != light(SourceIndex(x, 1200, 300), SourceIndex(0, 900, 225));
        return marked;
    };
    QElapsedTimer timer;
    timer.start();
    QImage shot = Grab();
    while (edgeMarked(shot) < 300 && timer.elapsed() < 5000) {
        QTest::qWait(10);
        shot = Grab();
    }
    EXPECT_EQ(edgeMarked(shot), 300);
    EXPECT_EQ(
        Rgb(shot, o.x + 150, o.y + 100), light(SourceIndex(150, 1200, 300), SourceIndex(100, 900, 225)));
}

} // namespace
