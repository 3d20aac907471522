// The bitmap library's tone and colour functions with arbitrary headers, tables, colours, strengths
// and modes.
#include "fuzz/dib_fuzz.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 12;
    const int flag = in.Int(-1, 2);
    const int mode = in.Int(-2, 13);
    const int strength = in.Byte() % 4 == 0 ? in.Int(-1000, 1000) : in.Int(0, 100);
    const COLORREF colour = COLORREF(in.Int(0, 0xFFFFFF));
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i)
        raw |= std::uint32_t(in.Byte()) << (8 * i);
    float percent;
    std::memcpy(&percent, &raw, sizeof percent); // any float: NaN, infinities, huge values
    BYTE tables[3][256];
    for (auto &table : tables)
        for (BYTE &v : table)
            v = in.Byte();
    Pair pair;
    if (!MakePicture(in, pair))
        return 0;
    switch (which) {
    case 0:
        Dib2Gray(&pair.bits, &pair.info, flag);
        break;
    case 1:
        Dib2BW(&pair.bits, &pair.info);
        break;
    case 2:
        NegativeDib(&pair.bits, &pair.info, flag);
        break;
    case 3:
        AdjustRGBOffset(&pair.bits, &pair.info, tables[0], tables[1], tables[2]);
        break;
    case 4:
        DibNormalize(&pair.bits, &pair.info);
        break;
    case 5:
        DibEqualizeImage(&pair.bits, &pair.info);
        break;
    case 6:
        DibSolarize(&pair.bits, &pair.info, percent);
        break;
    case 7:
        DibColorMask(&pair.bits, &pair.info, colour, strength, mode);
        break;
    case 8:
        DibLightMask(&pair.bits, &pair.info, colour, flag, strength);
        break;
    case 9:
        DibHSLMask(&pair.bits, &pair.info, colour, mode % 5, strength);
        break;
    case 10: {
        BYTE out[3];
        DibColorBlend(raw, colour, out, mode);
        break;
    }
    default:
        // A chain, as an editor applies them: the result of one is the input of the next.
        DibNormalize(&pair.bits, &pair.info);
        Dib2Gray(&pair.bits, &pair.info, flag);
        DibEqualizeImage(&pair.bits, &pair.info);
        Dib2BW(&pair.bits, &pair.info);
        NegativeDib(&pair.bits, &pair.info, 0);
        break;
    }
    return 0;
}
