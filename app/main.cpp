#include "app/commandlineinfo.h"
#include "app/pexoraapp.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    // --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString info = CCommandLineInfo::InfoOptionText(arguments);
    if (!info.isEmpty()) {
        std::fputs(info.toLocal8Bit().constData(), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    CPexoraApp app;
    if (!app.InitInstance(QApplication::arguments(), QCoreApplication::applicationFilePath()))
        return 1;
    const int code = application.exec();
    app.ExitInstance();
    return code;
}
