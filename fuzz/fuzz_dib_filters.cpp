// The bitmap library's filters with arbitrary headers, codes, types, radii and block sizes.
#include "dib/random.h"
#include "fuzz/dib_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 13;
    const int a = in.Int(-3, 20);
    const int b = in.Int(-3, 20);
    const int wide = (in.Byte() & 1) ? in.Size() : a; // sometimes huge or negative
    dib::SeedRandom(in.Byte());
    dib::FixTimeSeed(7);
    Pair pair;
    if (!MakePicture(in, pair))
        return 0;
    const BITMAPINFOHEADER h = pair.info->bmiHeader;
    // Work grows with the pixel count and, per row, with the instrumentation; a picture the
    // functions accept is kept small so that one input stays well inside the time limit under
    // the sanitizers. Headers without a block (absurd sizes) still reach the refusals.
    const int planeWidth = (which == 10 && !(a & 1)) ? wide : h.biWidth;
    const int planeHeight = (which == 11 && !(a & 1)) ? wide : h.biHeight;
    const std::int64_t pixels = std::int64_t(planeWidth) * planeHeight;
    const bool heavy = which == 1 || which == 3 || which == 5 || which == 6;
    const std::size_t block = GlobalSize(pair.bits);
    const bool accepted = planeWidth > 0 && planeHeight > 0 && block > 0
        && (which < 10 || which > 11 || pixels <= std::int64_t(block));
    if (accepted && pixels > (heavy ? (1 << 16) : (1 << 18)))
        return 0;
    switch (which) {
    case 0:
    case 1: {
        const int params[3] = { 0, a, wide };
        DoImageFilter(&pair.bits, &pair.info, 0, params);
        break;
    }
    case 2:
        DoSpecialFilter(&pair.bits, &pair.info, a, which == 2 ? wide : b);
        break;
    case 3:
        OilPaintDib(&pair.bits, &pair.info, b % 6);
        break;
    case 4:
        DibCharCoal(&pair.bits, &pair.info);
        break;
    case 5:
        DibDespeckleImage(&pair.bits, &pair.info);
        break;
    case 6:
        DibReduceNoiseImage(&pair.bits, &pair.info);
        break;
    case 7:
        DibMyAddNoise(&pair.bits, &pair.info, wide);
        break;
    case 8:
        DibMosaic(&pair.bits, &pair.info, wide, b);
        break;
    case 9:
        DibSpreadImage(&pair.bits, &pair.info, wide);
        break;
    case 10:
        // The plane's size as the header says, or as the fuzzer says.
        BlurMask8Bit(planeWidth, planeHeight, &pair.bits);
        break;
    case 11:
        Deflate8Bit(planeWidth, planeHeight, &pair.bits, b);
        break;
    default:
        DoSpecialFilter(&pair.bits, &pair.info, b, a);
        break;
    }
    return 0;
}
