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

struct Edit {
    const char *name;
    int skipDepth; // the edit does not change pictures of this depth
    bool changesPicture; // false: the result goes elsewhere, the picture must stay as it was
    std::function<bool(CImageObj &, CMaskObj &)> run;
};

// Returns how many allocations the edit makes. The mask (an ellipse at twice the picture's size)
// is made before the failures start: only the edit's own allocations are counted.
long ExpectUnchangedOnEveryFailure(int bpp, const Edit &edit)
{
    const int w = 31, h = 17;
    for (long n = 1; n < 64; ++n) {
        CImageObj p;
        CMaskObj mask;
        if (!Make(p, w, h, bpp, 5) || !mask.Create(2 * w, 2 * h) || !mask.AddEllipse(4, 4, 40, 30)) {
            ADD_FAILURE() << "picture or mask not made";
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
        const bool ok = edit.run(p, mask);
        const long made = GlobalAllocCount();
        GlobalSetFailAt(0);
        if (made < n) { // the n-th allocation never came: the edit ran through
            EXPECT_TRUE(ok) << "edit failed without an allocation failure";
            EXPECT_EQ(Snapshot(p) != before, edit.changesPicture);
            return n - 1;
        }
        EXPECT_FALSE(ok) << "allocation " << n << " failed but the edit reported success";
        EXPECT_EQ(Snapshot(p), before) << "allocation " << n << " failed and the picture changed";
    }
    ADD_FAILURE() << "edit never succeeded";
    return 0;
}

} // namespace

TEST(AllocFailure, EveryEditAtEveryDepthLeavesThePictureOnFailure)
{
    SetImageThreads(2);
    SetImageParallelThreshold(1);
    auto resize = [](int w, int h) { return [w, h](CImageObj &p, CMaskObj &) { return p.Resize(w, h, 1); }; };
    const Edit edits[] = {
        { "rotate 30", 0, true, [](CImageObj &p, CMaskObj &) { return p.Rotate(30); } },
        { "rotate 90", 0, true, [](CImageObj &p, CMaskObj &) { return p.Rotate(90); } },
        { "mirror", 0, true, [](CImageObj &p, CMaskObj &) { return p.MirrorFlip(0); } },
        { "flip", 0, true, [](CImageObj &p, CMaskObj &) { return p.MirrorFlip(1); } },
        { "crop", 0, true, [](CImageObj &p, CMaskObj &) { return p.Crop(3, 2, 20, 11); } },
        { "black edge", 4, true, [](CImageObj &p, CMaskObj &) { return p.RemoveBlackEdge(); } },
        { "grey", 0, true, [](CImageObj &p, CMaskObj &) { return p.Grey(); } },
        { "black-and-white", 1, true, [](CImageObj &p, CMaskObj &) { return p.BlackWhite(128); } },
        { "reduce", 0, true, resize(9, 5) },
        { "enlarge", 0, true, resize(90, 50) },
        { "reduce x", 0, true, resize(9, 50) },
        { "reduce y", 0, true, resize(90, 5) },
        { "delete", 0, true, [](CImageObj &p, CMaskObj &m) { return p.DeleteSelection(m); } },
        { "crop to selection", 0, true, [](CImageObj &p, CMaskObj &m) { return p.CropToSelection(m); } },
        { "preview", 0, false,
            [](CImageObj &p, CMaskObj &) {
                CImageObj dest;
                return p.PreviewCopy(dest, 10, 10) && dest.Width() == 10;
            } },
    };
    for (int bpp : { 1, 4, 8, 24 })
        for (const Edit &edit : edits)
            if (bpp != edit.skipDepth) {
                SCOPED_TRACE(testing::Message() << edit.name << ", " << bpp << " bits");
                EXPECT_GE(ExpectUnchangedOnEveryFailure(bpp, edit), 1);
            }
    SetImageThreads(0);
    SetImageParallelThreshold(0);
}

TEST(AllocFailure, FailedCopyLeavesTheDestinationEmpty)
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
