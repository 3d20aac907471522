#include "image/edithistory.h"
#include "image/imageobj.h"
#include "tests/image/testpictures.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

struct NamedEdit {
    const char *name;
    std::function<std::unique_ptr<CEditOp>()> make;
};

std::vector<NamedEdit> EveryEdit()
{
    auto snap = [](EditFunction f) { return [f] { return MakeSnapshotEdit(f); }; };
    return {
        { "turn right", [] { return MakeQuarterTurn(true); } },
        { "turn left", [] { return MakeQuarterTurn(false); } },
        { "mirror", [] { return MakeMirrorFlip(0); } },
        { "flip", [] { return MakeMirrorFlip(1); } },
        { "rotate 90 by angle", [] { return MakeRotation(90.0); } },
        { "rotate free 30", [] { return MakeRotation(30.0); } },
        { "bright", snap([](CImageObj &p) { return p.ColorTable(5); }) },
        { "dark", snap([](CImageObj &p) { return p.ColorTable(-5); }) },
        { "grey", snap([](CImageObj &p) { return p.Grey(); }) },
        { "black and white", snap([](CImageObj &p) { return p.BlackWhite(128); }) },
        { "negative", snap([](CImageObj &p) { return p.Negative(); }) },
        { "resize", snap([](CImageObj &p) { return p.Resize(23, 9, 1); }) },
        { "crop", snap([](CImageObj &p) { return p.Crop(2, 3, 11, 8); }) },
        { "black edge", snap([](CImageObj &p) { return p.RemoveBlackEdge(); }) },
    };
}

} // namespace

// Edit, undo and redo at every depth: undo gives back the header and pixels byte for byte, redo
// the edited ones; an edit the depth refuses leaves the picture and the history alone.
TEST(EditHistory, EveryEditUndoesAndRedoesAtEveryDepth)
{
    for (int depth : { 1, 4, 8, 16, 24, 32 })
        for (const NamedEdit &edit : EveryEdit()) {
            SCOPED_TRACE(std::string(edit.name) + " at " + std::to_string(depth) + " bits");
            CImageObj picture;
            ASSERT_TRUE(testpic::Make(picture, 17, 13, depth, 5));
            const auto original = testpic::Snapshot(picture);
            CEditHistory history;
            if (!history.Run(picture, edit.make())) {
                EXPECT_EQ(testpic::Snapshot(picture), original);
                EXPECT_FALSE(history.CanUndo());
                EXPECT_FALSE(history.IsModified());
                continue;
            }
            const auto edited = testpic::Snapshot(picture);
            EXPECT_TRUE(history.IsModified());
            ASSERT_TRUE(history.Undo(picture));
            EXPECT_EQ(testpic::Snapshot(picture), original);
            EXPECT_FALSE(history.IsModified());
            EXPECT_FALSE(history.CanUndo());
            ASSERT_TRUE(history.Redo(picture));
            EXPECT_EQ(testpic::Snapshot(picture), edited);
            EXPECT_FALSE(history.CanRedo());
        }
}

TEST(EditHistory, ManyStepsUndoInOrderAndANewEditDropsTheRedoSteps)
{
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 9, 5, 24));
    CEditHistory history;
    std::vector<std::vector<std::uint8_t>> states { testpic::Snapshot(picture) };
    ASSERT_TRUE(history.Run(picture, MakeQuarterTurn(true)));
    states.push_back(testpic::Snapshot(picture));
    ASSERT_TRUE(history.Run(picture, MakeSnapshotEdit([](CImageObj &p) { return p.Negative(); })));
    states.push_back(testpic::Snapshot(picture));
    ASSERT_TRUE(history.Run(picture, MakeMirrorFlip(1)));
    for (int i = 2; i >= 0; --i) {
        ASSERT_TRUE(history.Undo(picture));
        EXPECT_EQ(testpic::Snapshot(picture), states[std::size_t(i)]) << i;
    }
    EXPECT_FALSE(history.Undo(picture));
    ASSERT_TRUE(history.Redo(picture));
    ASSERT_TRUE(history.Run(picture, MakeMirrorFlip(0)));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.StepCount(), 2u);
}

