// tarnis-convert --batch as a user runs it.
#include "tests/batch/batch_testutil.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace batchtest;

namespace
{

std::pair<int, std::string> ConvertBatch(const std::string &args)
{
    const std::string cmd = std::string(TARNIS_BINARY_DIR) + "/bin/tarnis-convert --batch " + args + " 2>&1";
    std::string out;
    FILE *p = ::popen(cmd.c_str(), "r");
    std::array<char, 256> buf {};
    while (p != nullptr && std::fgets(buf.data(), buf.size(), p) != nullptr)
        out += buf.data();
    const int raw = p != nullptr ? ::pclose(p) : -1;
    return { WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out };
}

} // namespace

TEST(ConvertBatch, PrintsTheSummaryAndRefusesBadArguments)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "wide.bmp", 1000, 500, "bmp"));
    ASSERT_TRUE(WritePicture(src / "tall.png", 500, 1000, "png"));
    WriteBytes(src / "readme.txt", "text");
    const std::string folders = "'" + src.Path().string() + "' '" + dst.Path().string() + "'";
    EXPECT_EQ(ConvertBatch(folders + " --format jpg --size 200 300 --keep-ratio --threads 2"),
        std::make_pair(0, std::string("It has finished 2 files conversion!\n")));
    EXPECT_EQ(PictureSize(dst / "tall.jpg"), std::make_pair(150, 300));
    EXPECT_EQ(ConvertBatch(folders + " --format jpg --skip").second, "It has finished 0 files conversion!\n");
    EXPECT_EQ(ConvertBatch(folders + " --format .jpg --rename --size 7 9 --same-size").second,
        "It has finished 2 files conversion!\n");
    EXPECT_EQ(PictureSize(dst / "wide1.jpg"), std::make_pair(7, 9));

    for (const std::string &bad : { folders, folders + " --format xyz",
             folders + " --format jpg --keep-ratio", folders + " --format jpg --size 0 5 --same-size",
             folders + " --format jpg --skip --rename", folders + " --format jpg --size 5 5" }) {
        auto [status, out] = ConvertBatch(bad);
        EXPECT_EQ(status, 1) << bad;
        EXPECT_EQ(out.rfind("tarnis-convert: ", 0), 0u) << out;
    }
}
