#pragma once
// The coupler's common settings (minimal form until the full view is built).
#include "MinimalViewForm.h"

class frmCommonSetting : public MinimalViewForm {
    Q_OBJECT
public:
    explicit frmCommonSetting(QWidget* parent = nullptr);
};
