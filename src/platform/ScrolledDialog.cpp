#include "ScrolledDialog.h"

#include "ScrolledWindow.h"

#include <QCloseEvent>

ScrolledDialog::ScrolledDialog(QWidget* parent)
    : QDialog(parent)
    , ScrolledWindow1(new ScrolledWindow(this))
{
}

void ScrolledDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ScrolledWindow1->FitToForm();
}

void ScrolledDialog::closeEvent(QCloseEvent* event)
{
    // The form must outlive the work that lets window events run.
    if (m_busy.refuseClose(event))
        return;
    QDialog::closeEvent(event);
}

void ScrolledDialog::reject()
{
    if (!m_busy.isBusy())
        QDialog::reject();
}
