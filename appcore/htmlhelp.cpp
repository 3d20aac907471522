#include "appcore/htmlhelp.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool CHtmlHelp::DisplayTopic(const QString &path)
{
    if (m_failed || path.isEmpty() || !QFileInfo::exists(path))
        return false;
    if (!Launch(path)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool CHtmlHelp::Launch(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

CHtmlHelp &AppHtmlHelp()
{
    static CHtmlHelp help;
    return help;
}
