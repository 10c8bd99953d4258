// The About box: branding texts in their order, the system-information tool
// and the version report.
#include "common/ProjectVersion.h"
#include "common/TestEnv.h"
#include "platform/ProgramVersion.h"
#include "shell/frmAbout.h"
#include "shell/modAbout.h"
#include "tools/frmVersionsNummer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
const QString MsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString Unavailable = QStringLiteral("System Information Is Unavailable At This Time|64|");
}

class tst_frmAbout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void brandingTexts_data();
    void brandingTexts();
    void aboutBoxShowsMakerEdition();
    void startSysInfo_data();
    void startSysInfo();
    void okCloses();
    void resourceReportIsModalAndClosesOnExit();
    void aboutBoxAndReportGiveTheSameVersion();
};

void tst_frmAbout::brandingTexts_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::newRow("maker") << 0 << "About TD4700" << "TD4700\r\nConfiguration- and diagnostic software\r\n"
                           << "Harmsted Automation GmbH\r\nWerkstrasse 12\r\nD-32423 Mindelheim\r\nGermany\r\n\r\n"
                              "Tel.: +49 (0) 571 887-0\r\nFax: +49 (0) 571 887-169\r\nE-Mail: support@harmsted.example\r\n"
                              "Web: www.harmsted.example\r\nDownload: www.harmsted.example/download";
    QTest::newRow("Linovo: records of \"_\" shown as they are")
        << 1 << "About Linovo Design" << "Linovo Design\r\nKonfigurations- und Diagnosesoftware\r\n"
        << "Linovo Design AG\r\nAm Kanal 5\r\nD-90402 Nürnberg\r\nDeutschland\r\n\r\nTel.: +49 (0) 911 2345-0\r\n_\r\n"
           "E-Mail: info@linovo.example\r\nWeb: www.linovo.example\r\n_";
    QTest::newRow("QVS") << 2 << "About TD4700QVS Pro" << "TD4700QVS Pro\r\nKonfigurations- und Diagnosesoftware\r\n"
                         << "Pellwitz Systemtechnik GmbH\r\nIndustriering 40\r\nD-09111 Chemnitz\r\nDeutschland\r\n\r\n"
                            "Tel.: +49 (0) 371 5566-0\r\nFax: +49 (0) 371 5566-99\r\nE-Mail: service@pellwitz.example\r\n"
                            "Web: www.pellwitz.example\r\nDownload: www.pellwitz.example/td4700qvs";
    QTest::newRow("Planwerk") << 3 << "About I/O-Planwerk" << "I/O-Planwerk\r\nKonfigurations- und Diagnosesoftware\r\n"
                              << "Kerrlund Planwerk GmbH\r\nHafenweg 3\r\nD-24103 Kiel\r\nDeutschland\r\n\r\n"
                                 "Tel.: +49 (0) 431 7788-0\r\nFax: +49 (0) 431 7788-10\r\nE-Mail: planwerk@kerrlund.example\r\n"
                                 "Web: www.kerrlund.example\r\n_";
}

void tst_frmAbout::brandingTexts()
{
    QFETCH(int, company);
    QFETCH(QString, caption);
    QFETCH(QString, title);
    QFETCH(QString, description);
    const AboutTexts t = aboutTexts(company, programVersionText(4, 3, 90));
    QCOMPARE(t.caption, caption);
    QCOMPARE(t.title, title);
    QCOMPARE(t.description, description);
    QCOMPARE(t.version, QStringLiteral("Version:    4.3.0.90"));
    QCOMPARE(t.okCaption, QStringLiteral("&OK"));
    QCOMPARE(t.sysInfoCaption, QStringLiteral("&System..."));
}

void tst_frmAbout::aboutBoxShowsMakerEdition()
{
    TestEnv env;
    frmAbout box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About TD4700"));
    QVERIFY(box.isModal());
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
             QStringLiteral("TD4700\nConfiguration- and diagnostic software"));
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version:    ") + shownProjectVersion());
    const QStringList lines = box.findChild<QLabel*>(QStringLiteral("lblDescription"))->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines.at(0), QStringLiteral("Harmsted Automation GmbH"));
    QCOMPARE(lines.at(4), QString());
    QCOMPARE(lines.at(5), QStringLiteral("Tel.: +49 (0) 571 887-0"));
    QCOMPARE(lines.at(9), QStringLiteral("Download: www.harmsted.example/download"));
    QCOMPARE(box.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(), QStringLiteral("&OK"));
    QCOMPARE(box.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(), QStringLiteral("&System..."));
    QCOMPARE(box.findChild<QPushButton*>(QStringLiteral("cmdVersion"))->text(), QStringLiteral("Resource Report"));
}

