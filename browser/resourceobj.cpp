#include "browser/resourceobj.h"

#include "browser/archive.h"
#include "browser/itemcanvas.h"
#include "platform/paths.h"

#include <string>

namespace
{

bool SaneSize(const SIZE &size)
{
    return size.cx >= 0 && size.cx <= 0xFFFF && size.cy >= 0 && size.cy <= 0xFFFF;
}

void WriteSize(ArchiveWriter &ar, const SIZE &size)
{
    ar.WriteI32(size.cx);
    ar.WriteI32(size.cy);
}

bool ReadSize(ArchiveReader &ar, SIZE &size)
{
    return ar.ReadI32(size.cx) && ar.ReadI32(size.cy);
}

} // namespace

RECT OffsetRectY(const RECT &rect, int dy)
{
    return RECT { rect.left, rect.top + dy, rect.right, rect.bottom + dy };
}

void CResourceObj::Serialize(ArchiveWriter &ar)
{
    ar.WriteString(m_name);
    ar.WriteBytes(&m_status, sizeof m_status);
    WriteSize(ar, m_cellSize);
    WriteSize(ar, m_boxSize);
    WriteSize(ar, m_pictureSize);
}

bool CResourceObj::Serialize(ArchiveReader &ar)
{
    // Sizes stay within what a grid can show, so the cell arithmetic never overflows.
    return ar.ReadString(m_name) && ar.ReadBytes(&m_status, sizeof m_status) && ReadSize(ar, m_cellSize)
        && ReadSize(ar, m_boxSize) && ReadSize(ar, m_pictureSize) && SaneSize(m_cellSize)
        && SaneSize(m_boxSize) && SaneSize(m_pictureSize);
}

std::int64_t CResourceObj::GetStoreSize() const
{
    return static_cast<std::int64_t>(m_name.size()) + 304;
}

void CResourceObj::SetCellRect(const RECT &rect, int textHeight)
{
    m_cellRect = rect;
    int l = rect.left;
    int t = rect.top;
    m_boxRect = RECT { l + 7, t + textHeight, l + 7 + m_boxSize.cx, t + textHeight + m_boxSize.cy };
    m_labelRect = RECT { l + 1, t + textHeight + m_boxSize.cy + 15, rect.right - 1, rect.bottom - 1 };
}

void CResourceObj::Draw(ItemCanvas &dc, int scrollY)
{
    DrawFrame(dc, scrollY);
    DrawPicture(dc, scrollY);
    DrawLabel(dc, scrollY);
}

int CResourceObj::SetPicture(const void *, std::size_t)
{
    return 0;
}

void CResourceObj::SetNameFolder(const std::string &name, const std::string &folder)
{
    m_name = name;
    m_folder = folder;
}

void CResourceObj::SetFullPath(const std::string &path)
{
    std::size_t cut = path.find_last_of(kPathSeparator);
    if (cut == std::string::npos)
        return;
    m_folder = path.substr(0, cut);
    m_name = path.substr(cut + 1);
}

std::string CResourceObj::GetFullPath() const
{
    return JoinFolderAndName(m_folder, m_name);
}

void CResourceObj::SetBoxSize(int cx, int cy)
{
    m_boxSize = SIZE { cx, cy };
    m_pictureSize = m_boxSize;
}

RECT CResourceObj::GetPictureRect(int scrollY) const
{
    RECT box = OffsetRectY(m_boxRect, -scrollY);
    int cx = (box.left + box.right) / 2;
    int cy = (box.top + box.bottom) / 2;
    int left = cx - m_pictureSize.cx / 2;
    int top = cy - m_pictureSize.cy / 2;
    return RECT { left, top, left + m_pictureSize.cx, top + m_pictureSize.cy };
}

void CResourceObj::DrawSunkenFrame(ItemCanvas &dc, const RECT &inner)
{
    RECT g { inner.left - 1, inner.top - 1, inner.right + 1, inner.bottom + 1 };
    dc.FillRect(RECT { g.left, g.top, g.left + 1, g.bottom }, kBlack);
    dc.FillRect(RECT { g.left, g.top, g.right, g.top + 1 }, kBlack);
    dc.FillRect(RECT { g.right - 1, g.top, g.right, g.bottom }, kWhite);
    dc.FillRect(RECT { g.left, g.bottom - 1, g.right, g.bottom }, kWhite);
}

void CResourceObj::DrawChamferedFrame(ItemCanvas &dc, int scrollY)
{
    RECT cell = OffsetRectY(m_cellRect, -scrollY);
    RECT box = OffsetRectY(m_boxRect, -scrollY);
    int l = cell.left;
    int t = cell.top;
    int r = cell.right;
    int b = box.bottom + 7;
    const POINT light[] = { { l + 3, b }, { l, b - 3 }, { l, t + 3 }, { l + 3, t }, { r - 3, t } };
    const POINT dark[] = { { r - 3, t }, { r, t + 3 }, { r, b - 3 }, { r - 3, b }, { l + 3, b } };
    dc.Polyline(light, 5, kWhite);
    dc.Polyline(dark, 5, kBlack);
    RECT band { box.left, t, box.right, box.top };
    dc.Text(band, std::to_string(m_index), false, kBlack, nullptr);
}

void CResourceObj::DrawFrame(ItemCanvas &dc, int scrollY)
{
    RECT cell = OffsetRectY(m_cellRect, -scrollY);
    RECT box = OffsetRectY(m_boxRect, -scrollY);
    dc.FillRect(RECT { cell.left + 1, cell.top + 1, cell.right, box.bottom + 7 },
        dc.SystemColour(SysColour::ButtonFace));
    DrawChamferedFrame(dc, scrollY);
}

void CResourceObj::DrawPicture(ItemCanvas &dc, int scrollY)
{
    DrawSunkenFrame(dc, GetPictureRect(scrollY));
}

void CResourceObj::DrawLabel(ItemCanvas &dc, int scrollY)
{
    RECT label = OffsetRectY(m_labelRect, -scrollY);
    DrawSunkenFrame(dc, label);
    COLORREF window = dc.SystemColour(SysColour::Window);
    dc.FillRect(label, window);
    dc.Text(label, m_name, true, dc.SystemColour(SysColour::WindowText), &window);
}
