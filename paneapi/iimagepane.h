// What the main frame asks of the image pane (node 136). The pane's window also receives the
// posted WMU_IMAGE_OPERATION, WMU_TOOLS_COMMAND and WMU_EFFECT_COMMAND messages.
#pragma once

#include <QString>
#include <QStringList>

class CImageObj;
class QWidget;

class IImagePane
{
public:
    virtual ~IImagePane() = default;

    // Opens the picture file at path; an empty path does nothing.
    virtual void Open(const QString &path) = 0;
    // The pictures likely to be opened next, most likely first: decoded ahead where the pane
    // keeps such pictures.
    virtual void DecodeAhead(const QStringList &paths) { (void)paths; }
    // Another folder: pictures decoded ahead are dropped.
    virtual void ForgetDecoded() { }
    // Saves the shown picture under path (its own path when empty); true on success.
    virtual bool Save(const QString &path) = 0;
    // Pages of the shown picture; 0 without a picture.
    virtual int PageCount() const = 0;
    // Goes to the previous (forward false) or next page; true on success.
    virtual bool GotoPage(bool forward) = 0;
    // Fits the picture to the pane's width (1) or height (2).
    virtual void Fit(int how) = 0;
    // The window the messages are posted to.
    virtual QWidget *Window() = 0;
    // dest becomes a copy of the shown picture reduced to fit maxWidth × maxHeight (the Rotate
    // Free dialog's preview); false without a picture.
    virtual bool PreviewCopy(CImageObj &dest, int maxWidth, int maxHeight) const = 0;

    // Takes the last edit back / runs the last undone edit again; false when there is none.
    virtual bool Undo() { return false; }
    virtual bool Redo() { return false; }
    virtual bool CanUndo() const { return false; }
    virtual bool CanRedo() const { return false; }
    // The shown picture differs from its file.
    virtual bool IsModified() const { return false; }
    // Before the picture is left: asks whether to save a modified picture. False when the user
    // cancels (or the save fails); the picture is then kept as it is.
    virtual bool ConfirmLeave() { return true; }
    // The file of the shown picture; empty without one.
    virtual QString PicturePath() const { return QString(); }
};
