// Listing a folder's pictures off the window's thread: order, the limit, the stop flag, and
// the same answer whatever the number of threads.
#include "browser/folderlisting.h"
#include "browser_testutil.h"

#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace
{

using Strings = std::vector<std::string>;

// Accepts the files whose content starts with "P".
int StartsWithP(const std::string &path)
{
    std::ifstream in(path);
    return in.get() == 'P' ? 1 : -1;
}

} // namespace

TEST(FolderListing, OrderLimitAndThreads)
{
    TempFolder dir;
    Strings expected;
    for (int i = 1; i <= 120; ++i) {
        std::string name = "f" + std::to_string(i) + ".bmp";
        bool picture = i % 3 != 0;
        std::ofstream(dir.File(name)) << (picture ? "P" : "x");
        if (picture)
            expected.push_back(name);
    }
    std::filesystem::create_directory(dir.Path() / "sub.bmp");
    std::atomic<bool> stop { false };
    for (int threads : { 1, 3, 8 }) {
        FolderListing all = ListPictures(dir.Str(), StartsWithP, 1024, stop, threads);
        EXPECT_EQ(all.names, expected) << threads << " threads: natural order, folders and refusals out";
        EXPECT_FALSE(all.limitReached);
        EXPECT_FALSE(all.stopped);

        FolderListing some = ListPictures(dir.Str(), StartsWithP, 50, stop, threads);
        EXPECT_EQ(some.names, Strings(expected.begin(), expected.begin() + 50)) << threads;
        EXPECT_TRUE(some.limitReached);
    }
    // Exactly as many pictures as the limit counts as reaching it.
    EXPECT_TRUE(
        ListPictures(dir.Str(), StartsWithP, static_cast<int>(expected.size()), stop, 2).limitReached);
    EXPECT_TRUE(ListPictures("/no/such/folder", StartsWithP, 10, stop, 2).names.empty());

    // Given the last listing, an unchanged folder is not tested again; any new name is.
    FolderListing first = ListPictures(dir.Str(), StartsWithP, 1024, stop, 2);
    EXPECT_EQ(first.files.size(), 120u);
    int tests = 0;
    auto counting = [&](const std::string &path) {
        ++tests;
        return StartsWithP(path);
    };
    FolderListing again = ListPictures(dir.Str(), counting, 1024, stop, 1, &first.files);
    EXPECT_TRUE(again.unchanged);
    EXPECT_EQ(tests, 0);
    std::ofstream(dir.File("new.bmp")) << "P";
    FolderListing changed = ListPictures(dir.Str(), counting, 1024, stop, 1, &first.files);
    EXPECT_FALSE(changed.unchanged);
    EXPECT_EQ(tests, 121);
    EXPECT_EQ(changed.names.size(), expected.size() + 1);
}

TEST(FolderListing, StopEndsItWithoutTestingTheRest)
{
    TempFolder dir;
    for (int i = 0; i < 400; ++i)
        std::ofstream(dir.File("f" + std::to_string(i))) << "P";
    std::atomic<bool> stop { false };
    std::atomic<int> tested { 0 };
    FolderListing listing = ListPictures(
        dir.Str(),
        [&](const std::string &) {
            if (++tested == 20)
                stop = true;
            return 1;
        },
        1024, stop, 2);
    EXPECT_TRUE(listing.stopped);
    EXPECT_LT(tested.load(), 400);
    EXPECT_LT(listing.names.size(), 400u);
}

TEST(FolderListing, DelayedCodecPassesThrough)
{
    TempFolder dir;
    WriteBmp(dir.File("a.bmp"), 4, 4, 1, 2, 3);
    BmpTestCodec inner;
    DelayedThumbCodec slow(inner, std::chrono::microseconds(2000));
    auto start = std::chrono::steady_clock::now();
    EXPECT_GE(slow.FormatTest(dir.File("a.bmp").c_str()), 0);
    EXPECT_LT(slow.FormatTest(dir.File("missing.bmp").c_str()), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(4000));
    EXPECT_EQ(slow.ReadableExtensions(), inner.ReadableExtensions());
}
