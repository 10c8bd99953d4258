#pragma once
// The terminal resource table: per terminal type and extension its texts,
// icon and view, from TerminalResource.xml beside the program.
#include <QString>
#include <cstdint>
#include <vector>

struct TerminalResourceTable {
    // Six parallel columns; after a load they hold count + 1 elements, the last one empty.
    std::vector<QString> Terminal, Extension, Desc1031, Desc1033, Icon, ProgID;
    int32_t gTerminalResourceCount = 0;
};

// The file beside the program; when missing there, the copy in its Resource folder,
// else the one built into the program.
QString terminalResourcePath();

// DOM loader: 0 always. A file that cannot be read or is not a terminal resource
// document gives the message box "Cannot load TerminalResource.XML" and leaves the table unchanged.
int32_t fLoadTerminalResource(TerminalResourceTable& table, const QString& path);
// As fLoadTerminalResource, telling whether the file was loaded.
bool loadTerminalResourceFile(TerminalResourceTable& table, const QString& path);
inline int32_t fLoadTerminalResource(TerminalResourceTable& table)
{
    return fLoadTerminalResource(table, terminalResourcePath());
}

// Text scanner over the whole file text: stores each row at the index of its terminal
// number, within the bounds the last DOM load set; relies on the attribute order.
void fParseTerminalResourceText(TerminalResourceTable& table, const QString& text);

// The part of text before (mode 1) or after (any other mode) the first marker; "" when none.
QString fStrPart(const QString& text, const QString& marker, int16_t mode);
