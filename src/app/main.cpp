#include "platform/AppContext.h"
#include "shell/frmMain.h"
#include "shell/modStartup.h"

#include <QApplication>
#include <QPointer>

#include <csignal>

int main(int argc, char* argv[])
{
    // A file-size limit then fails the write, which the program tells, instead of ending it.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TD4700"));

    AppContext context;
    AppContext::setCurrent(&context);
    QPointer<frmMain> window = Main(context);
    // Null when the user closed the main window while the splash was still up.
    const int result = window && window->isVisible() ? QApplication::exec() : 0;

    // The window goes before the program-wide objects it uses.
    context.gLogBox = nullptr;
    delete window;
    return result;
}
