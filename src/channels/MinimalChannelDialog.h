#pragma once
// A channel dialog until its full form is built: a stand-in that also keeps
// the company name of its last RefreshData.
#include "platform/MinimalDialog.h"

class MinimalChannelDialog : public MinimalDialog {
    Q_OBJECT
public:
    using MinimalDialog::MinimalDialog;

    // The parameter, or the maker's name for "".
    QString companyName() const { return m_companyName; }

protected:
    void takeParam(const QString& param) override;

private:
    QString m_companyName;
};
