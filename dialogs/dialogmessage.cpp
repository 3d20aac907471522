#include "dialogs/dialogmessage.h"

#include "res/resource.h"
#include "res/strings.h"

void DialogMessage(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, LoadResString(AFX_IDS_APP_TITLE), text, QMessageBox::Ok, parent);
    box.exec();
}

void DialogMessage(QWidget *parent, UINT id, QMessageBox::Icon icon)
{
    DialogMessage(parent, LoadResString(id), icon);
}
