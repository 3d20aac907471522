#include "image/decodeahead.h"

#include "codec/codexa.h"
#include "image/imageobj.h"
#include "platform/workpool.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <utility>

FileStamp FileStamp::Of(const std::string &path)
{
    FileStamp stamp;
    struct stat st {
    };
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    return stamp;
}

namespace
{

enum class JobState { Queued, Running, Done, Dropped };

// One decode on the pool. A job with a ticket belongs to that request (the picture about to be
// shown); without one it decodes ahead into the cache.
struct Job {
    std::string path;
    bool reduced = false;
    int boxWidth = 0;
    int boxHeight = 0;
    JobState state = JobState::Queued; // under the shared mutex
    unsigned ticket = 0; // under the shared mutex
};

struct Entry {
    std::string path;
    FileStamp stamp;
    std::unique_ptr<CImageObj> picture;
    std::size_t bytes = 0;
    std::uint64_t used = 0;
};

} // namespace

struct CDecodeAhead::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t maxBytes = 0;
    int maxPictures = 0;
    std::vector<Entry> entries;
    std::vector<std::string> wanted;
    std::vector<std::shared_ptr<Job>> jobs; // queued or running
    std::uint64_t clock = 0;
    unsigned tickets = 0;
    unsigned current = 0; // the request being served, 0 for none
    bool fullDelivered = false;
    std::shared_ptr<Job> fullJob;
    std::vector<Delivery> deliveries;
    std::function<void()> beforeFull;
    bool closed = false;
    // Held while the notification runs, so that it never runs after the owner has gone.
    std::mutex notifyMutex;
    std::function<void()> notify;

    int Rank(const std::string &path) const
    {
        const auto it = std::find(wanted.begin(), wanted.end(), path);
        return it == wanted.end() ? INT_MAX : static_cast<int>(it - wanted.begin());
    }

    std::vector<Entry>::iterator Find(const std::string &path)
    {
        return std::find_if(entries.begin(), entries.end(), [&](const Entry &e) { return e.path == path; });
    }

    std::size_t Bytes() const
    {
        std::size_t total = 0;
        for (const Entry &e : entries)
            total += e.bytes;
        return total;
    }

    void Unlist(const std::shared_ptr<Job> &job) { std::erase(jobs, job); }

    // Adds the entry, then makes room: the least wanted picture goes first, the longest unused
    // of equally wanted ones. True when the entry is still held afterwards.
    bool Insert(Entry entry)
    {
        const std::string path = entry.path;
        if (auto old = Find(path); old != entries.end())
            entries.erase(old);
        entry.used = ++clock;
        entries.push_back(std::move(entry));
        while (!entries.empty() && (static_cast<int>(entries.size()) > maxPictures || Bytes() > maxBytes)) {
            auto victim
                = std::max_element(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
                      const int ra = Rank(a.path), rb = Rank(b.path);
                      return ra != rb ? ra < rb : a.used > b.used;
                  });
            entries.erase(victim);
        }
        return Find(path) != entries.end();
    }

    // The jobs of the request being ended: its reduced copy is no longer needed, its full decode
    // goes on as a decode ahead (kept when the picture is still wanted).
    void EndRequest()
    {
        for (auto it = jobs.begin(); it != jobs.end();) {
            Job &job = **it;
            if (job.ticket == current && current != 0) {
                job.ticket = 0;
                if (job.reduced && job.state == JobState::Queued) {
                    job.state = JobState::Dropped;
                    it = jobs.erase(it);
                    continue;
                }
            }
            ++it;
        }
        current = 0;
        fullJob.reset();
        fullDelivered = false;
        deliveries.clear();
        changed.notify_all();
    }

    void DropQueuedAhead(const std::function<bool(const Job &)> &which)
    {
        for (auto it = jobs.begin(); it != jobs.end();) {
            Job &job = **it;
            if (job.ticket == 0 && job.state == JobState::Queued && which(job)) {
                job.state = JobState::Dropped;
                it = jobs.erase(it);
            } else {
                ++it;
            }
        }
        changed.notify_all();
    }

    void Notify()
    {
        std::lock_guard<std::mutex> lock(notifyMutex);
        if (notify)
            notify();
    }
};

