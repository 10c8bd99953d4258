#include "FileUtils.h"

#include "AppContext.h"
#include "StringTable.h"

#include <QDir>
#include <QFileInfo>

bool ShowSaveStationDialog(QString& sFile)
{
    IDialogs* dialogs = app().dialogs.get();
    if (!dialogs)
        return false;
    // Linux names are case-sensitive: offer both spellings of the extension.
    QString path = dialogs->GetSaveFileName(LoadResString(742), AppContext::programFolder(),
                                            QStringLiteral("Station *.tdt (*.tdt *.TDT)"));
    if (path.isEmpty())
        return true;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".TDT");
    sFile = path;
    return true;
}

bool fFileExists(const QString& sPath)
{
    if (sPath.isEmpty())
        return false;
    const QFileInfo info(sPath);
    const QString name = info.fileName();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        const QDir dir = info.dir();
        return !dir.entryList({name}, QDir::Files | QDir::NoDotAndDotDot).isEmpty();
    }
    return info.isFile() && !info.isHidden();
}
