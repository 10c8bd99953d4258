#pragma once
// The panel-link channel dialog, as far as it is built: it takes the
// company name and shows itself; element and channel are not used.
#include "MinimalChannelDialog.h"

class frmParamVnDcHW4565 : public MinimalChannelDialog {
    Q_OBJECT
public:
    explicit frmParamVnDcHW4565(QWidget* parent = nullptr);
};
