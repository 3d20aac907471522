#include "browser/thumbobj.h"

#include "browser/archive.h"
#include "browser/itemcanvas.h"
#include "browser/thumbowner.h"
#include "platform/dibutil.h"
#include "platform/files.h"

#include <cstring>

namespace
{

constexpr int kMaxSide = 0xFFFF;

} // namespace

CThumbObj::CThumbObj(CThumbOwner *owner)
    : m_owner(owner)
{
}

CThumbObj::~CThumbObj()
{
    FreePicture();
}

void CThumbObj::FreePicture()
{
    m_pixels.reset();
    m_bits = nullptr;
    m_bitsSize = 0;
}

namespace
{

std::shared_ptr<const void> OwnGlobalBlock(HGLOBAL block)
{
    return std::shared_ptr<const void>(block, [](const void *p) { GlobalFree(const_cast<void *>(p)); });
}

} // namespace

std::int64_t CThumbObj::ImageByteCount(const BITMAPINFOHEADER &header)
{
    std::int64_t stride = (static_cast<std::int64_t>(header.biBitCount) * header.biWidth + 31) / 32 * 4;
    return stride * header.biHeight;
}

void CThumbObj::Serialize(ArchiveWriter &ar)
{
    CResourceObj::Serialize(ar);
    std::int64_t bytes = ImageByteCount(m_header);
    // Only pictures this item holds in full can be described; anything else is stored as none.
    if (bytes < 0 || bytes > static_cast<std::int64_t>(m_bitsSize) || (bytes > 0 && m_bits == nullptr))
        bytes = 0;
    BITMAPINFOHEADER header = m_header;
    if (bytes == 0)
        header.biBitCount = 0;
    header.biSizeImage = static_cast<DWORD>(bytes);
    m_header.biSizeImage = header.biSizeImage;
    ar.WriteBytes(&header, sizeof header);
    if (bytes > 0)
        ar.WriteBytes(m_bits, static_cast<std::size_t>(bytes));
    ar.WriteBytes(&m_sourceHeader, sizeof m_sourceHeader);
}

