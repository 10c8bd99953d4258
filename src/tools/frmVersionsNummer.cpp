#include "frmVersionsNummer.h"

#include "platform/AppContext.h"
#include "platform/LocaleInfo.h"
#include "platform/ProgramVersion.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>

namespace {
VersionPlaces installedPlaces()
{
    VersionPlaces places = VersionPlaces::installed();
    places.programFolder = AppContext::programFolder();
    places.resourceFolder = gCommon().PathFolderResCommon();
    return places;
}

constexpr int kRowHeight = 18;
constexpr int kRowsTop = 24;
} // namespace

QString frmVersionsNummer::reportPath(const QString& programFolder, int32_t companyId)
{
    if (companyId == 0)
        return programFolder + QStringLiteral("/Report/ResourceReport.xml");
    if (companyId == 3)
        return programFolder + QStringLiteral("/ResourceReport.xml");
    return QString();
}

frmVersionsNummer::frmVersionsNummer(QWidget* parent, std::optional<VersionPlaces> places)
    : QDialog(parent)
    , Frame1(new QGroupBox(this))
    , lblTD4700VersionInformation(new QLabel(QStringLiteral("Resource Report"), this))
    , cmdXMLlesen(new QPushButton(QStringLiteral("Refresh"), this))
    , cmdXMLschreiben(new QPushButton(QStringLiteral("XML Datei Speichern"), this))
    , cmdExit(new QPushButton(QStringLiteral("&Beenden"), this))
    , m_places(places ? *places : installedPlaces())
{
    setObjectName(QStringLiteral("frmVersionsNummer"));
    setModal(true);
    setWindowTitle(QStringLiteral("Resource Report"));
    setFont(QFont(QStringLiteral("Verdana"), 8));
    m_companyId = gCommon().CompanyID();

    lblTD4700VersionInformation->setObjectName(QStringLiteral("lblTD4700VersionInformation"));
    lblTD4700VersionInformation->setGeometry(12, 8, 500, 20);
    QFont heading = font();
    heading.setBold(true);
    lblTD4700VersionInformation->setFont(heading);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(8, 32, 544, kRowsTop + kReportRows * kRowHeight + 10);
    for (int i = 0; i < kReportRows; ++i) {
        lblFilename[size_t(i)] = new QLabel(Frame1);
        lblFilename[size_t(i)]->setObjectName(QStringLiteral("lblFilename_%1").arg(i));
        lblFilename[size_t(i)]->setGeometry(12, kRowsTop + i * kRowHeight, 300, kRowHeight);
        lblVersionsNummer[size_t(i)] = new QLabel(Frame1);
        lblVersionsNummer[size_t(i)]->setObjectName(QStringLiteral("lblVersionsNummer_%1").arg(i));
        lblVersionsNummer[size_t(i)]->setGeometry(320, kRowsTop + i * kRowHeight, 212, kRowHeight);
    }

    const int buttonsTop = Frame1->geometry().bottom() + 12;
    cmdXMLlesen->setObjectName(QStringLiteral("cmdXMLlesen"));
    cmdXMLlesen->setGeometry(8, buttonsTop, 150, 30);
    cmdXMLschreiben->setObjectName(QStringLiteral("cmdXMLschreiben"));
    cmdXMLschreiben->setGeometry(166, buttonsTop, 170, 30);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(432, buttonsTop, 120, 30);
    for (QPushButton* b : {cmdXMLlesen, cmdXMLschreiben, cmdExit})
        b->setAutoDefault(false);
    setFixedSize(560, buttonsTop + 42);

    connect(cmdXMLlesen, &QPushButton::clicked, this, &frmVersionsNummer::cmdXMLlesen_Click);
    connect(cmdXMLschreiben, &QPushButton::clicked, this, &frmVersionsNummer::cmdXMLschreiben_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::accept);

    OpenAndVersionRefresh();
    ReadVersions();
    XMLschreiben();
    if (localeIsEnglish())
        SetCaptions();
}

void frmVersionsNummer::SetCaptions()
{
    cmdXMLschreiben->setText(QStringLiteral("XML file save"));
    cmdExit->setText(QStringLiteral("Exit"));
}

void frmVersionsNummer::ReadVersions()
{
    const auto& fixed = fixedComponentNames();
    m_FileNames[0] = QStringLiteral("TD4700.exe");
    for (size_t i = 0; i < fixed.size(); ++i)
        m_FileNames[i + 1] = QString::fromLatin1(fixed[i]);

    if (m_companyId == 0 || m_companyId == 3) {
        m_ProgVersion = programVersionText();
        lblVersionsNummer[0]->setText(QLatin1Char(' ') + m_ProgVersion);
        lblFilename[0]->setText(QLatin1Char(' ')
                                + (m_companyId == 3 ? QStringLiteral("IO-Planwerk.exe") : QStringLiteral("TD4700.exe")));
    }
    for (int slot = 1; slot < kReportSlots; ++slot) {
        const QString& name = m_FileNames[size_t(slot)];
        if (name.isEmpty()) {
            m_Versions[size_t(slot)].clear(); // a slot a refreshed report no longer names
            continue;
        }
        m_Versions[size_t(slot)] = GetFileVersion(name, m_places);
        if (slot < kReportRows) {
            lblVersionsNummer[size_t(slot)]->setText(QLatin1Char(' ') + m_Versions[size_t(slot)]);
            lblFilename[size_t(slot)]->setText(QLatin1Char(' ') + name);
        }
    }
}

void frmVersionsNummer::XMLschreiben()
{
    m_XmlText = ::XMLschreiben(m_companyId, m_ProgVersion, m_FileNames, m_Versions);
    m_richtxtXMLschreiben = m_XmlText;
}

void frmVersionsNummer::OpenAndVersionRefresh()
{
    m_FileName = reportPath(m_places.programFolder, 0);
    // A report lists 33 files; a file far larger, a pipe or a device is no report.
    constexpr qint64 maxReportBytes = 1024 * 1024;
    QByteArray data;
    if (readRegularFile(m_FileName, data, maxReportBytes) != FileRead::Ok)
        return; // no report yet: the slots keep their names
    // UTF-8, as the report is written; a report that is no UTF-8 came from an older
    // copy, which wrote one character per byte.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    m_FileText = utf8.decode(data);
    if (utf8.hasError())
        m_FileText = QString::fromLatin1(data);
    VersionRefresh(m_FileText, m_FileNames);
}

void frmVersionsNummer::cmdXMLlesen_Click()
{
    // The report is built again from the names just read and the versions now found:
    // saving the loaded text instead would write back stale versions, one line end
    // longer at every save.
    OpenAndVersionRefresh();
    ReadVersions();
    XMLschreiben();
}

void frmVersionsNummer::cmdXMLschreiben_Click()
{
    const QString path = reportPath(m_places.programFolder, m_companyId);
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes = (m_richtxtXMLschreiben + QStringLiteral("\r\n")).toUtf8();
    const FileWrite written = writeRegularFile(path, bytes);
    if (!written) {
        const QString text = localeIsEnglish() ? QStringLiteral("The report could not be saved:\r\n")
                                               : QStringLiteral("Der Bericht konnte nicht gespeichert werden:\r\n");
        app().dialogs->MsgBox(text + QDir::toNativeSeparators(path) + QStringLiteral("\r\n")
                                  + fileWriteFailureSentence(written),
                              vbCritical, windowTitle());
    }
}
