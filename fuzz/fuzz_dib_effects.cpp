// The bitmap library's distortions and generated effects with arbitrary headers and parameters.
#include "dib/random.h"
#include "fuzz/dib_fuzz.h"

#include <cstring>

namespace
{

// A double from the input: mostly modest values, sometimes zero, huge, infinite or NaN.
double Real(dibfuzz::Input &in)
{
    switch (in.Byte() % 8) {
    case 0:
        return 0.0;
    case 1:
        return 1e300 * (in.Byte() & 1 ? 1 : -1);
    case 2:
        return in.Byte() & 1 ? __builtin_inf() : __builtin_nan("");
    default:
        return in.Int(-100000, 100000) / 1000.0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 14;
    const int a = in.Int(-400, 400), b = in.Int(-400, 400), c = in.Int(-400, 400);
    const int mode = in.Int(-1, 7);
    const double r1 = Real(in), r2 = Real(in), r3 = Real(in);
    const RECT segment { in.Int(-2, 50), in.Int(-2, 50), in.Int(-2, 50), in.Int(-2, 50) };
    dib::SeedRandom(static_cast<unsigned>(a));
    dib::FixTimeSeed(static_cast<unsigned>(b));
    Pair pair;
    if (!MakePicture(in, pair))
        return 0;
    // Pictures with pixels stay below a million pixels so that every run is quick (a 4 MB 1-bit
    // block would otherwise hold 32 million).
    if (pair.bits != nullptr
        && std::int64_t(pair.info->bmiHeader.biWidth) * pair.info->bmiHeader.biHeight > (1 << 20))
        return 0;
    switch (which) {
    case 0:
        DibTwist(&pair.bits, &pair.info, a, r1, b, mode & 1);
        break;
    case 1:
        DibWaveEffect(&pair.bits, &pair.info, a, r1, b, mode & 1);
        break;
    case 2:
        DibSpiralEffect(&pair.bits, &pair.info, r1);
        break;
    case 3:
        DibDrop(&pair.bits, &pair.info, r1 / 100, r2 / 100, a, b, c);
        break;
    case 4:
        DibImplodeImage(&pair.bits, &pair.info, r1, a, b, c);
        break;
    case 5:
        DibWind(&pair.bits, &pair.info, a, mode & 1);
        break;
    case 6:
        DibShade(&pair.bits, &pair.info, mode & 1, r1, r2);
        break;
    case 7:
        DibLens(&pair.bits, &pair.info, a, b & 1);
        break;
    case 8:
        DibFuzzy(&pair.bits, &pair.info, static_cast<COLORREF>(c) * 65793u, a, mode);
        break;
    case 9:
        DibPlasma(&pair.bits, &pair.info, a, mode);
        break;
    case 10:
        DibPlasmaImage(&pair.bits, &pair.info, &segment, a, c % 12, mode);
        break;
    case 11:
        DibPlasmaPixel(static_cast<BYTE>(a), r3);
        DibGriddingPixel(static_cast<BYTE>(a), static_cast<BYTE>(b), static_cast<BYTE>(c), mode);
        break;
    default: {
        BYTE pixel[16] = {};
        const int offset = a & 7;
        DibPlasmaPixels(&offset, pixel, b & 1, 0, 4);
        break;
    }
    }
    dib::FixTimeSeed(std::nullopt);
    return 0;
}
