#pragma once
// Enter on a grid opens the current cell's editor, as F2 does, and goes no
// further. An Enter that an open editor passes up has already committed; it
// is swallowed too. For a grid's event filter: true when the event was taken.
class QEvent;
class QTableView;

bool enterOpensEditor(QTableView* grid, QEvent* event);
