#pragma once
// The program's own version, in the one form every window and the version
// report show it.
#include <QString>

// "major.minor.0.revision": a file version's four parts, the third always 0.
QString programVersionText(int major, int minor, int revision);
// The version the build gives the program.
QString programVersionText();
