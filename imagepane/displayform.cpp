// Reduced copies. The pane's pixel rule is nearest neighbour from the full picture: client pixel d
// of an axis shows picture pixel SourceIndex(d, extent, zoomedExtent). A copy that is to show
// exactly that must hold exactly the rows and columns the rule picks for one zoomed size (a
// power-of-two pyramid would not do: for most zooms its samples lie on other rows and columns),
// so a copy is the zoomed picture itself, 0xAARRGGBB rows, one per zoomed size. A paint asks for
// the copy of its size; until a background worker has built it the paint samples the picture
// directly, which gives the same pixels more slowly, so nothing changes on screen when the copy
// arrives and no repaint is needed. With the copy of the shown size the workers build those one
// zoom step in and out, so that a zoom step finds its copy ready; copies of other sizes stay, the
// least recently shown going first, while all copies together hold at most a third of the
// picture's pixel count (the wanted ones always stay), so zooming back and forth builds nothing
// twice. A build reads the picture's pixels on the worker: Clear() stops it within a few rows and waits
// for it before the pixels may change or go.
#include "imagepane/displayform.h"

#include "image/parallelrows.h"
#include "imagepane/zoommath.h"
#include "platform/workpool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace
{

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::int64_t kDefaultReducedThreshold = 50'000'000;
// Largest copy: 16 M pixels, 64 MB.
constexpr std::int64_t kMaxCopyPixels = 16LL << 20;
// The copies together hold at most the picture's pixel count divided by this (unless the three
// wanted ones alone hold more): 133 MB for 100 megapixels.
constexpr std::int64_t kCopyBudgetShare = 3;
// Rows a build renders between looks at its stop flag.
constexpr int kBuildChunkRows = 8;

std::atomic<std::int64_t> g_reducedThreshold { kDefaultReducedThreshold };

inline std::uint32_t Pack(unsigned r, unsigned g, unsigned b)
{
    return kOpaque | (r << 16) | (g << 8) | b;
}

// One row of 24-bit pixels shown 1:1 from column x0 on.
void Row24Direct(const std::uint8_t *s, int x0, int width, std::uint32_t *o)
{
    s += 3 * static_cast<std::size_t>(x0);
    for (int i = 0; i < width; ++i)
        o[i] = Pack(s[3 * i + 2], s[3 * i + 1], s[3 * i]);
}

// Byte offsets in a picture row of the picture columns shown in client columns left ... left +
// width − 1.
bool ColumnOffsets(
    const DibLayout &layout, const ZoomView &view, int left, int width, std::vector<int> &columns)
{
    try {
        columns.resize(static_cast<std::size_t>(width));
    } catch (const std::bad_alloc &) {
        return false;
    }
    int step = 1;
    switch (layout.bitCount) {
    case 16:
        step = 2;
        break;
    case 24:
        step = 3;
        break;
    case 32:
        step = 4;
        break;
    default:
        break;
    }
    for (int i = 0; i < width; ++i)
        columns[static_cast<std::size_t>(i)]
            = step * SourceIndex(left + i - view.origin.x, layout.width, view.zoomedWidth);
    return true;
}

// Rows firstRow ... lastRow − 1 of the client rectangle at (left, top), sampled from the picture.
void RenderRows(const CDisplayForm::Source &source, const ZoomView &view, int left, int top, int width,
    const int *columns, int firstRow, int lastRow, std::uint32_t *dest, std::size_t destStride)
{
    const DibLayout &layout = source.layout;
    const std::uint32_t *colours = source.colours;
    const bool direct = view.zoomedWidth == layout.width;
    const int x0 = left - view.origin.x;
    int previous = -1;
    for (int r = firstRow; r < lastRow; ++r) {
        std::uint32_t *o = dest + static_cast<std::size_t>(r) * destStride;
        const int sy = SourceIndex(top + r - view.origin.y, layout.height, view.zoomedHeight);
        if (sy == previous) {
            std::memcpy(o, o - destStride, static_cast<std::size_t>(width) * sizeof *o);
            continue;
        }
        previous = sy;
        const std::uint8_t *s = layout.Row(source.bits, layout.height - 1 - sy);
        switch (layout.bitCount) {
        case 1:
            for (int i = 0; i < width; ++i)
                o[i] = colours[DibGetPixel1(s, columns[i])];
            break;
        case 4:
            for (int i = 0; i < width; ++i)
                o[i] = colours[DibGetPixel4(s, columns[i])];
            break;
        case 8:
            for (int i = 0; i < width; ++i)
                o[i] = colours[s[columns[i]]];
            break;
        case 16:
            for (int i = 0; i < width; ++i) {
                int red, green, blue;
                const int c = columns[i];
                Expand555(static_cast<std::uint16_t>(s[c] | (s[c + 1] << 8)), red, green, blue);
                o[i] = Pack(unsigned(red), unsigned(green), unsigned(blue));
            }
            break;
        case 24:
            if (direct) {
                Row24Direct(s, x0, width, o);
                break;
            }
            for (int i = 0; i < width; ++i) {
                const std::uint8_t *p = s + columns[i];
                o[i] = Pack(p[2], p[1], p[0]);
            }
            break;
        case 32:
            for (int i = 0; i < width; ++i) {
                const std::uint8_t *p = s + columns[i];
                o[i] = Pack(p[2], p[1], p[0]);
            }
            break;
        default:
            break;
        }
    }
}

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size &) const = default;
};

