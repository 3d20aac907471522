#include "browser_testutil.h"

#include "browser/browsermessage.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "platform/dibutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    static std::atomic<int> counter { 0 };
    std::random_device rd;
    m_path = fs::temp_directory_path()
        / ("tarnis_browser_" + std::to_string(rd()) + "_" + std::to_string(counter.fetch_add(1)));
    fs::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void WriteBmp(const std::string &path, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    DibInfoBlock info;
    DibInitHeader(info, w, h, 24);
    BITMAPFILEHEADER fh {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = 14 + 40;
    fh.bfSize = fh.bfOffBits + info.bmiHeader.biSizeImage;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(DibStride(w, 24)), 0);
    for (int x = 0; x < w; ++x) {
        row[3 * x] = b;
        row[3 * x + 1] = g;
        row[3 * x + 2] = r;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(&fh), 14);
    out.write(reinterpret_cast<const char *>(&info.bmiHeader), 40);
    for (int y = 0; y < h; ++y)
        out.write(reinterpret_cast<const char *>(row.data()), static_cast<std::streamsize>(row.size()));
}

void SetWriteTime(const std::string &path, long long seconds)
{
    auto sys = std::chrono::sys_seconds(std::chrono::seconds(seconds));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(sys));
}

int BmpTestCodec::FormatTest(const char *path) const
{
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    return in.read(magic, 2) && magic[0] == 'B' && magic[1] == 'M' ? 0 : -1;
}

int BmpTestCodec::LoadThumbnail(
    void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box, RECT, int) const
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        std::string name = fs::path(path).filename().string();
        m_cv.wait(lock, [&] { return !m_gated || m_released.count(name) != 0; });
    }
    ++loads;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BITMAPINFOHEADER src {};
    if (file.size() >= 54)
        std::memcpy(&src, file.data() + 14, 40);
    if (src.biBitCount != 24 || src.biWidth <= 0 || src.biHeight <= 0
        || file.size() < 54 + static_cast<std::size_t>(DibStride(src.biWidth, 24) * src.biHeight))
        return 0;
    long long w = src.biWidth, h = src.biHeight;
    if (w > box->cx || h > box->cy) {
        bool wide = w * box->cy >= h * box->cx;
        long long fitted = wide ? box->cx : std::max(1LL, w * box->cy / h);
        h = wide ? std::max(1LL, h * box->cx / w) : box->cy;
        w = fitted;
    }
    std::size_t stride = static_cast<std::size_t>(DibStride(w, 24));
    auto *out = static_cast<std::uint8_t *>(GlobalAlloc(GPTR, stride * h));
    for (long long y = 0; y < h; ++y)
        for (long long x = 0; x < w; ++x)
            std::memcpy(out + y * stride + x * 3, file.data() + 54, 3);
    DibInitHeader(*static_cast<DibInfoBlock *>(thumbInfo), static_cast<int>(w), static_cast<int>(h), 24);
    if (srcInfo != nullptr)
        std::memcpy(srcInfo, &src, 40);
    *bits = out;
    return 1;
}

void BmpTestCodec::CloseGate()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_gated = true;
    m_released.clear();
}

void BmpTestCodec::Release(std::initializer_list<std::string> names)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released.insert(names.begin(), names.end());
    }
    m_cv.notify_all();
}

void BmpTestCodec::OpenGate()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gated = false;
    }
    m_cv.notify_all();
}

MessageRecorder::MessageRecorder()
{
    SetBrowserMessageHook([this](QWidget *, const QString &text, const QString &caption, MessageIcon icon) {
        messages.push_back(RecordedMessage { text, caption, icon });
    });
}

MessageRecorder::~MessageRecorder()
{
    SetBrowserMessageHook({});
}

bool WaitUntil(const std::function<bool()> &pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool WaitForLoad(CThumbWnd &grid, int timeoutMs)
{
    QCoreApplication::processEvents();
    return WaitUntil([&grid] { return !grid.IsLoadRunning(); }, timeoutMs);
}

std::vector<std::string> ItemNames(const ThumbItemList &items)
{
    std::vector<std::string> names;
    for (const auto &item : items)
        names.push_back(item->GetName());
    return names;
}

std::vector<std::string> ItemNames(const CThumbWnd &grid)
{
    return ItemNames(grid.Items().Items());
}
