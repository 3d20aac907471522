#include "app/pexoraapp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    CPexoraApp app;
    if (!app.InitInstance(QApplication::arguments(), QCoreApplication::applicationFilePath()))
        return 1;
    const int code = application.exec();
    app.ExitInstance();
    return code;
}
