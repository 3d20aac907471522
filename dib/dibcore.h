// Helpers shared by the bitmap library's families: header and pixel blocks, checks, threads.
#pragma once

#include "dib/dib.h"
#include "platform/dibutil.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dib
{

constexpr LONG kResolution = 3780;
constexpr int kMaxColours = 256;

// ---- Header blocks (::operator new / ::operator delete, as callers are told) ----

struct InfoDeleter {
    void operator()(BITMAPINFO *info) const;
};
using InfoPtr = std::unique_ptr<BITMAPINFO, InfoDeleter>;

// A zeroed header block of `bytes` bytes, null when memory runs out.
InfoPtr NewInfo(std::size_t bytes = kDibInfoBlockSize);
// The caller's header block, or a new one held by `made` when the caller has none; null when no
// memory is left.
BITMAPINFO *TargetInfo(BITMAPINFO **info, InfoPtr &made);
void DeleteInfo(BITMAPINFO *info);

inline RGBQUAD *Colours(BITMAPINFO *info)
{
    return reinterpret_cast<RGBQUAD *>(reinterpret_cast<BYTE *>(info) + sizeof(BITMAPINFOHEADER));
}
inline const RGBQUAD *Colours(const BITMAPINFO *info)
{
    return reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(info) + sizeof(BITMAPINFOHEADER));
}

// The bitmap library's palette size rule (GetPaletteEntry's, and every header copy of the
// library's): biClrUsed when non-zero, else 2^bits for 1 ... 8 bits (so 4 for 2 bits), else 0;
// at most 256. The picture pair outside the library counts by DibPaletteSize (none for 2 bits).
int PaletteCount(const BITMAPINFOHEADER &h);

// Writes size 40, width, height, planes 1, bit count, compression 0, image size, resolutions
// 3780, colours 0 and 0. The palette is not touched.
void WriteHeader(BITMAPINFOHEADER &h, int width, int height, int bitCount);

// ---- Pixel blocks ----

// Owns a GlobalAlloc block until released.
class Block
{
public:
    Block() = default;
    explicit Block(std::size_t bytes)
        : m_h(bytes ? GlobalAlloc(GPTR, bytes) : nullptr)
    {
    }
    ~Block() { GlobalFree(m_h); }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;
    Block(Block &&o) noexcept
        : m_h(o.m_h)
    {
        o.m_h = nullptr;
    }
    Block &operator=(Block &&o) noexcept
    {
        if (this != &o) {
            GlobalFree(m_h);
            m_h = o.m_h;
            o.m_h = nullptr;
        }
        return *this;
    }
    explicit operator bool() const { return m_h != nullptr; }
    BYTE *data() const { return static_cast<BYTE *>(m_h); }
    HGLOBAL get() const { return m_h; }
    HGLOBAL release()
    {
        HGLOBAL h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    HGLOBAL m_h = nullptr;
};

// Frees the caller's old pixel block and stores the new one.
inline void StoreBits(HGLOBAL *bits, Block &block)
{
    GlobalFree(*bits);
    *bits = block.release();
}

// Deletes the caller's old header block and stores the new one.
inline void StoreInfo(BITMAPINFO **info, InfoPtr &block)
{
    DeleteInfo(*info);
    *info = block.release();
}

// ---- Checks ----

// What the functions need to know about a picture; valid only when Check... returned true.
using Shape = DibShape;

// DibShapeOf plus compression 0 and one plane: what the functions accept as a picture.
bool CheckPicture(const BITMAPINFOHEADER &h, Shape &shape);

// The caller's pair: non-null pointers and handles, a picture by CheckPicture (or DibShapeOf when
// `loose`), and a pixel block from GlobalAlloc large enough for it.
bool CheckPair(const HGLOBAL *bits, BITMAPINFO *const *info, Shape &shape, bool loose = false);

// Size of a width × height picture of bitCount bits, 0 for invalid values or an overflow.
std::size_t ImageBytes(std::int64_t width, std::int64_t height, int bitCount);

// 16-bit 5-5-5 and 32-bit pixels to 24 bits (low three bits of each 16-bit channel zero, the
// fourth 32-bit byte dropped), as a new block.
bool DirectTo24(const Shape &shape, const BYTE *src, Block &out);

// ---- Threads ----

// Threads to use for a job touching `pixels` pixels: 1 for small jobs, else the usable cores
// (bounded by the test and benchmark override).
int ThreadsFor(std::int64_t pixels);

// Calls fn(band, begin, end) for `bands` consecutive parts of [0, count), one thread each (the
// caller's thread takes part 0).
template <class F> void ParallelBands(int count, int bands, F &&fn);

// Test and benchmark hooks (not exported): cap on threads (0 = no cap), and whether the vector
// kernels may be used.
void SetMaxThreads(int n);
void SetVectorKernels(bool on);
bool VectorKernels();

} // namespace dib

#include "dib/parallel.h"
