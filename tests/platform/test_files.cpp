#include "platform/files.h"
#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{

class TempFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path()
            / ("tarnis-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Touch(const std::string &name, const std::string &content = "x")
    {
        std::string path = JoinFolderAndName(dir_.string(), name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    fs::path dir_;
};

} // namespace

TEST_F(TempFolder, FileStatusRecordFromTheFileSystem)
{
    std::string path = Touch("photo.jpg", std::string(1234, 'a'));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
    FileStatusRecord r;
    ASSERT_TRUE(GetFileStatus(path, r));
    EXPECT_EQ(r.size, 1234);
    EXPECT_STREQ(r.fullPath, path.c_str());
    EXPECT_EQ(r.attributes & FILE_ATTR_DIRECTORY, 0);
    EXPECT_NE(r.attributes & FILE_ATTR_ARCHIVE, 0);
    std::int64_t now = std::time(nullptr);
    EXPECT_NEAR(r.lastWriteTime, now - 3600, 5);
    EXPECT_GT(r.creationTime, 0);

    EXPECT_FALSE(GetFileStatus(JoinFolderAndName(dir_.string(), "missing.jpg"), r));
    EXPECT_EQ(r.size, 0);

    ASSERT_TRUE(GetFileStatus(dir_.string(), r));
    EXPECT_NE(r.attributes & FILE_ATTR_DIRECTORY, 0);
    ASSERT_TRUE(GetFileStatus(Touch(".hidden"), r));
    EXPECT_NE(r.attributes & FILE_ATTR_HIDDEN, 0);
}

TEST_F(TempFolder, LongPathsAreCutNotOverrun)
{
    std::string longName(250, 'n');
    std::string path = Touch(longName);
    FileStatusRecord r;
    ASSERT_TRUE(GetFileStatus(path, r));
    EXPECT_EQ(std::string(r.fullPath).size(), std::min<std::size_t>(path.size(), 259));
    EXPECT_EQ(r.fullPath[259], '\0');
}

TEST_F(TempFolder, ListFolderSortsNaturallyAndMarksFolders)
{
    Touch("img10.jpg");
    Touch("img2.jpg");
    Touch("Img1.jpg");
    fs::create_directory(dir_ / "sub");
    auto entries = ListFolder(dir_.string());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "Img1.jpg");
    EXPECT_EQ(entries[1].name, "img2.jpg");
    EXPECT_EQ(entries[2].name, "img10.jpg");
    EXPECT_EQ(entries[3].name, "sub");
    EXPECT_TRUE(entries[3].isFolder);
    EXPECT_TRUE(ListFolder((dir_ / "nope").string()).empty());
    EXPECT_TRUE(FolderExists(dir_.string()));
    EXPECT_FALSE(FileExists(dir_.string()));
}

TEST_F(TempFolder, MakeUniqueFileNameNumbersFromTheStem)
{
    std::string path = JoinFolderAndName(dir_.string(), "photo.bmp");
    std::string unchanged = path;
    MakeUniqueFileName(unchanged);
    EXPECT_EQ(unchanged, path); // nothing there yet

    Touch("photo.bmp");
    std::string p1 = path;
    MakeUniqueFileName(p1);
    EXPECT_EQ(PathFileName(p1), "photo1.bmp");
    Touch("photo1.bmp");
    std::string p2 = path;
    MakeUniqueFileName(p2);
    EXPECT_EQ(PathFileName(p2), "photo2.bmp");

    Touch("img12.jpg");
    std::string p3 = JoinFolderAndName(dir_.string(), "img12.jpg");
    MakeUniqueFileName(p3);
    EXPECT_EQ(PathFileName(p3), "img1.jpg");

    Touch("a.BMP");
    std::string p4 = JoinFolderAndName(dir_.string(), "a.BMP");
    MakeUniqueFileName(p4);
    EXPECT_EQ(PathFileName(p4), "a1.bmp"); // the extension comes out lower-cased
}

TEST_F(TempFolder, MakeUniqueFileNameAsksTheCallersExistenceTest)
{
    // Names about to be written count as taken although nothing is on disk yet.
    std::vector<std::string> taken = { "shot.png", "shot1.png" };
    auto exists = [&](const std::string &p) {
        return std::find(taken.begin(), taken.end(), PathFileName(p)) != taken.end();
    };
    std::string path = JoinFolderAndName(dir_.string(), "shot7.png");
    MakeUniqueFileName(path, exists);
    EXPECT_EQ(PathFileName(path), "shot7.png");
    taken.push_back("shot7.png");
    MakeUniqueFileName(path, exists);
    EXPECT_EQ(PathFileName(path), "shot2.png");
    EXPECT_FALSE(PathExists(path));
    Touch("shot2.png");
    EXPECT_TRUE(PathExists(path));
}

TEST_F(TempFolder, FreeDiskSpaceIsKnownForAFolder)
{
    EXPECT_GT(FreeDiskSpace(dir_.string()), 0);
    EXPECT_EQ(FreeDiskSpace((dir_ / "missing" / "deeper").string()), -1);
}
