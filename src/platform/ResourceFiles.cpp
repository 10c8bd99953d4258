#include "ResourceFiles.h"

#include "AppContext.h"

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
        context->logNotice(QStringLiteral("Resource file %1 was found neither in %2 nor built into the program.\r\n")
                               .arg(name, QDir::toNativeSeparators(folder)));
    }
    return onDisk;
}
