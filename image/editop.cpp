#include "image/editop.h"

#include "image/imageobj.h"

#include <new>

namespace
{

class CQuarterTurn : public CEditOp
{
public:
    explicit CQuarterTurn(bool clockwise)
        : clockwise_(clockwise)
    {
    }
    bool Apply(CImageObj &picture) override { return picture.Rotate(clockwise_ ? 90.0 : -90.0); }
    bool Undo(CImageObj &picture) override { return picture.Rotate(clockwise_ ? -90.0 : 90.0); }
    EditKind Kind() const override { return clockwise_ ? EditKind::TurnRight : EditKind::TurnLeft; }

private:
    bool clockwise_;
};

class CMirrorFlip : public CEditOp
{
public:
    explicit CMirrorFlip(int direction)
        : direction_(direction)
    {
    }
    bool Apply(CImageObj &picture) override { return picture.MirrorFlip(direction_); }
    bool Undo(CImageObj &picture) override { return picture.MirrorFlip(direction_); }
    EditKind Kind() const override { return direction_ == 0 ? EditKind::Mirror : EditKind::Flip; }

private:
    int direction_;
};

// Keeps the other state of the picture: before the edit while it is applied, after it while it
// is undone. Undo and redo are swaps, so neither can fail for want of memory.
class CSnapshotEdit : public CEditOp
{
public:
    explicit CSnapshotEdit(EditFunction edit)
        : edit_(std::move(edit))
    {
    }
    bool Apply(CImageObj &picture) override
    {
        if (!edit_ || !picture.CopyTo(other_))
            return false;
        if (edit_(picture))
            return true;
        CImageObj none;
        other_.SwapPixels(none);
        return false;
    }
    bool Undo(CImageObj &picture) override { return Swap(picture); }
    bool Redo(CImageObj &picture) override { return Swap(picture); }
    std::size_t Bytes() const override { return other_.MemoryBytes(); }

private:
    bool Swap(CImageObj &picture)
    {
        if (other_.IsEmpty())
            return false;
        picture.SwapPixels(other_);
        return true;
    }

    EditFunction edit_;
    CImageObj other_;
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
