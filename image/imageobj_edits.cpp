// The edit operations of CImageObj: each builds its result aside and only then replaces the
// picture, so a failure (no memory, nothing to do) leaves the picture as it was.
#include "codec/codexa.h"
#include "image/blackedge.h"
#include "image/crop.h"
#include "image/dibpixels.h"
#include "image/fillmask.h"
#include "image/imageobj.h"
#include "image/maskobj.h"
#include "image/mirror.h"
#include "image/resize.h"
#include "image/rotate.h"
#include "image/tone.h"

#include <cmath>

bool CImageObj::Rotate(double angle)
{
    if (IsEmpty())
        return false;
    int s = 0, c = 0;
    switch (RotationFor(angle, s, c)) {
    case RotationKind::Invalid:
        return false;
    case RotationKind::Identity:
        return true;
    case RotationKind::Turn:
        break;
    }
    DibResult out;
    if (!RotateDib(*m_info, m_bits, s, c, out))
        return false;
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::MirrorFlip(int direction)
{
    if (IsEmpty())
        return false;
    DibResult out;
    if (!MirrorFlipDib(*m_info, m_bits, direction, out))
        return false;
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::ColorTable(int redStep, int greenStep, int blueStep)
{
    if (IsEmpty() || !ColorTablesDib(*m_info, m_bits, redStep, greenStep, blueStep))
        return false;
    m_displayDirty = true;
    return true;
}

bool CImageObj::BlackWhite(int threshold)
{
    if (IsEmpty())
        return false;
    if (BitCount() == 1)
        return true;
    DibResult out;
    if (!BlackWhiteDib(*m_info, m_bits, threshold, out))
        return false;
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::Grey()
{
    if (IsEmpty())
        return false;
    DibResult out;
    if (!GreyDib(*m_info, m_bits, out))
        return false;
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::Resize(int width, int height, int confirm)
{
    if (IsEmpty() || confirm == 0)
        return false;
    if (width == Width() && height == Height())
        return true;
    DibResult out;
    if (!ResizeDib(*m_info, m_bits, width, height, out))
        return false;
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::Crop(int left, int top, int right, int bottom, CImageObj *dest)
{
    if (IsEmpty())
        return false;
    if (dest != nullptr && dest != this)
        return CopyTo(*dest) && dest->Crop(left, top, right, bottom);
    DibResult out;
    switch (CropDib(*m_info, m_bits, left, top, right, bottom, out)) {
    case CropOutcome::Failed:
        return false;
    case CropOutcome::Whole:
        return true;
    case CropOutcome::Cropped:
        break;
    }
    Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::RemoveBlackEdge()
{
    if (IsEmpty())
        return false;
    CMaskObj mask;
    if (!DarkEdgeMask(*m_info, m_bits, mask))
        return false;
    mask.Invert();
    RECT keep = mask.GetBounds(1);
    return Crop(keep.left, keep.top, keep.right, keep.bottom);
}

bool CImageObj::FillByMaskAt(CMaskObj &mask, COLORREF colour, int maskX, int maskRow)
{
    if (IsEmpty() || mask.IsEmpty())
        return false;
    if (BitCount() == 1 && mask.BitCount() == 8 && !mask.To1Bit())
        return false;
    if (!FillByMaskDib(*m_info, m_bits, mask, colour, maskX, maskRow))
        return false;
    m_displayDirty = true;
    return true;
}

bool CImageObj::FillByMask(CMaskObj &mask, COLORREF colour)
{
    return FillByMaskAt(mask, colour, 0, 0);
}

bool CImageObj::Negative()
{
    if (IsEmpty())
        return false;
    RegionRecord region;
    region.pixels = m_bits;
    region.left = 0;
    region.bottomRow = 0;
    region.right = Width();
    region.topRow = Height();
    region.wholeRight = Width();
    region.wholeBottom = Height();
    region.bitCount = BitCount();
    DibLayout d;
    if (!DibLayoutOf(m_info, m_bits, d) || !InvertRegion(region))
        return false;
    m_displayDirty = true;
    return true;
}

bool CImageObj::PreviewCopy(CImageObj &dest, int maxWidth, int maxHeight) const
{
    if (IsEmpty() || &dest == this || maxWidth < 1 || maxHeight < 1 || !CopyTo(dest))
        return false;
    const int w = Width(), h = Height();
    const double rx = static_cast<double>(maxWidth) / w;
    const float ry = static_cast<float>(maxHeight) / static_cast<float>(h);
    int tw = maxWidth, th = maxHeight;
    if (rx >= ry)
        tw = static_cast<int>(std::trunc(static_cast<float>(w) * ry));
    else
        th = static_cast<int>(std::trunc(h * rx));
    if (tw >= w && th >= h)
        return true;
    tw = std::max(tw, 1);
    th = std::max(th, 1);
    if (BitCount() != 4 && BitCount() != 8)
        return dest.Resize(tw, th, 1);
    DibResult out;
    SIZE size { tw, th };
    if (CodexaResample(&out.info, &out.bits, dest.m_info, dest.m_bits, &size, RECT { 0, 0, tw, th }, 2) != 1)
        return false;
    DibLayout d;
    if (!DibLayoutOf(&out.info, out.bits, d))
        return false;
    dest.Replace(out.Take(), out.info);
    return true;
}

bool CImageObj::DeleteSelection(CMaskObj &mask)
{
    if (IsEmpty() || !mask.Resize(Width(), Height()))
        return false;
    return FillByMask(mask, RGB(255, 255, 255));
}

bool CImageObj::CropToSelection(CMaskObj &mask)
{
    if (IsEmpty() || !mask.Resize(Width(), Height()))
        return false;
    if (BitCount() == 1 && mask.BitCount() == 8 && !mask.To1Bit())
        return false;
    // An empty selection crops nothing (rather than whitening the whole picture).
    RECT keep = mask.GetBounds(1);
    if (keep.right <= keep.left || keep.bottom <= keep.top)
        return false;
    // Crop first, then whiten what lies outside the selection: the same pixels as whitening and
    // then cropping, but a failed crop leaves the picture untouched.
    const int height = Height();
    if (!Crop(keep.left, keep.top, keep.right, keep.bottom))
        return false;
    mask.Invert();
    return FillByMaskAt(mask, RGB(255, 255, 255), keep.left, height - keep.bottom);
}
