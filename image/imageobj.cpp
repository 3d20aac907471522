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
    if (m_bits != nullptr)
        GlobalFree(m_bits);
    m_bits = nullptr;
    delete m_info;
    m_info = nullptr;
    m_display = QImage();
    m_displayDirty = true;
}

int CImageObj::Width() const
{
    return m_info ? m_info->bmiHeader.biWidth : 0;
}

int CImageObj::Height() const
{
    return m_info ? m_info->bmiHeader.biHeight : 0;
}

int CImageObj::BitCount() const
{
    return m_info ? m_info->bmiHeader.biBitCount : 0;
}

bool CImageObj::LoadPage(int page)
{
    FreeAll();
    m_info = new (std::nothrow) DibInfoBlock {};
    if (m_info == nullptr)
        return false;
    HGLOBAL bits = nullptr;
    int damaged = 0;
    m_damaged = false;
    if (CodexaLoadPageEx(&bits, m_info, m_fileName.c_str(), page, &damaged) <= 0 || bits == nullptr)
        return false;
    DibLayout layout;
    if (!DibLayoutOf(m_info, bits, layout)) {
        CodexaRelease(&bits);
        return false;
    }
    m_bits = bits;
    m_damaged = damaged != 0;
    return true;
}

bool CImageObj::Load(std::string path)
{
    m_fileName = std::move(path);
    m_pageCount = 1;
    m_currentPage = 0;
    if (!LoadPage(-1))
        return false;
    int pages = CodexaPageCount(m_fileName.c_str());
    m_pageCount = pages > 0 ? pages : 1;
    return true;
}

bool CImageObj::GotoPage(bool forward)
{
    if (m_pageCount < 2)
        return false;
    int next = m_currentPage + (forward ? 1 : -1);
    if (next < 0 || next >= m_pageCount)
        return false;
    m_currentPage = next;
    return LoadPage(next);
}

bool CImageObj::GotoPageIndex(int page)
{
    if (page < 0 || page >= m_pageCount || m_fileName.empty())
        return false;
    if (!LoadPage(page))
        return false;
    m_currentPage = page;
    return true;
}

bool CImageObj::Reload()
{
    std::string path = m_fileName;
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
        path = m_fileName;
    if (IsEmpty() || path.empty())
        return false;
    const bool fromJpeg = !m_fileName.empty() && CodexaFormatTest(m_fileName.c_str()) == kJpegFormatNumber;
    if (fromJpeg && IsJpegName(path) && turns && !m_damaged) {
        std::vector<int> steps;
        for (EditKind kind : *turns)
            steps.push_back(kind == EditKind::TurnRight ? 0
                    : kind == EditKind::TurnLeft        ? 1
                    : kind == EditKind::Mirror          ? 2
                                                        : 3);
        if (CodexaJpegTransform(
                m_fileName.c_str(), path.c_str(), steps.data(), static_cast<int>(steps.size()))
            > 0)
            return true;
    }
    if (m_pageCount > 1 && path == m_fileName && IsTiffName(path)) {
        // Every page of the file, this one as it is now.
        std::vector<CImageObj> pages(static_cast<std::size_t>(m_pageCount));
        std::vector<const void *> infos, bits;
        for (int i = 0; i < m_pageCount; ++i) {
            const CImageObj *page = this;
            if (i != m_currentPage) {
                CImageObj &other = pages[std::size_t(i)];
                other.m_fileName = m_fileName;
                if (!other.LoadPage(i) || other.m_damaged)
                    return false;
                page = &other;
            }
            infos.push_back(page->m_info);
            bits.push_back(page->m_bits);
        }
        return CodexaSaveTiffPages(path.c_str(), m_pageCount, infos.data(), bits.data()) > 0;
    }
    if (fromJpeg && IsJpegName(path))
        return CodexaSaveKeeping(path.c_str(), m_info, m_bits, m_fileName.c_str()) > 0;
    return Save(std::move(path));
}

void CImageObj::Rename(std::string path)
{
    m_fileName = std::move(path);
    const int pages = CodexaPageCount(m_fileName.c_str());
    m_pageCount = pages > 0 ? pages : 1;
    if (m_currentPage >= m_pageCount)
        m_currentPage = 0;
    m_damaged = false;
}

bool CImageObj::ReloadPixels()
{
    CImageObj fresh;
    fresh.m_fileName = m_fileName;
    if (m_fileName.empty() || !fresh.LoadPage(m_pageCount > 1 ? m_currentPage : -1))
        return false;
    SwapPixels(fresh);
    m_damaged = fresh.m_damaged;
    return true;
}

bool CImageObj::Save(std::string path)
{
    if (path.empty())
        path = m_fileName;
    if (IsEmpty() || path.empty())
        return false;
    unsigned char options[64] = {};
    const std::uint16_t quality = 100;
    std::memcpy(options + 54, &quality, sizeof quality);
    return CodexaSave(path.c_str(), m_info, m_bits, "", options) > 0;
}

bool CImageObj::CopyFrom(const void *bits, const void *header)
{
    if (bits == nullptr || header == nullptr)
        return false;
    if (bits == m_bits && header == m_info)
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
    m_info = info;
    m_bits = block;
    return true;
}

bool CImageObj::CopyTo(CImageObj &dest) const
{
    if (&dest == this)
        return !IsEmpty();
    return dest.CopyFrom(m_bits, m_info);
}

void CImageObj::SwapPixels(CImageObj &other)
{
    std::swap(m_bits, other.m_bits);
    std::swap(m_info, other.m_info);
    m_display = QImage();
    other.m_display = QImage();
    m_displayDirty = true;
    other.m_displayDirty = true;
}

std::size_t CImageObj::MemoryBytes() const
{
    if (IsEmpty())
        return 0;
    return DibHeaderBytes(m_info->bmiHeader) + DibImageSizeOf(m_info->bmiHeader);
}

void CImageObj::Replace(HGLOBAL bits, const DibInfoBlock &info)
{
    if (bits != m_bits) {
        GlobalFree(m_bits);
        m_bits = bits;
    }
    if (&info != m_info)
        std::memcpy(m_info, &info, DibHeaderBytes(info.bmiHeader));
    m_displayDirty = true;
}

const QImage &CImageObj::DisplayImage()
{
    if (m_displayDirty) {
        m_display = IsEmpty() ? QImage() : MakeDisplayImage(m_info, m_bits, std::move(m_display));
        m_displayDirty = false;
    }
    return m_display;
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
