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
    std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) / 4 * 4;
    std::uint32_t image = stride * static_cast<std::uint32_t>(h);
    BITMAPFILEHEADER fh {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = 14 + 40;
    fh.bfSize = fh.bfOffBits + image;
    BITMAPINFOHEADER ih {};
    ih.biSize = 40;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = image;
    std::vector<std::uint8_t> pixels(image, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t *p = pixels.data() + y * stride + x * 3;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(&fh), 14);
    out.write(reinterpret_cast<const char *>(&ih), 40);
    out.write(reinterpret_cast<const char *>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
}

void SetWriteTime(const std::string &path, long long seconds)
{
    auto sys = std::chrono::sys_seconds(std::chrono::seconds(seconds));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(sys));
}

int BmpTestCodec::FormatTest(const char *path) const
{
    ++tests;
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'B' || magic[1] != 'M')
        return -1;
    return 0;
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
    if (file.size() < 54)
        return 0;
    BITMAPINFOHEADER src {};
    std::memcpy(&src, file.data() + 14, 40);
    std::size_t srcStride = (static_cast<std::size_t>(src.biWidth) * 3 + 3) / 4 * 4;
    if (src.biBitCount != 24 || src.biWidth <= 0 || src.biHeight <= 0
        || file.size() < 54 + srcStride * static_cast<std::size_t>(src.biHeight))
        return 0;
    int w = src.biWidth;
    int h = src.biHeight;
    if (w > box->cx || h > box->cy) {
        if (static_cast<long long>(w) * box->cy >= static_cast<long long>(h) * box->cx) {
            h = std::max(1, static_cast<int>(static_cast<long long>(h) * box->cx / w));
            w = box->cx;
        } else {
            w = std::max(1, static_cast<int>(static_cast<long long>(w) * box->cy / h));
            h = box->cy;
        }
    }
    std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
    auto *out = static_cast<std::uint8_t *>(GlobalAlloc(GPTR, stride * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t sx = static_cast<std::size_t>(x) * src.biWidth / w;
            std::size_t sy = static_cast<std::size_t>(y) * src.biHeight / h;
            std::memcpy(out + y * stride + x * 3, file.data() + 54 + sy * srcStride + sx * 3, 3);
        }
    auto *info = static_cast<DibInfoBlock *>(thumbInfo);
    DibInitHeader(*info, w, h, 24);
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

std::vector<std::string> ItemNames(const CThumbWnd &grid)
{
    std::vector<std::string> names;
    for (const auto &item : grid.Items().Items())
        names.push_back(item->GetName());
    return names;
}
