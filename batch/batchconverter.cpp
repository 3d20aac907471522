#include "batch/batchconverter.h"

#include "batch/batchsearch.h"
#include "batch/batchsizing.h"
#include "codec/codexa.h"
#include "dib/dib.h"
#include "platform/cpus.h"
#include "platform/files.h"
#include "platform/globalmem.h"
#include "platform/paths.h"
#include "platform/workpool.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <vector>

namespace
{

// One worker's picture: a 1064-byte header block (made with operator new, as the scaler may
// replace it) and the pixel block of the current file.
class WorkPicture
{
public:
    WorkPicture()
        : m_info(static_cast<BITMAPINFO *>(::operator new(kDibInfoBlockSize, std::nothrow)))
    {
    }
    ~WorkPicture()
    {
        FreeBits();
        ::operator delete(m_info);
    }
    WorkPicture(const WorkPicture &) = delete;
    WorkPicture &operator=(const WorkPicture &) = delete;

    bool Usable() const { return m_info != nullptr; }
    void FreeBits()
    {
        if (m_bits != nullptr)
            GlobalFree(m_bits);
        m_bits = nullptr;
    }
    // Loads the codec's default page; false for files it does not take. With a box, a picture
    // that will be scaled down into it may come smaller than the full one (see TooSmallFor).
    bool Load(const std::string &path, const SIZE *box = nullptr)
    {
        FreeBits();
        if (CodexaFormatTest(path.c_str()) < 0)
            return false;
        int ok = box != nullptr ? CodexaLoadReduced(&m_bits, m_info, &m_full, path.c_str(), box)
                                : CodexaLoadPage(&m_bits, m_info, path.c_str(), -1);
        if (box == nullptr)
            std::memcpy(&m_full, m_info, sizeof m_full);
        if (ok <= 0 || m_bits == nullptr) {
            FreeBits();
            return false;
        }
        return true;
    }
    // Whether the loaded picture is smaller than the file's and too small for size.
    bool TooSmallFor(SIZE size) const
    {
        return (Width() != FullWidth() || Height() != FullHeight())
            && (Width() < size.cx || Height() < size.cy);
    }
    int FullWidth() const { return m_full.bmiHeader.biWidth; }
    int FullHeight() const { return m_full.bmiHeader.biHeight; }
    int Width() const { return m_info->bmiHeader.biWidth; }
    int Height() const { return m_info->bmiHeader.biHeight; }
    void Scale(SIZE size) { ScaleDibAll(&m_bits, &m_info, size.cx, size.cy, 0); }
    bool Save(const std::string &path, const std::string &extension) const
    {
        return CodexaSave(path.c_str(), m_info, m_bits, extension.c_str(), nullptr) > 0;
    }

private:
    HGLOBAL m_bits = nullptr;
    BITMAPINFO *m_info = nullptr;
    DibInfoBlock m_full {}; // the header of the file's full picture
};

bool SameFolder(const std::string &a, const std::string &b)
{
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

// What the workers share. Files are taken in folder order; each file's target name is decided
// in that order too ("turns"), against the file system and the saves still in flight, so the
// outcome is that of converting one file after the other.
class BatchRun
{
public:
    BatchRun(const BatchJob &job, const std::atomic<int> &stop, const CBatchConverter::ConvertedFn &converted)
        : m_job(job)
        , m_stop(stop)
        , m_converted(converted)
        , m_files(FindBatchFiles(BatchSearchPattern(job.sourceFolder)))
        , m_boxRatio(BoxRatio(job.width, job.height))
        , m_inPlace(SameFolder(job.sourceFolder, job.targetFolder))
    {
    }

    // Target paths whose save failed, in folder order.
    std::vector<std::string> Unwritten()
    {
        std::vector<std::string> names;
        for (const auto &[index, path] : m_unwritten)
            names.push_back(path);
        return names;
    }

    int Execute(int threads)
    {
        const std::size_t count = std::min<std::size_t>(
            static_cast<std::size_t>(std::max(threads, 1)), std::max<std::size_t>(m_files.size(), 1));
        // Each band takes files until none is left; the bands share the process's workers.
        workpool::ParallelFor(
            static_cast<int>(count), static_cast<int>(count), [this](int, int, int) { Work(); });
        return m_counter;
    }

private:
    void Work()
    {
        WorkPicture picture;
        if (!picture.Usable())
            return;
        for (;;) {
            std::unique_lock lock(m_mutex);
            if (m_stop.load() != 0 || m_stopped || m_next >= m_files.size())
                return;
            const std::size_t index = m_next++;
            const std::string &source = m_files[index];
            // A file written earlier in the run may be one of the later sources when source and
            // target are one folder: such runs read each file only once the earlier ones are
            // named and the file is not being written.
            if (m_inPlace)
                m_cv.wait(lock, [&] { return m_turn == index && m_pending.count(source) == 0; });
            lock.unlock();

            // With the fast option, scaling options read the picture reduced towards the box
            // (JPEG's scaled decode); the size that counts is the full picture's.
            const SIZE box { m_job.width, m_job.height };
            const bool reduced
                = m_job.reducedRead && m_job.sizeOption != kKeepOriginalSize && box.cx > 0 && box.cy > 0;
            bool loaded = picture.Load(source, reduced ? &box : nullptr);
            std::string target;
            lock.lock();
            m_cv.wait(lock, [&] { return m_turn == index; });
            if (loaded && !NameTarget(source, lock, target))
                loaded = false;
            if (loaded)
                m_pending.insert(target);
            ++m_turn;
            m_cv.notify_all();
            lock.unlock();
            if (!loaded) {
                picture.FreeBits();
                PassSaveTurn(index);
                continue;
            }

            bool ready = true;
            SIZE size {};
            if (BatchTargetSize(m_job.sizeOption, picture.FullWidth(), picture.FullHeight(), m_job.width,
                    m_job.height, m_boxRatio, size)) {
                // A reduced read too small for a stretched size: the full picture after all.
                if (picture.TooSmallFor(size))
                    ready = picture.Load(source);
                if (ready)
                    picture.Scale(size);
            }
            // Saves begin in folder order, and none begins once Stop is seen.
            lock.lock();
            m_cv.wait(lock, [&] { return m_saveTurn == index; });
            if (m_stop.load() != 0)
                m_stopped = true;
            if (m_stopped)
                ready = false;
            ++m_saveTurn;
            m_cv.notify_all();
            lock.unlock();
            const bool written = ready && picture.Save(target, m_job.extension);
            picture.FreeBits();

            lock.lock();
            if (ready && !written)
                m_unwritten.emplace(index, target);
            m_pending.erase(m_pending.find(target));
            if (ready) {
                ++m_counter;
                if (m_converted)
                    m_converted(m_counter);
            }
            m_cv.notify_all();
        }
    }

    // Lets the file after index begin its save (index is skipped).
    void PassSaveTurn(std::size_t index)
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_saveTurn == index; });
        ++m_saveTurn;
        m_cv.notify_all();
    }

    // Whether anything is at path once the saves in flight to it are done. Called on the turn.
    bool Exists(const std::string &path, std::unique_lock<std::mutex> &lock)
    {
        m_cv.wait(lock, [&] { return m_pending.count(path) == 0; });
        return PathExists(path);
    }

    // The target path of source by the same-name option; false when the file is skipped.
    bool NameTarget(const std::string &source, std::unique_lock<std::mutex> &lock, std::string &target)
    {
        target = JoinFolderAndName(m_job.targetFolder, PathFileTitle(source) + "." + m_job.extension);
        if (target.empty() || !Exists(target, lock))
            return true;
        if (m_job.sameNameOption == kSkip)
            return false;
        if (m_job.sameNameOption == kRenameAutomatically)
            MakeUniqueFileName(target, [&](const std::string &path) { return Exists(path, lock); });
        return true;
    }

    const BatchJob &m_job;
    const std::atomic<int> &m_stop;
    const CBatchConverter::ConvertedFn &m_converted;
    const std::vector<std::string> m_files;
    const float m_boxRatio;
    const bool m_inPlace;

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::size_t m_next = 0;
    std::size_t m_turn = 0;
    std::size_t m_saveTurn = 0; // the next file allowed to begin its save
    bool m_stopped = false; // Stop seen at a save turn: no further save begins
    std::multiset<std::string> m_pending;
    int m_counter = 0;
    std::map<std::size_t, std::string> m_unwritten;
};

} // namespace

int CBatchConverter::Run(const BatchJob &job, const std::atomic<int> &stop, const ConvertedFn &converted,
    std::vector<std::string> *unwritten)
{
    BatchRun run(job, stop, converted);
    const int count = run.Execute(job.threads > 0 ? job.threads : UsableCpuCount());
    if (unwritten)
        *unwritten = run.Unwritten();
    return count;
}

int CBatchConverter::CountReplacedInPlace(const BatchJob &job)
{
    if (job.sameNameOption != kOverwrite || !SameFolder(job.sourceFolder, job.targetFolder))
        return 0;
    int count = 0;
    for (const std::string &source : FindBatchFiles(BatchSearchPattern(job.sourceFolder))) {
        const std::string target
            = JoinFolderAndName(job.targetFolder, PathFileTitle(source) + "." + job.extension);
        if (!target.empty() && PathExists(target))
            ++count;
    }
    return count;
}
