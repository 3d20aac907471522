// Listing a folder's pictures away from the window's thread: the files of the folder in listing
// order that the codec's format test accepts, up to a limit, the tests spread over a few threads.
// A stop flag ends the listing after the tests under way.
#pragma once

#include "browser/thumbcodec.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct FolderListing {
    std::vector<std::string> files; // every file of the folder, in listing order
    bool unchanged = false; // the files were those given as the last listing: nothing tested
    std::vector<std::string> names; // accepted files, in listing order
    bool limitReached = false; // the limit was reached (later files not tested)
    bool stopped = false; // the stop flag ended it early
};

// formatTest(path) >= 0 accepts the file. threads <= 1 tests on the calling thread only. With
// last, a folder whose files are exactly those is reported unchanged without any test.
FolderListing ListPictures(const std::string &folder,
    const std::function<int(const std::string &)> &formatTest, int limit, const std::atomic<bool> &stop,
    int threads, const std::vector<std::string> *last = nullptr);

// A codec whose every file read (format test, thumbnail) first waits a fixed time: a slow share
// or card, for tests and measurements.
class DelayedThumbCodec : public ThumbCodec
{
public:
    DelayedThumbCodec(const ThumbCodec &inner, std::chrono::microseconds delay)
        : m_inner(inner)
        , m_delay(delay)
    {
    }
    int FormatTest(const char *path) const override;
    int LoadThumbnail(void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box,
        RECT rect, int flags) const override;
    std::string ReadableExtensions() const override { return m_inner.ReadableExtensions(); }

private:
    const ThumbCodec &m_inner;
    std::chrono::microseconds m_delay;
};
