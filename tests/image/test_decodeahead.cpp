// Pictures decoded ahead: what the cache hands out after the file changed, its budget, and the
// reduced-then-full sequence of the picture about to be shown.
#include "image/decodeahead.h"
#include "image/imageobj.h"
#include "testpictures.h"
#include "tests/common/gate.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace testpic;
namespace fs = std::filesystem;

namespace
{

constexpr int kTimeoutMs = 20000;

class DecodeAheadTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("decodeahead-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // A w × h 24-bit picture written through the codec library in the format the name says.
    std::string Write(const std::string &name, int w, int h, std::uint32_t seed = 1)
    {
        CImageObj picture;
        const std::string path = (m_dir / name).string();
        EXPECT_TRUE(Make(picture, w, h, 24, seed) && picture.Save(path));
        return path;
    }

    // Decodes paths ahead and waits until every decode has finished.
    static void Fill(CDecodeAhead &cache, const std::vector<std::string> &paths)
    {
        cache.Ahead(paths);
        ASSERT_TRUE(cache.WaitIdle(kTimeoutMs));
    }

    fs::path m_dir;
};

// Collects the deliveries of a request as the notifications come.
class Receiver
{
public:
    explicit Receiver(CDecodeAhead &cache)
        : m_cache(cache)
    {
        cache.SetNotify([this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_notes;
            m_changed.notify_all();
        });
    }
    ~Receiver() { m_cache.SetNotify(nullptr); }
    Receiver(const Receiver &) = delete;
    Receiver &operator=(const Receiver &) = delete;

    // The next delivery, waiting for a notification when none is ready.
    CDecodeAhead::Delivery Next()
    {
        for (;;) {
            for (auto &d : m_cache.Collect())
                m_ready.push_back(std::move(d));
            if (!m_ready.empty()) {
                CDecodeAhead::Delivery d = std::move(m_ready.front());
                m_ready.erase(m_ready.begin());
                return d;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            const int seen = m_notes;
            if (!m_changed.wait_for(
                    lock, std::chrono::milliseconds(kTimeoutMs), [&] { return m_notes != seen; }))
                return {};
        }
    }

private:
    CDecodeAhead &m_cache;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_notes = 0;
    std::vector<CDecodeAhead::Delivery> m_ready;
};

void SetModified(const std::string &path, std::int64_t seconds)
{
    const timeval times[2] = { { seconds, 0 }, { seconds, 0 } };
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

} // namespace

// A held picture whose file was rewritten, replaced, touched or deleted is never handed out.
TEST_F(DecodeAheadTest, AChangedFileIsNeverHandedOut)
{
    struct Case {
        const char *what;
        std::function<void(DecodeAheadTest &, const std::string &)> change;
        bool handedOut;
    };
    const Case cases[] = {
        { "unchanged", [](DecodeAheadTest &, const std::string &) {}, true },
        { "rewritten with other pixels",
            [](DecodeAheadTest &t, const std::string &) { t.Write("a.bmp", 24, 16, 2); }, false },
        { "rewritten with another size",
            [](DecodeAheadTest &t, const std::string &) { t.Write("a.bmp", 30, 16); }, false },
        { "replaced by another file of the same size",
            [](DecodeAheadTest &t, const std::string &path) {
                fs::rename(t.Write("other.bmp", 24, 16, 3), path);
            },
            false },
        { "touched", [](DecodeAheadTest &, const std::string &path) { SetModified(path, 1000000000); },
            false },
        { "deleted", [](DecodeAheadTest &, const std::string &path) { fs::remove(path); }, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Write("a.bmp", 24, 16);
        SetModified(path, 1500000000);
        CDecodeAhead cache;
        Fill(cache, { path });
        ASSERT_TRUE(cache.Holds(path));
        c.change(*this, path);
        auto picture = cache.Take(path);
        EXPECT_EQ(picture != nullptr, c.handedOut);
        EXPECT_FALSE(cache.Holds(path)); // taken, or dropped as stale
        if (picture) {
            CImageObj plain;
            ASSERT_TRUE(plain.Load(path));
            EXPECT_EQ(Snapshot(*picture), Snapshot(plain));
            EXPECT_EQ(picture->FileName(), path);
        }
    }
}

// Asked again, a held picture of a changed file is decoded again from the new file.
TEST_F(DecodeAheadTest, AskingAgainAfterAChangeDecodesTheNewFile)
{
    const std::string path = Write("a.bmp", 24, 16);
    SetModified(path, 1500000000);
    CDecodeAhead cache;
    Fill(cache, { path });
    Write("a.bmp", 40, 10);
    Fill(cache, { path });
    auto picture = cache.Take(path);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(Size(*picture), (std::array<int, 2> { 40, 10 }));
}

// Another folder empties the cache; an edited picture's own file is dropped.
TEST_F(DecodeAheadTest, ClearAndForgetDropWhatTheyMust)
{
    const std::string a = Write("a.bmp", 24, 16), b = Write("b.bmp", 24, 16);
    CDecodeAhead cache;
    Fill(cache, { a, b });
    EXPECT_EQ(cache.Count(), 2);
    cache.Forget(a);
    EXPECT_FALSE(cache.Holds(a));
    EXPECT_TRUE(cache.Holds(b));
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_EQ(cache.Bytes(), 0u);
    EXPECT_EQ(cache.Take(b), nullptr);
}

// At most three pictures and at most the byte budget, whichever is less; the least wanted go.
TEST_F(DecodeAheadTest, TheBudgetKeepsTheMostWanted)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i)
        paths.push_back(Write("p" + std::to_string(i) + ".bmp", 100, 100, std::uint32_t(i + 1)));
    CImageObj probe;
    ASSERT_TRUE(probe.Load(paths[0]));
    const std::size_t one = probe.MemoryBytes();

