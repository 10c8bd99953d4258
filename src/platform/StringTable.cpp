#include "StringTable.h"

#include "ResourceFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

namespace {
QHash<int, QString>& table()
{
    static QHash<int, QString> t;
    return t;
}
bool s_loaded = false;

QString unescape(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c != QLatin1Char('\\') || i + 1 == s.size()) {
            out += c;
            continue;
        }
        const QChar n = s.at(++i);
        if (n == QLatin1Char('n')) out += QLatin1Char('\n');
        else if (n == QLatin1Char('r')) out += QLatin1Char('\r');
        else if (n == QLatin1Char('t')) out += QLatin1Char('\t');
        else out += n;
    }
    return out;
}
}

bool loadStringTable(const QString& path)
{
    s_loaded = true;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    table().clear();
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        const int tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        bool ok = false;
        const int id = line.left(tab).trimmed().toInt(&ok);
        if (ok)
            table().insert(id, unescape(line.mid(tab + 1)));
    }
    return true;
}

QString LoadResString(int id)
{
    // The table is read-only program data: loaded once, from beside the program or built in.
    if (!s_loaded)
        loadStringTable(resourceFile(QCoreApplication::applicationDirPath() + QStringLiteral("/Resource"),
                                     QStringLiteral("StringTable.txt")));
    return table().value(id);
}

bool stringTableAvailable()
{
    (void)LoadResString(0); // loads on first use
    return !table().isEmpty();
}
