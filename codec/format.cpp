#include "codec/format.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

namespace codexa
{

const char *StatusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return "ok";
    case Status::NotThisFormat:
        return "not a picture file of this format";
    case Status::Corrupt:
        return "the file is damaged or truncated";
    case Status::Unsupported:
        return "this variant of the format is not supported";
    case Status::TooLarge:
        return "the picture is too large";
    case Status::NoMemory:
        return "not enough memory";
    case Status::IoError:
        return "the file cannot be read or written";
    case Status::BadPage:
        return "no such page";
    case Status::ReadOnly:
        return "the file is read-only";
    }
    return "unknown error";
}

bool Reader::Seek(std::size_t pos)
{
    if (pos > m_bytes.size) {
        m_ok = false;
        return false;
    }
    m_pos = pos;
    return true;
}

bool Reader::Skip(std::size_t n)
{
    if (n > remaining()) {
        m_pos = m_bytes.size;
        m_ok = false;
        return false;
    }
    m_pos += n;
    return true;
}

const std::uint8_t *Reader::Take(std::size_t n)
{
    if (n > remaining()) {
        m_pos = m_bytes.size;
        m_ok = false;
        return nullptr;
    }
    const std::uint8_t *p = m_bytes.data + m_pos;
    m_pos += n;
    return p;
}

std::uint8_t Reader::U8()
{
    const std::uint8_t *p = Take(1);
    return p ? p[0] : 0;
}

std::uint16_t Reader::U16LE()
{
    const std::uint8_t *p = Take(2);
    return p ? static_cast<std::uint16_t>(p[0] | (p[1] << 8)) : 0;
}

std::uint16_t Reader::U16BE()
{
    const std::uint8_t *p = Take(2);
    return p ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : 0;
}

std::uint32_t Reader::U32LE()
{
    const std::uint8_t *p = Take(4);
    return p ? (std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
               | (std::uint32_t(p[3]) << 24))
             : 0;
}

std::uint32_t Reader::U32BE()
{
    const std::uint8_t *p = Take(4);
    return p ? ((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
               | std::uint32_t(p[3]))
             : 0;
}

namespace
{
std::atomic<long long> g_pixelLimit { 1ll << 28 };
}

long long FullPixelLimit()
{
    return g_pixelLimit.load();
}

namespace
{
std::atomic<long long> g_thumbnailLimit { kThumbnailPixelLimit };
thread_local int t_thumbnailDepth = 0;

// The decode places: a counting semaphore with a record of the most taken at once.
struct DecodePlaces {
    std::mutex lock;
    std::condition_variable freed;
    int taken = 0;
    int peak = 0;
};
DecodePlaces &Places()
{
    static DecodePlaces places;
    return places;
}
} // namespace

long long PixelLimit()
{
    const long long limit = g_pixelLimit.load();
    return t_thumbnailDepth > 0 ? std::min(limit, g_thumbnailLimit.load()) : limit;
}

ThumbnailScope::ThumbnailScope()
{
    if (t_thumbnailDepth++ > 0)
        return; // nested: the thread holds its place already
    DecodePlaces &p = Places();
    std::unique_lock<std::mutex> guard(p.lock);
    p.freed.wait(guard, [&p] { return p.taken < kThumbnailDecodes; });
    p.peak = std::max(p.peak, ++p.taken);
}

ThumbnailScope::~ThumbnailScope()
{
    if (--t_thumbnailDepth > 0)
        return;
    DecodePlaces &p = Places();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        --p.taken;
    }
    p.freed.notify_one();
}

void SetThumbnailPixelLimit(long long pixels)
{
    g_thumbnailLimit.store(pixels > 0 ? pixels : kThumbnailPixelLimit);
}

int TakeThumbnailDecodePeak()
{
    DecodePlaces &p = Places();
    std::lock_guard<std::mutex> guard(p.lock);
    return std::exchange(p.peak, p.taken);
}

void SetPixelLimit(long long pixels)
{
    g_pixelLimit.store(pixels > 0 ? pixels : (1ll << 28));
}

Picture::Picture(Picture &&other) noexcept
    : info(other.info)
    , bits(other.bits)
    , damaged(other.damaged)
    , m_stride(other.m_stride)
{
    other.bits = nullptr;
}

