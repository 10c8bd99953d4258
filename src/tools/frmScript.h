#pragma once
// Conversion of old INI-style scripts (terminal *.tsi, coupler *.csi) into
// XML scripts: open converts and shows the result in a coloured preview,
// save writes the converted text (not the preview's edits). No device is
// involved. Load prepares the form without showing it; the caller shows it.
#include "platform/ScrolledDialog.h"

#include <functional>

class IniProfile;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class modHighlight;

class frmScript : public ScrolledDialog {
    Q_OBJECT
public:
    explicit frmScript(QWidget* parent = nullptr);

    // Sets the caption to "" and lays out the form.
    void Load();

    // The converted script, kept for saving.
    QString xmlText() const { return m_xmlText; }
    QPlainTextEdit* preview() const { return richtxtInit; }
    modHighlight* highlighter() const { return m_highlight; }
    // Date and time of the Build comment; tests fix them.
    void setBuildStamp(std::function<QString()> stamp) { m_buildStamp = std::move(stamp); }

    void cmdTSIOeffnen_Click();
    void cmdCSIOeffnen_Click();
    void cmdTSISpeichern_Click() { saveXml(QStringLiteral("Terminal script XML(*.xml *.XML)")); }
    void cmdCSISpeichern_Click() { saveXml(QStringLiteral("Coupler script XML(*.xml *.XML)")); }

private:
    void SetEnglishCaptions();
    // Asks for an INI file; the path when one was picked, else "" (the preview then holds a blank).
    QString openIni(const QString& filter);
    void TSIinXMLschreiben();
    void CSIinXMLschreiben();
    using Converter = QString (*)(const IniProfile&, const QString&, const QString&, int*);
    void convert(Converter toXml);
    // False, with a message, for a file that is refused or cannot be read.
    bool readIni(IniProfile& ini);
    // Shows and keeps a conversion with registers; for none, says so and keeps the earlier one.
    void showXml(const QString& xml, int registers);
    void enableSave();
    void saveXml(const QString& filter);

    QLabel* labelKonvertieren;
    QLabel* labelKlemmen;
    QPushButton* cmdTSIOeffnen;
    QPushButton* cmdTSISpeichern;
    QLabel* labelKoppler;
    QPushButton* cmdCSIOeffnen;
    QPushButton* cmdCSISpeichern;
    QPushButton* cmdBeenden;
    QPlainTextEdit* richtxtInit;
    modHighlight* m_highlight;

    QString m_iniPath;
    QString m_xmlText;
    std::function<QString()> m_buildStamp;
};
