#include "ResourceFiles.h"

#include "AppContext.h"
#include "LocaleInfo.h"

#include <QDir>
#include <QFileInfo>

QString resourceFile(const QString& folder, const QString& name)
{
    const QString onDisk = folder + QLatin1Char('/') + name;
    if (QFileInfo(onDisk).isFile())
        return onDisk;
    const QString builtIn = QStringLiteral(":/Resource/") + name;
    if (QFileInfo(builtIn).isFile())
        return builtIn;
    AppContext* context = AppContext::current();
    if (context && !context->reportedResources.contains(name)) {
        context->reportedResources.insert(name);
        context->logNotice([name, folder] {
            const QString text = localeIsEnglish()
                ? QStringLiteral("Resource file %1 was found neither in %2 nor built into the program.\r\n")
                : QStringLiteral("Die Ressourcendatei %1 liegt weder in %2 noch ist sie im Programm enthalten.\r\n");
            return text.arg(name, QDir::toNativeSeparators(folder));
        });
    }
    return onDisk;
}
