// The dialogs the shell opens, in one place so the dialog implementations plug in here.
#pragma once

#include "platform/wintypes.h"

#include <QString>

class IImagePane;
class QWidget;

// The About box, modal.
void ShowAboutBox(QWidget *parent);

// The Batch Convert dialog with both folders preset, modal; returns the dialog's result code.
int RunBatchConvertDialog(QWidget *parent, const QString &sourceFolder, const QString &targetFolder);

// The Image Size dialog over a picture's header (it starts from the header's size and resolution).
// True on OK with the chosen size in width and height; the dialog has then written its resolution
// into the header. The image pane resizes the picture.
bool RunImageSizeDialog(QWidget *parent, BITMAPINFOHEADER &header, int &width, int &height);

// The Rotate Free dialog over the image pane, which is its parent and gives it its preview
// (IImagePane::PreviewCopy, 100 × 100). True on OK with the angle in degrees.
bool RunRotateFreeDialog(IImagePane &pane, double &angle);
