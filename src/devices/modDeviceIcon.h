#pragma once
// The tree icon of a device, chosen by the first four characters of its name.
#include <QString>

// Icon number as decimal text; "4" when no prefix list holds the name's head.
QString fGetDeviceIcon(const QString& name);
