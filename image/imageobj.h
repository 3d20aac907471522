// One page of a picture file held as a device-independent bitmap: loading, paging and saving
// through the codec library, copying, drawing, and every edit the image pane applies to it.
#pragma once

#include "platform/noncopyable.h"
#include "platform/wintypes.h"

#include <QImage>
#include <cstddef>
#include <string>
#include <vector>

enum class EditKind;
class CMaskObj;
class QPainter;

class CImageObj : NonCopyable
{
public:
    CImageObj();
    ~CImageObj();

    // Loads the library's default page of the file; page count from the library.
    bool Load(std::string path);
    // Next (true) or previous (false) page of the same file.
    bool GotoPage(bool forward);
    // Page page (0-based) of the same file (animation playback).
    bool GotoPageIndex(int page);
    // Load of the own file name: discards every edit.
    bool Reload();
    // Reads the shown page from the file again into header and pixels; false (picture unchanged)
    // when the file cannot be read.
    bool ReloadPixels();
    int PageCount() const { return m_pageCount; }
    int CurrentPage() const { return m_currentPage; }
    // The loaded page came from a damaged or cut file: only part of it is real, the rest filled.
    bool IsDamaged() const { return m_damaged; }
    // Saves through the codec library (empty path: the own file name); the picture is unchanged.
    // True when the library reports success.
    bool Save(std::string path);
    // Save that keeps what the file holds. When every step since the file was read or written is
    // a quarter turn, mirror or flip (turns, oldest first) and both files are JPEG, the compressed
    // data is transformed without decoding where that is exact. Saving a page over its multi-page
    // TIFF writes every page with this one replaced. A JPEG saved as JPEG keeps the old file's
    // EXIF block (orientation normal), ICC profile and comments. Else as Save.
    bool SaveKeepingFile(std::string path, const std::vector<EditKind> *turns);
    // The picture now belongs to the file at path (after Save As): the page count is read from
    // it, and the shown page is its first when the file holds one.
    void Rename(std::string path);

    // The whole picture 1:1 at (0, 0) in the painter's coordinates, nearest-neighbour scaling.
    void Draw(QPainter &painter);
    // The whole picture fitted into (l, t, r, b), centred, proportions kept (printing).
    void DrawFitted(QPainter &painter, int l, int t, int r, int b);

    // The destination gets its own copy of header, palette and bits.
    bool CopyTo(CImageObj &dest) const;
    // Replaces info and bits by copies of the given ones. On allocation failure the picture is
    // left empty.
    bool CopyFrom(const void *bits, const void *header);
    // Exchanges header and pixels with other; file name, pages and damage notice stay.
    void SwapPixels(CImageObj &other);
    // Bytes of header and pixels.
    std::size_t MemoryBytes() const;

    // --- edits; each returns false and leaves the picture as it was when it cannot be done ---
    // Depths beyond 1, 4, 8 and 24 bits: mirror, rotation, grey and black-and-white read 16-bit
    // pixels as 5-5-5 and 32-bit ones as blue, green, red, unused; resize takes the nearest 16-bit
    // pixel and refuses 32-bit pictures; colour tables change only a palette.
    // Degrees, positive = clockwise on screen; fixed point with 10 fraction bits. Whole multiples
    // of 360 change nothing; quarter turns move every pixel without loss (see rotate.h for the
    // depths: 24/32-bit bilinear on white, 1/4/8/16-bit nearest on the background index).
    bool Rotate(double angle);
    // 0 = mirror (left-right), 1 = flip (top-bottom).
    bool MirrorFlip(int direction);
    // Adds the steps to every channel, clamped to 0...255 (24-bit pixels, else the palette).
    bool ColorTable(int redStep, int greenStep, int blueStep);
    bool ColorTable(int step) { return ColorTable(step, step, step); }
    // 1-bit picture: white where grey > threshold.
    bool BlackWhite(int threshold);
    // 8-bit picture with a grey ramp palette.
    bool Grey();
    // New size; confirm == 0 does nothing (false).
    bool Resize(int width, int height, int confirm);
    // Top-down rectangle, clipped to the picture. With a destination, this picture is copied
    // into it first and the copy is cropped.
    bool Crop(int left, int top, int right, int bottom, CImageObj *dest = nullptr);
    // Crops away the dark runs at both ends of every row.
    bool RemoveBlackEdge();
    // Selected pixels of the mask (picture size, stored rows) take the colour.
    bool FillByMask(CMaskObj &mask, COLORREF colour);
    // The Negative command: the whole picture through InvertRegion.
    bool Negative();
    // A copy fitted into maxWidth × maxHeight (never enlarged), for the live rotation preview.
    bool PreviewCopy(CImageObj &dest, int maxWidth, int maxHeight) const;
    // Delete: the selection becomes white. The mask is brought to the picture's size first.
    bool DeleteSelection(CMaskObj &mask);
    // Crop to selection: crop to the selection's bounds, whatever is outside it turns white.
    bool CropToSelection(CMaskObj &mask);

    // --- state ---
    bool IsEmpty() const { return m_bits == nullptr || m_info == nullptr; }
    HGLOBAL Bits() const { return m_bits; }
    DibInfoBlock *Info() { return m_info; }
    const DibInfoBlock *Info() const { return m_info; }
    int Width() const;
    int Height() const;
    int BitCount() const;
    const std::string &FileName() const { return m_fileName; }

    // The display form of the picture (top-down RGB32), rebuilt after an edit; null when empty.
    const QImage &DisplayImage();
    // Call after changing the pixels through Bits() directly.
    void InvalidateDisplay() { m_displayDirty = true; }

private:
    bool LoadPage(int page);
    void FreeAll();
    // Takes over a new pixel block and header (40 bytes plus palette) after an edit.
    void Replace(HGLOBAL bits, const DibInfoBlock &info);
    bool FillByMaskAt(CMaskObj &mask, COLORREF colour, int maskX, int maskRow);

    HGLOBAL m_bits = nullptr;
    DibInfoBlock *m_info = nullptr;
    int m_pageCount = 0;
    int m_currentPage = 0;
    bool m_damaged = false;
    std::string m_fileName;
    QImage m_display;
    bool m_displayDirty = true;
};
