#pragma once
// The script-file converter, as far as it is built. Load prepares the form
// without showing it; the caller shows it.
#include <QDialog>

class frmScript : public QDialog {
    Q_OBJECT
public:
    explicit frmScript(QWidget* parent = nullptr);

    // Sets the caption to "" and lays out the form.
    void Load();
};
