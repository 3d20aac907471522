#include "dib/dibcore.h"

#include "platform/cpus.h"
#include "platform/dibutil.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <new>

namespace dib
{

namespace
{

std::atomic<int> g_maxThreads { 0 };
std::atomic<bool> g_vector { true };

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t kParallelPixels = 1 << 19;

} // namespace

void InfoDeleter::operator()(BITMAPINFO *info) const
{
    DeleteInfo(info);
}

InfoPtr NewInfo(std::size_t bytes)
{
    void *p = ::operator new(bytes, std::nothrow);
    if (p != nullptr)
        std::memset(p, 0, bytes);
    return InfoPtr(static_cast<BITMAPINFO *>(p));
}

BITMAPINFO *TargetInfo(BITMAPINFO **info, InfoPtr &made)
{
    if (*info != nullptr)
        return *info;
    made = NewInfo();
    return made.get();
}

void DeleteInfo(BITMAPINFO *info)
{
    ::operator delete(static_cast<void *>(info));
}

int PaletteCount(const BITMAPINFOHEADER &h)
{
    if (h.biClrUsed != 0)
        return h.biClrUsed > kMaxColours ? kMaxColours : static_cast<int>(h.biClrUsed);
    if (h.biBitCount >= 1 && h.biBitCount <= 8)
        return 1 << h.biBitCount;
    return 0;
}

void WriteHeader(BITMAPINFOHEADER &h, int width, int height, int bitCount)
{
    DibSetHeader(h, width, height, bitCount);
    h.biXPelsPerMeter = kResolution;
    h.biYPelsPerMeter = kResolution;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
}

std::size_t ImageBytes(std::int64_t width, std::int64_t height, int bitCount)
{
    if (!DibPictureDepth(bitCount) && bitCount != 2)
        return 0;
    return DibCheckedImageSize(width, height, bitCount);
}

bool CheckPicture(const BITMAPINFOHEADER &h, Shape &shape)
{
    return h.biCompression == BI_RGB && h.biPlanes == 1 && DibShapeOf(h, shape);
}

bool CheckPair(const HGLOBAL *bits, BITMAPINFO *const *info, Shape &shape, bool loose)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr)
        return false;
    const BITMAPINFOHEADER &h = (*info)->bmiHeader;
    if (!(loose ? DibShapeOf(h, shape) : CheckPicture(h, shape)))
        return false;
    return GlobalSize(*bits) >= shape.size;
}

int ThreadsFor(std::int64_t pixels)
{
    if (pixels < kParallelPixels)
        return 1;
    int n = UsableCpuCount();
    int cap = g_maxThreads.load();
    if (cap > 0 && n > cap)
        n = cap;
    return n < 1 ? 1 : n;
}

void SetMaxThreads(int n)
{
    g_maxThreads.store(n);
}

void SetVectorKernels(bool on)
{
    g_vector.store(on);
}

bool VectorKernels()
{
    return g_vector.load();
}

} // namespace dib