// The zoomed sizes worth a copy when a paint shows size `shown`: itself and the sizes one zoom
// step in and out, each only when it shows the picture reduced and is not too big.
std::vector<Size> WantedSizes(Size shown, int width, int height)
{
    auto worth = [&](Size s) {
        return s.width > 0 && s.height > 0 && s.width < width && s.height < height
            && static_cast<std::int64_t>(s.width) * s.height <= kMaxCopyPixels;
    };
    std::vector<Size> sizes;
    if (!worth(shown))
        return sizes;
    sizes.push_back(shown);
    // The percent that gives this size (none when the size came from elsewhere).
    for (int zoom = kMinZoom; zoom < 100; ++zoom) {
        if (ZoomedExtent(zoom, width) != shown.width || ZoomedExtent(zoom, height) != shown.height)
            continue;
        for (int next : { zoom - kZoomStep, zoom + kZoomStep }) {
            const Size s { ZoomedExtent(next, width), ZoomedExtent(next, height) };
            if (IsZoomAllowed(next) && worth(s))
                sizes.push_back(s);
        }
        break;
    }
    return sizes;
}

} // namespace

// The copies of one picture state, shared by the form and the builds it posted.
struct CDisplayForm::Reduced {
    struct Copy {
        Size size;
        std::vector<std::uint32_t> pixels;
    };

    Source source; // the picture as the builds read it
    std::int64_t budget = 0; // pixels all copies may hold
    std::atomic<bool> stop { false }; // the pixels are going: builds end at once
    std::mutex mutex;
    std::condition_variable changed;
    // Under mutex:
    int reading = 0; // builds inside the picture's pixels now
    std::vector<Size> wanted; // the sizes the last paint asked for
    std::vector<Size> pending; // queued or being built
    std::vector<std::shared_ptr<const Copy>> copies; // the most recently shown first

    static bool Contains(const std::vector<Size> &sizes, Size s)
    {
        return std::find(sizes.begin(), sizes.end(), s) != sizes.end();
    }