namespace
{

using Delivery = CDecodeAhead::Delivery;

std::unique_ptr<CImageObj> DecodeReduced(const Job &job, Delivery &out)
{
    auto picture = std::unique_ptr<CImageObj>(new (std::nothrow) CImageObj);
    auto info = std::unique_ptr<DibInfoBlock>(new (std::nothrow) DibInfoBlock {});
    auto source = std::unique_ptr<DibInfoBlock>(new (std::nothrow) DibInfoBlock {});
    if (!picture || !info || !source)
        return nullptr;
    HGLOBAL bits = nullptr;
    const SIZE box { std::max(job.boxWidth, 1), std::max(job.boxHeight, 1) };
    if (CodexaLoadReduced(&bits, info.get(), source.get(), job.path.c_str(), &box) <= 0 || bits == nullptr)
        return nullptr;
    const bool copied = picture->CopyFrom(bits, info.get());
    CodexaRelease(&bits);
    if (!copied)
        return nullptr;
    out.width = source->bmiHeader.biWidth;
    out.height = source->bmiHeader.biHeight;
    out.bitCount = source->bmiHeader.biBitCount;
    const int pages = CodexaPageCount(job.path.c_str());
    out.pages = pages > 0 ? pages : 1;
    if (out.width <= 0 || out.height <= 0)
        return nullptr;
    return picture;
}

// Runs the job unless it was dropped or another thread took it; the result goes to the request
// it belongs to when it completes, else into the cache when still wanted.
void RunJob(const std::shared_ptr<CDecodeAhead::Shared> &shared, const std::shared_ptr<Job> &job)
{
    CDecodeAhead::Shared &s = *shared;
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (job->state != JobState::Queued)
            return;
        const bool obsolete = s.closed
            || (job->ticket == 0
                && (job->reduced || s.Rank(job->path) == INT_MAX || s.Find(job->path) != s.entries.end()));
        if (obsolete) {
            job->state = JobState::Dropped;
            s.Unlist(job);
            s.changed.notify_all();
            return;
        }
        job->state = JobState::Running;
        if (!job->reduced && job->ticket != 0)
            hook = s.beforeFull;
    }
    if (hook)
        hook();

    Delivery result;
    result.path = job->path;
    std::unique_ptr<CImageObj> picture;
    if (job->reduced) {
        picture = DecodeReduced(*job, result);
    } else {
        const FileStamp before = FileStamp::Of(job->path);
        picture.reset(new (std::nothrow) CImageObj);
        if (picture && !picture->Load(job->path))
            picture.reset();
        if (before.exists && FileStamp::Of(job->path) == before)
            result.stamp = before;
    }

    bool deliver = false;
    std::unique_ptr<CImageObj> discard;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        job->state = JobState::Done;
        s.Unlist(job);
        if (!s.closed && job->ticket != 0 && job->ticket == s.current) {
            if (job->reduced) {
                if (picture && !s.fullDelivered) {
                    result.kind = Delivery::Reduced;
                    result.picture = std::move(picture);
                    s.deliveries.push_back(std::move(result));
                    deliver = true;
                }
            } else {
                result.kind = picture ? Delivery::Full : Delivery::Failed;
                result.picture = std::move(picture);
                s.deliveries.push_back(std::move(result));
                s.fullDelivered = true;
                deliver = true;
            }
        } else if (!s.closed && !job->reduced && picture && result.stamp.exists
            && s.Rank(job->path) != INT_MAX && s.Find(job->path) == s.entries.end()) {
            Entry entry;
            entry.path = job->path;
            entry.stamp = result.stamp;
            entry.bytes = picture->MemoryBytes();
            entry.picture = std::move(picture);
            s.Insert(std::move(entry));
        }
        discard = std::move(picture);
        s.changed.notify_all();
    }
    discard.reset();
    if (deliver)
        s.Notify();
}

} // namespace

CDecodeAhead::CDecodeAhead(std::size_t maxBytes, int maxPictures)
    : m_shared(std::make_shared<Shared>())
    , m_maxBytes(maxBytes)
    , m_maxPictures(std::max(maxPictures, 0))
{
    m_shared->maxBytes = m_maxBytes;
    m_shared->maxPictures = m_maxPictures;
}

CDecodeAhead::~CDecodeAhead()
{
    std::vector<Entry> gone;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->EndRequest();
        m_shared->closed = true;
        m_shared->DropQueuedAhead([](const Job &) { return true; });
        gone.swap(m_shared->entries);
        m_shared->wanted.clear();
        m_shared->beforeFull = nullptr;
    }
    std::lock_guard<std::mutex> lock(m_shared->notifyMutex);
    m_shared->notify = nullptr;
}

void CDecodeAhead::Ahead(const std::vector<std::string> &paths)
{
    std::vector<std::shared_ptr<Job>> posted;
    std::vector<Entry> stale;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        Shared &s = *m_shared;
        s.wanted.clear();
        for (const std::string &path : paths)
            if (!path.empty() && std::find(s.wanted.begin(), s.wanted.end(), path) == s.wanted.end())
                s.wanted.push_back(path);
        s.DropQueuedAhead([&](const Job &job) { return s.Rank(job.path) == INT_MAX; });
        for (const std::string &path : s.wanted) {
            if (auto held = s.Find(path); held != s.entries.end()) {
                if (FileStamp::Of(path) == held->stamp)
                    continue;
                stale.push_back(std::move(*held));
                s.entries.erase(held);
            }
            const bool busy = std::any_of(s.jobs.begin(), s.jobs.end(),
                [&](const std::shared_ptr<Job> &job) { return !job->reduced && job->path == path; });
            if (busy)
                continue;
            auto job = std::make_shared<Job>();
            job->path = path;
            s.jobs.push_back(job);
            posted.push_back(std::move(job));
        }
    }
    for (auto &job : posted)
        workpool::Post([shared = m_shared, job] { RunJob(shared, job); });
}

