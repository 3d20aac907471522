#include "app/commandlineinfo.h"

#include <QDir>
#include <QFileInfo>

CCommandLineInfo CCommandLineInfo::Parse(const QStringList &arguments)
{
    CCommandLineInfo info;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        const QFileInfo file(argument);
        if (file.isDir()) {
            info.folder = QDir::toNativeSeparators(QDir::cleanPath(file.absoluteFilePath()));
        } else {
            info.shellCommand = FileOpen;
            info.fileName = argument;
        }
        break;
    }
    return info;
}
