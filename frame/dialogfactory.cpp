#include "frame/dialogfactory.h"

#include "batch/batchconvertdlg.h"
#include "dialogs/aboutdlg.h"

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

bool RunImageSizeDialog(QWidget *, BITMAPINFOHEADER &, int &, int &)
{
    return false;
}

bool RunRotateFreeDialog(IImagePane &, double &)
{
    return false;
}
