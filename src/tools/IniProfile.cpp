#include "IniProfile.h"

#include <QStringDecoder>

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = uint8_t(byte);
        out += QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

QString unquoted(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

QString decodeIniText(const QByteArray& bytes)
{
    // The decoder drops the byte-order mark itself.
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? decodeCp1252(bytes) : text;
}

IniProfile IniProfile::fromText(const QString& text)
{
    IniProfile profile;
    IniKeys* current = nullptr; // none before the first header, and under a repeated one
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            const QString name = line.mid(1, close - 1).trimmed();
            const QString folded = name.toCaseFolded();
            if (profile.m_sections.contains(folded)) {
                current = nullptr; // the first header's keys count
            } else {
                profile.m_names << name;
                current = &profile.m_sections[folded];
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!current || eq < 0)
            continue; // keys outside a first header are never looked up; a line without "=" is no key
        const QString key = line.left(eq).trimmed().toCaseFolded();
        if (!current->contains(key))
            current->insert(key, unquoted(line.mid(eq + 1).trimmed()));
    }
    return profile;
}

FileRead IniProfile::fromFile(const QString& path, IniProfile& profile)
{
    QByteArray bytes;
    const FileRead read = readRegularFile(path, bytes, kMaxFileBytes);
    profile = read == FileRead::Ok ? fromText(decodeIniText(bytes)) : IniProfile();
    return read;
}

QStringList IniProfile::sectionNames() const { return m_names; }

const IniKeys* IniProfile::keys(const QString& section) const
{
    const auto s = m_sections.constFind(section.toCaseFolded());
    return s == m_sections.cend() ? nullptr : &*s;
}

std::optional<QString> IniProfile::value(const QString& section, const QString& key) const
{
    const IniKeys* found = keys(section);
    if (!found)
        return std::nullopt;
    const auto k = found->constFind(key.toCaseFolded());
    if (k == found->cend())
        return std::nullopt;
    return *k;
}
