// The batch converter's engine on real folders: search, sizes, names, counting and stopping.
#include "batch/batchconverter.h"
#include "batch/batchsearch.h"
#include "batch/batchsizing.h"
#include "platform/paths.h"
#include "tests/batch/batch_testutil.h"

#include <gtest/gtest.h>

using namespace batchtest;
namespace fs = std::filesystem;

namespace
{

struct RunResult {
    int count = 0;
    std::vector<int> reported;
};

RunResult RunJob(BatchJob job)
{
    RunResult result;
    std::atomic<int> stop { 0 };
    result.count = CBatchConverter().Run(job, stop, [&](int n) { result.reported.push_back(n); });
    return result;
}

BatchJob Job(const fs::path &source, const fs::path &target, const std::string &ext, int threads = 0)
{
    BatchJob job;
    job.sourceFolder = source.string();
    job.targetFolder = target.string();
    job.extension = ext;
    job.threads = threads;
    return job;
}

} // namespace

TEST(BatchSearch, PatternKeepsOneSeparator)
{
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(BatchSearchPattern("pics" + sep), "pics" + sep + "*.*");
    EXPECT_EQ(BatchSearchPattern("pics"), "pics" + sep + "*.*");
    EXPECT_EQ(BatchSearchPattern(""), "");
    EXPECT_TRUE(FindBatchFiles("").empty());
}

TEST(BatchSearch, FindsFilesOnlyInFolderOrder)
{
    TempDir dir;
    WriteBytes(dir / "b10.txt", "x");
    WriteBytes(dir / "b9.txt", "x");
    WriteBytes(dir / "A.txt", "x");
    dir.Sub("sub.bmp");
    std::vector<std::string> names;
    for (const std::string &path : FindBatchFiles(BatchSearchPattern(dir.Path().string())))
        names.push_back(PathFileName(path));
    EXPECT_EQ(names, (std::vector<std::string> { "A.txt", "b9.txt", "b10.txt" }));
}

TEST(BatchSizing, KeepRatioFitsTheBoxRatio)
{
    const float ratio = BoxRatio(200, 300);
    SIZE size {};
    ASSERT_TRUE(BatchTargetSize(kKeepRatioInBox, 1000, 500, 200, 300, ratio, size));
    EXPECT_EQ(size.cx, 200);
    EXPECT_EQ(size.cy, 100);
    ASSERT_TRUE(BatchTargetSize(kKeepRatioInBox, 500, 1000, 200, 300, ratio, size));
    EXPECT_EQ(size.cx, 150);
    EXPECT_EQ(size.cy, 300);
    // Exactly the box ratio counts as "not wider": the height is the box's.
    ASSERT_TRUE(BatchTargetSize(kKeepRatioInBox, 400, 600, 200, 300, ratio, size));
    EXPECT_EQ(size.cx, 200);
    EXPECT_EQ(size.cy, 300);
    ASSERT_TRUE(BatchTargetSize(kUseSameSize, 1000, 500, 200, 300, ratio, size));
    EXPECT_EQ(size.cx, 200);
    EXPECT_EQ(size.cy, 300);
    EXPECT_FALSE(BatchTargetSize(kKeepOriginalSize, 1000, 500, 200, 300, ratio, size));
}

TEST(BatchConverter, ResizesByTheSizeOption)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "wide.bmp", 1000, 500, "bmp"));
    ASSERT_TRUE(WritePicture(src / "tall.bmp", 500, 1000, "bmp"));
    BatchJob job = Job(src.Path(), dst.Path(), "png");
    job.sizeOption = kKeepRatioInBox;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(PictureSize(dst / "wide.png"), std::make_pair(200, 100));
    EXPECT_EQ(PictureSize(dst / "tall.png"), std::make_pair(150, 300));

    job.sizeOption = kUseSameSize;
    job.width = 64;
    job.height = 48;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(PictureSize(dst / "tall.png"), std::make_pair(64, 48));

    job.sizeOption = kKeepOriginalSize;
    job.extension = "tga";
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(PictureSize(dst / "tall.tga"), std::make_pair(500, 1000));
}

