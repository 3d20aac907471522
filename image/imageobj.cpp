#include "image/imageobj.h"

#include "codec/codexa.h"
#include "image/dibpixels.h"
#include "image/displayimage.h"

#include <QPainter>
#include <cstring>
#include <new>

CImageObj::CImageObj() = default;

CImageObj::~CImageObj()
{
    FreeAll();
}

void CImageObj::FreeAll()
{
    if (bits_ != nullptr)
        GlobalFree(bits_);
    bits_ = nullptr;
    delete info_;
    info_ = nullptr;
    display_ = QImage();
    displayDirty_ = true;
}

int CImageObj::Width() const
{
    return info_ ? info_->bmiHeader.biWidth : 0;
}

int CImageObj::Height() const
{
    return info_ ? info_->bmiHeader.biHeight : 0;
}

int CImageObj::BitCount() const
{
    return info_ ? info_->bmiHeader.biBitCount : 0;
}

bool CImageObj::LoadPage(int page)
{
    FreeAll();
    info_ = new (std::nothrow) DibInfoBlock {};
    if (info_ == nullptr)
        return false;
    HGLOBAL bits = nullptr;
    int damaged = 0;
    damaged_ = false;
    if (CodexaLoadPageEx(&bits, info_, fileName_.c_str(), page, &damaged) <= 0 || bits == nullptr)
        return false;
    DibLayout layout;
    if (!DibLayoutOf(info_, bits, layout)) {
        CodexaRelease(&bits);
        return false;
    }
    bits_ = bits;
    damaged_ = damaged != 0;
    return true;
}

bool CImageObj::Load(std::string path)
{
    fileName_ = std::move(path);
    pageCount_ = 1;
    currentPage_ = 0;
    if (!LoadPage(-1))
        return false;
    int pages = CodexaPageCount(fileName_.c_str());
    pageCount_ = pages > 0 ? pages : 1;
    return true;
}

bool CImageObj::GotoPage(bool forward)
{
    if (pageCount_ < 2)
        return false;
    int next = currentPage_ + (forward ? 1 : -1);
    if (next < 0 || next >= pageCount_)
        return false;
    currentPage_ = next;
    return LoadPage(next);
}

bool CImageObj::GotoPageIndex(int page)
{
    if (page < 0 || page >= pageCount_ || fileName_.empty())
        return false;
    if (!LoadPage(page))
        return false;
    currentPage_ = page;
    return true;
}

bool CImageObj::Reload()
{
    std::string path = fileName_;
    return Load(std::move(path));
}

bool CImageObj::Save(std::string path)
{
    if (path.empty())
        path = fileName_;
    if (IsEmpty() || path.empty())
        return false;
    unsigned char options[64] = {};
    const std::uint16_t quality = 100;
    std::memcpy(options + 54, &quality, sizeof quality);
    return CodexaSave(path.c_str(), info_, bits_, "", options) > 0;
}

bool CImageObj::CopyFrom(const void *bits, const void *header)
{
    if (bits == nullptr || header == nullptr)
        return false;
    if (bits == bits_ && header == info_)
        return true;
    const auto *src = static_cast<const BITMAPINFOHEADER *>(header);
    auto *info = new (std::nothrow) DibInfoBlock {};
    if (info == nullptr)
        return false;
    std::memcpy(info, header, DibHeaderBytes(*src));
    std::size_t size = DibImageSizeOf(info->bmiHeader);
    FreeAll();
    HGLOBAL block = size ? GlobalAlloc(GPTR, size) : nullptr;
    if (block == nullptr) {
        delete info;
        return false;
    }
    std::memcpy(block, bits, size);
    info_ = info;
    bits_ = block;
    return true;
}

bool CImageObj::CopyTo(CImageObj &dest) const
{
    if (&dest == this)
        return !IsEmpty();
    return dest.CopyFrom(bits_, info_);
}

void CImageObj::Replace(HGLOBAL bits, const DibInfoBlock &info)
{
    if (bits != bits_) {
        GlobalFree(bits_);
        bits_ = bits;
    }
    if (&info != info_)
        std::memcpy(info_, &info, DibHeaderBytes(info.bmiHeader));
    displayDirty_ = true;
}

const QImage &CImageObj::DisplayImage()
{
    if (displayDirty_) {
        display_ = IsEmpty() ? QImage() : MakeDisplayImage(info_, bits_, std::move(display_));
        displayDirty_ = false;
    }
    return display_;
}

void CImageObj::Draw(QPainter &painter)
{
    const QImage &image = DisplayImage();
    if (image.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPoint(0, 0), image);
    painter.restore();
}

void CImageObj::DrawFitted(QPainter &painter, int l, int t, int r, int b)
{
    const QImage &image = DisplayImage();
    if (image.isNull())
        return;
    RECT fit = FitRect(image.width(), image.height(), l, t, r, b);
    if (fit.right <= fit.left || fit.bottom <= fit.top)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top), image);
    painter.restore();
}
