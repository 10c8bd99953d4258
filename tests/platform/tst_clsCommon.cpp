#include "platform/LocaleInfo.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/clsCommon.h"

#include <QtTest>

namespace {
const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

// A registry in memory that records every call: "WriteValueEx Language=0".
class RecordingRegistry : public IRegistryAccess {
public:
    QMap<QString, QString> values; // by name under kKey (HKCU)
    QStringList calls;
    bool writeValueWorks = true;

    bool ReadValue(uint32_t root, const QString& key, const QString& name, QString& value) override
    {
        calls << QStringLiteral("ReadValue %1").arg(name);
        if (root != HKEY_CURRENT_USER || key != kKey || !values.contains(name))
            return false;
        value = values.value(name);
        return true;
    }
    bool WriteValue(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        calls << QStringLiteral("WriteValue %1=%2").arg(name, value);
        if (!writeValueWorks || root != HKEY_CURRENT_USER || key != kKey)
            return false;
        values[name] = value;
        return true;
    }
    bool WriteValueEx(uint32_t root, const QString& key, const QString& name, const QString& value) override
    {
        calls << QStringLiteral("WriteValueEx %1=%2").arg(name, value);
        if (root != HKEY_CURRENT_USER || key != kKey)
            return false;
        values[name] = value;
        return true;
    }
};

class RecordingLocale : public ILocaleInfo {
public:
    QStringList calls;
    int32_t GetLocale(int32_t& primary, int32_t& sub) override
    {
        primary = 7;
        sub = 1;
        return 0;
    }
    void SetLocale(int32_t primary, int32_t sub, int32_t& status) override
    {
        calls << QStringLiteral("SetLocale %1 %2").arg(primary).arg(sub);
        status = 0;
    }
};

// Counts the events and what their by-reference argument held.
struct EventLog {
    QStringList events;
    void connect(clsCommon& common)
    {
        QObject::connect(&common, &clsCommon::ChangedLanguage,
                         [this](int32_t& v) { events << QStringLiteral("ChangedLanguage %1").arg(v); });
        QObject::connect(&common, &clsCommon::ChangedDevChannel,
                         [this](int32_t& v) { events << QStringLiteral("ChangedDevChannel %1").arg(v); });
    }
};
}

class tst_clsCommon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshSettingsWriteGermanTwice();
    void loadsStoredLanguage_data();
    void loadsStoredLanguage();
    void assigningLanguage_data();
    void assigningLanguage();
    void failedWriteRetriesTheSameTextAndKeepsTheLanguage();
    void destructionSavesOnceMore();
    void devChannelRaisesEvenWhenUnchanged();
    void missingHelpersLeaveGerman();
    void sharedLocaleFollowsTheLanguage();
};

void tst_clsCommon::freshSettingsWriteGermanTwice()
{
    RecordingRegistry registry;
    RecordingLocale locale;
    clsCommon common(&registry, &locale);
    QCOMPARE(registry.calls, (QStringList{QStringLiteral("ReadValue Language"), QStringLiteral("WriteValueEx Language=0"),
                                          QStringLiteral("WriteValue Language=0 ")}));
    QCOMPARE(locale.calls, QStringList{QStringLiteral("SetLocale 7 1")});
    QCOMPARE(common.LanguageType(), 0);
    QCOMPARE(common.ThreadLocale(), 7);
    QCOMPARE(registry.values.value(QStringLiteral("Language")), QStringLiteral("0 "));
}

void tst_clsCommon::loadsStoredLanguage_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("saved");
    QTest::newRow("English with its blank") << QStringLiteral("1 ") << 1 << QStringLiteral("SetLocale 9 1") << QStringLiteral("1 ");
    QTest::newRow("German without blank") << QStringLiteral("0") << 0 << QStringLiteral("SetLocale 7 1") << QStringLiteral("0 ");
    QTest::newRow("no number reads as German") << QStringLiteral("EN") << 0 << QStringLiteral("SetLocale 7 1") << QStringLiteral("0 ");
    QTest::newRow("empty reads as German") << QString() << 0 << QStringLiteral("SetLocale 7 1") << QStringLiteral("0 ");
    QTest::newRow("leading number counts") << QStringLiteral(" 1x") << 1 << QStringLiteral("SetLocale 9 1") << QStringLiteral("1 ");
    QTest::newRow("rounded to a whole number") << QStringLiteral("0.6") << 1 << QStringLiteral("SetLocale 9 1") << QStringLiteral("1 ");
    QTest::newRow("other number: no locale call") << QStringLiteral("2") << 2 << QString() << QStringLiteral("2 ");
}

void tst_clsCommon::loadsStoredLanguage()
{
    QFETCH(QString, stored);
    QFETCH(int, language);
    QFETCH(QString, locale);
    QFETCH(QString, saved);
    RecordingRegistry registry;
    registry.values[QStringLiteral("Language")] = stored;
    RecordingLocale localeInfo;
    clsCommon common(&registry, &localeInfo);
    QCOMPARE(common.LanguageType(), language);
    QCOMPARE(localeInfo.calls, locale.isEmpty() ? QStringList() : QStringList{locale});
    QCOMPARE(registry.calls, (QStringList{QStringLiteral("ReadValue Language"), QStringLiteral("WriteValue Language=") + saved}));
}

