// The pane-settings registry layer and the help-file choice, without a window.
#include "common/TestEnv.h"
#include "platform/XmlDocument.h"
#include "shell/modPaneSettings.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class tst_paneSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void paneKeyByCompany_data();
    void paneKeyByCompany();
    void writtenTreeViewIsReadAsTreeviewUnderOtherCase();
    void missingKeyOrValueReadsEmpty();
    void queryValueByType_data();
    void queryValueByType();
    void writersOnlyForCompaniesWithPaneKey_data();
    void writersOnlyForCompaniesWithPaneKey();
    void startUpReading_data();
    void startUpReading();
    void helpFileChoice_data();
    void helpFileChoice();
};

void tst_paneSettings::paneKeyByCompany_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<QString>("key");
    QTest::newRow("maker: the settings key") << 0 << "Software\\Harmsted\\TD4700_v4\\Common";
    QTest::newRow("Linovo: none") << 1 << "";
    QTest::newRow("QVS: none") << 2 << "";
    QTest::newRow("Planwerk: partner key") << 3 << "Software\\Kerrlund\\I_O_Planwerk\\Common";
}

void tst_paneSettings::paneKeyByCompany()
{
    QFETCH(int, company);
    QFETCH(QString, key);
    QCOMPARE(paneKey(company), key);
}

void tst_paneSettings::writtenTreeViewIsReadAsTreeviewUnderOtherCase()
{
    TestEnv env;
    savePaneValue(*env.context().store, 0, QStringLiteral("TreeView"), QStringLiteral("0"));
    env.restart(); // from disk
    QCOMPARE(fWertLesen(*env.context().store, HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common"),
                        QStringLiteral("Treeview")),
             QStringLiteral("0"));
    QString viaSettings;
    QVERIFY(env.context().gObjRegistry->ReadValue(HKEY_CURRENT_USER, gCommon().CompanyRegKey(),
                                                 QStringLiteral("treeview"), viaSettings));
    QCOMPARE(viaSettings, QStringLiteral("0"));
}

