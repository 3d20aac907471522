// Pictures decoded before they are asked for, and the picture about to be shown decoded on the
// pool's background workers: first a reduced copy fitted to the pane, then the full picture.
//
// The cache holds at most kMaxPictures pictures and kMaxBytes bytes of pixels, whichever limit is
// reached first; the least wanted picture goes first. Every picture carries the identity its file
// had when it was read (size, modification time, inode and device), and a picture whose file has
// changed since is never handed out.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CImageObj;

// What tells a rewritten or replaced file from the one that was read.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    static FileStamp Of(const std::string &path);
    bool operator==(const FileStamp &) const = default;
};

class CDecodeAhead
{
public:
    static constexpr int kMaxPictures = 3;
    static constexpr std::size_t kMaxBytes = std::size_t { 600 } << 20;

    explicit CDecodeAhead(std::size_t maxBytes = kMaxBytes, int maxPictures = kMaxPictures);
    // Queued decodes are dropped; running ones finish on their worker and are thrown away.
    ~CDecodeAhead();
    CDecodeAhead(const CDecodeAhead &) = delete;
    CDecodeAhead &operator=(const CDecodeAhead &) = delete;

    // --- decoding ahead ---
    // The pictures wanted next, most wanted first (the direction of travel first). Those neither
    // held nor being decoded are queued at low priority; queued decodes of pictures no longer
    // wanted are dropped. Held pictures stay until the budget needs their room.
    void Ahead(const std::vector<std::string> &paths);
    // The held picture of path when its file is unchanged on disk; it leaves the cache. Null when
    // not held (a held picture of a changed file is dropped). stamp, when given, receives the
    // identity the file had when the picture was read.
    std::unique_ptr<CImageObj> Take(const std::string &path, FileStamp *stamp = nullptr);
    // An unedited picture the pane leaves, read from its file when the file had stamp, comes back
    // in. False (and dropped) when the file changed since or the budget has no room for it.
    bool Keep(std::unique_ptr<CImageObj> picture, const FileStamp &stamp);
    // Drops the held picture of path (an edit made it differ from its file).
    void Forget(const std::string &path);
    // Drops every held picture and every queued decode (another folder).
    void Clear();

    bool Holds(const std::string &path) const;
    int Count() const;
    std::size_t Bytes() const;
    std::size_t MaxBytes() const { return m_maxBytes; }
    int MaxPictures() const { return m_maxPictures; }
    // Waits until no decode is queued or running; false when timeoutMs passed first.
    bool WaitIdle(int timeoutMs) const;

    // --- the picture about to be shown ---
    struct Delivery {
        enum Kind { None, Reduced, Full, Failed };
        Kind kind = None;
        std::string path;
        // Reduced: the reduced copy; Full: the picture as CImageObj::Load leaves it.
        std::unique_ptr<CImageObj> picture;
        // Reduced: the full picture's size, depth and page count.
        int width = 0;
        int height = 0;
        int bitCount = 0;
        int pages = 0;
        // Full: the file's identity when it was read (not exists: it changed while being read).
        FileStamp stamp;
    };
    // Called on a worker whenever a delivery of the current request is ready for Collect.
    void SetNotify(std::function<void()> notify);
    // Starts showing path: a reduced copy at least boxWidth × boxHeight (or the whole picture when
    // smaller) is decoded at normal priority, the full picture ahead of every queued background
    // job (a decode ahead of the same file already running is taken over). Ends the previous
    // request.
    void Request(const std::string &path, int boxWidth, int boxHeight);
    // The current request's deliveries ready so far, in order; a reduced copy that would arrive
    // after its full picture never does.
    std::vector<Delivery> Collect();
    // The current request's full picture (Full or Failed), decoded on the calling thread when no
    // worker has started it; kind None without a request. The request ends.
    Delivery WaitFull();
    // Ends the current request; what it still delivers is dropped.
    void Cancel();
    bool Requesting() const;

    // Runs on the worker before the full picture of a request is decoded (tests hold it there).
    void SetBeforeFullDecode(std::function<void()> hook);

    // What the owner and the workers share (decodeahead.cpp).
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::size_t m_maxBytes;
    int m_maxPictures;
};
