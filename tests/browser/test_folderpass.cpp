// Comparing a folder listing with the grid's items and handing a pass's thumbnails back in
// folder order, whatever order the workers finish in.
#include "browser/folderpass.h"
#include "browser/gridlayout.h"
#include "browser/thumbobj.h"

#include <gtest/gtest.h>
#include <map>

namespace
{

using Strings = std::vector<std::string>;

std::shared_ptr<CThumbObj> Item(const std::string &name, int written = 100)
{
    auto item = std::make_shared<CThumbObj>();
    item->SetNameFolder(name, "/f");
    FileStatusRecord status {};
    status.lastWriteTime = written;
    item->SetFileStatus(status);
    return item;
}

ThumbItemList Items(const Strings &names)
{
    ThumbItemList items;
    for (const auto &n : names)
        items.push_back(Item(n));
    return items;
}

Strings Names(const std::vector<CThumbObj *> &items)
{
    Strings names;
    for (const CThumbObj *item : items)
        names.push_back(item->GetName());
    return names;
}

// Status of every name: written at 100 unless the table says otherwise.
FolderPass::StatusOf Times(std::map<std::string, int> times)
{
    return [times](const std::string &name, FileStatusRecord &status) {
        status = {};
        auto t = times.find(name);
        status.lastWriteTime = t != times.end() ? t->second : 100;
    };
}

ThumbOutcome Made()
{
    ThumbOutcome outcome;
    outcome.opened = true;
    outcome.made = true;
    return outcome;
}

} // namespace

TEST(FolderMatch, RemovedAndRenamedItems)
{
    struct Case {
        const char *what;
        Strings files;
        Strings items;
        Strings removed;
        Strings renamedFrom;
        Strings renamedTo;
    };
    const Case cases[] = {
        { "same names", { "a.bmp", "b.bmp" }, { "b.bmp", "a.bmp" }, {}, {}, {} },
        { "file gone", { "a.bmp" }, { "a.bmp", "b.bmp", "c.bmp" }, { "b.bmp", "c.bmp" }, {}, {} },
        { "empty folder", {}, { "a.bmp" }, { "a.bmp" }, {}, {} },
        { "case changed", { "A.BMP" }, { "a.bmp" }, {}, { "a.bmp" }, { "A.BMP" } },
        // Both spellings listed: each item keeps its own file.
        { "two spellings", { "a.bmp", "A.bmp" }, { "A.bmp", "a.bmp" }, {}, {}, {} },
        { "new files only", { "a.bmp", "n.bmp" }, { "a.bmp" }, {}, {}, {} },
    };
    for (const Case &c : cases) {
        ThumbItemList items = Items(c.items);
        FolderMatch match = MatchFolder(c.files, items);
        EXPECT_EQ(Names(match.removed), c.removed) << c.what;
        Strings from, to;
        for (auto &[item, name] : match.renamed) {
            from.push_back(item->GetName());
            to.push_back(name);
        }
        EXPECT_EQ(from, c.renamedFrom) << c.what;
        EXPECT_EQ(to, c.renamedTo) << c.what;
        EXPECT_EQ(match.Changes(), !c.removed.empty() || !c.renamedFrom.empty()) << c.what;
    }
}

TEST(FolderPass, PlanKeepsReplacesAndAdds)
{
    ThumbItemList items { Item("keep.bmp", 100), Item("newer.bmp", 100), Item("older.bmp", 100),
        Item("Case.bmp", 100) };
    FolderPass pass;
    auto jobs = pass.Plan({ "keep.bmp", "new1.bmp", "newer.bmp", "older.bmp", "case.BMP", "new2.bmp" }, items,
        Times({ { "newer.bmp", 101 }, { "older.bmp", 50 }, { "case.BMP", 100 } }));
    // Only the added and the rewritten files are made; the sequence is the place in the list.
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].sequence, 1);
    EXPECT_EQ(jobs[0].name, "new1.bmp");
    EXPECT_EQ(jobs[1].sequence, 2);
    EXPECT_EQ(jobs[2].sequence, 5);

    Strings kinds;
    FolderPass::Step step;
    for (int seq : { 1, 2, 5 })
        ASSERT_TRUE(pass.Deliver(seq, Made()));
    while (pass.TakeNext(step)) {
        const char *k = step.kind == FolderPass::Step::Keep ? "keep"
            : step.kind == FolderPass::Step::Replace        ? "replace"
                                                            : "add";
        kinds.push_back(step.name + ":" + k);
        if (step.kind == FolderPass::Step::Replace) {
            EXPECT_EQ(step.old, items[1]);
        }
    }
    EXPECT_EQ(kinds,
        (Strings { "keep.bmp:keep", "new1.bmp:add", "newer.bmp:replace", "older.bmp:keep", "case.BMP:keep",
            "new2.bmp:add" }));
    EXPECT_TRUE(pass.Done());
}

