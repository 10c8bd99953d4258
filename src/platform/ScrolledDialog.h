#pragma once
// The frame of the dialog forms: their controls sit in ScrolledWindow1, which
// keeps the form's margin at every resize. While the form is busy (a run or a
// test that lets window events run) neither its close button nor Escape closes it,
// and the program counts as busy.
#include "BusyScope.h"

#include <QDialog>

class ScrolledWindow;

class ScrolledDialog : public QDialog {
    Q_OBJECT
public:
    bool isBusy() const { return m_busy.isBusy(); }

protected:
    explicit ScrolledDialog(QWidget* parent);
    void setBusy(bool busy) { m_busy.setBusy(busy); }

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    ScrolledWindow* ScrolledWindow1;

private:
    FormBusy m_busy;
};
