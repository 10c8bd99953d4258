#include "TerminalResource.h"

#include "platform/AppContext.h"
#include "platform/ResourceFiles.h"
#include "platform/XmlDocument.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QStringView partBefore(QStringView text, QStringView marker)
{
    const qsizetype p = text.indexOf(marker);
    return p < 0 ? QStringView() : text.left(p);
}

QStringView partAfter(QStringView text, QStringView marker)
{
    const qsizetype p = text.indexOf(marker);
    return p < 0 ? QStringView() : text.mid(p + marker.size());
}

// Past every column and the 9999 limit, with room for the increment after the pass.
constexpr int64_t kBeyondAnyRow = int64_t(1) << 62;

// A whole number in decimal digits with an optional sign, of any length.
bool isWholeNumber(QStringView text)
{
    if (text.startsWith(u'-') || text.startsWith(u'+'))
        text = text.mid(1);
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void store(std::vector<QString>& column, int64_t index, QStringView value)
{
    // The columns keep the bounds of the last DOM load; other rows are skipped.
    if (index >= 0 && uint64_t(index) < column.size())
        column[size_t(index)] = value.toString();
}

} // namespace

QString terminalResourcePath()
{
    const QString beside = AppContext::programFolder() + QStringLiteral("/TerminalResource.xml");
    if (QFileInfo(beside).isFile())
        return beside;
    return resourceFile(AppContext::programFolder() + QStringLiteral("/Resource"), QStringLiteral("TerminalResource.xml"));
}

int32_t fLoadTerminalResource(TerminalResourceTable& table, const QString& path)
{
    (void)loadTerminalResourceFile(table, path); // the Part's loader reports and returns 0 either way
    return 0;
}

bool loadTerminalResourceFile(TerminalResourceTable& table, const QString& path)
{
    pugi::xml_document doc;
    const bool loaded = loadXmlFile(doc, path);
    // A document of another kind is as unusable as a broken one: keep the previous table.
    if (!loaded || QByteArrayView(doc.document_element().name()) != "TerminalResource") {
        if (IDialogs* dialogs = app().dialogs.get())
            dialogs->MsgBox(QStringLiteral("Cannot load TerminalResource.XML"), vbOKOnly, QStringLiteral("TD4700"));
        return false;
    }

    std::vector<pugi::xml_node> rows;
    for (const pugi::xml_node& row : doc.document_element().children("TermTyp"))
        rows.push_back(row);
    const size_t count = rows.size();
    table.gTerminalResourceCount = int32_t(count);
    for (std::vector<QString>* column : {&table.Terminal, &table.Extension, &table.Desc1031, &table.Desc1033,
                                         &table.Icon, &table.ProgID}) {
        column->assign(count + 1, QString());
    }
    for (size_t i = 0; i < count; ++i) {
        const pugi::xml_node row = rows[i];
        table.Terminal[i] = QString::fromUtf8(row.attribute("Terminal").value());
        table.Extension[i] = QString::fromUtf8(row.attribute("Extension").value());
        table.Desc1031[i] = QString::fromUtf8(row.attribute("Desc1031").value());
        table.Desc1033[i] = QString::fromUtf8(row.attribute("Desc1033").value());
        table.Icon[i] = QString::fromUtf8(row.attribute("Icon").value());
        table.ProgID[i] = QString::fromUtf8(row.attribute("ProgID").value());
    }
    return true;
}

void fParseTerminalResourceText(TerminalResourceTable& table, const QString& text)
{
    QStringView rest(text);
    int64_t n = 0;
    // At most 10000 passes, also when row numbers run backwards.
    for (int pass = 0; pass < 10000 && n <= 9999; ++pass) {
        rest = partAfter(rest, u"Terminal=\"");
        const QStringView v = partBefore(rest, u"\" Extension=");
        bool ok = false;
        const qint64 number = v.toLongLong(&ok);
        if (ok)
            n = std::clamp<int64_t>(number, -kBeyondAnyRow, kBeyondAnyRow);
        else if (isWholeNumber(v))
            n = v.startsWith(u'-') ? -kBeyondAnyRow : kBeyondAnyRow; // too long even for 64 bits: no row
        store(table.Terminal, n, v);
        rest = partAfter(rest, u"Extension=\"");
        store(table.Extension, n, partBefore(rest, u"\" Desc1031="));
        rest = partAfter(rest, u"Desc1031=\"");
        store(table.Desc1031, n, partBefore(rest, u"\" Desc1033="));
        rest = partAfter(rest, u"Desc1033=\"");
        store(table.Desc1033, n, partBefore(rest, u"\" Icon="));
        rest = partAfter(rest, u"Icon=\"");
        store(table.Icon, n, partBefore(rest, u"\" ProgID="));
        rest = partAfter(rest, u"ProgID=\"");
        store(table.ProgID, n, partBefore(rest, u"\" UserData="));
        ++n;
    }
}

QString fStrPart(const QString& text, const QString& marker, int16_t mode)
{
    const qsizetype p = text.indexOf(marker);
    if (p < 0)
        return {};
    return mode == 1 ? text.left(p) : text.mid(p + marker.size());
}
