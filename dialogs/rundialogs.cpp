#include "dialogs/rundialogs.h"

#include "dialogs/imagesizedlg.h"
#include "image/imageobj.h"

bool RunImageSizeDialog(QWidget *parent, BITMAPINFOHEADER *header, int &width, int &height)
{
    CImageSizeDlg dialog(parent);
    dialog.SetUp(header, 0, 0);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    width = dialog.GetWidth();
    height = dialog.GetHeight();
    return true;
}

bool RunRotateFreeDialog(QWidget *parent, const CImageObj &picture, double &angle)
{
    return RunRotateFreeDialog(
        parent,
        [&picture](CImageObj &preview, int maxWidth, int maxHeight) {
            return picture.PreviewCopy(preview, maxWidth, maxHeight);
        },
        angle);
}

bool RunRotateFreeDialog(QWidget *parent, const CRotateDlg::PreviewSource &preview, double &angle)
{
    CRotateDlg dialog(parent, preview);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    angle = dialog.GetAngle();
    return true;
}
