#include "browser_testutil.h"

#include "browser/browsermessage.h"
#include "browser/thumbobj.h"
#include "browser/thumbwnd.h"
#include "platform/dibutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
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
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor(r, g, b));
    image.save(QString::fromStdString(path), "BMP");
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
    QImage image(QString::fromUtf8(path));
    if (image.isNull())
        return 0;
    QSize size = image.size();
    if (size.width() > box->cx || size.height() > box->cy)
        size.scale(box->cx, box->cy, Qt::KeepAspectRatio);
    std::size_t stride = static_cast<std::size_t>(DibStride(size.width(), 24));
    auto *out = static_cast<std::uint8_t *>(GlobalAlloc(GPTR, stride * size.height()));
    QImage thumb = image.scaled(size).convertToFormat(QImage::Format_BGR888).mirrored(); // bottom-up rows
    for (int y = 0; y < thumb.height(); ++y)
        std::memcpy(out + y * stride, thumb.constScanLine(y), static_cast<std::size_t>(thumb.width()) * 3);
    DibInitHeader(*static_cast<DibInfoBlock *>(thumbInfo), size.width(), size.height(), 24);
    if (srcInfo != nullptr) {
        DibInfoBlock source;
        DibInitHeader(source, image.width(), image.height(), 24);
        std::memcpy(srcInfo, &source.bmiHeader, 40);
    }
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
