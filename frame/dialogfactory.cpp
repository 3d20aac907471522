#include "frame/dialogfactory.h"

#include <QDialog>
#include <QMessageBox>

void ShowAboutBox(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About TarnisViewer"),
        QStringLiteral("Tarnis Viewer Version 1.0  12/16/2007 8:58"), QMessageBox::Ok, parent);
    box.setIconPixmap(parent ? parent->windowIcon().pixmap(48, 48) : QPixmap());
    box.exec();
}

int RunBatchConvertDialog(QWidget *parent, const QString &sourceFolder, const QString &)
{
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Batch Convert"), sourceFolder, QMessageBox::Ok, parent);
    box.exec();
    return QDialog::Rejected;
}

bool RunImageSizeDialog(QWidget *, BITMAPINFOHEADER &, int &, int &)
{
    return false;
}

bool RunRotateFreeDialog(IImagePane &, double &)
{
    return false;
}