    // The ready copy of the shown size, or null; queues the builds of the wanted sizes.
    static std::shared_ptr<const Copy> Want(const std::shared_ptr<Reduced> &self, Size shown)
    {
        const std::vector<Size> sizes
            = WantedSizes(shown, self->source.layout.width, self->source.layout.height);
        std::shared_ptr<const Copy> found;
        std::vector<Size> post;
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            // A view zoomed in keeps the copies of the last zoomed-out one for the way back.
            if (self->stop.load() || sizes.empty())
                return nullptr;
            self->wanted = sizes;
            // The wanted copies move to the front, the shown one first.
            auto front = self->copies.begin();
            for (const Size s : sizes) {
                auto it = std::find_if(front, self->copies.end(),
                    [&](const std::shared_ptr<const Copy> &c) { return c->size == s; });
                if (it != self->copies.end()) {
                    if (s == shown)
                        found = *it;
                    std::rotate(front, it, it + 1);
                    ++front;
                } else if (!Contains(self->pending, s)) {
                    self->pending.push_back(s);
                    post.push_back(s);
                }
            }
            self->Trim();
        }
        // Outside the lock: without a worker, Post runs the job here.
        for (const Size s : post)
            workpool::Post([self, s] { Build(self, s); });
        return found;
    }

    // On a background worker.
    static void Build(const std::shared_ptr<Reduced> &self, Size size)
    {
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            if (self->stop.load() || !Contains(self->wanted, size)) {
                std::erase(self->pending, size);
                self->changed.notify_all();
                return;
            }
            ++self->reading;
        }
        std::shared_ptr<Copy> copy;
        bool complete = false;
        std::vector<int> columns;
        const ZoomView view { POINT { 0, 0 }, size.width, size.height };
        try {
            copy = std::make_shared<Copy>();
            copy->size = size;
            copy->pixels.resize(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height));
            if (ColumnOffsets(self->source.layout, view, 0, size.width, columns)) {
                int row = 0;
                for (; row < size.height && !self->stop.load(std::memory_order_relaxed);
                     row += kBuildChunkRows)
                    RenderRows(self->source, view, 0, 0, size.width, columns.data(), row,
                        std::min(row + kBuildChunkRows, size.height), copy->pixels.data(),
                        static_cast<std::size_t>(size.width));
                complete = row >= size.height;
            }
        } catch (const std::bad_alloc &) {
            complete = false;
        }
        std::lock_guard<std::mutex> lock(self->mutex);
        --self->reading;
        std::erase(self->pending, size);
        if (complete && !self->stop.load() && Contains(self->wanted, size)) {
            // Among the wanted ones at the front, in their order.
            const auto rank = [&](Size s) {
                return std::find(self->wanted.begin(), self->wanted.end(), s) - self->wanted.begin();
            };
            auto at = std::find_if(self->copies.begin(), self->copies.end(),
                [&](const std::shared_ptr<const Copy> &c) { return rank(c->size) > rank(size); });
            self->copies.insert(at, std::move(copy));
            self->Trim();
        }
        self->changed.notify_all();
    }

    // Under mutex: drops the least recently shown copies that are not wanted while the copies
    // hold more than the budget.
    void Trim()
    {
        std::int64_t total = 0;
        for (const auto &c : copies)
            total += static_cast<std::int64_t>(c->pixels.size());
        for (std::size_t i = copies.size(); i-- > 0 && total > budget;) {
            if (Contains(wanted, copies[i]->size))
                continue;
            total -= static_cast<std::int64_t>(copies[i]->pixels.size());
            copies.erase(copies.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }

    // Ends every build's reading of the pixels; queued builds will not start.
    void Stop()
    {
        std::unique_lock<std::mutex> lock(mutex);
        stop.store(true);
        changed.wait(lock, [this] { return reading == 0; });
        copies.clear();
    }
};

CDisplayForm::~CDisplayForm()
{
    Clear();
}

void CDisplayForm::SetReducedThreshold(std::int64_t pixels)
{
    g_reducedThreshold.store(pixels > 0 ? pixels : kDefaultReducedThreshold);
}

std::int64_t CDisplayForm::ReducedThreshold()
{
    return g_reducedThreshold.load();
}

bool CDisplayForm::HasReducedCopy(int zoomedWidth, int zoomedHeight) const
{
    if (!m_reduced)
        return false;
    std::lock_guard<std::mutex> lock(m_reduced->mutex);
    return std::any_of(m_reduced->copies.begin(), m_reduced->copies.end(), [&](const auto &c) {
        return c->size == Size { zoomedWidth, zoomedHeight };
    });
}

std::size_t CDisplayForm::ReducedBytes() const
{
    if (!m_reduced)
        return 0;
    std::lock_guard<std::mutex> lock(m_reduced->mutex);
    std::size_t bytes = 0;
    for (const auto &c : m_reduced->copies)
        bytes += c->pixels.size() * sizeof(std::uint32_t);
    return bytes;
}

void CDisplayForm::WaitForCopies() const
{
    if (!m_reduced)
        return;
    std::unique_lock<std::mutex> lock(m_reduced->mutex);
    m_reduced->changed.wait(lock, [this] { return m_reduced->pending.empty(); });
}

bool CDisplayForm::Prepare(const DibInfoBlock *info, const void *bits)
{
    Clear();
    DibLayout layout;
    if (!DibLayoutOf(info, bits, layout))
        return false;
    m_source.layout = layout;
    for (int i = 0; i < 256; ++i) {
        if (i < layout.paletteSize) {
            const RGBQUAD &q = layout.palette[i];
            m_source.colours[i] = Pack(q.rgbRed, q.rgbGreen, q.rgbBlue);
        } else {
            m_source.colours[i] = kOpaque;
        }
    }
    m_info = info;
    m_source.bits = bits;
    if (static_cast<std::int64_t>(layout.width) * layout.height > ReducedThreshold()) {
        m_reduced = std::shared_ptr<Reduced>(new (std::nothrow) Reduced);
        if (m_reduced) {
            m_reduced->source = m_source;
            m_reduced->budget = static_cast<std::int64_t>(layout.width) * layout.height / kCopyBudgetShare;
        }
    }
    return true;
}

void CDisplayForm::Clear()
{
    if (m_reduced) {
        m_reduced->Stop();
        m_reduced.reset();
    }
    m_source.layout = DibLayout {};
    m_info = nullptr;
    m_source.bits = nullptr;
}

bool CDisplayForm::Matches(const DibInfoBlock *info, const void *bits) const
{
    const DibLayout &layout = m_source.layout;
    return m_source.bits != nullptr && info == m_info && bits == m_source.bits
        && info->bmiHeader.biWidth == layout.width && info->bmiHeader.biHeight == layout.height
        && info->bmiHeader.biBitCount == layout.bitCount;
}

void CDisplayForm::Render(const ZoomView &view, int left, int top, int width, int height, std::uint32_t *dest,
    std::size_t destStride) const
{
    if (!IsReady() || width <= 0 || height <= 0 || view.zoomedWidth <= 0 || view.zoomedHeight <= 0)
        return;
    const std::int64_t work = static_cast<std::int64_t>(width) * height;
    Rows rows;
    if (ReducedRows(view, left, top, width, height, rows)) {
        ParallelRows(height, work, [&](int first, int last) {
            for (int r = first; r < last; ++r)
                std::memcpy(dest + static_cast<std::size_t>(r) * destStride,
                    rows.pixels + static_cast<std::size_t>(r) * rows.stride,
                    static_cast<std::size_t>(width) * sizeof *dest);
        });
        return;
    }
    std::vector<int> columns;
    if (!ColumnOffsets(m_source.layout, view, left, width, columns))
        return;
    ParallelRows(height, work, [&](int first, int last) {
        RenderRows(m_source, view, left, top, width, columns.data(), first, last, dest, destStride);
    });
}

bool CDisplayForm::ReducedRows(
    const ZoomView &view, int left, int top, int width, int height, Rows &rows) const
{
    if (!m_reduced || width <= 0 || height <= 0)
        return false;
    const auto copy = Reduced::Want(m_reduced, Size { view.zoomedWidth, view.zoomedHeight });
    const int x0 = left - view.origin.x, y0 = top - view.origin.y;
    if (!copy || x0 < 0 || y0 < 0 || x0 + width > copy->size.width || y0 + height > copy->size.height)
        return false;
    rows.stride = static_cast<std::size_t>(copy->size.width);
    rows.pixels
        = copy->pixels.data() + static_cast<std::size_t>(y0) * rows.stride + static_cast<std::size_t>(x0);
    rows.keep = copy;
    return true;
}
