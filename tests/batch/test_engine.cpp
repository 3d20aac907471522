// The batch converter's engine on real folders: search, sizes, names, counting and stopping.
#include "batch/batchconverter.h"
#include "batch/batchsearch.h"
#include "batch/batchsizing.h"
#include "codec/codexa.h"
#include "dib/dib.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"
#include "platform/paths.h"
#include "tests/batch/batch_testutil.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <numeric>
#include <thread>

using namespace batchtest;
namespace fs = std::filesystem;

namespace
{

struct RunResult {
    int count = 0;
    std::vector<int> reported;
};

RunResult RunJob(const BatchJob &job)
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

// Names and bytes of everything in a folder.
std::vector<std::pair<std::string, std::string>> Contents(const fs::path &folder)
{
    std::vector<std::pair<std::string, std::string>> contents;
    for (const std::string &name : Names(folder))
        contents.emplace_back(name, ReadBytes(folder / name));
    return contents;
}

// A picture as the converter handles it: the header block the scaler may replace, the pixels.
struct Loaded {
    BITMAPINFO *info = static_cast<BITMAPINFO *>(::operator new(kDibInfoBlockSize));
    HGLOBAL bits = nullptr;
    explicit Loaded(const fs::path &path) { CodexaLoadPage(&bits, info, path.string().c_str(), -1); }
    ~Loaded()
    {
        GlobalFree(bits);
        ::operator delete(info);
    }
    Loaded(const Loaded &) = delete;
    Loaded &operator=(const Loaded &) = delete;
    const BYTE *Pixels() const { return static_cast<const BYTE *>(bits); }
    std::size_t Bytes() const
    {
        return DibCheckedImageSize(info->bmiHeader.biWidth, info->bmiHeader.biHeight, 24);
    }
};

// Mean absolute difference of two 24-bit pictures of one size (infinity when they differ).
double MeanDifference(const Loaded &a, const Loaded &b)
{
    if (a.bits == nullptr || b.bits == nullptr || a.info->bmiHeader.biWidth != b.info->bmiHeader.biWidth
        || a.info->bmiHeader.biHeight != b.info->bmiHeader.biHeight)
        return INFINITY;
    double sum = 0;
    for (std::size_t i = 0; i < a.Bytes(); ++i)
        sum += std::abs(a.Pixels()[i] - b.Pixels()[i]);
    return sum / static_cast<double>(a.Bytes());
}

// A smooth width x height JPEG, the kind of photograph a scaled decode is made for.
bool WriteSmoothJpeg(const fs::path &path, int width, int height)
{
    return WritePixels(path, width, height, "jpg", [&](int x, int y, BYTE *p) {
        p[0] = static_cast<BYTE>(255 * x / width);
        p[1] = static_cast<BYTE>(255 * y / height);
        p[2] = static_cast<BYTE>(128 + 100 * std::sin(x / 90.0 + y / 60.0));
    });
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

TEST(BatchSizing, KeepRatioFitsTheBoxRatio)
{
    const float ratio = BoxRatio(200, 300);
    const std::tuple<int, int, int, int, int> cases[] = {
        { kKeepRatioInBox, 1000, 500, 200, 100 }, // q = 2 > 0.667: the box's width
        { kKeepRatioInBox, 500, 1000, 150, 300 }, // q = 0.5 <= 0.667: the box's height
        { kKeepRatioInBox, 400, 600, 200, 300 }, // exactly the box ratio
        { kUseSameSize, 1000, 500, 200, 300 },
    };
    for (const auto &[option, w, h, cx, cy] : cases) {
        SIZE size {};
        ASSERT_TRUE(BatchTargetSize(option, w, h, 200, 300, ratio, size));
        EXPECT_EQ(size.cx, cx) << w << "x" << h;
        EXPECT_EQ(size.cy, cy) << w << "x" << h;
    }
    SIZE size {};
    EXPECT_FALSE(BatchTargetSize(kKeepOriginalSize, 1000, 500, 200, 300, ratio, size));
}

TEST(BatchConverter, RenameNumbersFromTheStemAndSkipCountsNothing)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "photo.jpg", 16, 16, "jpg"));
    ASSERT_TRUE(WritePicture(src / "img12.png", 16, 16, "png"));
    WriteBytes(dst / "photo.bmp", "old");
    BatchJob job = Job(src.Path(), dst.Path(), "bmp");
    job.sameNameOption = kRenameAutomatically;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(ReadBytes(dst / "photo.bmp"), "old");
    EXPECT_TRUE(fs::exists(dst / "photo1.bmp"));
    EXPECT_TRUE(fs::exists(dst / "img12.bmp"));
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_TRUE(fs::exists(dst / "photo2.bmp"));
    EXPECT_TRUE(fs::exists(dst / "img1.bmp")); // trailing digits dropped before numbering

    job.sameNameOption = kSkip;
    const RunResult skipped = RunJob(job);
    EXPECT_EQ(skipped.count, 0);
    EXPECT_TRUE(skipped.reported.empty());
    EXPECT_EQ(ReadBytes(dst / "photo.bmp"), "old");
    job.sameNameOption = kOverwrite;
    EXPECT_EQ(RunJob(job).count, 2);
    EXPECT_EQ(PictureSize(dst / "photo.bmp"), std::make_pair(16, 16));
}

