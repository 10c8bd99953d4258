// The yardstick of td4700-bench-startup: a bare QApplication with an empty
// QMainWindow of the given size (the program's), shown as the program shows its own.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QMainWindow window;
    if (args.size() >= 3)
        window.resize(args[1].toInt(), args[2].toInt());
    window.show();
    return QApplication::exec();
}
