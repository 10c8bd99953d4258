#include "frmScript.h"

#include "IniProfile.h"
#include "ScriptConvert.h"
#include "modHighlight.h"
#include "platform/AppContext.h"
#include "platform/FormRegistry.h"
#include "platform/LocaleInfo.h"
#include "platform/RegularFile.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"

#include <QDir>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

frmScript::frmScript(QWidget* parent)
    : ScrolledDialog(parent)
    , labelKonvertieren(new QLabel(
          QStringLiteral("Konvertierung von Script Dateien (Version 3) in XML Script Dateien (Version 4)"), ScrolledWindow1))
    , labelKlemmen(new QLabel(QStringLiteral("Klemmen:"), ScrolledWindow1))
    , cmdTSIOeffnen(new QPushButton(QStringLiteral("Öffne Klemmen Script Datei V3 (*.tsi)"), ScrolledWindow1))
    , cmdTSISpeichern(new QPushButton(QStringLiteral("Speichere Klemmen Script Datei V4 (*.xml)"), ScrolledWindow1))
    , labelKoppler(new QLabel(QStringLiteral("Koppler:"), ScrolledWindow1))
    , cmdCSIOeffnen(new QPushButton(QStringLiteral("Öffne Koppler Script Datei V3 (*.csi)"), ScrolledWindow1))
    , cmdCSISpeichern(new QPushButton(QStringLiteral("Speichere Koppler Script Datei V4 (*.xml)"), ScrolledWindow1))
    , cmdBeenden(new QPushButton(QStringLiteral("Beenden"), ScrolledWindow1))
    , richtxtInit(new QPlainTextEdit(ScrolledWindow1))
    , m_highlight(new modHighlight(richtxtInit->document()))
    , m_buildStamp([] { return scriptBuildStamp(QDateTime::currentDateTime()); })
{
    setObjectName(QStringLiteral("frmScript"));
    setAttribute(Qt::WA_DeleteOnClose);
    labelKonvertieren->setObjectName(QStringLiteral("labelKonvertieren"));
    labelKlemmen->setObjectName(QStringLiteral("labelKlemmen"));
    cmdTSIOeffnen->setObjectName(QStringLiteral("cmdTSIOeffnen"));
    cmdTSISpeichern->setObjectName(QStringLiteral("cmdTSISpeichern"));
    labelKoppler->setObjectName(QStringLiteral("labelKoppler"));
    cmdCSIOeffnen->setObjectName(QStringLiteral("cmdCSIOeffnen"));
    cmdCSISpeichern->setObjectName(QStringLiteral("cmdCSISpeichern"));
    cmdBeenden->setObjectName(QStringLiteral("cmdBeenden"));
    richtxtInit->setObjectName(QStringLiteral("richtxtInit"));

    labelKonvertieren->setGeometry(8, 8, 680, 22);
    labelKlemmen->setGeometry(8, 44, 80, 22);
    cmdTSIOeffnen->setGeometry(92, 40, 296, 28);
    cmdTSISpeichern->setGeometry(396, 40, 296, 28);
    labelKoppler->setGeometry(8, 78, 80, 22);
    cmdCSIOeffnen->setGeometry(92, 74, 296, 28);
    cmdCSISpeichern->setGeometry(396, 74, 296, 28);
    richtxtInit->setGeometry(8, 114, 684, 400);
    cmdBeenden->setGeometry(592, 524, 100, 28);
    resize(708, 568);

    richtxtInit->setFont(QFont(QStringLiteral("Verdana"), 10));
    richtxtInit->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QPushButton* b : {cmdTSIOeffnen, cmdTSISpeichern, cmdCSIOeffnen, cmdCSISpeichern, cmdBeenden})
        b->setAutoDefault(false);
    // Saving before any conversion would replace the chosen file with an empty line.
    enableSave();

    connect(cmdTSIOeffnen, &QPushButton::clicked, this, &frmScript::cmdTSIOeffnen_Click);
    connect(cmdCSIOeffnen, &QPushButton::clicked, this, &frmScript::cmdCSIOeffnen_Click);
    connect(cmdTSISpeichern, &QPushButton::clicked, this, &frmScript::cmdTSISpeichern_Click);
    connect(cmdCSISpeichern, &QPushButton::clicked, this, &frmScript::cmdCSISpeichern_Click);
    connect(cmdBeenden, &QPushButton::clicked, this, &QDialog::close);

    ScrolledWindow1->FitToForm();
    if (localeIsEnglish())
        SetEnglishCaptions();
    FormRegistry::Load(this);
}

