// Drop helpers: the extension filter, the dropped-file list block, the copy target names.
#include "browser/dropfiles.h"
#include "browser_testutil.h"
#include "platform/globalmem.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

TEST(DropFiles, ExtensionList)
{
    EXPECT_EQ(MatchesExtensionList("bmp;jpg;gif", "/x/photo.JPG"), 1);
    EXPECT_EQ(MatchesExtensionList("bmp;jpg;gif", "/x/a.b.gif"), 1);
    EXPECT_EQ(MatchesExtensionList("bmp;jpg;gif", "/x/photo.jpeg"), 0);
    EXPECT_EQ(MatchesExtensionList("bmp;jpg;gif", "/x/noext"), 0);
    EXPECT_EQ(MatchesExtensionList("bmp;JPG", "/x/p.jpg"), 0); // entries compare exactly
    EXPECT_EQ(MatchesExtensionList("bmp;*", "/x/anything"), 1);
    EXPECT_EQ(MatchesExtensionList("", "/x/a.bmp"), 0);
}

TEST(DropFiles, DropFileListLayout)
{
    std::vector<std::string> paths { "/p/one.jpg", "/p/two.bmp", "/q/3.gif" };
    HGLOBAL block = MakeDropFileList(paths);
    ASSERT_NE(block, nullptr);
    std::size_t expected = 20 + (10 + 1) + (10 + 1) + (8 + 1) + 2;
    EXPECT_EQ(GlobalSize(block), expected);
    auto *bytes = static_cast<const std::uint8_t *>(block);
    const std::uint8_t header[20] = { 20 };
    EXPECT_EQ(std::memcmp(bytes, header, 20), 0);
    EXPECT_EQ(std::memcmp(bytes + 20, "/p/one.jpg\0/p/two.bmp\0/q/3.gif\0\0", 33), 0);
    EXPECT_EQ(ReadDropFileList(block), paths);
    GlobalFree(block);
    HGLOBAL empty = MakeDropFileList({});
    EXPECT_EQ(GlobalSize(empty), 22u);
    GlobalFree(empty);
}

TEST(DropFiles, CopyTargetNames)
{
    TempFolder folder;
    auto touch = [&](const std::string &name) { std::ofstream(folder.File(name)) << "x"; };
    EXPECT_EQ(MakeCopyTarget(folder.Str(), "/elsewhere/a.BMP"), folder.File("a.BMP"));
    touch("a.BMP");
    touch("a1.bmp");
    EXPECT_EQ(MakeCopyTarget(folder.Str(), "/elsewhere/a.BMP"), folder.File("a2.bmp"));
    touch("photo7.jpg");
    EXPECT_EQ(MakeCopyTarget(folder.Str(), "/x/photo7.jpg"), folder.File("photo1.jpg"));
    EXPECT_EQ(MakeCopyTarget(folder.Str() + "/", "/x/new.gif"), folder.File("new.gif"));
    EXPECT_EQ(MakeCopyTarget("", "/x/new.gif"), "");
}
