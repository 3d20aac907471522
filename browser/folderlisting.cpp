#include "browser/folderlisting.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/threadpriority.h"

#include <algorithm>
#include <thread>

FolderListing ListPictures(const std::string &folder,
    const std::function<int(const std::string &)> &formatTest, int limit, const std::atomic<bool> &stop,
    int threads, const std::vector<std::string> *last)
{
    FolderListing out;
    std::vector<std::string> &files = out.files;
    for (FolderEntry &entry : ListFolder(folder))
        if (!entry.isFolder)
            files.push_back(std::move(entry.name));
    if (last != nullptr && *last == files) {
        out.unchanged = true;
        return out;
    }
    threads = std::max(threads, 1);
    // Chunks tested in parallel, accepted in order; a chunk is a few tests per thread, so the
    // limit is seldom overshot by much.
    const std::size_t chunk = static_cast<std::size_t>(threads) * 16;
    std::vector<int> formats;
    for (std::size_t start = 0; start < files.size(); start += chunk) {
        if (stop.load()) {
            out.stopped = true;
            return out;
        }
        std::size_t end = std::min(files.size(), start + chunk);
        formats.assign(end - start, -1);
        std::atomic<std::size_t> next { start };
        auto work = [&] {
            for (std::size_t i; !stop.load() && (i = next.fetch_add(1)) < end;)
                formats[i - start] = formatTest(JoinFolderAndName(folder, files[i]));
        };
        std::vector<std::thread> pool;
        int helpers = std::min<int>(threads, static_cast<int>(end - start)) - 1;
        for (int t = 0; t < helpers; ++t)
            pool.emplace_back([&work] {
                SetCurrentThreadBackground(); // the window's thread comes first
                work();
            });
        work();
        for (auto &t : pool)
            t.join();
        if (stop.load()) {
            out.stopped = true;
            return out;
        }
        for (std::size_t i = start; i < end; ++i) {
            if (formats[i - start] < 0)
                continue;
            out.names.push_back(files[i]);
            if (static_cast<int>(out.names.size()) == limit) {
                out.limitReached = true;
                return out;
            }
        }
    }
    return out;
}

int DelayedThumbCodec::FormatTest(const char *path) const
{
    std::this_thread::sleep_for(m_delay);
    return m_inner.FormatTest(path);
}

int DelayedThumbCodec::LoadThumbnail(void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path,
    const SIZE *box, RECT rect, int flags) const
{
    std::this_thread::sleep_for(m_delay);
    return m_inner.LoadThumbnail(thumbInfo, bits, srcInfo, path, box, rect, flags);
}
