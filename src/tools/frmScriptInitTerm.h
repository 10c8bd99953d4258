#pragma once
// The terminal script runner, as far as it is built: it keeps the station
// element and the channel and shows itself.
#include "MinimalToolDialog.h"

class frmScriptInitTerm : public MinimalToolDialog {
    Q_OBJECT
public:
    explicit frmScriptInitTerm(QWidget* parent = nullptr);
};
