#pragma once
// The numbered English texts of Resource/StringTable.txt ("<number><TAB><text>",
// \n, \r, \t and \\ escaped). A missing number gives "".
#include <QString>

QString LoadResString(int id);
// Loads (again) from a file; the default is <program folder>/Resource/StringTable.txt,
// else the copy built into the program.
bool loadStringTable(const QString& path);
// False when no string table could be loaded (every text would be "").
bool stringTableAvailable();
