// The item list's bookkeeping behind selection: removing or replacing a selected item keeps the
// selection list, the flags and the anchor in agreement; names are found exactly before any case.
// The mouse rules themselves are tested on the window with real mouse events.
#include "browser/thumblist.h"
#include "browser/thumbobj.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace
{

std::shared_ptr<CThumbObj> Item(const std::string &name)
{
    auto item = std::make_shared<CThumbObj>();
    item->SetNameFolder(name, "/f");
    return item;
}

// The selection flags agree with the selection list.
void CheckInvariant(const ThumbList &list)
{
    for (const auto &item : list.Items()) {
        bool listed
            = std::find(list.Selected().begin(), list.Selected().end(), item) != list.Selected().end();
        EXPECT_EQ(item->GetSelected() != 0, listed) << item->GetName();
    }
}

} // namespace

TEST(ThumbList, RemovingOrReplacingASelectedItemKeepsTheListsConsistent)
{
    ThumbList list;
    for (const char *name : { "a", "b", "c" })
        list.Append(Item(name));
    list.Select(2);
    list.SetAnchor(list.Items()[2].get());
    EXPECT_TRUE(list.Remove(list.Items()[2].get()));
    EXPECT_TRUE(list.Selected().empty());
    EXPECT_EQ(list.Anchor(), nullptr);

    // A replacement takes over the selection slot and the anchor.
    list.Select(1);
    list.SetAnchor(list.Items()[1].get());
    auto fresh = Item("b");
    list.Replace(1, fresh);
    EXPECT_EQ(list.Selected().at(0), fresh);
    EXPECT_EQ(list.Anchor(), fresh.get());
    CheckInvariant(list);
}

TEST(ThumbList, FindByNamePrefersTheExactCase)
{
    ThumbList list;
    for (const char *name : { "a", "b", "A" })
        list.Append(Item(name));
    EXPECT_EQ(list.FindByName("A"), 2);
    EXPECT_EQ(list.FindByName("a"), 0);
    EXPECT_EQ(list.FindByName("B"), 1);
    EXPECT_EQ(list.FindByName("z"), -1);
}
