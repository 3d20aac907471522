// tarnis-convert --batch as a user runs it.
#include "tests/batch/batch_testutil.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace batchtest;
namespace fs = std::filesystem;

namespace
{

std::pair<int, std::string> ConvertBatch(const std::string &args)
{
    const std::string cmd = std::string(TARNIS_BINARY_DIR) + "/bin/tarnis-convert --batch " + args + " 2>&1";
    std::string out;
    FILE *p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return { -1, out };
    std::array<char, 256> buf {};
    while (std::fgets(buf.data(), buf.size(), p) != nullptr)
        out += buf.data();
    const int raw = ::pclose(p);
    return { WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out };
}

std::string Quoted(const fs::path &path)
{
    return "'" + path.string() + "'";
}

} // namespace

TEST(ConvertBatch, PrintsTheSummaryAndAppliesTheOptions)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "wide.bmp", 1000, 500, "bmp"));
    ASSERT_TRUE(WritePicture(src / "tall.png", 500, 1000, "png"));
    WriteBytes(src / "readme.txt", "text");
    auto [status, out] = ConvertBatch(Quoted(src.Path()) + " " + Quoted(dst.Path())
        + " --format jpg --size 200 300 --keep-ratio --threads 2");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "It has finished 2 files conversion!\n");
    EXPECT_EQ(PictureSize(dst / "wide.jpg"), std::make_pair(200, 100));
    EXPECT_EQ(PictureSize(dst / "tall.jpg"), std::make_pair(150, 300));

    std::tie(status, out)
        = ConvertBatch(Quoted(src.Path()) + " " + Quoted(dst.Path()) + " --format jpg --skip");
    EXPECT_EQ(out, "It has finished 0 files conversion!\n");
    std::tie(status, out)
        = ConvertBatch(Quoted(src.Path()) + " " + Quoted(dst.Path()) + " --format .jpg --rename");
    EXPECT_EQ(out, "It has finished 2 files conversion!\n");
    EXPECT_EQ(PictureSize(dst / "wide1.jpg"), std::make_pair(1000, 500));
    std::tie(status, out) = ConvertBatch(
        Quoted(src.Path()) + " " + Quoted(dst.Path()) + " --format bmp --size 7 9 --same-size");
    EXPECT_EQ(PictureSize(dst / "tall.bmp"), std::make_pair(7, 9));
}

TEST(ConvertBatch, RefusesBadArguments)
{
    TempDir src;
    const std::string folders = Quoted(src.Path()) + " " + Quoted(src.Path());
    for (const std::string &args :
        { folders, folders + " --format xyz", folders + " --format jpg --keep-ratio",
            folders + " --format jpg --size 0 5 --same-size", folders + " --format jpg --skip --rename",
            Quoted(src.Path()) + " --format jpg", folders + " --format jpg --size 5 5" }) {
        auto [status, out] = ConvertBatch(args);
        EXPECT_EQ(status, 1) << args;
        EXPECT_EQ(out.rfind("tarnis-convert: ", 0), 0u) << out;
    }
}
