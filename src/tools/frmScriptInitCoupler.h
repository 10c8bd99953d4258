#pragma once
// The coupler script runner, as far as it is built: it keeps the station
// element and the channel and shows itself.
#include "platform/MinimalDialog.h"

class frmScriptInitCoupler : public MinimalDialog {
    Q_OBJECT
public:
    explicit frmScriptInitCoupler(QWidget* parent = nullptr);
};
