#pragma once
// The terminal script runner, as far as it is built: it keeps the station
// element and the channel and shows itself.
#include "platform/MinimalDialog.h"

class frmScriptInitTerm : public MinimalDialog {
    Q_OBJECT
public:
    explicit frmScriptInitTerm(QWidget* parent = nullptr);
};
