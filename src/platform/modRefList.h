#pragma once
// The program's reference list (gRefList of the current context).
#include "clsRefList.h"

// Loads the file into gRefList; a missing or malformed file leaves it as it was, silently.
void fLoadRefList(const QString& sPath);
QString fGetNameCompID2(const QString& sName);
QString fGetNameCompID3(const QString& sName);
