// The bitmap library's conversions and scalers with arbitrary headers, sizes and rectangles.
#include "fuzz/dib_fuzz.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 8;
    const int width = in.Size();
    const int height = in.Size();
    const RECT crop { in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60) };
    const int mode = in.Int(-1, 3);
    // Sizes the library accepts are kept to a quarter megapixel, so each run stays quick under the
    // sanitizers; absurd and overflowing ones still reach the checks.
    constexpr long long kMaxPixels = 1ll << 18;
    // (The scalers raise sizes below 2 to 2.)
    const long long w2 = std::max(width, 2), h2 = std::max(height, 2);
    if (DibCheckedImageSize(w2, h2, 24) != 0 && w2 * h2 > kMaxPixels)
        return 0;
    Pair pair;
    if (!MakePicture(in, pair))
        return 0;
    const BITMAPINFOHEADER &h = pair.info->bmiHeader;
    if (pair.bits != nullptr && static_cast<long long>(h.biWidth) * h.biHeight > kMaxPixels)
        return 0;
    switch (which) {
    case 0:
        ScaleDibAll(&pair.bits, &pair.info, width, height, mode);
        break;
    case 1:
        DibScale1Bit(&pair.bits, &pair.info, width, height, mode);
        break;
    case 2:
        Scale8Or4Dib(&pair.bits, &pair.info, width, height, mode);
        break;
    case 3:
        Scale8BitDib(&pair.bits, &pair.info, width, height);
        break;
    case 4:
        ScaleAndCrop(&pair.bits, &pair.info, width, height, crop.left, crop.top, crop.right, crop.bottom);
        break;
    case 5: {
        Pair out;
        out.info = static_cast<BITMAPINFO *>(::operator new(kDibInfoBlockSize));
        SIZE target { width, height };
        DibScaleCrop2Dib(out.info, &out.bits, pair.info, pair.bits, &target, crop, mode);
        break;
    }
    case 6:
        AnyConvertTo24Bit(&pair.bits, &pair.info);
        break;
    default:
        ConvertDIBToNoFillBytes(&pair.bits, &pair.info, mode & 1);
        break;
    }
    return 0;
}