void tst_paneSettings::missingKeyOrValueReadsEmpty()
{
    TestEnv env;
    RegistryStore& store = *env.context().store;
    QCOMPARE(fWertLesen(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Nobody"), QStringLiteral("X")), QString());
    QVERIFY(!store.keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Nobody"))); // reading creates nothing
    fStringSpeichern(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Somebody"), QStringLiteral("A"), QStringLiteral(""));
    QVERIFY(store.keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Somebody")));
    QCOMPARE(fWertLesen(store, HKEY_CURRENT_USER, QStringLiteral("Software\\Somebody"), QStringLiteral("B")), QString());
    QCOMPARE(store.value(HKEY_CURRENT_USER, QStringLiteral("Software\\Somebody"), QStringLiteral("A"))->type, RegType::Text);
}

void tst_paneSettings::queryValueByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("binary");
    QTest::addColumn<QString>("expected");
    const int text = int(RegType::Text), binary = int(RegType::Binary), dword = int(RegType::DWord);
    QTest::newRow("text") << text << "Hello" << QByteArray() << "Hello";
    // The store refuses a NUL, which its file could not hold: nothing is stored, nothing read.
    QTest::newRow("text with a NUL is not stored") << text << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd") << QByteArray() << "";
    QTest::newRow("binary little-endian") << binary << "" << QByteArray("\x34\x12", 2) << "4660";
    QTest::newRow("binary signed") << binary << "" << QByteArray("\xFF\xFF", 2) << "-1";
    QTest::newRow("binary longer: first two bytes") << binary << "" << QByteArray("\x01\x00\x7F\x7F", 4) << "1";
    QTest::newRow("binary one byte") << binary << "" << QByteArray("\x05", 1) << "5";
    QTest::newRow("binary empty") << binary << "" << QByteArray() << "";
    QTest::newRow("other type") << dword << "" << QByteArray() << "";
}

void tst_paneSettings::queryValueByType()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, binary);
    QFETCH(QString, expected);
    TestEnv env;
    RegistryStore& store = *env.context().store;
    const QString key = QStringLiteral("Software\\Test");
    RegValue v = type == int(RegType::Text) ? RegValue::fromText(text)
        : type == int(RegType::Binary)      ? RegValue::fromBinary(binary)
                                            : RegValue::fromDWord(7);
    QCOMPARE(store.setValue(HKEY_CURRENT_USER, key, QStringLiteral("V"), v), type != int(RegType::Text) || isXmlText(text));
    QCOMPARE(fRegAbfrageWert(RegKeyHandle{&store, HKEY_CURRENT_USER, key}, QStringLiteral("V")), expected);
    QCOMPARE(fWertLesen(store, HKEY_CURRENT_USER, key, QStringLiteral("v")), expected);
}

void tst_paneSettings::writersOnlyForCompaniesWithPaneKey_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<QString>("key");
    QTest::newRow("maker") << 0 << "SOFTWARE\\Harmsted\\TD4700_V4\\Common";
    QTest::newRow("Planwerk") << 3 << "Software\\Kerrlund\\I_O_Planwerk\\Common";
    QTest::newRow("Linovo") << 1 << "";
    QTest::newRow("QVS") << 2 << "";
}

void tst_paneSettings::writersOnlyForCompaniesWithPaneKey()
{
    QFETCH(int, company);
    QFETCH(QString, key);
    TestEnv env;
    RegistryStore& store = *env.context().store;
    savePaneValue(store, company, QStringLiteral("Messagebox"), QStringLiteral("0"));
    if (key.isEmpty()) {
        QVERIFY(!store.keyExists(HKEY_CURRENT_USER, paneKey(0)));
        QVERIFY(!store.keyExists(HKEY_CURRENT_USER, paneKey(3)));
        QVERIFY(!readPaneSettings(store, company));
        return;
    }
    QCOMPARE(store.value(HKEY_CURRENT_USER, key, QStringLiteral("Messagebox"))->text, QStringLiteral("0"));
    QCOMPARE(readPaneSettings(store, company)->showMessagebox, false);
}

void tst_paneSettings::startUpReading_data()
{
    QTest::addColumn<QString>("stored"); // "<missing>" for no value
    QTest::addColumn<bool>("on");
    QTest::newRow("missing shows") << "<missing>" << true;
    QTest::newRow("empty shows") << "" << true;
    QTest::newRow("0 hides") << "0" << false;
    QTest::newRow("1 shows") << "1" << true;
    QTest::newRow("0 with blank shows") << "0 " << true;
    QTest::newRow("other text shows") << "no" << true;
}

void tst_paneSettings::startUpReading()
{
    QFETCH(QString, stored);
    QFETCH(bool, on);
    TestEnv env;
    RegistryStore& store = *env.context().store;
    if (stored != QLatin1String("<missing>"))
        for (const char* name : {"Messagebox", "TreeView", "DeleteDevices"})
            fStringSpeichern(store, HKEY_CURRENT_USER, paneKey(0), QLatin1String(name), stored);
    const std::optional<PaneSettings> s = readPaneSettings(store, 0);
    QVERIFY(s);
    QCOMPARE(s->showMessagebox, on);
    QCOMPARE(s->showTreeView, on);
    QCOMPARE(s->deleteDevices, on);
}

void tst_paneSettings::helpFileChoice_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("existing"); // language folder present under the resource folder
    QTest::addColumn<QString>("expected"); // R = resource folder, P = program folder
    QTest::newRow("maker English, file there") << 0 << true << false << "1033" << "R/Help/1033/TD4700.chm";
    QTest::newRow("maker English, no file: program folder untested") << 0 << true << false << "" << "P/TD4700.chm";
    QTest::newRow("maker German, file there") << 0 << false << true << "1031" << "R/Help/1031/TD4700.chm";
    QTest::newRow("maker German, only English file") << 0 << false << true << "1033" << "P/TD4700.chm";
    QTest::newRow("maker both checked: German stands") << 0 << true << true << "1033,1031" << "R/Help/1031/TD4700.chm";
    QTest::newRow("maker none checked: unchanged") << 0 << false << false << "1033" << "current.chm";
    QTest::newRow("Linovo") << 1 << true << false << "" << "P/LinovoDesign.chm";
    QTest::newRow("Linovo German") << 1 << false << true << "" << "P/LinovoDesign.chm";
    QTest::newRow("QVS: unchanged") << 2 << true << false << "1033" << "current.chm";
    QTest::newRow("Planwerk") << 3 << false << true << "" << "P/IO-Planwerk.chm";
}

void tst_paneSettings::helpFileChoice()
{
    QFETCH(int, company);
    QFETCH(bool, english);
    QFETCH(bool, german);
    QFETCH(QString, existing);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString res = dir.path() + QStringLiteral("/res");
    const QString prog = dir.path() + QStringLiteral("/prog");
    for (const QString& lang : existing.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QDir().mkpath(res + QStringLiteral("/Help/") + lang);
        QFile f(res + QStringLiteral("/Help/") + lang + QStringLiteral("/TD4700.chm"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    HelpFileChoice c{company, english, german, res, prog};
    QString want = expected;
    if (want.startsWith(QLatin1String("R/")))
        want = res + want.mid(1);
    else if (want.startsWith(QLatin1String("P/")))
        want = prog + want.mid(1);
    QCOMPARE(chooseHelpFile(QStringLiteral("current.chm"), c), want);
}

QTEST_GUILESS_MAIN(tst_paneSettings)
#include "tst_paneSettings.moc"
