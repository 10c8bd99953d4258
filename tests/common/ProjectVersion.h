#pragma once
// The build's project version ("4.1.7") as the program is to show it: "4.1.0.7".
#include <QString>
#include <QStringList>

inline QString shownProjectVersion()
{
    const QStringList parts = QStringLiteral(TD4700_PROJECT_VERSION).split(QLatin1Char('.'));
    return parts.value(0) + QStringLiteral(".") + parts.value(1) + QStringLiteral(".0.") + parts.value(2);
}
