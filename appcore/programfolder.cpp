#include "appcore/programfolder.h"

#include "platform/paths.h"

#include <QDir>

const QString kHelpFileName = QStringLiteral(TARNIS_HELP_RELATIVE_PATH);

namespace
{
QString g_programFolder;
}

QString ProgramFolderFromModulePath(const QString &modulePath)
{
    const qsizetype cut = modulePath.lastIndexOf(QLatin1Char(kPathSeparator));
    return cut < 0 ? modulePath : modulePath.left(cut);
}

void SetProgramFolder(const QString &folder)
{
    g_programFolder = folder;
}

QString GetProgramFolder()
{
    return g_programFolder;
}

QString ProgramFolderFile(const QString &name)
{
    return g_programFolder + QLatin1Char(kPathSeparator) + name;
}

QString HelpFilePath()
{
    return QDir::cleanPath(ProgramFolderFile(kHelpFileName));
}
