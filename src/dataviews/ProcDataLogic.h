#pragma once
// What the process image view decides without a window: which rows a tick
// reads, how a word is shown in each display format, what an output entry
// means, and the texts it logs or shows.
#include "TableViewLogic.h"

#include <QString>
#include <cstdint>

namespace procdata {

inline constexpr int32_t kRows = 256;         // words per process image table
inline constexpr int32_t kFirstOutTable = 110; // output image n is table 110 + n
inline constexpr int32_t kFirstInTable = 114;  // input image n is table 114 + n
inline constexpr int32_t kImages = 4;
inline constexpr int32_t kStartRows = 20;     // the first reads, before any row is on screen
inline constexpr int kFirstTickMs = 5;
inline constexpr int kTickMs = 100;

// The list indexes of the format selectors.
enum DisplayFormat { FmtHex = 0, FmtHexPlain = 1, FmtInt16 = 2, FmtUInt16 = 3, FmtBinary = 4 };

struct RowWindow {
    int32_t first = 0;
    int32_t rows = 0; // 0: nothing to read
};

// topRow and bottomRow are the rows at the top and bottom pixel of the grid
// (-1 where there is none); the window never reaches past rowCount or 256.
RowWindow visibleWindow(int topRow, int bottomRow, int rowCount);

// The data cell text of a word: "0x 1234", "1234", "-1", "65535", " 0001 0010 0011 0100".
QString formatWord(int format, int32_t word);

// Checks and converts text typed into an output cell under the given format.
tableview::RegisterEdit parseOutputEntry(int format, const QString& text);

// "ProcData Error: Err/Table/FirstRow/RowSize 5 114 0 20" and CR LF.
QString readErrorLine(int32_t result, int32_t table, int32_t first, int32_t rows);
// The same for a refused output word, which would otherwise go unnoticed.
QString writeErrorLine(int32_t result, int32_t table, int32_t reg, int32_t value);

// The German box text for an entry that fails its check.
QString invalidEntryMessage();

} // namespace procdata
