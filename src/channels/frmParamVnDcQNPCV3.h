#pragma once
// The network channel dialog that also knows runtime 3 and its route file.
#include "QnpChannelDialog.h"

class frmParamVnDcQNPCV3 : public QnpChannelDialog {
    Q_OBJECT
public:
    explicit frmParamVnDcQNPCV3(QWidget* parent = nullptr);
};