Picture &Picture::operator=(Picture &&other) noexcept
{
    if (this != &other) {
        Reset();
        info = other.info;
        bits = std::exchange(other.bits, nullptr);
        damaged = other.damaged;
        m_stride = other.m_stride;
    }
    return *this;
}

Picture::~Picture()
{
    Reset();
}

void Picture::Reset()
{
    GlobalFree(bits);
    bits = nullptr;
    damaged = false;
    m_stride = 0;
}

Status Picture::Create(int width, int height, int bitCount, int paletteSize)
{
    Reset();
    if (width <= 0 || height <= 0)
        return Status::Corrupt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return Status::Unsupported;
    if (static_cast<long long>(width) * height > PixelLimit())
        return Status::TooLarge;
    std::size_t size = DibCheckedImageSize(width, height, bitCount);
    if (size == 0)
        return Status::TooLarge;
    DibInitHeader(info, width, height, bitCount);
    if (bitCount <= 8 && paletteSize > 0 && paletteSize < (1 << bitCount))
        info.bmiHeader.biClrUsed = static_cast<DWORD>(paletteSize);
    bits = GlobalAlloc(GPTR, size);
    if (bits == nullptr)
        return Status::NoMemory;
    m_stride = static_cast<std::size_t>(DibStride(width, bitCount));
    return Status::Ok;
}

Status Picture::Recreate(int width, int height, int bitCount, int paletteSize)
{
    if (bits == nullptr || width <= 0 || height <= 0 || static_cast<long long>(width) * height > PixelLimit())
        return Create(width, height, bitCount, paletteSize);
    std::size_t size = DibCheckedImageSize(width, height, bitCount);
    if (size == 0 || size > GlobalSize(bits)
        || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24))
        return Create(width, height, bitCount, paletteSize);
    damaged = false;
    DibInitHeader(info, width, height, bitCount);
    if (bitCount <= 8 && paletteSize > 0 && paletteSize < (1 << bitCount))
        info.bmiHeader.biClrUsed = static_cast<DWORD>(paletteSize);
    m_stride = static_cast<std::size_t>(DibStride(width, bitCount));
    return Status::Ok;
}

void Picture::SetResolution(LONG xPelsPerMeter, LONG yPelsPerMeter)
{
    info.bmiHeader.biXPelsPerMeter = xPelsPerMeter;
    info.bmiHeader.biYPelsPerMeter = yPelsPerMeter;
}

void Picture::Release(HGLOBAL *outBits, void *info1064)
{
    std::memset(info1064, 0, kDibInfoBlockSize);
    std::memcpy(info1064, &info, DibHeaderBytes(info.bmiHeader));
    *outBits = bits;
    bits = nullptr;
    damaged = false;
    m_stride = 0;
}

bool Picture::Adopt(const void *info1064, HGLOBAL pixels)
{
    if (info1064 == nullptr || pixels == nullptr)
        return false;
    const auto *h = static_cast<const BITMAPINFOHEADER *>(info1064);
    const int depth = h->biBitCount;
    if ((depth != 1 && depth != 4 && depth != 8 && depth != 24) || h->biWidth <= 0 || h->biHeight <= 0
        || DibImageSizeOf(*h) == 0)
        return false;
    Reset();
    std::memset(&info, 0, sizeof info);
    std::memcpy(&info, info1064, DibHeaderBytes(*h));
    bits = pixels;
    m_stride = static_cast<std::size_t>(DibStride(h->biWidth, depth));
    return true;
}

bool PictureView::From(const void *info, const void *pixels, PictureView &out)
{
    if (info == nullptr || pixels == nullptr)
        return false;
    auto *h = static_cast<const BITMAPINFOHEADER *>(info);
    DibShape shape;
    if (h->biCompression != BI_RGB || !DibShapeOf(*h, shape))
        return false;
    out.header = h;
    out.palette = reinterpret_cast<const RGBQUAD *>(
        static_cast<const std::uint8_t *>(info) + sizeof(BITMAPINFOHEADER));
    out.bits = static_cast<const std::uint8_t *>(pixels);
    out.width = shape.width;
    out.height = shape.height;
    out.bitCount = shape.bitCount;
    out.paletteSize = shape.bitCount <= 8 ? DibPaletteSize(*h) : 0;
    out.stride = shape.stride;
    return true;
}

