#include "platform/AppContext.h"
#include "shell/frmMain.h"
#include "shell/modStartup.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char* argv[])
{
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
