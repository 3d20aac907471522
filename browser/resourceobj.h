// One cell of an item grid: a file of the browsed folder, its place in the grid and how it is
// drawn (a raised chamfered frame with the index number, a sunken picture box, a name label).
#pragma once

#include "platform/files.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <string>

class ArchiveReader;
class ArchiveWriter;
class ItemCanvas;

class CResourceObj
{
public:
    CResourceObj() = default;
    CResourceObj(const CResourceObj &) = delete;
    CResourceObj &operator=(const CResourceObj &) = delete;
    virtual ~CResourceObj() = default;

    virtual const char *GetClassName() const { return "CResourceObj"; }
    // Stores the base fields: the name, the file status record and the three size pairs.
    virtual void Serialize(ArchiveWriter &ar);
    // Loads them; false when the archive ends early or holds sizes no grid can have.
    virtual bool Serialize(ArchiveReader &ar);

    // Bytes this item takes in the cache.
    virtual std::int64_t GetStoreSize() const;
    // Stores the cell rectangle and derives the box and label rectangles from it.
    virtual void SetCellRect(const RECT &rect, int textHeight);
    // DrawFrame, DrawPicture, DrawLabel, with every rectangle moved up by scrollY.
    virtual void Draw(ItemCanvas &dc, int scrollY);
    virtual int MakePicture() { return 1; }
    // Takes a packed DIB (header, colour table, pixels); the base has no picture.
    virtual int SetPicture(const void *packedDib, std::size_t size);
    virtual void DrawLabel(ItemCanvas &dc, int scrollY);
    virtual void DrawPicture(ItemCanvas &dc, int scrollY);
    virtual void DrawFrame(ItemCanvas &dc, int scrollY);

    void SetNameFolder(const std::string &name, const std::string &folder);
    // Splits at the last separator; a path without one changes nothing.
    void SetFullPath(const std::string &path);
    std::string GetFullPath() const;
    const RECT &GetCellRect() const { return m_cellRect; }
    const RECT &GetBoxRect() const { return m_boxRect; }
    const RECT &GetLabelRect() const { return m_labelRect; }
    // Sets the box size and the picture size to the same values.
    void SetBoxSize(int cx, int cy);
    SIZE GetBoxSize() const { return m_boxSize; }
    SIZE GetPictureSize() const { return m_pictureSize; }
    SIZE GetCellSize() const { return m_cellSize; }
    void SetCellSize(int cx, int cy) { m_cellSize = SIZE { cx, cy }; }
    int GetSelected() const { return m_selected; }
    void SetSelected(int selected) { m_selected = selected; }
    const std::string &GetName() const { return m_name; }
    const std::string &GetFolder() const { return m_folder; }
    int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }
    const FileStatusRecord &GetFileStatus() const { return m_status; }
    void SetFileStatus(const FileStatusRecord &status) { m_status = status; }

    // The picture size centred in the box (halves rounded toward zero), moved up by scrollY.
    RECT GetPictureRect(int scrollY) const;

protected:
    // Raised outline with 3-pixel cut corners round the cell down to 7 below the box, and the
    // index number in the band above the box.
    void DrawChamferedFrame(ItemCanvas &dc, int scrollY);
    static void DrawSunkenFrame(ItemCanvas &dc, const RECT &inner);

    std::string m_name;
    std::string m_folder;
    int m_selected = 0;
    int m_index = 0;
    SIZE m_cellSize { 90, 100 };
    SIZE m_boxSize { 80, 80 };
    SIZE m_pictureSize { 80, 80 };
    RECT m_cellRect { 0, 0, 90, 100 };
    RECT m_boxRect { 0, 0, 0, 0 };
    RECT m_labelRect { 0, 0, 0, 0 };
    FileStatusRecord m_status {};
};

RECT OffsetRectY(const RECT &rect, int dy);
