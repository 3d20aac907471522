// The bitmap library's conversions and scalers with arbitrary headers, sizes and rectangles.
#include "fuzz/dib_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 8;
    const int width = in.Size();
    const int height = in.Size();
    const RECT crop { in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60) };
    const int mode = in.Int(-1, 3);
    Pair pair;
    if (!MakePicture(in, pair))
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