TEST(BatchConverter, RenameNumbersFromTheStem)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "photo.jpg", 16, 16, "jpg"));
    ASSERT_TRUE(WritePicture(src / "img12.png", 16, 16, "png"));
    WriteBytes(dst / "photo.bmp", "old");
    WriteBytes(dst / "img12.jpg", "old");
    BatchJob job = Job(src.Path(), dst.Path(), "bmp");
    job.sameNameOption = kRenameAutomatically;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_TRUE(fs::exists(dst / "photo1.bmp"));
    EXPECT_EQ(ReadBytes(dst / "photo.bmp"), "old");
    // img12.png became img12.bmp (nothing there); a second run numbers both.
    EXPECT_TRUE(fs::exists(dst / "img12.bmp"));
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_TRUE(fs::exists(dst / "photo2.bmp"));
    EXPECT_TRUE(fs::exists(dst / "img1.bmp"));

    job.extension = "jpg";
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_TRUE(fs::exists(dst / "img1.jpg")); // trailing digits dropped before numbering
    EXPECT_EQ(ReadBytes(dst / "img12.jpg"), "old");
    EXPECT_TRUE(fs::exists(dst / "photo.jpg"));
}

TEST(BatchConverter, SkipLeavesExistingTargetsUncounted)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "a.bmp", 8, 8, "bmp"));
    ASSERT_TRUE(WritePicture(src / "b.bmp", 8, 8, "bmp"));
    WriteBytes(dst / "a.png", "keep me");
    BatchJob job = Job(src.Path(), dst.Path(), "png");
    job.sameNameOption = kSkip;
    const RunResult skipped = RunJob(job);
    EXPECT_EQ(skipped.count, 1);
    EXPECT_EQ(skipped.reported, std::vector<int> { 1 });
    EXPECT_EQ(ReadBytes(dst / "a.png"), "keep me");
    EXPECT_EQ(PictureSize(dst / "b.png"), std::make_pair(8, 8));

    job.sameNameOption = kOverwrite;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(PictureSize(dst / "a.png"), std::make_pair(8, 8));
}

TEST(BatchConverter, SkipsWhatTheCodecCannotReadAndIgnoresSubFolders)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "good.bmp", 8, 8, "bmp"));
    WriteBytes(src / "notes.txt", "not a picture");
    std::string broken = ReadBytes(src / "good.bmp");
    WriteBytes(src / "broken.bmp", broken.substr(0, 40));
    const fs::path sub = src.Sub("inner");
    ASSERT_TRUE(WritePicture(sub / "deep.bmp", 8, 8, "bmp"));
    src.Sub("folder.bmp");
    const RunResult r = RunJob(Job(src.Path(), dst.Path(), "gif"));
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(Names(dst.Path()), std::vector<std::string> { "good.gif" });
}

TEST(BatchConverter, SourceWithTrailingSeparatorAndEmptySource)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "one.bmp", 8, 8, "bmp"));
    BatchJob job = Job(src.Path().string() + kPathSeparator, dst.Path(), "pcx");
    EXPECT_EQ(RunJob(job).count, 1);
    EXPECT_TRUE(fs::exists(dst / "one.pcx"));

    job.sourceFolder.clear();
    const RunResult none = RunJob(job);
    EXPECT_EQ(none.count, 0);
    EXPECT_TRUE(none.reported.empty());
}

TEST(BatchConverter, SaveFailuresAreStillCounted)
{
    TempDir src;
    ASSERT_TRUE(WritePicture(src / "a.bmp", 8, 8, "bmp"));
    ASSERT_TRUE(WritePicture(src / "b.bmp", 8, 8, "bmp"));
    const fs::path missing = src.Path() / "no" / "such" / "folder";
    EXPECT_EQ(RunJob(Job(src.Path(), missing, "png")).count, 2);
    EXPECT_FALSE(fs::exists(missing));
}

TEST(BatchConverter, CountsInOrderAndStopsAfterTheFilesInProgress)
{
    TempDir src, dst;
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(WritePicture(src / ("p" + std::to_string(i) + ".bmp"), 8, 8, "bmp", i));
    const RunResult all = RunJob(Job(src.Path(), dst.Path(), "tga", 3));
    EXPECT_EQ(all.count, 12);
    std::vector<int> expected(12);
    for (int i = 0; i < 12; ++i)
        expected[static_cast<std::size_t>(i)] = i + 1;
    EXPECT_EQ(all.reported, expected);

    for (int threads : { 1, 3 }) {
        TempDir out;
        std::atomic<int> stop { 0 };
        const int count = CBatchConverter().Run(
            Job(src.Path(), out.Path(), "bmp", threads), stop, [&](int) { stop = 1; });
        EXPECT_GE(count, 1);
        EXPECT_LE(count, threads);
        EXPECT_EQ(static_cast<int>(Names(out.Path()).size()), count);
    }
    std::atomic<int> stopped { 1 };
    EXPECT_EQ(CBatchConverter().Run(Job(src.Path(), dst.Path(), "bmp"), stopped), 0);
}

