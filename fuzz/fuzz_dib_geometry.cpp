// The bitmap library's turns, mirrors, crops, rolls, overlays and drawing helpers with arbitrary
// headers, sizes, angles, rectangles and modes.
#include "fuzz/dib_fuzz.h"

#include <QImage>
#include <cmath>
#include <limits>

namespace
{

double Angle(dibfuzz::Input &in)
{
    switch (in.Byte() % 6) {
    case 0:
        return in.Int(-720, 720);
    case 1:
        return std::numeric_limits<double>::quiet_NaN();
    case 2:
        return in.Int(-1, 1) * 1e300;
    default:
        return in.Int(-36000, 36000) / 100.0;
    }
}

RECT Rect(dibfuzz::Input &in)
{
    if (in.Byte() % 4 == 0)
        return RECT { in.Size(), in.Size(), in.Size(), in.Size() };
    return RECT { in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60), in.Int(-2, 60) };
}

bool Small(const dibfuzz::Pair &pair)
{
    const BITMAPINFOHEADER &h = pair.info->bmiHeader;
    return pair.bits == nullptr
        || (std::int64_t(h.biWidth) * h.biHeight <= (1 << 20) && h.biWidth <= 4096 && h.biHeight <= 4096);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace dibfuzz;
    Input in(data, size);
    const int which = in.Byte() % 16;
    const int a = in.Size(), b = in.Size();
    const int c = in.Int(-200, 200), d = in.Int(-200, 200);
    const double angle = Angle(in);
    const RECT rect = Rect(in);
    const BYTE background = in.Byte();
    Pair pair, other;
    if (!MakePicture(in, pair))
        return 0;
    // Pictures with pixels stay below a million pixels and 4096 on a side: larger ones only take
    // longer (a 4 MB 1-bit block is 32 million pixels; one column of a million pixels turned by a
    // degree is 17 billion), the size checks are reached by headers without pixels.
    if (!Small(pair))
        return 0;
    switch (which) {
    case 0:
        RotateDib(&pair.bits, &pair.info, a % 1000 == 0 ? a : c * 90, background);
        break;
    case 1:
        RotateFreeAngle(&pair.bits, &pair.info, angle, background);
        break;
    case 2:
        MirrorDib(&pair.bits, &pair.info, c % 3);
        break;
    case 3:
        DibCrop(&pair.bits, &pair.info, rect.left, rect.top, rect.right, rect.bottom);
        break;
    case 4:
        if (c & 1)
            other.info = static_cast<BITMAPINFO *>(::operator new(kDibInfoBlockSize));
        DibCrop2Dib(
            &other.bits, &other.info, pair.bits, pair.info, rect.left, rect.top, rect.right, rect.bottom);
        break;
    case 5:
        DibRoll(&pair.bits, &pair.info, c % 2 ? a : c, d);
        break;
    case 6:
        DibRotate3D(&pair.bits, &pair.info, angle, c, d & 1);
        break;
    case 7:
    case 8:
        if (MakePicture(in, other) && Small(other))
            DibMask(
                &pair.bits, &pair.info, other.bits, other.info, in.Int(-1, 13), c, a % 100, b % 100, rect);
        break;
    case 9: {
        RECT image, overlay;
        GetMaskRect(a, b, c, d, in.Size(), in.Size(), rect, &image, &overlay);
        break;
    }
    case 10:
        if (MakePicture(in, other) && Small(other)) {
            // Planes as large as the pictures' 8-bit planes, as callers are told.
            auto planeBytes = [](const Pair &x) {
                const BITMAPINFOHEADER &xh = x.info->bmiHeader;
                return x.bits != nullptr ? std::size_t(DibStride(xh.biWidth, 8)) * std::size_t(xh.biHeight)
                                         : std::size_t(0);
            };
            std::vector<BYTE> plane(std::max(planeBytes(pair), planeBytes(other)) + 1, in.Byte());
            BYTE *mask = (d & 1) ? plane.data() : nullptr;
            Dib2DibAlphaBlend(&pair.bits, &pair.info, other.bits, other.info, c, d, rect,
                DWORD(in.Byte()) << 16 | DWORD(in.Byte() % 2) << 24, (c & 1) ? plane.data() : nullptr, &mask);
        }
        break;
    default: {
        // Drawing helpers on a small device.
        QImage device(17, 11, QImage::Format_RGB32);
        device.fill(0);
        CDC dc { &device, nullptr };
        if (which == 11)
            TileDibOnRect(&dc, rect.left, rect.top, rect.right, rect.bottom, pair.info, pair.bits, c % 20,
                d % 20, a % 4);
        else if (which == 12)
            TileBmpOnRect(&dc, rect, static_cast<WORD>(100 + c % 8), c % 5, d % 5, d % 4);
        else if (which == 13)
            GradientFillRect(&dc, &rect, static_cast<COLORREF>(a), static_cast<COLORREF>(b), c & 1, d & 1);
        else
            AlphaBlendDib2DC(&dc, c % 30, d % 30, a % 40, b % 40, pair.bits, pair.info, 0, 0, 0, 0,
                DWORD(background) << 16, nullptr);
        break;
    }
    }
    return 0;
}
