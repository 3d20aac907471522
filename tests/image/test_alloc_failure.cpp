// Every allocation an edit makes is failed in turn: the edit must report failure and leave the
// picture byte-identical, until the edit runs through.
#include "image/imageobj.h"
#include "image/maskobj.h"
#include "image/parallelrows.h"
#include "testpictures.h"

#include <functional>
#include <gtest/gtest.h>

using namespace testpic;

namespace
{

using Edit = std::function<bool(CImageObj &)>;

// Returns how many allocations the edit makes.
long ExpectUnchangedOnEveryFailure(int w, int h, int bpp, const Edit &edit)
{
    for (long n = 1; n < 64; ++n) {
        CImageObj p;
        if (!Make(p, w, h, bpp, 5)) {
            ADD_FAILURE() << "picture not made";
            return 0;
        }
        // A dark frame so that the black edge has something to remove.
        p.Info()->bmiColors[0] = RGBQUAD { 0, 0, 0, 0 };
        for (int y = 0; y < h; ++y) {
            SetPixel(p, 0, y, 0);
            SetPixel(p, w - 1, y, 0);
        }
        const auto before = Snapshot(p);
        GlobalSetFailAt(n);
        const bool ok = edit(p);
        const long made = GlobalAllocCount();
        GlobalSetFailAt(0);
        if (made < n) { // the n-th allocation never came: the edit ran through
            EXPECT_TRUE(ok) << "edit failed without an allocation failure";
            EXPECT_NE(Snapshot(p), before) << "edit changed nothing";
            return n - 1;
        }
        EXPECT_FALSE(ok) << "allocation " << n << " failed but the edit reported success";
        EXPECT_EQ(Snapshot(p), before) << "allocation " << n << " failed and the picture changed";
    }
    ADD_FAILURE() << "edit never succeeded";
    return 0;
}

class AllocFailure : public testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        SetImageThreads(2);
        SetImageParallelThreshold(1);
    }
    void TearDown() override
    {
        SetImageThreads(0);
        SetImageParallelThreshold(0);
    }
};

} // namespace

TEST_P(AllocFailure, GeometryEdits)
{
    const int bpp = GetParam();
    EXPECT_GE(ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.Rotate(30); }), 1);
    ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.Rotate(90); });
    ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.MirrorFlip(0); });
    ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.MirrorFlip(1); });
    ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.Crop(3, 2, 20, 11); });
    if (bpp != 4) // nothing is dark in a 4-bit picture
        ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.RemoveBlackEdge(); });
}

TEST_P(AllocFailure, ToneEdits)
{
    const int bpp = GetParam();
    ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.Grey(); });
    if (bpp != 1)
        ExpectUnchangedOnEveryFailure(31, 17, bpp, [](CImageObj &p) { return p.BlackWhite(128); });
}

TEST_P(AllocFailure, Resizes)
{
    const int bpp = GetParam();
    for (auto [w, h] : { std::pair { 9, 5 }, { 90, 50 }, { 9, 50 }, { 90, 5 } })
        EXPECT_GE(ExpectUnchangedOnEveryFailure(
                      31, 17, bpp, [w = w, h = h](CImageObj &p) { return p.Resize(w, h, 1); }),
            1);
}

TEST_P(AllocFailure, SelectionSequences)
{
    const int bpp = GetParam();
    // The mask is made before the hook is set: only the sequence's own allocations are counted.
    for (bool crop : { false, true })
        for (long n = 1; n < 16; ++n) {
            CImageObj p;
            ASSERT_TRUE(Make(p, 31, 17, bpp, 5));
            const auto before = Snapshot(p);
            CMaskObj mask;
            ASSERT_TRUE(mask.Create(62, 34));
            ASSERT_TRUE(mask.AddEllipse(4, 4, 40, 30));
            GlobalSetFailAt(n);
            const bool ok = crop ? p.CropToSelection(mask) : p.DeleteSelection(mask);
            const long made = GlobalAllocCount();
            GlobalSetFailAt(0);
            if (made < n) {
                EXPECT_TRUE(ok);
                break;
            }
            EXPECT_FALSE(ok);
            EXPECT_EQ(Snapshot(p), before) << (crop ? "crop" : "delete") << " at allocation " << n;
        }
}

TEST_P(AllocFailure, PreviewCopyLeavesTheSource)
{
    const int bpp = GetParam();
    if (bpp == 4 || bpp == 8) { // resampled by the codec library
        CImageObj p, dest;
        ASSERT_TRUE(Make(p, 31, 17, bpp, 5));
        if (!p.PreviewCopy(dest, 10, 10))
            GTEST_SKIP() << "the codec library cannot resample yet";
    }
    for (long n = 1; n < 16; ++n) {
        CImageObj p, dest;
        ASSERT_TRUE(Make(p, 31, 17, bpp, 5));
        const auto before = Snapshot(p);
        GlobalSetFailAt(n);
        const bool ok = p.PreviewCopy(dest, 10, 10);
        const long made = GlobalAllocCount();
        GlobalSetFailAt(0);
        EXPECT_EQ(Snapshot(p), before);
        if (made < n) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(dest.Width(), 10);
            break;
        }
        EXPECT_FALSE(ok);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, AllocFailure, testing::Values(1, 4, 8, 24));

TEST(AllocFailureCopy, FailedCopyLeavesTheDestinationEmpty)
{
    CImageObj src, dest;
    ASSERT_TRUE(Make(src, 8, 8, 24));
    ASSERT_TRUE(Make(dest, 4, 4, 8));
    GlobalSetFailAt(1);
    EXPECT_FALSE(src.CopyTo(dest));
    GlobalSetFailAt(0);
    EXPECT_TRUE(dest.IsEmpty());
    EXPECT_EQ(dest.Info(), nullptr);
}
