#pragma once
// A bus controller's settings (minimal form until the full view is built).
#include "MinimalViewForm.h"

class frmControllerSetting : public MinimalViewForm {
    Q_OBJECT
public:
    explicit frmControllerSetting(QWidget* parent = nullptr);
};
