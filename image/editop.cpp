#include "image/editop.h"

#include "image/imageobj.h"

#include <new>

namespace
{

class CQuarterTurn : public CEditOp
{
public:
    explicit CQuarterTurn(bool clockwise)
        : m_clockwise(clockwise)
    {
    }
    bool Apply(CImageObj &picture) override { return picture.Rotate(m_clockwise ? 90.0 : -90.0); }
    bool Undo(CImageObj &picture) override { return picture.Rotate(m_clockwise ? -90.0 : 90.0); }
    EditKind Kind() const override { return m_clockwise ? EditKind::TurnRight : EditKind::TurnLeft; }

private:
    bool m_clockwise;
};

class CMirrorFlip : public CEditOp
{
public:
    explicit CMirrorFlip(int direction)
        : m_direction(direction)
    {
    }
    bool Apply(CImageObj &picture) override { return picture.MirrorFlip(m_direction); }
    bool Undo(CImageObj &picture) override { return picture.MirrorFlip(m_direction); }
    EditKind Kind() const override { return m_direction == 0 ? EditKind::Mirror : EditKind::Flip; }

private:
    int m_direction;
};

// Keeps the other state of the picture: before the edit while it is applied, after it while it
// is undone. Undo and redo are swaps, so neither can fail for want of memory.
class CSnapshotEdit : public CEditOp
{
public:
    explicit CSnapshotEdit(EditFunction edit)
        : m_edit(std::move(edit))
    {
    }
    bool Apply(CImageObj &picture) override
    {
        if (!m_edit || !picture.CopyTo(m_other))
            return false;
        if (m_edit(picture))
            return true;
        CImageObj none;
        m_other.SwapPixels(none);
        return false;
    }
    bool Undo(CImageObj &picture) override { return Swap(picture); }
    bool Redo(CImageObj &picture) override { return Swap(picture); }
    std::size_t Bytes() const override { return m_other.MemoryBytes(); }

private:
    bool Swap(CImageObj &picture)
    {
        if (m_other.IsEmpty())
            return false;
        picture.SwapPixels(m_other);
        return true;
    }

    EditFunction m_edit;
    CImageObj m_other;
};

} // namespace

std::unique_ptr<CEditOp> MakeQuarterTurn(bool clockwise)
{
    return std::unique_ptr<CEditOp>(new (std::nothrow) CQuarterTurn(clockwise));
}

std::unique_ptr<CEditOp> MakeMirrorFlip(int direction)
{
    return std::unique_ptr<CEditOp>(new (std::nothrow) CMirrorFlip(direction));
}

std::unique_ptr<CEditOp> MakeSnapshotEdit(EditFunction edit)
{
    return std::unique_ptr<CEditOp>(new (std::nothrow) CSnapshotEdit(std::move(edit)));
}

std::unique_ptr<CEditOp> MakeRotation(double angle)
{
    if (angle == 90.0 || angle == -90.0)
        return MakeQuarterTurn(angle > 0);
    return MakeSnapshotEdit([angle](CImageObj &picture) { return picture.Rotate(angle); });
}