void PictureView::PixelBGR(int x, int y, std::uint8_t bgr[3]) const
{
    const std::uint8_t *row = RowFromTop(y);
    int index = 0;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        index = DibIndexAt(row, x, bitCount);
        break;
    case 16: {
        unsigned v = row[2 * x] | (row[2 * x + 1] << 8); // 5-5-5
        bgr[0] = static_cast<std::uint8_t>(((v & 0x1F) * 255) / 31);
        bgr[1] = static_cast<std::uint8_t>((((v >> 5) & 0x1F) * 255) / 31);
        bgr[2] = static_cast<std::uint8_t>((((v >> 10) & 0x1F) * 255) / 31);
        return;
    }
    case 24:
        std::memcpy(bgr, row + 3 * x, 3);
        return;
    default: // 32
        std::memcpy(bgr, row + 4 * x, 3);
        return;
    }
    if (index < paletteSize) {
        bgr[0] = palette[index].rgbBlue;
        bgr[1] = palette[index].rgbGreen;
        bgr[2] = palette[index].rgbRed;
    } else {
        bgr[0] = bgr[1] = bgr[2] = 0;
    }
}

void PictureView::RowBGR(int y, std::uint8_t *bgr) const
{
    const std::uint8_t *row = RowFromTop(y);
    switch (bitCount) {
    case 24:
        std::memcpy(bgr, row, static_cast<std::size_t>(width) * 3);
        return;
    case 32:
        for (int x = 0; x < width; ++x, bgr += 3, row += 4) {
            bgr[0] = row[0];
            bgr[1] = row[1];
            bgr[2] = row[2];
        }
        return;
    case 16:
        for (int x = 0; x < width; ++x, bgr += 3, row += 2) {
            unsigned v = row[0] | (row[1] << 8);
            bgr[0] = static_cast<std::uint8_t>(((v & 0x1F) * 255) / 31);
            bgr[1] = static_cast<std::uint8_t>((((v >> 5) & 0x1F) * 255) / 31);
            bgr[2] = static_cast<std::uint8_t>((((v >> 10) & 0x1F) * 255) / 31);
        }
        return;
    default:
        break;
    }
    std::uint8_t lut[256][3] = {};
    for (int i = 0; i < paletteSize; ++i) {
        lut[i][0] = palette[i].rgbBlue;
        lut[i][1] = palette[i].rgbGreen;
        lut[i][2] = palette[i].rgbRed;
    }
    std::uint8_t *end = bgr + static_cast<std::size_t>(width) * 3;
    RowIndices(y, end - width); // the tail of the output holds the indices until overwritten
    const std::uint8_t *index = end - width;
    for (int x = 0; x < width; ++x, bgr += 3) {
        const std::uint8_t *c = lut[index[x]];
        std::uint8_t b = c[0], g = c[1], r = c[2]; // read before the write may cover index[x]
        bgr[0] = b;
        bgr[1] = g;
        bgr[2] = r;
    }
}

void PictureView::RowIndices(int y, std::uint8_t *indices) const
{
    const std::uint8_t *row = RowFromTop(y);
    switch (bitCount) {
    case 1:
    case 4:
        for (int x = 0; x < width; ++x)
            indices[x] = static_cast<std::uint8_t>(DibIndexAt(row, x, bitCount));
        break;
    case 8:
        std::memcpy(indices, row, static_cast<std::size_t>(width));
        break;
    default:
        std::memset(indices, 0, static_cast<std::size_t>(width));
        break;
    }
}

bool PictureView::IsGreyRamp() const
{
    if (bitCount > 8 || paletteSize != (1 << bitCount))
        return false;
    for (int i = 0; i < paletteSize; ++i) {
        int v = i * 255 / (paletteSize - 1);
        if (palette[i].rgbRed != v || palette[i].rgbGreen != v || palette[i].rgbBlue != v)
            return false;
    }
    return true;
}

bool PictureView::IsGreyPalette() const
{
    if (bitCount > 8 || paletteSize == 0)
        return false;
    for (int i = 0; i < paletteSize; ++i)
        if (palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbGreen != palette[i].rgbBlue)
            return false;
    return true;
}

} // namespace codexa
