#include "browser/browsermessage.h"

#include "res/resource.h"
#include "res/strings.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace
{

BrowserMessageHook &Hook()
{
    static BrowserMessageHook hook;
    return hook;
}

} // namespace

void SetBrowserMessageHook(BrowserMessageHook hook)
{
    Hook() = std::move(hook);
}

void ShowBrowserMessage(QWidget *owner, const QString &text, const QString &caption, MessageIcon icon)
{
    if (Hook()) {
        Hook()(owner, text, caption, icon);
        return;
    }
    QMessageBox::Icon qicon = QMessageBox::Information;
    if (icon == MessageIcon::Exclamation)
        qicon = QMessageBox::Warning;
    else if (icon == MessageIcon::Stop)
        qicon = QMessageBox::Critical;
    QMessageBox box(qicon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

QString BrowserAppCaption()
{
    QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? LoadResString(AFX_IDS_APP_TITLE) : name;
}
