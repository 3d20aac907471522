#include "image/imageobj.h"

#include "codec/codexa.h"
#include "image/dibpixels.h"
#include "image/displayimage.h"
#include "image/editop.h"
#include "platform/paths.h"

#include <QPainter>
#include <cctype>
#include <cstring>
#include <new>
#include <utility>

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

namespace
{

bool IsJpegName(const std::string &path)
{
    std::string ext = PathExtension(path);
    for (char &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jfif";
}

bool IsTiffName(const std::string &path)
{
    std::string ext = PathExtension(path);
    for (char &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tif" || ext == ".tiff";
}

constexpr int kJpegFormatNumber = 1;

} // namespace

bool CImageObj::SaveKeepingFile(std::string path, const std::vector<EditKind> *turns)
{
    if (path.empty())
        path = fileName_;
    if (IsEmpty() || path.empty())
        return false;
    const bool fromJpeg = !fileName_.empty() && CodexaFormatTest(fileName_.c_str()) == kJpegFormatNumber;
    if (fromJpeg && IsJpegName(path) && turns && !damaged_) {
        std::vector<int> steps;
        for (EditKind kind : *turns)
            steps.push_back(kind == EditKind::TurnRight ? 0
                    : kind == EditKind::TurnLeft        ? 1
                    : kind == EditKind::Mirror          ? 2
                                                        : 3);
        if (CodexaJpegTransform(fileName_.c_str(), path.c_str(), steps.data(), static_cast<int>(steps.size()))
            > 0)
            return true;
    }
    if (pageCount_ > 1 && path == fileName_ && IsTiffName(path)) {
        // Every page of the file, this one as it is now.
        std::vector<CImageObj> pages(static_cast<std::size_t>(pageCount_));
        std::vector<const void *> infos, bits;
        for (int i = 0; i < pageCount_; ++i) {
            const CImageObj *page = this;
            if (i != currentPage_) {
                CImageObj &other = pages[std::size_t(i)];
                other.fileName_ = fileName_;
                if (!other.LoadPage(i) || other.damaged_)
                    return false;
                page = &other;
            }
            infos.push_back(page->info_);
            bits.push_back(page->bits_);
        }
        return CodexaSaveTiffPages(path.c_str(), pageCount_, infos.data(), bits.data()) > 0;
    }
    if (fromJpeg && IsJpegName(path))
        return CodexaSaveKeeping(path.c_str(), info_, bits_, fileName_.c_str()) > 0;
    return Save(std::move(path));
}

void CImageObj::Rename(std::string path)
{
    fileName_ = std::move(path);
    const int pages = CodexaPageCount(fileName_.c_str());
    pageCount_ = pages > 0 ? pages : 1;
    if (currentPage_ >= pageCount_)
        currentPage_ = 0;
    damaged_ = false;
}

bool CImageObj::ReloadPixels()
{
    CImageObj fresh;
    fresh.fileName_ = fileName_;
    if (fileName_.empty() || !fresh.LoadPage(pageCount_ > 1 ? currentPage_ : -1))
        return false;
    SwapPixels(fresh);
    damaged_ = fresh.damaged_;
    return true;
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

void CImageObj::SwapPixels(CImageObj &other)
{
    std::swap(bits_, other.bits_);
    std::swap(info_, other.info_);
    display_ = QImage();
    other.display_ = QImage();
    displayDirty_ = true;
    other.displayDirty_ = true;
}

std::size_t CImageObj::MemoryBytes() const
{
    if (IsEmpty())
        return 0;
    return DibHeaderBytes(info_->bmiHeader) + DibImageSizeOf(info_->bmiHeader);
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