    struct Case {
        const char *what;
        std::size_t maxBytes;
        int expected;
    };
    const Case cases[] = {
        { "three pictures", CDecodeAhead::kMaxBytes, 3 },
        { "bytes for two", one * 2 + one / 2, 2 },
        { "bytes for less than one", one - 1, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CDecodeAhead cache(c.maxBytes);
        Fill(cache, paths);
        EXPECT_EQ(cache.Count(), c.expected);
        EXPECT_LE(cache.Bytes(), c.maxBytes);
        for (int i = 0; i < c.expected; ++i)
            EXPECT_TRUE(cache.Holds(paths[std::size_t(i)])) << i;
    }

    // A picture the pane leaves comes back in unless wanted ones fill the cache; the one no
    // longer wanted goes first when new ones are.
    CDecodeAhead cache(CDecodeAhead::kMaxBytes, 2);
    Fill(cache, { paths[0] });
    auto left = std::make_unique<CImageObj>();
    ASSERT_TRUE(left->Load(paths[4]));
    EXPECT_TRUE(cache.Keep(std::move(left), FileStamp::Of(paths[4])));
    EXPECT_EQ(cache.Count(), 2);
    Fill(cache, { paths[1], paths[0] });
    EXPECT_TRUE(cache.Holds(paths[0]));
    EXPECT_TRUE(cache.Holds(paths[1]));
    EXPECT_FALSE(cache.Holds(paths[4]));
}

// A left picture whose file changed after it was read stays out.
TEST_F(DecodeAheadTest, KeepRefusesAPictureOfAChangedFile)
{
    const std::string path = Write("a.bmp", 24, 16);
    SetModified(path, 1500000000);
    auto picture = std::make_unique<CImageObj>();
    ASSERT_TRUE(picture->Load(path));
    const FileStamp read = FileStamp::Of(path);
    SetModified(path, 1600000000);
    CDecodeAhead cache;
    EXPECT_FALSE(cache.Keep(std::move(picture), read));
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_FALSE(cache.Keep(nullptr, read));
}

// The picture about to be shown: the reduced copy with the full picture's size and depth first,
// then the full picture, equal to a plain load.
TEST_F(DecodeAheadTest, ReducedCopyThenTheFullPicture)
{
    const std::string path = Write("big.jpg", 1600, 1200);
    CImageObj plain;
    ASSERT_TRUE(plain.Load(path));
    CDecodeAhead cache;
    Gate gate;
    cache.SetBeforeFullDecode([&] { gate.Hold(); });
    Receiver receiver(cache);
    cache.Request(path, 200, 150);
    EXPECT_TRUE(cache.Requesting());
    CDecodeAhead::Delivery first = receiver.Next();
    ASSERT_EQ(first.kind, CDecodeAhead::Delivery::Reduced);
    ASSERT_NE(first.picture, nullptr);
    EXPECT_LT(first.picture->Width(), 1600);
    EXPECT_GE(first.picture->Width(), 200);
    EXPECT_EQ(first.width, 1600);
    EXPECT_EQ(first.height, 1200);
    EXPECT_EQ(first.bitCount, plain.BitCount());
    EXPECT_EQ(first.pages, 1);
    gate.Open();
    CDecodeAhead::Delivery full = receiver.Next();
    ASSERT_EQ(full.kind, CDecodeAhead::Delivery::Full);
    ASSERT_NE(full.picture, nullptr);
    EXPECT_EQ(Snapshot(*full.picture), Snapshot(plain));
    EXPECT_EQ(full.stamp, FileStamp::Of(path));
    EXPECT_FALSE(cache.Requesting());
}

// Waiting for the full picture gives the same pixels; a file that is no picture fails; a new
// request or a cancel ends the old one.
TEST_F(DecodeAheadTest, WaitFullFailuresAndCancel)
{
    const std::string path = Write("a.png", 300, 200);
    CImageObj plain;
    ASSERT_TRUE(plain.Load(path));
    CDecodeAhead cache;
    EXPECT_EQ(cache.WaitFull().kind, CDecodeAhead::Delivery::None);
    cache.Request(path, 50, 50);
    CDecodeAhead::Delivery full = cache.WaitFull();
    ASSERT_EQ(full.kind, CDecodeAhead::Delivery::Full);
    EXPECT_EQ(Snapshot(*full.picture), Snapshot(plain));
    EXPECT_TRUE(cache.Collect().empty());

    const std::string junk = (m_dir / "junk.jpg").string();
    {
        std::ofstream(junk) << "not a picture";
    }
    for (const std::string &bad : { junk, (m_dir / "missing.jpg").string() }) {
        cache.Request(bad, 50, 50);
        EXPECT_EQ(cache.WaitFull().kind, CDecodeAhead::Delivery::Failed) << bad;
    }

    cache.Request(path, 50, 50);
    cache.Cancel();
    EXPECT_FALSE(cache.Requesting());
    EXPECT_TRUE(cache.Collect().empty());
    EXPECT_EQ(cache.WaitFull().kind, CDecodeAhead::Delivery::None);
    EXPECT_TRUE(cache.WaitIdle(kTimeoutMs));
}

// A decode ahead of the picture then asked for is taken over, and its result goes to the request.
TEST_F(DecodeAheadTest, ARequestTakesOverADecodeAhead)
{
    const std::string path = Write("a.bmp", 640, 480);
    CDecodeAhead cache;
    cache.Ahead({ path });
    cache.Request(path, 64, 48);
    CDecodeAhead::Delivery full = cache.WaitFull();
    ASSERT_EQ(full.kind, CDecodeAhead::Delivery::Full);
    EXPECT_EQ(full.picture->FileName(), path);
    EXPECT_TRUE(cache.WaitIdle(kTimeoutMs));
}
