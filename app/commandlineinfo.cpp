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

QString CCommandLineInfo::InfoOptionText(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--version"))
            return QStringLiteral("tarnis-viewer " TARNIS_VERSION "\n");
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return QStringLiteral(
                "Usage: tarnis-viewer [FILE...]\n"
                "       tarnis-viewer FOLDER\n"
                "Browses, views and touches up pictures.\n"
                "\n"
                "  FILE       opens the first file in the image pane and shows its folder with\n"
                "             the file selected; further files are ignored\n"
                "  FOLDER     starts the browser in FOLDER\n"
                "  --help     this text\n"
                "  --version  the program's version\n"
                "\n"
                "Without an argument the browser starts in the folder browsed last.\n");
    }
    return {};
}

QString CCommandLineInfo::FileFolder(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.isFile())
        return {};
    return QDir::toNativeSeparators(QDir::cleanPath(file.absolutePath()));
}
