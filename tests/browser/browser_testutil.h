// Helpers of the browser tests: temporary folders, small BMP files, a codec that reads those
// files (with a gate to hold thumbnails back), a recorder for message boxes, grid waits.
#pragma once

#include "browser/errormessages.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbcodec.h"
#include "tests/common/qtapp.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CThumbWnd;

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path &Path() const { return m_path; }
    std::string Str() const { return m_path.string(); }
    std::string File(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A bottom-up 24-bit BMP of w × h pixels of one colour.
void WriteBmp(const std::string &path, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b);
// Sets the file's last-write time to seconds since 1970.
void SetWriteTime(const std::string &path, long long seconds);

// Reads BMP files (format test: "BM"; thumbnail: the picture scaled into the box, 24-bit). A file
// that starts with "BM" but is cut short passes the test and fails the load.
class BmpTestCodec : public ThumbCodec
{
public:
    int FormatTest(const char *path) const override;
    int LoadThumbnail(void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box,
        RECT rect, int flags) const override;

    // With a gate, a load waits until its file name is let through (Release); Open lets
    // everything through. Naming the files keeps a worker that finished early from taking
    // another file's turn.
    void CloseGate();
    void Release(std::initializer_list<std::string> names);
    void OpenGate();
    mutable std::atomic<int> loads { 0 };

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    bool m_gated = false;
    std::set<std::string> m_released;
};

struct RecordedMessage {
    QString text;
    QString caption;
    MessageIcon icon;
};

// Collects message boxes instead of showing them while alive.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<RecordedMessage> messages;
};

// Runs the event loop until the grid's load has finished (false on timeout).
bool WaitForLoad(CThumbWnd &grid, int timeoutMs = 20000);
// Runs the event loop until pred holds (false on timeout).
bool WaitUntil(const std::function<bool()> &pred, int timeoutMs = 20000);
// Names of the items in order.
std::vector<std::string> ItemNames(const ThumbItemList &items);
std::vector<std::string> ItemNames(const CThumbWnd &grid);
