// The language switch: caption and tooltip tables, the window caption, the
// log line, the help-file choice, and the main window re-captioned by a switch.
#include "common/TestEnv.h"
#include "platform/StringTable.h"
#include "shell/frmMain.h"
#include "shell/modLanguage.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QtTest>

namespace {

struct Expected {
    const char* target;
    int index;
    const char* german;
    const char* english;
};

// Every caption the switch sets, as the user reads it in either language.
const Expected Captions[] = {
    {"mnuMainItemProject", -1, "&Projekt", "&Project"},
    {"mnuProjectItem", 1, "&Neu...", "&New..."},
    {"mnuProjectItem", 2, "Ö&ffnen...", "&Open..."},
    {"mnuProjectItem", 3, "&Löschen...", "&Delete..."},
    {"mnuProjectItem", 5, "&Sichern", "&Save"},
    {"mnuProjectItem", 6, "Sichern &unter...", "Save &As..."},
    {"mnuProjectItem", 8, "&Import", "Import..."},
    {"mnuProjectItem", 9, "E&xport", "Export..."},
    {"mnuProjectItem", 11, "Druck Eigensc&haften", "Print Properties..."},
    {"mnuProjectItem", 12, "&Drucken", "Print..."},
    {"mnuProjectItem", 21, "&Beenden", "Exit"},
    {"mnuMainItemOnline", -1, "O&nline", "O&nline"},
    {"mnuOnlineItem", 1, "&Einloggen", "Log&in"},
    {"mnuOnlineItem", 2, "&Ausloggen", "Log&out"},
    {"mnuOnlineItem", 4, "&Prozeßabbild (zykl.)...", "&Process-image(cycl.)..."},
    {"mnuOnlineItem", 7, "K&lemmen", "Terminal"},
    {"mnuOnlineTerminalItem", 0, "Script Init...", "Script-Init..."},
    {"mnuOnlineItem", 8, "K&oppler", "Coupler"},
    {"mnuOnlineCouplerItem", 0, "&Dienste", "&Services..."},
    {"mnuOnlineCouplerItem", 2, "Script Init...", "Script-Init..."},
    {"mnuOnlineCouplerItem", 5, "Firmware Update...", "Firmware Update..."},
    {"mnuOnlineItem", 12, "&DevOnly", "Dev_only"},
    {"mnuOnlineItem", 14, "Firmware Load...", "Firmware Load..."},
    {"mnuOnlineItem", 16, "&Konvertierung von Script Dateien in XML ...", "&Conversion of script files in XML ..."},
    {"mnuMainItemOption", -1, "&Optionen", "&Options"},
    {"mnuOptionItem", 0, "&Sprache", "Language"},
    {"mnuLanguageItem", 0, "&Deutsch", "&German"},
    {"mnuLanguageItem", 1, "&Englisch", "&English"},
    {"mnuOptionItem", 1, "&Kommunikationskanal...", "Communication channel"},
    {"mnuOptionItem", 2, "&Grafik der Station anzeigen", "Enable graphical display"},
    {"mnuOptionItem", 3, "Online &Monitoring", "Online Monitoring"},
    {"mnuOptionItem", 4, "Ansicht", "View"},
    {"mnuOptionAnsichtItem", 0, "Berichtsbox", "Reportbox"},
    {"mnuOptionAnsichtItem", 1, "Baumansicht", "Treeview"},
    {"mnuOptionItem", 5, "Erstelle neue XML Geräte Dateien", "Create new XML device files"},
    {"mnuMainItemHelp", -1, "&Hilfe", "&Help"},
    {"mnuHelpItem", 1, "Hilfe-Assistent...", "Help index..."},
    {"mnuHelpItem", 3, "&Produkt", "???? "},
    {"mnuHelpItem", 5, "&Info", "&Info..."},
};

// Items the switch leaves with their design captions in both languages.
const Expected Untouched[] = {
    {"mnuProjectItem", 19, "Offline Mode", "Offline Mode"},
    {"mnuOnlineItem", 10, "Station", "Station"},
    {"mnuOnlineItem", 15, "Loader...", "Loader..."},
    {"mnuOnlineStationItem", 0, "Einstellung speichern in Datei...", ""},
    {"mnuOnlineStationItem", 1, "Einstellungen aus Datei übertragen...", ""},
    {"mnuDevOnlyItem", 0, "VN&6xxx Einstellung...", ""},
    {"mnuDevOnlyItem", 1, "VN&9xxx Einstellung...", ""},
    {"mnuDevOnlyItem", 2, "&Debug...", ""},
    {"mnuDevChannelItem", 0, "via COM...", ""},
    {"mnuDevChannelItem", 1, "via QNP...", ""},
    {"mnuDevChannelItem", 2, "via HW4565...", ""},
    {"mnuDevChannelItem", 3, "via QNP with CV3...", ""},
};

const struct {
    int position;
    const char* german;
    const char* english;
} Tooltips[] = {{9, "Einloggen", "Log&in"},       {10, "Ausloggen", "Log&out"}, {18, "Baumansicht", "Treeview"},
                {19, "Berichtsbox", "Reportbox"}, {23, "Hilfe", "&Help"},       {24, "Information", "&Info..."}};

MenuArray* arrayOf(frmMain& w, const QString& name)
{
    for (MenuArray* a : w.findChildren<MenuArray*>())
        if (a->name() == name)
            return a;
    return nullptr;
}

QString captionOf(frmMain& w, const char* target, int index)
{
    if (index < 0) {
        QMenu* m = w.findChild<QMenu*>(QLatin1String(target));
        return m ? m->title() : QStringLiteral("<no menu>");
    }
    MenuArray* a = arrayOf(w, QLatin1String(target));
    return a && a->item(index) ? a->caption(index) : QStringLiteral("<no item>");
}

} // namespace

