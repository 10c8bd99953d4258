#pragma once
// The reference list: a device's name in the maker's numbering (the key) and
// the names two partner editions sell it under.
#include <QHash>
#include <QString>
#include <cstddef>
#include <vector>

class clsRefList {
public:
    QString NameCompID1() const { return m_nameCompID1; }
    void setNameCompID1(const QString& name) { m_nameCompID1 = name; }
    QString NameCompID2() const { return m_nameCompID2; }
    void setNameCompID2(const QString& name) { m_nameCompID2 = name; }
    QString NameCompID3() const { return m_nameCompID3; }
    void setNameCompID3(const QString& name) { m_nameCompID3 = name; }

private:
    QString m_nameCompID1;
    QString m_nameCompID2;
    QString m_nameCompID3;
};

// Entries in the order added, keyed by NameCompID1 without regard to letter case.
class RefListCollection {
public:
    // False (and nothing added) when the key is already present: the first entry of a name wins.
    bool add(const clsRefList& entry);
    const clsRefList* find(const QString& key) const;
    std::size_t count() const { return m_entries.size(); }
    const std::vector<clsRefList>& entries() const { return m_entries; }
    void clear();

private:
    std::vector<clsRefList> m_entries;
    QHash<QString, std::size_t> m_index; // case-folded key -> entry
};

// Adds the Device entries of a RefList document to list. False, list unchanged,
// when the text is not a well-formed XML document.
bool readRefList(const char* data, std::size_t size, RefListCollection& list);
bool readRefListFile(const QString& path, RefListCollection& list);

// The partner names of sName, or the fallback "Pellwitz: " / "I/O-Planwerk: " & sName.
QString fGetNameCompID2(const RefListCollection& list, const QString& sName);
QString fGetNameCompID3(const RefListCollection& list, const QString& sName);
