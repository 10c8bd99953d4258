// td4700-demo-settings FOLDER NAME=VALUE...: sets text values of the user
// settings in a settings folder (as TD4700_REGISTRY_DIR names it), under the
// program's settings key. It goes through the program's own store, under its
// lock, so ./run can prepare its demo settings while a copy of the program runs on them.
#include "platform/RegistryStore.h"

#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {
const QString kSettingsKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");
}

int main(int argc, char* argv[])
{
    // Under a file-size limit the write fails and is told, as in the program, instead of ending the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: td4700-demo-settings FOLDER NAME=VALUE...\n", stderr);
        return 2;
    }
    RegistryStore store(args[1]);
    store.setDamageReporter([](const QString& message) { std::fprintf(stderr, "td4700-demo-settings: %s\n", qPrintable(message)); });
    for (const QString& pair : args.mid(2)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            std::fprintf(stderr, "td4700-demo-settings: not NAME=VALUE: %s\n", qPrintable(pair));
            return 2;
        }
        if (!store.setValue(HKEY_CURRENT_USER, kSettingsKey, pair.left(eq), RegValue::fromText(pair.mid(eq + 1)))) {
            std::fprintf(stderr, "td4700-demo-settings: cannot save %s in %s\n", qPrintable(pair.left(eq)), qPrintable(args[1]));
            return 1;
        }
    }
    return 0;
}