TEST(BatchConverter, TakesOnlyReadablePicturesDirectlyInTheSource)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "good.bmp", 8, 8, "bmp"));
    WriteBytes(src / "notes.txt", "not a picture");
    WriteBytes(src / "broken.bmp", ReadBytes(src / "good.bmp").substr(0, 40));
    ASSERT_TRUE(WritePicture(src.Sub("inner") / "deep.bmp", 8, 8, "bmp"));
    src.Sub("folder.bmp");
    // One trailing separator on the source folder.
    EXPECT_EQ(RunJob(Job(src.Path().string() + kPathSeparator, dst.Path(), "gif")).count, 1);
    EXPECT_EQ(Names(dst.Path()), std::vector<std::string> { "good.gif" });
    EXPECT_EQ(RunJob(Job("", dst.Path(), "gif")).count, 0);
    // A save that fails is still counted.
    EXPECT_EQ(RunJob(Job(src.Path(), dst.Path() / "missing" / "folder", "png")).count, 1);
}

TEST(BatchConverter, CountsInOrder)
{
    TempDir src;
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(WritePicture(src / ("p" + std::to_string(i) + ".bmp"), 8, 8, "bmp", i));
    {
        TempDir dst;
        const RunResult all = RunJob(Job(src.Path(), dst.Path(), "tga", 3));
        std::vector<int> expected(12);
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(all.reported, expected);
    }
}

// Every file of one folder shares one title and is converted in place into the second file's
// format, so each later file is read only once the first file's save and report are done. Stop
// comes during that report, after the other workers have taken their files: none of them may
// write any more.
TEST(BatchConverter, NothingIsWrittenAfterStopButTheFileBeingWritten)
{
    for (int threads : { 1, 4 }) {
        SCOPED_TRACE(threads);
        TempDir dir;
        const char *const formats[] = { "bmp", "png", "tga", "pcx" };
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(WritePicture(dir / ("p." + std::string(formats[i])), 8 + i, 8, formats[i], i));
        const std::vector<std::string> order = FindBatchFiles(BatchSearchPattern(dir.Path().string()));
        ASSERT_EQ(order.size(), 4u);
        const int firstWidth = PictureSize(order[0]).first;
        BatchJob job = Job(dir.Path(), dir.Path(), PathExtension(order[1]).substr(1), threads);
        std::atomic<int> stop { 0 };
        std::vector<int> reported;
        EXPECT_EQ(CBatchConverter().Run(job, stop,
                      [&](int n) {
                          reported.push_back(n);
                          std::this_thread::sleep_for(std::chrono::milliseconds(200));
                          stop = 1;
                      }),
            1);
        EXPECT_EQ(reported, std::vector<int> { 1 });
        EXPECT_EQ(PictureSize(order[1]).first, firstWidth); // the first file's picture, not rewritten
    }
}

