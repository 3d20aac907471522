#include "frame/dialogfactory.h"

#include "batch/batchconvertdlg.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/imagesizedlg.h"
#include "dialogs/rotatedlg.h"
#include "paneapi/iimagepane.h"

void ShowAboutBox(QWidget *parent)
{
    CAboutDlg dialog(parent);
    dialog.exec();
}

int RunBatchConvertDialog(QWidget *parent, const QString &sourceFolder, const QString &targetFolder)
{
    CBatchConvertDlg dialog(parent);
    dialog.SetSourceFolder(sourceFolder);
    dialog.SetTargetFolder(targetFolder);
    return dialog.exec();
}

bool RunImageSizeDialog(QWidget *parent, BITMAPINFOHEADER &header, int &width, int &height)
{
    CImageSizeDlg dialog(parent);
    dialog.SetUp(&header, width, height);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    width = dialog.GetWidth();
    height = dialog.GetHeight();
    return true;
}

bool RunRotateFreeDialog(IImagePane &pane, double &angle)
{
    CRotateDlg dialog(pane.Window(), [&pane](CImageObj &preview, int maxWidth, int maxHeight) {
        return pane.PreviewCopy(preview, maxWidth, maxHeight);
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    angle = dialog.GetAngle();
    return true;
}