class tst_Language : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }

    void captionAndLogLine()
    {
        QCOMPARE(fMainWindowCaption(0), QStringLiteral("Harmsted   TD4700   "));
        QCOMPARE(fMainWindowCaption(3), QStringLiteral("Kerrlund   I/O-Planwerk   "));
        QCOMPARE(fLanguageSwitchLogLine(0), QStringLiteral("Language switched to german\r\n"));
        QCOMPARE(fLanguageSwitchLogLine(1), QStringLiteral("Language switched to english\r\n"));
        QCOMPARE(fLanguageSwitchLogLine(2), QStringLiteral("Language switched to english\r\n"));
    }

    void helpFile_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("germanExists");
        QTest::addColumn<bool>("englishExists");
        QTest::addColumn<QString>("expected"); // res/ and prog/ stand for the two folders
        QTest::newRow("maker, German, file there") << 0 << 0 << true << true << "res/Help/1031/TD4700.chm";
        QTest::newRow("maker, English, file there") << 0 << 1 << true << true << "res/Help/1033/TD4700.chm";
        QTest::newRow("maker, German, file missing: program folder")
            << 0 << 0 << false << true << "prog/TD4700.chm";
        QTest::newRow("maker, English, file missing: program folder")
            << 0 << 1 << true << false << "prog/TD4700.chm";
        QTest::newRow("maker, language 2: unchanged") << 0 << 2 << true << true << "current.chm";
        QTest::newRow("company 1, any language") << 1 << 2 << true << true << "prog/LinovoDesign.chm";
        QTest::newRow("company 2: unchanged") << 2 << 0 << true << true << "current.chm";
        QTest::newRow("company 3, any language") << 3 << 0 << true << true << "prog/IO-Planwerk.chm";
    }
    void helpFile()
    {
        QFETCH(int, company);
        QFETCH(int, language);
        QFETCH(bool, germanExists);
        QFETCH(bool, englishExists);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString res = dir.path() + QStringLiteral("/res");
        const QString prog = dir.path() + QStringLiteral("/prog");
        for (const auto& [lcid, exists] : {std::pair{"1031", germanExists}, std::pair{"1033", englishExists}}) {
            QDir().mkpath(res + "/Help/" + lcid);
            if (exists) {
                QFile f(res + "/Help/" + lcid + "/TD4700.chm");
                QVERIFY(f.open(QIODevice::WriteOnly));
            }
        }
        expected.replace(QLatin1String("res/"), res + QLatin1Char('/')).replace(QLatin1String("prog/"), prog + QLatin1Char('/'));
        QCOMPARE(fLanguageHelpFile(QStringLiteral("current.chm"), company, language, res, prog), expected);
    }

    void switchRecaptionsWindow_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 1;
        QTest::newRow("German") << 0;
        QTest::newRow("language 2 gives German") << 2;
    }
    void switchRecaptionsWindow()
    {
        QFETCH(int, language);
        TestEnv env;
        frmMain w;
        env.log().SetText({});
        // Start in the other language so every caption has to change.
        gCommon().setLanguageType(language == 1 ? 0 : 1);
        gCommon().setLanguageType(language);

        for (const Expected& e : Captions)
            QCOMPARE(captionOf(w, e.target, e.index), QString::fromUtf8(language == 1 ? e.english : e.german));
        for (const Expected& e : Untouched)
            QCOMPARE(captionOf(w, e.target, e.index), QString::fromUtf8(e.german));
        for (const auto& t : Tooltips)
            QCOMPARE(w.tbToolBar().button(t.position)->toolTip(), QString::fromUtf8(language == 1 ? t.english : t.german));
        QCOMPARE(w.windowTitle(), QStringLiteral("Harmsted   TD4700   "));
        QCOMPARE(w.mnuLanguageItem().isChecked(0), language == 0);
        QCOMPARE(w.mnuLanguageItem().isChecked(1), language == 1);
        QVERIFY(env.log().Text().endsWith(fLanguageSwitchLogLine(language)));
    }

    void germanHelpFileMissingFallsBackToProgramFolder()
    {
        TestEnv env;
        frmMain w;
        QTemporaryDir res;
        gCommon().setPathFolderResCommon(res.path());
        gCommon().setLanguageType(0);
        QCOMPARE(w.helpFile(), AppContext::programFolder() + QStringLiteral("/TD4700.chm"));
        QDir().mkpath(res.path() + QStringLiteral("/Help/1033"));
        QFile english(res.path() + QStringLiteral("/Help/1033/TD4700.chm"));
        QVERIFY(english.open(QIODevice::WriteOnly));
        english.close();
        gCommon().setLanguageType(1);
        QCOMPARE(w.helpFile(), english.fileName());
        gCommon().setLanguageType(2); // no choice for this value: the file stays
        QCOMPARE(w.helpFile(), english.fileName());
        QVERIFY(!w.mnuLanguageItem().isChecked(0));
        QVERIFY(!w.mnuLanguageItem().isChecked(1));
    }
};

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
