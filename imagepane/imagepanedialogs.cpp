#include "imagepane/imagepanedialogs.h"

#include "res/menus.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace
{

bool RunPrintDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

bool AnyPrinter()
{
    return !QPrinterInfo::availablePrinters().isEmpty();
}

QString AskPdfFile(QWidget *parent, const QString &suggested)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Print to PDF"), suggested,
        QStringLiteral("PDF files (*.pdf)"), nullptr, QFileDialog::DontResolveSymlinks);
}

void ShowMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, LoadResString(AFX_IDS_APP_TITLE), text, QMessageBox::Ok, parent);
    box.exec();
}

int AskQuestion(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, LoadResString(AFX_IDS_APP_TITLE), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    return answer == QMessageBox::Yes || answer == QMessageBox::No ? answer : int(QMessageBox::Cancel);
}

// The commands of the popup have no handler, so they show disabled.
void ShowMeasurePopup(QWidget *parent, const QPoint &position)
{
    const std::vector<PopupResource> &menu = LoadMenuResource(IDR_MEASURE_POPUP);
    if (menu.size() < 2)
        return;
    auto *popup = new QMenu(parent);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    for (const MenuItemResource &item : menu[1].items) {
        if (item.IsSeparator()) {
            popup->addSeparator();
            continue;
        }
        QAction *action = popup->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        action->setEnabled(false);
    }
    popup->popup(position);
}

} // namespace

CImagePaneDialogs DefaultImagePaneDialogs()
{
    CImagePaneDialogs dialogs;
    dialogs.imageSize = [](QWidget *, BITMAPINFOHEADER &, int &, int &) { return false; };
    dialogs.rotateFree = [](IImagePane &, double &) { return false; };
    dialogs.print = RunPrintDialog;
    dialogs.hasPrinter = AnyPrinter;
    dialogs.pdfFile = AskPdfFile;
    dialogs.message = ShowMessage;
    dialogs.question = AskQuestion;
    dialogs.measurePopup = ShowMeasurePopup;
    return dialogs;
}
