#include "frame/dialogfactory.h"

#include "batch/batchconvertdlg.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/rundialogs.h"
#include "frame/iimagepane.h"

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
    return RunImageSizeDialog(parent, &header, width, height);
}

bool RunRotateFreeDialog(IImagePane &pane, double &angle)
{
    const CRotateDlg::PreviewSource preview = [&pane](CImageObj &dest, int maxWidth, int maxHeight) {
        return pane.PreviewCopy(dest, maxWidth, maxHeight);
    };
    return RunRotateFreeDialog(pane.Window(), preview, angle);
}