// Quarter turns, mirror and flip keep no copy; the budget drops the oldest kept copies first and
// never the newest step.
TEST(EditHistory, BudgetDropsTheOldestSteps)
{
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 100, 100, 24));
    const std::size_t copy = picture.MemoryBytes();
    CEditHistory history(copy * 2 + copy / 2);
    auto negative = [] { return MakeSnapshotEdit([](CImageObj &p) { return p.Negative(); }); };
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(history.Run(picture, MakeQuarterTurn(true)));
    EXPECT_EQ(history.Bytes(), 0u);
    EXPECT_EQ(history.StepCount(), 8u);
    ASSERT_TRUE(history.Run(picture, negative()));
    const auto afterFirst = testpic::Snapshot(picture);
    ASSERT_TRUE(history.Run(picture, negative()));
    EXPECT_EQ(history.StepCount(), 10u);
    ASSERT_TRUE(history.Run(picture, negative()));
    // The third copy is over the budget: everything up to and including the first copy goes.
    EXPECT_EQ(history.StepCount(), 2u);
    EXPECT_LE(history.Bytes(), history.Budget());
    ASSERT_TRUE(history.Undo(picture));
    ASSERT_TRUE(history.Undo(picture));
    EXPECT_EQ(testpic::Snapshot(picture), afterFirst);
    EXPECT_FALSE(history.CanUndo());
    // The loaded state is gone for good: the picture stays modified.
    EXPECT_TRUE(history.IsModified());

    CEditHistory tiny(1);
    ASSERT_TRUE(tiny.Run(picture, negative()));
    ASSERT_TRUE(tiny.Run(picture, negative()));
    EXPECT_EQ(tiny.StepCount(), 1u);
    EXPECT_TRUE(tiny.Undo(picture));
}

TEST(EditHistory, ModifiedFollowsTheSavedState)
{
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 8, 8, 8));
    CEditHistory history;
    EXPECT_FALSE(history.IsModified());
    ASSERT_TRUE(history.Run(picture, MakeMirrorFlip(0)));
    history.MarkSaved();
    EXPECT_FALSE(history.IsModified());
    ASSERT_TRUE(history.Undo(picture));
    EXPECT_TRUE(history.IsModified());
    ASSERT_TRUE(history.Redo(picture));
    EXPECT_FALSE(history.IsModified());
    ASSERT_TRUE(history.Undo(picture));
    // A new edit replaces the saved step: the saved state cannot come back.
    ASSERT_TRUE(history.Run(picture, MakeMirrorFlip(1)));
    ASSERT_TRUE(history.Undo(picture));
    EXPECT_TRUE(history.IsModified());
    history.Reset();
    EXPECT_FALSE(history.IsModified());
    EXPECT_FALSE(history.CanUndo());
}

TEST(EditHistory, LosslessStepsAreCountedFromTheSavedState)
{
    CImageObj picture;
    ASSERT_TRUE(testpic::Make(picture, 8, 8, 24));
    CEditHistory history;
    std::vector<EditKind> kinds;
    ASSERT_TRUE(history.Run(picture, MakeQuarterTurn(true)));
    ASSERT_TRUE(history.Run(picture, MakeMirrorFlip(1)));
    ASSERT_TRUE(history.LosslessSince(kinds));
    EXPECT_EQ(kinds, (std::vector<EditKind> { EditKind::TurnRight, EditKind::Flip }));
    history.MarkSaved();
    ASSERT_TRUE(history.Run(picture, MakeQuarterTurn(false)));
    ASSERT_TRUE(history.LosslessSince(kinds));
    EXPECT_EQ(kinds, (std::vector<EditKind> { EditKind::TurnLeft }));
    ASSERT_TRUE(history.Run(picture, MakeRotation(45.0)));
    EXPECT_FALSE(history.LosslessSince(kinds));
    ASSERT_TRUE(history.Undo(picture));
    ASSERT_TRUE(history.Undo(picture));
    ASSERT_TRUE(history.Undo(picture));
    // Below the saved state: the file holds the turn and the flip.
    EXPECT_FALSE(history.LosslessSince(kinds));
}