void tst_clsCommon::assigningLanguage_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("localeCalls");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<int>("threadLocale");
    QTest::newRow("English") << 1 << QStringList{QStringLiteral("SetLocale 9 1")} << QStringLiteral("1 ") << 9;
    QTest::newRow("German") << 0 << QStringList{QStringLiteral("SetLocale 7 1")} << QStringLiteral("0 ") << 7;
    QTest::newRow("2: no locale call") << 2 << QStringList() << QStringLiteral("2 ") << 9;
    QTest::newRow("-1: no locale call") << -1 << QStringList() << QStringLiteral("-1") << 7;
}

void tst_clsCommon::assigningLanguage()
{
    QFETCH(int, value);
    QFETCH(QStringList, localeCalls);
    QFETCH(QString, saved);
    QFETCH(int, threadLocale);
    RecordingRegistry registry;
    registry.values[QStringLiteral("Language")] = QStringLiteral("0 ");
    RecordingLocale locale;
    clsCommon common(&registry, &locale);
    EventLog log;
    log.connect(common);
    registry.calls.clear();
    locale.calls.clear();

    common.setLanguageType(value);
    QCOMPARE(log.events, QStringList{QStringLiteral("ChangedLanguage %1").arg(value)});
    QCOMPARE(locale.calls, localeCalls);
    QCOMPARE(registry.calls, QStringList{QStringLiteral("WriteValue Language=") + saved});
    QCOMPARE(common.ThreadLocale(), threadLocale);

    // The same value again: the event is raised and the value saved again.
    common.setLanguageType(value);
    QCOMPARE(log.events.size(), 2);
    QCOMPARE(registry.calls.size(), 2);
}

void tst_clsCommon::failedWriteRetriesTheSameTextAndKeepsTheLanguage()
{
    RecordingRegistry registry;
    registry.values[QStringLiteral("Language")] = QStringLiteral("0 ");
    RecordingLocale locale;
    clsCommon common(&registry, &locale);
    EventLog log;
    log.connect(common);
    registry.calls.clear();
    locale.calls.clear();
    registry.writeValueWorks = false;

    common.setLanguageType(1);
    QCOMPARE(registry.calls, (QStringList{QStringLiteral("WriteValue Language=1 "), QStringLiteral("WriteValueEx Language=1 ")}));
    QCOMPARE(registry.values.value(QStringLiteral("Language")), QStringLiteral("1 "));
    QCOMPARE(common.LanguageType(), 1);
    QCOMPARE(common.ThreadLocale(), 9);
    QCOMPARE(locale.calls, QStringList{QStringLiteral("SetLocale 9 1")});
    QCOMPARE(log.events, QStringList{QStringLiteral("ChangedLanguage 1")});
}

void tst_clsCommon::destructionSavesOnceMore()
{
    RecordingRegistry registry;
    registry.values[QStringLiteral("Language")] = QStringLiteral("1");
    RecordingLocale locale;
    {
        clsCommon common(&registry, &locale);
        registry.calls.clear();
    }
    QCOMPARE(registry.calls, QStringList{QStringLiteral("WriteValue Language=1 ")});
}

void tst_clsCommon::devChannelRaisesEvenWhenUnchanged()
{
    RecordingRegistry registry;
    RecordingLocale locale;
    clsCommon common(&registry, &locale);
    EventLog log;
    log.connect(common);
    QCOMPARE(common.devChannel(), 0);
    common.setDevChannel(0);
    common.setDevChannel(3);
    common.setDevChannel(3);
    QCOMPARE(log.events, (QStringList{QStringLiteral("ChangedDevChannel 0"), QStringLiteral("ChangedDevChannel 3"),
                                      QStringLiteral("ChangedDevChannel 3")}));
    QCOMPARE(common.devChannel(), 3);
}

void tst_clsCommon::missingHelpersLeaveGerman()
{
    clsCommon common(nullptr, nullptr);
    QCOMPARE(common.LanguageType(), 0);
    common.setLanguageType(1);
    QCOMPARE(common.LanguageType(), 1);
    QCOMPARE(common.ThreadLocale(), 9);
}

void tst_clsCommon::sharedLocaleFollowsTheLanguage()
{
    RecordingRegistry registry;
    LocaleInfo locale;
    {
        clsCommon common(&registry, &locale);
        common.setLanguageType(1);
        QVERIFY(localeIsEnglish());
        common.setLanguageType(0);
        QVERIFY(!localeIsEnglish());
        common.setLanguageType(1);
    }
    LocaleInfo::reset();
}

QTEST_GUILESS_MAIN(tst_clsCommon)
#include "tst_clsCommon.moc"
