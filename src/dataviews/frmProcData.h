#pragma once
// The coupler's process image (minimal form until the full view is built).
#include "MinimalViewForm.h"

class frmProcData : public MinimalViewForm {
    Q_OBJECT
public:
    explicit frmProcData(QWidget* parent = nullptr);
};
