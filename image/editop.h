// The edits of a picture as objects apart from the pane that starts them: each applies itself and
// takes itself back. Turns by a quarter, mirror and flip undo by the opposite move; every other
// edit keeps the picture as it was before it ran and swaps it back.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

class CImageObj;

// What an edit does to the picture's geometry, for the edits a JPEG can take without decoding.
enum class EditKind {
    TurnRight, // a quarter turn clockwise
    TurnLeft, // a quarter turn anticlockwise
    Mirror, // left-right
    Flip, // top-bottom
    Other,
};

class CEditOp
{
public:
    virtual ~CEditOp() = default;
    // Runs the edit; false leaves the picture as it was.
    virtual bool Apply(CImageObj &picture) = 0;
    // Takes the edit back from the picture Apply left; false when it cannot.
    virtual bool Undo(CImageObj &picture) = 0;
    // Runs the edit again after Undo.
    virtual bool Redo(CImageObj &picture) { return Apply(picture); }
    // Memory the step holds beyond the picture.
    virtual std::size_t Bytes() const { return 0; }
    virtual EditKind Kind() const { return EditKind::Other; }
};

using EditFunction = std::function<bool(CImageObj &picture)>;

// Quarter turn (clockwise or not); its undo is the opposite turn.
std::unique_ptr<CEditOp> MakeQuarterTurn(bool clockwise);
// Mirror (direction 0) or flip (1), its own undo.
std::unique_ptr<CEditOp> MakeMirrorFlip(int direction);
// Any other edit: the picture before it is kept, and undo and redo swap it with the shown one.
std::unique_ptr<CEditOp> MakeSnapshotEdit(EditFunction edit);
// Rotation by degrees: a quarter turn when angle is ±90, else a kept-copy edit.
std::unique_ptr<CEditOp> MakeRotation(double angle);
