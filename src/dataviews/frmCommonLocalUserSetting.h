#pragma once
// The coupler's local user-mapping (minimal form until the full view is built).
#include "MinimalViewForm.h"

class frmCommonLocalUserSetting : public MinimalViewForm {
    Q_OBJECT
public:
    explicit frmCommonLocalUserSetting(QWidget* parent = nullptr);
};
