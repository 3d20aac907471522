#include "platform/files.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class TempFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarnis-files-" + std::to_string(std::random_device()()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string &name) const { return JoinFolderAndName(m_dir.string(), name); }
    std::string Touch(const std::string &name, const std::string &content = "x")
    {
        std::ofstream(Path(name), std::ios::binary) << content;
        return Path(name);
    }
    // The name MakeUniqueFileName gives `name` in the folder.
    std::string Unique(const std::string &name, const std::function<bool(const std::string &)> &exists = {})
    {
        std::string path = Path(name);
        if (exists)
            MakeUniqueFileName(path, exists);
        else
            MakeUniqueFileName(path);
        return PathFileName(path);
    }
    fs::path m_dir;
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
    EXPECT_NEAR(r.lastWriteTime, std::int64_t(std::time(nullptr)) - 3600, 5);

    EXPECT_FALSE(GetFileStatus(Path("missing.jpg"), r));
    EXPECT_EQ(r.size, 0);
    ASSERT_TRUE(GetFileStatus(m_dir.string(), r));
    EXPECT_NE(r.attributes & FILE_ATTR_DIRECTORY, 0);
    ASSERT_TRUE(GetFileStatus(Touch(".hidden"), r));
    EXPECT_NE(r.attributes & FILE_ATTR_HIDDEN, 0);

    // Long paths are cut, not overrun.
    path = Touch(std::string(250, 'n'));
    ASSERT_TRUE(GetFileStatus(path, r));
    EXPECT_EQ(std::string(r.fullPath).size(), std::min<std::size_t>(path.size(), 259));
    EXPECT_EQ(r.fullPath[259], '\0');
}

TEST_F(TempFolder, ListFolderSortsNaturallyAndMarksFolders)
{
    Touch("img10.jpg");
    Touch("img2.jpg");
    Touch("Img1.jpg");
    fs::create_directory(m_dir / "sub");
    const auto entries = ListFolder(m_dir.string());
    std::vector<std::string> names;
    for (const auto &entry : entries)
        names.push_back(entry.name + (entry.isFolder ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string> { "Img1.jpg", "img2.jpg", "img10.jpg", "sub/" }));
    EXPECT_TRUE(ListFolder((m_dir / "nope").string()).empty());
    EXPECT_GT(FreeDiskSpace(m_dir.string()), 0);
    EXPECT_EQ(FreeDiskSpace((m_dir / "missing" / "deeper").string()), -1);
}

TEST_F(TempFolder, SpecialFilesAreNeitherListedNorOpened)
{
    // A FIFO with no writer blocks an ordinary open for ever (the alarm ends such a run); a socket
    // cannot be opened at all.
    ::alarm(30);
    const std::string fifo = Path("photo.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string socket = Path("socket.jpg");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socket.c_str(), socket.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    fs::create_symlink(fifo, Path("link.png"));
    fs::create_symlink(Path("gone.png"), Path("dangling.png"));
    const std::string file = Touch("real.png");

    std::vector<std::string> names;
    for (const auto &entry : ListFolder(m_dir.string()))
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string> { "dangling.png", "real.png" }));

    for (const std::string &special : { fifo, socket, Path("link.png"), m_dir.string(), Path("gone.png") }) {
        SCOPED_TRACE(special);
        EXPECT_EQ(OpenRegularFile(special), -1);
        EXPECT_EQ(OpenRegularFileStream(special), nullptr);
        EXPECT_FALSE(CanReadRegularFile(special));
    }
    std::FILE *f = OpenRegularFileStream(file);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'x');
    std::fclose(f);
    EXPECT_TRUE(CanReadRegularFile(file));
    ::close(sock);
    ::alarm(0);
}

TEST_F(TempFolder, MakeUniqueFileNameNumbersFromTheStem)
{
    EXPECT_EQ(Unique("photo.bmp"), "photo.bmp"); // nothing there yet
    Touch("photo.bmp");
    EXPECT_EQ(Unique("photo.bmp"), "photo1.bmp");
    Touch("photo1.bmp");
    EXPECT_EQ(Unique("photo.bmp"), "photo2.bmp");
    Touch("img12.jpg");
    EXPECT_EQ(Unique("img12.jpg"), "img1.jpg");
    Touch("a.BMP");
    EXPECT_EQ(Unique("a.BMP"), "a1.bmp"); // the extension comes out lower-cased

    // The caller's existence test: names about to be written count as taken.
    std::vector<std::string> taken = { "shot.png", "shot1.png" };
    auto exists = [&](const std::string &p) {
        return std::find(taken.begin(), taken.end(), PathFileName(p)) != taken.end();
    };
    EXPECT_EQ(Unique("shot7.png", exists), "shot7.png");
    taken.push_back("shot7.png");
    EXPECT_EQ(Unique("shot7.png", exists), "shot2.png");
    EXPECT_FALSE(PathExists(Path("shot2.png")));
}
