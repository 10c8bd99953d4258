#pragma once
// The network channel dialog for the registry routes of runtime 2.
#include "QnpChannelDialog.h"

class frmParamVnDcQNP : public QnpChannelDialog {
    Q_OBJECT
public:
    explicit frmParamVnDcQNP(QWidget* parent = nullptr);
};
