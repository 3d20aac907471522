// CodexaResample under the fuzzer: an arbitrary source header and pixel block (as the bitmap
// fuzzers build them), output size and destination rectangle, including empty, negative, huge
// and far-outside ones. Every call either refuses or hands out a picture.
#include "codec/codexa.h"
#include "fuzz/dib_fuzz.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

int Coordinate(dibfuzz::Input &in)
{
    switch (in.Byte() % 4) {
    case 0:
        return in.Int(-64, 64);
    case 1:
        return in.Size();
    case 2:
        return -in.Size();
    default:
        return in.Int(0, 48);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CodexaSetPixelLimit(1ll << 18); // outputs of a million pixels take seconds under the sanitizers
    dibfuzz::Input in(data, size);
    SIZE outSize { in.Size(), in.Size() };
    RECT dest {};
    if (in.Byte() % 2) {
        dest = RECT { 0, 0, outSize.cx, outSize.cy };
    } else {
        dest.left = Coordinate(in);
        dest.top = Coordinate(in);
        dest.right = Coordinate(in);
        dest.bottom = Coordinate(in);
    }
    const int mode = in.Byte() % 4;
    dibfuzz::Pair pair;
    if (!dibfuzz::MakePicture(in, pair))
        return 0;
    // Sources of a few million pixels take seconds under the sanitizers without finding more.
    const BITMAPINFOHEADER &h = pair.info->bmiHeader;
    if (pair.bits != nullptr && std::llabs(static_cast<long long>(h.biWidth) * h.biHeight) > (1ll << 18))
        return 0;
    DibInfoBlock outInfo {};
    HGLOBAL outBits = nullptr;
    if (CodexaResample(&outInfo, &outBits, pair.info, pair.bits, &outSize, dest, mode) == 1) {
        if (outBits == nullptr || outInfo.bmiHeader.biWidth != outSize.cx
            || outInfo.bmiHeader.biHeight != outSize.cy)
            __builtin_trap();
        CodexaRelease(&outBits);
    }
    return 0;
}