// Name collisions inside one run: several sources share a title. Whatever the thread count, the
// names, the number and the bytes left behind are those of one file after the other.
TEST(BatchConverter, ThreadsGiveTheSequentialOutcome)
{
    TempDir src;
    ASSERT_TRUE(WritePicture(src / "a.bmp", 20, 10, "bmp", 1));
    ASSERT_TRUE(WritePicture(src / "a.png", 20, 10, "png", 2));
    ASSERT_TRUE(WritePicture(src / "a.tga", 20, 10, "tga", 3));
    ASSERT_TRUE(WritePicture(src / "a1.pcx", 20, 10, "pcx", 4));
    ASSERT_TRUE(WritePicture(src / "b.bmp", 20, 10, "bmp", 5));
    ASSERT_TRUE(WritePicture(src / "b.gif", 20, 10, "gif", 6));
    for (int option : { kOverwrite, kRenameAutomatically, kSkip }) {
        std::vector<std::string> names[2];
        std::vector<std::string> bytes[2];
        int counts[2] = {};
        for (int run = 0; run < 2; ++run) {
            TempDir dst;
            WriteBytes(dst / "b.jpg", "existing");
            BatchJob job = Job(src.Path(), dst.Path(), "jpg", run == 0 ? 1 : 4);
            job.sameNameOption = option;
            counts[run] = RunJob(job).count;
            names[run] = Names(dst.Path());
            for (const std::string &name : names[run])
                bytes[run].push_back(ReadBytes(dst / name));
        }
        SCOPED_TRACE(option);
        EXPECT_EQ(counts[0], counts[1]);
        EXPECT_EQ(names[0], names[1]);
        EXPECT_EQ(bytes[0], bytes[1]);
        if (option == kRenameAutomatically) {
            EXPECT_EQ(counts[0], 6);
            EXPECT_EQ(names[0],
                (std::vector<std::string> {
                    "a.jpg", "a1.jpg", "a2.jpg", "a3.jpg", "b.jpg", "b1.jpg", "b2.jpg" }));
        }
        if (option == kSkip) {
            EXPECT_EQ(counts[0], 2); // a.bmp and a1.pcx; b.jpg existed
            EXPECT_EQ(names[0], (std::vector<std::string> { "a.jpg", "a1.jpg", "b.jpg" }));
        }
        if (option == kOverwrite) {
            EXPECT_EQ(counts[0], 6);
        }
    }
}

// Source and target are one folder: a file written early may be read again later in the run.
TEST(BatchConverter, InPlaceRunsReadWhatEarlierFilesWrote)
{
    std::vector<std::string> names[2];
    std::vector<std::string> bytes[2];
    for (int run = 0; run < 2; ++run) {
        TempDir dir;
        ASSERT_TRUE(WritePicture(dir / "b.bmp", 30, 20, "bmp", 1));
        ASSERT_TRUE(WritePicture(dir / "b.gif", 12, 12, "gif", 2));
        ASSERT_TRUE(WritePicture(dir / "c.bmp", 30, 20, "bmp", 3));
        BatchJob job = Job(dir.Path(), dir.Path(), "gif", run == 0 ? 1 : 4);
        job.sizeOption = kUseSameSize;
        job.width = 10;
        job.height = 5;
        EXPECT_EQ(RunJob(job).count, 3);
        names[run] = Names(dir.Path());
        for (const std::string &name : names[run])
            bytes[run].push_back(ReadBytes(dir / name));
        // b.gif was replaced by the converted b.bmp before its own turn.
        EXPECT_EQ(PictureSize(dir / "b.gif"), std::make_pair(10, 5));
    }
    EXPECT_EQ(names[0], names[1]);
    EXPECT_EQ(bytes[0], bytes[1]);
}
