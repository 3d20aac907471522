// Turns fuzz bytes into bitmap-library arguments: a picture pair with an arbitrary header (size,
// depth, planes, compression, colours used, a header-only or short pixel block) and integers for
// the function's other arguments. Each fuzz_dib_<family>.cpp calls its functions with them.
#pragma once

#include "dib/dib.h"
#include "platform/dibutil.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace dibfuzz
{

// Reads values from the front of the input; past the end every value is 0.
class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int Int(int lo, int hi) // lo ... hi
    {
        const std::uint32_t v
            = std::uint32_t(Byte()) | std::uint32_t(Byte()) << 8 | std::uint32_t(Byte()) << 16;
        return lo + static_cast<int>(v % std::uint32_t(hi - lo + 1));
    }
    // Mostly small, sometimes negative, zero or huge: the values that break size arithmetic.
    int Size()
    {
        switch (Byte() % 8) {
        case 0:
            return 0;
        case 1:
            return -Int(1, 1 << 20);
        case 2:
            return Int(1 << 20, 0x7FFFFFFF);
        default:
            return Int(1, 48);
        }
    }
    std::size_t Left() const { return m_size - std::min(m_pos, m_size); }
    const std::uint8_t *Rest() const { return m_data + std::min(m_pos, m_size); }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A caller's pair, freed the way callers are told to.
struct Pair {
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;
    ~Pair()
    {
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
    }
};

// Fills `pair` from the input: a 1064-byte header block whose fields are mostly sane (so the
// functions get past their checks) and sometimes not, and a pixel block of the size the header
// asks for holding the rest of the input (zeros past its end). False when the pair should not be
// handed to a function that reads pixels.
inline bool MakePicture(Input &in, Pair &pair)
{
    static const int kDepths[] = { 1, 4, 8, 16, 24, 32, 2, 0 };
    pair.info = static_cast<BITMAPINFO *>(::operator new(kDibInfoBlockSize));
    std::memset(pair.info, 0, kDibInfoBlockSize);
    BITMAPINFOHEADER &h = pair.info->bmiHeader;
    const std::uint8_t shape = in.Byte();
    h.biSize = 40;
    h.biWidth = (shape & 1) ? in.Size() : in.Int(1, 40);
    h.biHeight = (shape & 2) ? in.Size() : in.Int(1, 40);
    h.biPlanes = (shape & 4) ? static_cast<WORD>(in.Byte() % 3) : 1;
    h.biBitCount = static_cast<WORD>(kDepths[(shape & 8) ? in.Byte() % 8 : in.Byte() % 6]);
    h.biCompression = (shape & 16) ? in.Byte() % 3 : 0;
    h.biClrUsed = (shape & 32) ? in.Byte() : 0;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 3780;
    const std::size_t bytes = DibCheckedImageSize(h.biWidth, h.biHeight, h.biBitCount);
    h.biSizeImage = static_cast<DWORD>(bytes);
    auto *colours = reinterpret_cast<DibInfoBlock *>(pair.info)->bmiColors;
    for (int i = 0; i < 256 && in.Left() > 0 && (shape & 64); ++i)
        colours[i] = RGBQUAD { in.Byte(), in.Byte(), in.Byte(), 0 };
    if (bytes == 0 || bytes > (std::size_t(1) << 22))
        return !(shape & 128); // no pixels: only functions that must refuse get called
    pair.bits = GlobalAlloc(GPTR, bytes);
    if (pair.bits == nullptr)
        return false;
    std::memcpy(pair.bits, in.Rest(), std::min(bytes, in.Left()));
    return true;
}

} // namespace dibfuzz
