#pragma once
// The files of resources/ (string table, lists, pictures) are built into the
// program; a file of the same name in a resource folder on disk takes the place
// of its built-in copy, so an installation can change one without a new build.
#include <QString>

// The path to read the resource name (such as "RefList.xml" or "Graph/Findfile.gif")
// from: folder/name when that file exists, else the built-in copy. A resource found
// in neither is reported once in the log, and folder/name is given back.
QString resourceFile(const QString& folder, const QString& name);
