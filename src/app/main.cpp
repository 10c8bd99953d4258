#include "shell/modStartup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TD4700"));
    Startup startup;
    startup.Main();
    return QApplication::exec();
}