TEST(FolderPass, StepsComeBackInListOrderWhateverOrderTheyFinish)
{
    FolderPass pass;
    auto jobs = pass.Plan({ "a", "b", "c", "d" }, {}, Times({}));
    ASSERT_EQ(jobs.size(), 4u);
    FolderPass::Step step;
    EXPECT_FALSE(pass.TakeNext(step));
    ASSERT_TRUE(pass.Deliver(2, Made()));
    ASSERT_TRUE(pass.Deliver(1, Made()));
    EXPECT_FALSE(pass.TakeNext(step)); // "a" still being made
    ASSERT_TRUE(pass.Deliver(0, Made()));
    Strings taken;
    while (pass.TakeNext(step))
        taken.push_back(step.name);
    EXPECT_EQ(taken, (Strings { "a", "b", "c" }));
    EXPECT_FALSE(pass.Done());

    // Results that do not belong to a waiting job are refused.
    EXPECT_FALSE(pass.Deliver(0, Made())) << "already taken";
    EXPECT_FALSE(pass.Deliver(4, Made())) << "past the end";
    EXPECT_FALSE(pass.Deliver(-1, Made())) << "negative";
    ASSERT_TRUE(pass.Deliver(3, Made()));
    EXPECT_FALSE(pass.Deliver(3, Made())) << "twice";
    ASSERT_TRUE(pass.TakeNext(step));
    EXPECT_TRUE(step.outcome.made);
    EXPECT_TRUE(pass.Done());
}

TEST(FolderPass, StopHereDropsTheRest)
{
    FolderPass pass;
    pass.Plan({ "a", "b", "c" }, {}, Times({}));
    ASSERT_TRUE(pass.Deliver(0, Made()));
    ASSERT_TRUE(pass.Deliver(2, Made()));
    FolderPass::Step step;
    ASSERT_TRUE(pass.TakeNext(step));
    pass.StopHere();
    EXPECT_TRUE(pass.Done());
    EXPECT_FALSE(pass.TakeNext(step));
    EXPECT_FALSE(pass.Deliver(1, Made()));
}

TEST(FolderPass, PlaceAndPriorityFollowTheGrid)
{
    // Three items in the grid; the pass replaces the second and adds three names.
    ThumbItemList items { Item("x", 100), Item("y", 100), Item("z", 100) };
    FolderPass pass;
    pass.Plan({ "x", "n1", "y", "n2", "z", "n3" }, items, Times({ { "y", 200 } }));
    auto indexOf = [&items](const CThumbObj *item) {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].get() == item)
                return static_cast<int>(i);
        return -1;
    };
    struct Case {
        int sequence;
        long long place;
    };
    // Adds enter after the items and after every add still ahead of them.
    for (Case c :
        { Case { 1, 3 }, Case { 2, 1 }, Case { 3, 4 }, Case { 5, 5 }, Case { 0, -1 }, Case { 9, -1 } })
        EXPECT_EQ(pass.PlaceOf(c.sequence, indexOf, 3), c.place) << c.sequence;

    // A grid of one column and three visible rows scrolled to its top: places 0 to 3 are in or
    // next to the view, later ones count the rows below it.
    GridLayout layout;
    ASSERT_TRUE(layout.Recalc(100, 3 * (80 + GridLayout::kGap), SIZE { 80, 80 }, 40));
    ASSERT_EQ(layout.Columns(), 1);
    long long visible = layout.VisibleRows();
    EXPECT_EQ(pass.Priority(2, indexOf, 3, layout), 0);
    EXPECT_EQ(pass.Priority(5, indexOf, 3, layout), std::max(0LL, 5 - visible));
    layout.Scroll().SetPosition(layout.ToScrollUnits(10.0 * layout.Pitch()));
    // Scrolled ten rows down: the replaced item in row 1 is nine rows above the view.
    EXPECT_EQ(pass.Priority(2, indexOf, 3, layout), 9);
}