// Several sources share a title, and one target exists. Whatever the thread count, the names,
// the count and the bytes left behind are those of converting one file after the other.
TEST(BatchConverter, ThreadsGiveTheSequentialOutcome)
{
    TempDir src;
    const char *const names[] = { "a.bmp", "a.png", "a.tga", "a1.pcx", "b.bmp", "b.gif" };
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(WritePicture(src / names[i], 20, 10, PathExtension(names[i]).substr(1), i));
    const int expectedCounts[] = { 6, 6, 2 };
    for (int option : { kOverwrite, kRenameAutomatically, kSkip }) {
        SCOPED_TRACE(option);
        std::vector<std::pair<std::string, std::string>> contents[2];
        for (int run = 0; run < 2; ++run) {
            TempDir dst;
            WriteBytes(dst / "b.jpg", "existing");
            BatchJob job = Job(src.Path(), dst.Path(), "jpg", run == 0 ? 1 : 4);
            job.sameNameOption = option;
            EXPECT_EQ(RunJob(job).count, expectedCounts[option]);
            contents[run] = Contents(dst.Path());
        }
        EXPECT_EQ(contents[0], contents[1]);
        if (option == kRenameAutomatically) {
            EXPECT_EQ(contents[0].size(), 7u); // a, a1 ... a3, b, b1, b2
        }
    }
}

// Source and target are one folder: a file written early is read again later in the run.
TEST(BatchConverter, InPlaceRunsReadWhatEarlierFilesWrote)
{
    std::vector<std::pair<std::string, std::string>> contents[2];
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
        contents[run] = Contents(dir.Path());
    }
    EXPECT_EQ(contents[0], contents[1]);
}

// The default run writes exactly ScaleDibAll of the full decode, whatever the shrink factor
// (1/2 ... 1/8 and between, where a scaled decode would have been used); the fast option reads
// the picture reduced and stays within a few levels of it.
TEST(BatchConverter, ScaledJpegsAreScaleDibAllOfTheFullPicture)
{
    TempDir src;
    ASSERT_TRUE(WriteSmoothJpeg(src / "wide.jpg", 1600, 400));
    const std::tuple<int, int, int, bool, double> cases[] = {
        { kKeepRatioInBox, 200, 300, false, 0.0 }, // 1/8
        { kKeepRatioInBox, 400, 300, false, 0.0 }, // 1/4
        { kKeepRatioInBox, 800, 900, false, 0.0 }, // 1/2
        { kUseSameSize, 300, 150, false, 0.0 }, // between 1/8 and 1/4, stretched
        { kUseSameSize, 50, 200, false, 0.0 },
        { kKeepRatioInBox, 200, 300, true, 3.0 }, // the fast option: 1/8 decode, a few levels off
    };
    for (const auto &[option, w, h, reduced, tolerance] : cases) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (reduced ? " reduced" : ""));
        TempDir dst;
        BatchJob job = Job(src.Path(), dst.Path(), "bmp");
        job.sizeOption = option;
        job.width = w;
        job.height = h;
        job.reducedRead = reduced;
        ASSERT_EQ(RunJob(job).count, 1);
        Loaded converted(dst / "wide.bmp");
        Loaded reference(src / "wide.jpg");
        SIZE size {};
        ASSERT_TRUE(BatchTargetSize(option, 1600, 400, w, h, BoxRatio(w, h), size));
        ASSERT_EQ(ScaleDibAll(&reference.bits, &reference.info, size.cx, size.cy, 0), 1);
        if (tolerance == 0.0) {
            ASSERT_EQ(converted.Bytes(), reference.Bytes());
            EXPECT_EQ(std::memcmp(converted.Pixels(), reference.Pixels(), reference.Bytes()), 0);
        } else {
            EXPECT_LE(MeanDifference(converted, reference), tolerance);
        }
    }
}
