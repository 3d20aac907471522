#include "platform/paths.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{
std::string P(std::string s)
{
    std::replace(s.begin(), s.end(), '/', kPathSeparator);
    return s;
}
} // namespace

TEST(Paths, JoinFolderAndName)
{
    EXPECT_EQ(JoinFolderAndName("", "a.jpg"), "");
    EXPECT_EQ(JoinFolderAndName(P("/pics"), "a.jpg"), P("/pics/a.jpg"));
    EXPECT_EQ(JoinFolderAndName(P("/pics/"), "a.jpg"), P("/pics/a.jpg"));
    EXPECT_EQ(JoinFolderAndName(P("/pics//"), "a.jpg"), P("/pics//a.jpg")); // only one is dropped
    EXPECT_EQ(JoinFolderAndName(P("/pics"), P("other/dir/a.jpg")), P("/pics/a.jpg"));
    EXPECT_EQ(JoinFolderAndName(P("/pics"), P("dir/")), P("/pics/"));
    EXPECT_EQ(JoinFolderAndName(P("/"), "*.*"), P("/*.*"));
}

TEST(Paths, NameFolderExtensionTitle)
{
    EXPECT_EQ(PathFileName(P("/a/b/photo.JPG")), "photo.JPG");
    EXPECT_EQ(PathFolder(P("/a/b/photo.JPG")), P("/a/b"));
    EXPECT_EQ(PathFolder("photo"), "");
    EXPECT_EQ(PathExtension("photo.JPG"), ".jpg");
    EXPECT_EQ(PathExtension("archive.tar.GZ"), ".gz");
    EXPECT_EQ(PathExtension("README"), "");
    EXPECT_EQ(PathExtension(P("/a.d/README")), ""); // a dot in the folder is not an extension
    EXPECT_EQ(PathFileTitle(P("/x/photo.JPG")), "photo");
    EXPECT_EQ(PathFileTitle("noext"), "noext");
    EXPECT_EQ(PathFileTitle(".hidden"), "");
}

TEST(Paths, StemDropsExtensionAndTrailingDigits)
{
    EXPECT_EQ(PathStem("photo.JPG"), "photo");
    EXPECT_EQ(PathStem("photo7.jpg"), "photo");
    EXPECT_EQ(PathStem("img12.png"), "img");
    EXPECT_EQ(PathStem("2024.jpg"), "");
    EXPECT_EQ(PathStem("noext42"), "noext");
    EXPECT_EQ(PathStem("a1b2.bmp"), "a1b");
    EXPECT_TRUE(SameExtension(".JPG", "jpg"));
    EXPECT_TRUE(SameExtension("Tif", ".tif"));
    EXPECT_FALSE(SameExtension(".jpg", ".jpeg"));
}

TEST(Paths, NaturalOrderComparesDigitRunsAsNumbers)
{
    std::vector<std::string> names
        = { "img10.jpg", "IMG2.jpg", "img1.jpg", "b.png", "A.png", "img02.jpg", "img2.jpg" };
    std::sort(names.begin(), names.end(), [](auto &a, auto &b) { return NaturalLess(a, b); });
    EXPECT_EQ(names,
        (std::vector<std::string> {
            "A.png", "b.png", "img1.jpg", "IMG2.jpg", "img2.jpg", "img02.jpg", "img10.jpg" }));
    EXPECT_FALSE(NaturalLess("same", "same"));
    EXPECT_TRUE(NaturalLess("a", "a1"));
    EXPECT_TRUE(NaturalLess("x99999999999999999999", "x100000000000000000000")); // no overflow
}