bool CThumbObj::Serialize(ArchiveReader &ar)
{
    if (!CResourceObj::Serialize(ar))
        return false;
    BITMAPINFOHEADER header {};
    if (!ar.ReadBytes(&header, sizeof header))
        return false;
    std::size_t stored = header.biSizeImage;
    const std::uint8_t *pixels = ar.Take(stored);
    if (pixels == nullptr)
        return false;
    if (header.biBitCount != 0) {
        // A picture of a depth we can draw, exactly as large as its header says.
        const int depth = header.biBitCount;
        if ((depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
            || header.biWidth <= 0 || header.biWidth > kMaxSide || header.biHeight <= 0
            || header.biHeight > kMaxSide || ImageByteCount(header) != static_cast<std::int64_t>(stored))
            return false;
    }
    BITMAPINFOHEADER source {};
    if (!ar.ReadBytes(&source, sizeof source))
        return false;
    std::shared_ptr<const void> owner;
    const void *bits = nullptr;
    if (stored != 0 && ar.Owner()) {
        // Shares the file's bytes instead of copying them.
        owner = ar.Owner();
        bits = pixels;
    } else if (stored != 0) {
        HGLOBAL block = GlobalAlloc(GPTR, stored);
        if (block == nullptr)
            return false;
        std::memcpy(block, pixels, stored);
        owner = OwnGlobalBlock(block);
        bits = block;
    }
    FreePicture();
    m_pixels = std::move(owner);
    m_bits = bits;
    m_bitsSize = stored;
    m_header = header;
    m_sourceHeader = source;
    return true;
}

std::int64_t CThumbObj::GetStoreSize() const
{
    std::int64_t bytes = ImageByteCount(m_header);
    return CResourceObj::GetStoreSize() + 40 + (bytes > 0 ? bytes : 0) + 40;
}

void CThumbObj::BeginPicture()
{
    m_pictureSize = m_boxSize;
    FreePicture();
    m_header = BITMAPINFOHEADER {};
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = m_boxSize.cx;
    m_header.biHeight = m_boxSize.cy;
}

int CThumbObj::TakePicture(ThumbOutcome &&outcome)
{
    if (!outcome.opened) {
        if (m_owner != nullptr)
            m_owner->ShowFileError(GetFullPath(), 3, 2);
        return 0;
    }
    if (!outcome.made) {
        m_header.biBitCount = 0;
        return 0;
    }
    m_header = outcome.header;
    m_bits = outcome.bits.get();
    m_pixels = OwnGlobalBlock(outcome.bits.release());
    m_bitsSize = outcome.bitsSize;
    m_pictureSize = SIZE { m_header.biWidth, m_header.biHeight };
    m_sourceHeader = outcome.source;
    return 1;
}

int CThumbObj::MakePicture()
{
    BeginPicture();
    const ThumbCodec *codec = m_owner != nullptr ? m_owner->GetCodec() : nullptr;
    ThumbOutcome outcome;
    if (codec != nullptr) {
        outcome = MakeThumbnail(*codec, GetFullPath(), m_boxSize);
    } else {
        // Without an owner the file is only checked; no thumbnail can be made.
        outcome.opened = CanReadRegularFile(GetFullPath());
    }
    return TakePicture(std::move(outcome));
}

int CThumbObj::SetPicture(const void *packedDib, std::size_t size)
{
    if (packedDib == nullptr || size < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER header {};
    std::memcpy(&header, packedDib, sizeof header);
    std::size_t colours = header.biBitCount <= 8 ? (std::size_t(4) << header.biBitCount) : 0;
    std::size_t offset = sizeof header + colours;
    std::size_t bytes = DibCheckedImageSize(header.biWidth, header.biHeight, header.biBitCount);
    if (bytes == 0 || offset > size || size - offset < bytes)
        return 0;
    HGLOBAL bits = GlobalAlloc(GPTR, bytes);
    if (bits == nullptr)
        return 0;
    std::memcpy(bits, static_cast<const std::uint8_t *>(packedDib) + offset, bytes);
    FreePicture();
    m_pixels = OwnGlobalBlock(bits);
    m_bits = bits;
    m_bitsSize = bytes;
    m_header = header;
    m_pictureSize = SIZE { header.biWidth, header.biHeight };
    return 1;
}

void CThumbObj::DrawFrame(ItemCanvas &dc, int scrollY)
{
    DrawChamferedFrame(dc, scrollY);
}

void CThumbObj::DrawPicture(ItemCanvas &dc, int scrollY)
{
    RECT pic = GetPictureRect(scrollY);
    DrawSunkenFrame(dc, pic);
    if (m_header.biBitCount == 0) {
        int cx = (pic.left + pic.right) / 2;
        int cy = (pic.top + pic.bottom) / 2;
        const POINT a[] = { { cx + 20, cy - 20 }, { cx - 20, cy + 20 } };
        const POINT b[] = { { cx - 20, cy - 20 }, { cx + 20, cy + 20 } };
        dc.Polyline(a, 2, kBlack);
        dc.Polyline(b, 2, kBlack);
        return;
    }
    if (m_bits != nullptr)
        dc.Picture(pic, m_header, m_bits, m_bitsSize);
}

void CThumbObj::DrawLabel(ItemCanvas &dc, int scrollY)
{
    RECT label = OffsetRectY(m_labelRect, -scrollY);
    DrawSunkenFrame(dc, label);
    dc.FillRect(label, dc.SystemColour(SysColour::Window));
    SysColour back = SysColour::Window;
    SysColour text = SysColour::WindowText;
    if (m_selected != 0 && (m_owner == nullptr || !m_owner->IsPopup())) {
        bool active = m_owner != nullptr && m_owner->HasKeyboardFocus();
        back = active ? SysColour::Highlight : SysColour::InactiveCaption;
        text = active ? SysColour::HighlightText : SysColour::InactiveCaptionText;
    }
    COLORREF background = dc.SystemColour(back);
    dc.Text(label, m_name, true, dc.SystemColour(text), &background);
}
