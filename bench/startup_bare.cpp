// The yardsticks of td4700-bench-startup: a bare QApplication with an empty
// QMainWindow of the given size (the program's), shown as the program shows its
// own; with "text", the window also holds the kinds of text widgets the
// program's first paint has: a menu bar, a status text and a label.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QMainWindow window;
    if (args.size() >= 3)
        window.resize(args[1].toInt(), args[2].toInt());
    if (args.value(3) == QLatin1String("text")) {
        for (const char* title : {"&Project", "O&nline", "&Options", "&Help"})
            window.menuBar()->addMenu(QString::fromLatin1(title));
        window.statusBar()->addPermanentWidget(new QLabel(QStringLiteral("Offline")));
        window.setCentralWidget(new QLabel(QStringLiteral("Welcome to TD4700 !")));
    }
    window.show();
    return QApplication::exec();
}