std::unique_ptr<CImageObj> CDecodeAhead::Take(const std::string &path, FileStamp *stamp)
{
    std::unique_ptr<CImageObj> picture;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    auto held = m_shared->Find(path);
    if (held == m_shared->entries.end())
        return nullptr;
    if (FileStamp::Of(path) == held->stamp) {
        picture = std::move(held->picture);
        if (stamp)
            *stamp = held->stamp;
    }
    m_shared->entries.erase(held);
    return picture;
}

bool CDecodeAhead::Keep(std::unique_ptr<CImageObj> picture, const FileStamp &stamp)
{
    if (!picture || picture->IsEmpty() || !stamp.exists || FileStamp::Of(picture->FileName()) != stamp)
        return false;
    Entry entry;
    entry.path = picture->FileName();
    entry.stamp = stamp;
    entry.bytes = picture->MemoryBytes();
    entry.picture = std::move(picture);
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->Insert(std::move(entry));
}

void CDecodeAhead::Forget(const std::string &path)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (auto held = m_shared->Find(path); held != m_shared->entries.end())
        m_shared->entries.erase(held);
    m_shared->DropQueuedAhead([&](const Job &job) { return job.path == path; });
}

void CDecodeAhead::Clear()
{
    std::vector<Entry> gone;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    gone.swap(m_shared->entries);
    m_shared->wanted.clear();
    m_shared->DropQueuedAhead([](const Job &) { return true; });
}

bool CDecodeAhead::Holds(const std::string &path) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->Find(path) != m_shared->entries.end();
}

int CDecodeAhead::Count() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return static_cast<int>(m_shared->entries.size());
}

std::size_t CDecodeAhead::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->Bytes();
}

bool CDecodeAhead::WaitIdle(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    return m_shared->changed.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return m_shared->jobs.empty(); });
}

void CDecodeAhead::SetNotify(std::function<void()> notify)
{
    std::lock_guard<std::mutex> lock(m_shared->notifyMutex);
    m_shared->notify = std::move(notify);
}

void CDecodeAhead::SetBeforeFullDecode(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->beforeFull = std::move(hook);
}

void CDecodeAhead::Request(const std::string &path, int boxWidth, int boxHeight)
{
    std::shared_ptr<Job> full, reduced;
    bool postFull = true;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        Shared &s = *m_shared;
        s.EndRequest();
        s.current = ++s.tickets == 0 ? ++s.tickets : s.tickets;
        // A decode ahead of the same file is taken over; a queued one is posted again at the
        // front (whichever copy a worker reaches first runs it).
        for (const auto &job : s.jobs)
            if (!job->reduced && job->path == path && job->ticket == 0) {
                full = job;
                break;
            }
        if (full) {
            postFull = full->state == JobState::Queued;
        } else {
            full = std::make_shared<Job>();
            full->path = path;
            s.jobs.push_back(full);
        }
        full->ticket = s.current;
        s.fullJob = full;
        reduced = std::make_shared<Job>();
        reduced->path = path;
        reduced->reduced = true;
        reduced->boxWidth = boxWidth;
        reduced->boxHeight = boxHeight;
        reduced->ticket = s.current;
        s.jobs.push_back(reduced);
    }
    if (postFull)
        workpool::PostFirst([shared = m_shared, full] { RunJob(shared, full); });
    workpool::PostNow([shared = m_shared, reduced] { RunJob(shared, reduced); });
}

std::vector<CDecodeAhead::Delivery> CDecodeAhead::Collect()
{
    std::vector<Delivery> ready;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    Shared &s = *m_shared;
    if (s.current == 0)
        return ready;
    ready.swap(s.deliveries);
    const bool ends = std::any_of(
        ready.begin(), ready.end(), [](const Delivery &d) { return d.kind != Delivery::Reduced; });
    if (ends) {
        // The full picture is here: a reduced copy before it would only flash.
        std::erase_if(ready, [](const Delivery &d) { return d.kind == Delivery::Reduced; });
        s.EndRequest();
    }
    return ready;
}

CDecodeAhead::Delivery CDecodeAhead::WaitFull()
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    Shared &s = *m_shared;
    if (s.current == 0 || !s.fullJob)
        return Delivery {};
    const std::shared_ptr<Job> job = s.fullJob;
    for (;;) {
        auto done = std::find_if(s.deliveries.begin(), s.deliveries.end(),
            [](const Delivery &d) { return d.kind == Delivery::Full || d.kind == Delivery::Failed; });
        if (done != s.deliveries.end()) {
            Delivery result = std::move(*done);
            s.EndRequest();
            return result;
        }
        if (job->state == JobState::Queued) {
            lock.unlock();
            RunJob(m_shared, job);
            lock.lock();
            continue;
        }
        s.changed.wait(lock);
    }
}

void CDecodeAhead::Cancel()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->EndRequest();
}

bool CDecodeAhead::Requesting() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->current != 0;
}
