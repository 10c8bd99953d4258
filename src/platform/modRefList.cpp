#include "modRefList.h"

#include "AppContext.h"

void fLoadRefList(const QString& sPath)
{
    (void)readRefListFile(sPath, app().gRefList); // a failed load leaves the list as it was, as intended
}

QString fGetNameCompID2(const QString& sName) { return fGetNameCompID2(app().gRefList, sName); }
QString fGetNameCompID3(const QString& sName) { return fGetNameCompID3(app().gRefList, sName); }
