#pragma once
// Old INI-style script files, read the way the classic profile functions read
// them: sections and keys matched without regard to case, the first match
// wins, values trimmed and freed of one pair of surrounding quotes, lines
// starting with ";" ignored, section names listed in file order.
#include "platform/RegularFile.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// UTF-16 after its byte-order mark; else UTF-8 when the bytes are valid UTF-8, else
// Windows-1252 (the code page the old files were written in).
QString decodeIniText(const QByteArray& bytes);

// The keys of one section by case-folded name. A map: a file of many small sections
// takes memory by its keys, not by a hash table per section.
using IniKeys = QMap<QString, QString>;

class IniProfile {
public:
    // Old scripts hold a few KB; a larger file is no script, and is refused before it is read.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static IniProfile fromText(const QString& text);
    // Reads a regular file of at most kMaxFileBytes; on any other result the profile is empty.
    static FileRead fromFile(const QString& path, IniProfile& profile);

    // Every section in file order, in full, once as first written: a repeated header
    // names the same section, whose keys are those of its first header.
    QStringList sectionNames() const;
    // The keys of the first section of that name, by case-folded key name; null when there is none.
    const IniKeys* keys(const QString& section) const;
    // The key's value in the first section of that name; nothing when either is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

private:
    QStringList m_names;
    // By case-folded section name, the keys of its first section by case-folded key name.
    QHash<QString, IniKeys> m_sections;
};
