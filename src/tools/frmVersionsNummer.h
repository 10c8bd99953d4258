#pragma once
// The version report ("Resource Report"): the program and its component files
// with their versions, kept as Report/ResourceReport.xml beside the program.
// Modal; opened by the About box.
#include "ResourceReport.h"

#include <QDialog>
#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;

class frmVersionsNummer : public QDialog {
    Q_OBJECT
public:
    // places: where the version of each file and the report are looked for; by default the
    // installed program's folders.
    explicit frmVersionsNummer(QWidget* parent = nullptr, std::optional<VersionPlaces> places = std::nullopt);
    // The fixed report path in the program folder ("" for companies without one).
    static QString reportPath(const QString& programFolder, int32_t companyId);

    QString reportText() const { return m_richtxtXMLschreiben; }
    const ReportSlots& fileNames() const { return m_FileNames; }
    const ReportSlots& versions() const { return m_Versions; }

    void cmdXMLlesen_Click();
    void cmdXMLschreiben_Click();

private:
    void ReadVersions();
    void XMLschreiben();
    void OpenAndVersionRefresh();
    void SetCaptions();

    QGroupBox* Frame1;
    std::array<QLabel*, kReportRows> lblFilename{};
    std::array<QLabel*, kReportRows> lblVersionsNummer{};
    QLabel* lblTD4700VersionInformation;
    QPushButton* cmdXMLlesen;
    QPushButton* cmdXMLschreiben;
    QPushButton* cmdExit;

    ReportSlots m_FileNames;
    ReportSlots m_Versions;
    QString m_ProgVersion;
    QString m_XmlText;
    QString m_FileName;
    QString m_FileText;
    QString m_richtxtXMLschreiben; // the hidden report box: what Save writes
    VersionPlaces m_places;
    int32_t m_companyId = 0;
};
