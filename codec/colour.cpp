#include "codec/colour.h"

#ifdef CODEXA_HAVE_LCMS
#include <lcms2.h>
#endif

#include <cmath>
#include <cstring>
#include <memory>

namespace codexa
{

#ifdef CODEXA_HAVE_LCMS

namespace
{

struct ProfileDeleter {
    void operator()(void *p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileDeleter>;

// lcms reports profile errors through a global handler; a broken profile is simply not used.
void Quiet(cmsContext, cmsUInt32Number, const char *) { }

void SetQuietHandler()
{
    static const bool once = [] {
        cmsSetLogErrorHandler(Quiet);
        return true;
    }();
    (void)once;
}

// The first 100 bytes of the description and the colorants decide whether a profile is sRGB: a
// matrix/shaper RGB profile whose colorants equal those of lcms's built-in sRGB within 0.001.
bool IsSrgb(cmsHPROFILE profile, cmsHPROFILE srgb)
{
    for (cmsTagSignature tag : { cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag }) {
        const auto *a = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, tag));
        const auto *b = static_cast<const cmsCIEXYZ *>(cmsReadTag(srgb, tag));
        if (a == nullptr || b == nullptr || std::fabs(a->X - b->X) > 0.001 || std::fabs(a->Y - b->Y) > 0.001
            || std::fabs(a->Z - b->Z) > 0.001)
            return false;
    }
    // Same colorants: the tone curves decide.
    const auto *curve = static_cast<const cmsToneCurve *>(cmsReadTag(profile, cmsSigRedTRCTag));
    const auto *ref = static_cast<const cmsToneCurve *>(cmsReadTag(srgb, cmsSigRedTRCTag));
    if (curve == nullptr || ref == nullptr)
        return false;
    for (int i = 0; i <= 16; ++i) {
        const float v = static_cast<float>(i) / 16.0f;
        if (std::fabs(cmsEvalToneCurveFloat(curve, v) - cmsEvalToneCurveFloat(ref, v)) > 0.002f)
            return false;
    }
    return true;
}

bool Convert(Picture &pic, cmsHPROFILE source)
{
    if (source == nullptr || pic.bitCount() != 24 || pic.bits == nullptr)
        return false;
    if (cmsGetColorSpace(source) != cmsSigRgbData || cmsGetDeviceClass(source) == cmsSigLinkClass
        || cmsGetDeviceClass(source) == cmsSigAbstractClass)
        return false;
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb || IsSrgb(source, srgb.get()))
        return false;
    cmsHTRANSFORM transform
        = cmsCreateTransform(source, TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    if (transform == nullptr)
        return false;
    const int width = pic.width();
    for (int y = 0; y < pic.height(); ++y) {
        std::uint8_t *row = pic.RowFromTop(y);
        cmsDoTransform(transform, row, row, static_cast<cmsUInt32Number>(width));
    }
    cmsDeleteTransform(transform);
    return true;
}

// A transfer characteristic as an lcms parametric curve; null for unsupported ones.
cmsToneCurve *TransferCurve(int transfer)
{
    switch (transfer) {
    case 1: // BT.709
    case 6: // BT.601
    case 14: // BT.2020 10-bit
    case 15: { // BT.2020 12-bit
        const double p[5] = { 1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5, 0.081 };
        return cmsBuildParametricToneCurve(nullptr, 4, p);
    }
    case 13: { // sRGB
        const double p[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
        return cmsBuildParametricToneCurve(nullptr, 4, p);
    }
    case 4: // gamma 2.2
        return cmsBuildGamma(nullptr, 2.2);
    case 5: // gamma 2.8
        return cmsBuildGamma(nullptr, 2.8);
    case 8: // linear
        return cmsBuildGamma(nullptr, 1.0);
    default:
        return nullptr;
    }
}

} // namespace

bool IccToSrgb(Picture &pic, const std::uint8_t *icc, std::size_t size)
{
    if (icc == nullptr || size < 132 || size > (std::size_t(64) << 20))
        return false;
    SetQuietHandler();
    Profile profile(cmsOpenProfileFromMem(icc, static_cast<cmsUInt32Number>(size)));
    return Convert(pic, profile.get());
}

bool CicpToSrgb(Picture &pic, int primaries, int transfer)
{
    struct Primaries {
        int code;
        cmsCIExyYTRIPLE xy;
    };
    // Chromaticities of red, green, blue; all of these have a D65 white.
    static const Primaries kPrimaries[] = {
        { 1, { { 0.640, 0.330, 1 }, { 0.300, 0.600, 1 }, { 0.150, 0.060, 1 } } }, // BT.709 / sRGB
        { 5, { { 0.640, 0.330, 1 }, { 0.290, 0.600, 1 }, { 0.150, 0.060, 1 } } }, // BT.601 625
        { 6, { { 0.630, 0.340, 1 }, { 0.310, 0.595, 1 }, { 0.155, 0.070, 1 } } }, // BT.601 525
        { 9, { { 0.708, 0.292, 1 }, { 0.170, 0.797, 1 }, { 0.131, 0.046, 1 } } }, // BT.2020
        { 12, { { 0.680, 0.320, 1 }, { 0.265, 0.690, 1 }, { 0.150, 0.060, 1 } } }, // Display P3
    };
    if ((primaries == 1 || primaries == 2) && (transfer == 13 || transfer == 2))
        return false; // sRGB, or unspecified
    const Primaries *p = nullptr;
    for (const Primaries &entry : kPrimaries)
        if (entry.code == primaries)
            p = &entry;
    if (primaries == 2)
        p = &kPrimaries[0];
    if (transfer == 2)
        transfer = 13;
    cmsToneCurve *curve = TransferCurve(transfer);
    if (p == nullptr || curve == nullptr) {
        if (curve != nullptr)
            cmsFreeToneCurve(curve);
        return false;
    }
    SetQuietHandler();
    const cmsCIExyY d65 { 0.3127, 0.3290, 1.0 };
    cmsToneCurve *curves[3] = { curve, curve, curve };
    Profile profile(cmsCreateRGBProfile(&d65, &p->xy, curves));
    cmsFreeToneCurve(curve);
    return Convert(pic, profile.get());
}

#else

bool IccToSrgb(Picture &, const std::uint8_t *, std::size_t)
{
    return false;
}

bool CicpToSrgb(Picture &, int, int)
{
    return false;
}

#endif

} // namespace codexa
