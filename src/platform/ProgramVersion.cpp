#include "ProgramVersion.h"

QString programVersionText(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.0.%3").arg(major).arg(minor).arg(revision);
}

QString programVersionText()
{
    return programVersionText(TD4700_VERSION_MAJOR, TD4700_VERSION_MINOR, TD4700_VERSION_REVISION);
}