void tst_frmAbout::startSysInfo_data()
{
    QTest::addColumn<QString>("path");      // "PATH" under MSINFO, "<missing>" for none
    QTest::addColumn<QString>("location");  // "MSINFO" under Shared Tools Location; "TMP" = a temporary folder
    QTest::addColumn<bool>("toolInFolder"); // MSINFO32.EXE present there
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("started");   // "TMP" stands for the temporary folder
    QTest::addColumn<bool>("message");
    QTest::newRow("named program") << "/usr/bin/sysinfo" << "<missing>" << false << true << "/usr/bin/sysinfo" << false;
    QTest::newRow("named program fails to start") << "/usr/bin/sysinfo" << "<missing>" << false << false
                                                  << "/usr/bin/sysinfo" << true;
    QTest::newRow("named program wins over folder") << "/usr/bin/sysinfo" << "TMP" << true << true << "/usr/bin/sysinfo" << false;
    QTest::newRow("folder with the tool") << "<missing>" << "TMP" << true << true << "TMP/MSINFO32.EXE" << false;
    QTest::newRow("folder without the tool: nothing started") << "<missing>" << "TMP" << false << true << "" << true;
    QTest::newRow("nothing named") << "<missing>" << "<missing>" << false << true << "" << true;
}

void tst_frmAbout::startSysInfo()
{
    QFETCH(QString, path);
    QFETCH(QString, location);
    QFETCH(bool, toolInFolder);
    QFETCH(bool, starts);
    QFETCH(QString, started);
    QFETCH(bool, message);
    TestEnv env;
    gCommon().setLanguageType(1); // the message is in the UI language
    RegistryStore& store = *env.context().store;
    const QString folder = env.tempPath() + QStringLiteral("/msinfo");
    QVERIFY(QDir().mkpath(folder));
    if (toolInFolder) {
        QFile tool(folder + QStringLiteral("/MSINFO32.EXE"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
    }
    if (path != QLatin1String("<missing>"))
        store.setValue(HKEY_LOCAL_MACHINE, MsInfoKey, QStringLiteral("PATH"), RegValue::fromText(path));
    if (location != QLatin1String("<missing>"))
        store.setValue(HKEY_LOCAL_MACHINE, LocationKey, QStringLiteral("MSINFO"),
                       RegValue::fromText(location == QLatin1String("TMP") ? folder : location));
    env.dialogs().startProgramResult = starts;

    StartSysInfo(*env.context().gObjRegistry, env.dialogs());
    started.replace(QStringLiteral("TMP"), folder);
    QCOMPARE(env.dialogs().startedPrograms, started.isEmpty() ? QStringList() : QStringList({started}));
    QCOMPARE(env.dialogs().messages, message ? QStringList({Unavailable}) : QStringList());
}

void tst_frmAbout::okCloses()
{
    TestEnv env;
    frmAbout box;
    QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); });
    box.exec();
    QVERIFY(!box.isVisible());
}

void tst_frmAbout::resourceReportIsModalAndClosesOnExit()
{
    TestEnv env;
    frmAbout box;
    QString reportTitle;
    bool reportModal = false;
    // Inside the About box: press Resource Report, then Exit in the report, then OK.
    QTimer::singleShot(0, &box, [&] {
        QTimer::singleShot(0, &box, [&] {
            QWidget* report = QApplication::activeModalWidget();
            QVERIFY(report);
            reportTitle = report->windowTitle();
            reportModal = report->isModal();
            report->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
        });
        box.findChild<QPushButton*>(QStringLiteral("cmdVersion"))->click(); // returns when the report is closed
        box.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    box.exec();
    QCOMPARE(reportTitle, QStringLiteral("Resource Report"));
    QVERIFY(reportModal);
}

// The version the box shows, the report's row of the program and its line in the saved report.
void tst_frmAbout::aboutBoxAndReportGiveTheSameVersion()
{
    TestEnv env;
    frmAbout box;
    QString row, line;
    QTimer::singleShot(0, &box, [&] {
        QTimer::singleShot(0, &box, [&] {
            auto* report = qobject_cast<frmVersionsNummer*>(QApplication::activeModalWidget());
            QVERIFY(report);
            row = report->findChild<QLabel*>(QStringLiteral("lblVersionsNummer_0"))->text();
            line = report->reportText().section(QLatin1Char('\n'), 2, 2);
            report->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
        });
        box.findChild<QPushButton*>(QStringLiteral("cmdVersion"))->click();
        box.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    box.exec();
    const QString version = shownProjectVersion();
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version:    ") + version);
    QCOMPARE(row, QLatin1Char(' ') + version);
    QCOMPARE(line, QStringLiteral("\t<FILES FILENAME=\"TD4700.exe\" VERSION=\"%1\"></FILES>\r").arg(version));
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