void frmScript::SetEnglishCaptions()
{
    labelKonvertieren->setText(QStringLiteral("Conversion of Script Files (Version 3) in XML Script Files (Version 4)"));
    labelKlemmen->setText(QStringLiteral("Terminal: "));
    cmdTSIOeffnen->setText(QStringLiteral("Open Terminal Script File V3 (*.tsi)"));
    cmdTSISpeichern->setText(QStringLiteral("Save Terminal Script File V4 (*.xml)"));
    labelKoppler->setText(QStringLiteral("Coupler: "));
    cmdCSIOeffnen->setText(QStringLiteral("Open Coupler Script File V3 (*.csi)"));
    cmdCSISpeichern->setText(QStringLiteral("Save Coupler Script File V4 (*.xml)"));
    cmdBeenden->setText(LoadResString(502));
}

void frmScript::Load()
{
    setWindowTitle(QString());
    ScrolledWindow1->FitToForm();
}

void frmScript::cmdTSIOeffnen_Click()
{
    m_highlight->InitHighlight();
    m_iniPath = openIni(QStringLiteral("Terminal Script Ini(*.tsi *.TSI)"));
    if (!m_iniPath.isEmpty())
        TSIinXMLschreiben();
}

void frmScript::cmdCSIOeffnen_Click()
{
    m_highlight->InitHighlight();
    m_iniPath = openIni(QStringLiteral("Coupler Script Ini(*.csi *.CSI)"));
    if (!m_iniPath.isEmpty())
        CSIinXMLschreiben();
}

QString frmScript::openIni(const QString& filter)
{
    richtxtInit->setPlainText(QStringLiteral(" "));
    return app().dialogs->GetOpenFileName(QString(), QString(), filter);
}

void frmScript::TSIinXMLschreiben() { convert(TSIinXML); }

void frmScript::CSIinXMLschreiben() { convert(CSIinXML); }

void frmScript::convert(Converter toXml)
{
    IniProfile ini;
    if (!readIni(ini))
        return;
    int registers = 0;
    const QString xml = toXml(ini, scriptBaseName(m_iniPath), m_buildStamp(), &registers);
    if (xml.isEmpty()) {
        // Many more sections than a coupler has tables: no script, and no preview to wait for.
        const QString message = localeIsEnglish()
            ? QStringLiteral("The file would give a script of more than 1 MiB and is not converted:\r\n")
            : QStringLiteral("Die Datei ergäbe ein Script von mehr als 1 MiB und wird nicht konvertiert:\r\n");
        app().dialogs->MsgBox(message + m_iniPath, vbCritical, LoadResString(741));
        return;
    }
    showXml(xml, registers);
}

bool frmScript::readIni(IniProfile& ini)
{
    const FileRead read = IniProfile::fromFile(m_iniPath, ini);
    // A file that vanished since it was picked holds no register, as the old reader saw it.
    if (read == FileRead::Ok || read == FileRead::Missing)
        return true;
    const bool english = localeIsEnglish();
    QString message;
    if (read == FileRead::TooLarge)
        message = (english ? QStringLiteral("The file is larger than 1 MiB (%1 bytes) and is not converted:\r\n")
                           : QStringLiteral("Die Datei ist größer als 1 MiB (%1 Bytes) und wird nicht konvertiert:\r\n"))
                      .arg(IniProfile::kMaxFileBytes);
    else
        message = english ? QStringLiteral("The file cannot be read:\r\n")
                          : QStringLiteral("Die Datei kann nicht gelesen werden:\r\n");
    app().dialogs->MsgBox(message + m_iniPath, vbCritical, LoadResString(741));
    return false;
}

void frmScript::showXml(const QString& xml, int registers)
{
    // An empty script is no conversion: the preview stays blank and the earlier conversion stays for saving.
    if (registers == 0) {
        const QString message = localeIsEnglish() ? QStringLiteral("No register values found in %1")
                                                  : QStringLiteral("Keine Registerwerte gefunden in %1");
        app().dialogs->MsgBox(message.arg(m_iniPath), vbExclamation, LoadResString(741));
        return;
    }
    m_xmlText = xml;
    enableSave();
    richtxtInit->setPlainText(QString(xml).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void frmScript::enableSave()
{
    cmdTSISpeichern->setEnabled(!m_xmlText.isEmpty());
    cmdCSISpeichern->setEnabled(!m_xmlText.isEmpty());
}

void frmScript::saveXml(const QString& filter)
{
    if (m_xmlText.isEmpty())
        return;
    IDialogs& dialogs = *app().dialogs;
    const QString path = dialogs.GetSaveFileName(QString(), QString(), filter, QStringLiteral("xml"));
    if (path.isEmpty())
        return;
    // UTF-8: what a reader assumes of a file without declaration.
    const QByteArray bytes = (m_xmlText + QStringLiteral("\r\n")).toUtf8();
    const FileWrite written = writeRegularFile(path, bytes);
    if (written)
        return;
    const QString message = localeIsEnglish() ? QStringLiteral("The file could not be saved:\r\n")
                                              : QStringLiteral("Die Datei konnte nicht gespeichert werden:\r\n");
    dialogs.MsgBox(message + QDir::toNativeSeparators(path) + QStringLiteral("\r\n") + fileWriteFailureSentence(written),
                   vbCritical, LoadResString(741));
}
