// GIF test files: every page of every good file decodes, animation pages equal the reference
// renderings frame by frame, broken files fail.
#include "codec_test_util.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace codexa;
using namespace codexa::test;

namespace
{

// Decisions on files outside the plain good/bad split (reasons beside each).
const std::map<std::string, bool> kDecisions = {
    // LZW minimum code size 11: GIF allows at most 8 and giflib refuses it; decoded by our own
    // LZW for sizes 9...11 (checked by value below).
    { "issue_2811.gif", true },
    // 15 bytes: a header and a loop block, no frame at all.
    { "zero-loop-count.gif", false },
    // Unknown block and extension type bytes after a complete frame: the frames before them show.
    { "issue-208-block-type.gif", true },
    { "issue-208-block-type-beta.gif", true },
    { "issue-209-extension-block-type.gif", true },
    // Broken LZW data (code size too small, a code out of range) and a 65535 × 65535 screen.
    { "issue-96-small-codesize.gif", false },
    { "issue-96-small-codesize-2.gif", false },
    { "issue-117-out-of-range.gif", false },
    { "issue-101-infinite-empty-loop.gif", false },
    // A frame placed at (65535, 65535), past any position a GIF can express.
    { "decompression_bomb_extents.gif", false },
};

TEST(GifCorpus, EveryPageOfEveryGoodFileDecodes)
{
    std::vector<std::string> files;
    for (const char *folder :
        { "gif/image-gif/good", "gif/image-rs", "gif/pillow/good", "gif/peterdn-gif-test-suite" })
        for (const std::string &path : FilesIn(TestData(folder), { ".gif" }, true))
            files.push_back(path);
    ASSERT_GT(files.size(), 60u);
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        auto it = kDecisions.find(FileName(path));
        auto bytes = ReadAll(path);
        Picture pic;
        Status s = LoadFromMemory(AsBytes(bytes), ".gif", -1, pic);
        if (it != kDecisions.end() && !it->second) {
            EXPECT_NE(s, Status::Ok);
            EXPECT_EQ(Pages(path), 0);
            continue;
        }
        ASSERT_EQ(s, Status::Ok) << StatusText(s);
        const int pages = Pages(path);
        EXPECT_GE(pages, 1);
        for (int page = 1; page < pages && page < 40; ++page) {
            Picture p;
            EXPECT_EQ(LoadFromMemory(AsBytes(bytes), ".gif", page, p), Status::Ok) << "page " << page;
            EXPECT_EQ(p.width(), pic.width());
        }
        Picture past;
        EXPECT_EQ(LoadFromMemory(AsBytes(bytes), ".gif", pages, past), Status::BadPage);
    }
}

TEST(GifCorpus, AnimationFramesEqualTheReferenceRenderings)
{
    // The reference PNGs mark transparency with tRNS, which decodes over white as well.
    const std::string folder = TestData("gif/peterdn-gif-test-suite/");
    std::size_t compared = 0;
    for (const std::string &path : FilesIn(folder, { ".gif" })) {
        const std::string ref = folder + "frames/" + FileName(path).substr(0, FileName(path).size() - 4);
        std::vector<std::string> frames;
        if (std::filesystem::exists(ref + ".png"))
            frames.push_back(ref + ".png");
        for (int i = 0; std::filesystem::exists(ref + "-" + std::to_string(i) + ".png"); ++i)
            frames.push_back(ref + "-" + std::to_string(i) + ".png");
        ASSERT_FALSE(frames.empty()) << ref;
        EXPECT_EQ(Pages(path), static_cast<int>(frames.size())) << ref;
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(MaxDifference(Decode(frames[i]), Decode(path, static_cast<int>(i))), 0) << frames[i];
        compared += frames.size();
    }
    EXPECT_EQ(compared, 46u);
}

TEST(GifCorpus, PalettesStayWhenOneTableServesEveryFrame)
{
    // Transparent areas take a white entry; the picture keeps the table's depth.
    Picture stat = Decode(TestData("gif/peterdn-gif-test-suite/static_transparent.gif"));
    EXPECT_EQ(stat.bitCount(), 1);
    Picture anim = Decode(TestData("gif/pillow/good/dispose_bgnd_transparency.gif"), 2);
    EXPECT_EQ(anim.bitCount(), 8);
    // Frames with different local tables are composited in 24-bit.
    Picture mixed = Decode(TestData("gif/pillow/good/no_palette.gif"), 1);
    EXPECT_EQ(mixed.bitCount(), 24);
}

TEST(GifCorpus, WideLzwCodesDecode)
{
    Rgb rgb = Flatten(Decode(TestData("gif/pillow/good/issue_2811.gif")));
    ASSERT_EQ(rgb.width, 100);
    auto px
        = [&](int x, int y) { return (rgb.At(x, y)[0] << 16) | (rgb.At(x, y)[1] << 8) | rgb.At(x, y)[2]; };
    // Values another reader gives for this file.
    EXPECT_EQ(px(0, 0), 0x383838);
    EXPECT_EQ(px(50, 50), 0x605860);
    EXPECT_EQ(px(99, 99), 0xA8A8B8);
    EXPECT_EQ(px(10, 80), 0x383038);
}

TEST(GifCorpus, BadFilesFail)
{
    std::vector<std::string> files = FilesIn(TestData("gif/pillow/bad"));
    auto crash = FilesIn(TestData("gif/image-gif/bad-or-regression"), {}, true);
    files.insert(files.end(), crash.begin(), crash.end());
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        auto it = kDecisions.find(FileName(path));
        bool accepted = it != kDecisions.end() && it->second;
        auto bytes = ReadAll(path);
        Picture pic;
        Status s = LoadFromMemory(AsBytes(bytes), ".gif", -1, pic);
        EXPECT_EQ(s == Status::Ok, accepted) << StatusText(s);
    }
}

} // namespace
