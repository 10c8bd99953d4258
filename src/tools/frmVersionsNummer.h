#pragma once
// The version report of the installed components ("Resource Report"), modal.
#include <QDialog>

class QPushButton;

class frmVersionsNummer : public QDialog {
    Q_OBJECT
public:
    explicit frmVersionsNummer(QWidget* parent = nullptr);

private:
    QPushButton* m_cmdExit;
};
