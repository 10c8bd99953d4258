#pragma once
// The About box: product, version and the maker's address of the branding,
// with the system-information tool and the version report.
#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

private:
    void SetBrandingTexts();
    void cmdSysInfo_Click();
    void cmdVersion_Click();

    int32_t m_companyId = 0;
    QLabel* m_lblTitle;
    QLabel* m_lblVersion;
    QLabel* m_lblDescription;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdSysInfo;
    QPushButton* m_cmdVersion;
};
