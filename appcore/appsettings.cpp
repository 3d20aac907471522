#include "appcore/appsettings.h"

#include "appcore/regstring.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{
QString g_commandLineFolder;
}

QString DefaultStartFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return QDir::toNativeSeparators(pictures);
    return QDir::toNativeSeparators(QDir::homePath());
}

void SetCommandLineFolder(const QString &folder)
{
    g_commandLineFolder = folder;
}

QString CommandLineFolder()
{
    return g_commandLineFolder;
}

QString ReadStartFolder()
{
    if (!g_commandLineFolder.isEmpty())
        return g_commandLineFolder;
    QString folder;
    if (ReadRegString(kSettingKey, kLastPathValue, folder))
        return folder;
    return DefaultStartFolder();
}

void WriteLastPath(const QString &folder)
{
    WriteRegString(kSettingKey, kLastPathValue, folder);
}

DWORD AdvanceStartCounter()
{
    DWORD count = 0;
    ReadRegDword(kSettingKey, kRuntimesValue, count);
    const DWORD stored = (count == 0 ? 1u : count) + 1u;
    WriteRegDword(kSettingKey, kRuntimesValue, stored);
    return stored;
}

bool UpdaterDue()
{
    DWORD count = 0;
    ReadRegDword(kSettingKey, kRuntimesValue, count);
    return count % 100 == 99;
}
