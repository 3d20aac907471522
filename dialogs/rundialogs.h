// The picture dialogs as the image pane runs them: one call each, modal.
#pragma once

#include "dialogs/rotatedlg.h"
#include "platform/wintypes.h"

class CImageObj;
class QWidget;

// Image Size Setting for a picture: the dialog starts from the header's size and resolution.
// On OK (true) width and height receive the chosen size and the header's two resolution fields
// the chosen resolution; on Cancel (false) nothing changes.
bool RunImageSizeDialog(QWidget *parent, BITMAPINFOHEADER *header, int &width, int &height);

// Image Rotation with the preview taken from picture (reduced to fit 100 x 100). On OK (true)
// angle receives the degrees in [0, 360); on Cancel (false) it is left alone.
bool RunRotateFreeDialog(QWidget *parent, const CImageObj &picture, double &angle);
// The same with the preview made by the caller.
bool RunRotateFreeDialog(QWidget *parent, const CRotateDlg::PreviewSource &preview, double &angle);
