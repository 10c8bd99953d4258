#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "devices/CouplerDiagnosis.h"
#include "devices/StationReadContext.h"

#include <QtTest>

class tst_Diagnosis : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void lines_data();
    void lines();
    void failedReadLogsNothing();

private:
    std::unique_ptr<TestEnv> env;
};

void tst_Diagnosis::init() { env = std::make_unique<TestEnv>(); }
void tst_Diagnosis::cleanup() { env.reset(); }

void tst_Diagnosis::lines_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("English, no error") << 9 << 0
                                       << QStringList{"Check diagnostic data ...", "Check diagnostic data is OK",
                                                      "Check diagnostic data finished"};
    QTest::newRow("German, no error") << 7 << 0
                                      << QStringList{"Überprüfung der Diagnosedaten ...",
                                                     "Überprüfung der Diagnosedaten in Ordnung",
                                                     "Überprüfung der Diagnosedaten beendet"};
    QTest::newRow("English, fieldbus error")
        << 9 << 1
        << QStringList{"Check diagnostic data ...", "Diagnostic Error - Fieldbus Error",
                       "Diagnostic Error - Fieldbus is not connected!", "Check diagnostic data finished"};
    QTest::newRow("German, both bits: fieldbus lines only")
        << 7 << 3
        << QStringList{"Überprüfung der Diagnosedaten ...", "Diagnose Fehler - Feldbusfehler",
                       "Diagnose Fehler - Feldbus ist nicht angeschlossen!", "Überprüfung der Diagnosedaten beendet"};
    QTest::newRow("English, terminal-bus error 4/2")
        << 9 << 2
        << QStringList{"Check diagnostic data ...", "Diagnostic Error - Terminalbus error",
                       "Diagnostic Error - Errorcode: 4", "Diagnostic Error - Errorargument 2",
                       "Check diagnostic data finished"};
    QTest::newRow("German, terminal-bus error: two blanks before the code")
        << 7 << 2
        << QStringList{"Überprüfung der Diagnosedaten ...", "Diagnose Fehler - Klemmenbusfehler",
                       "Diagnose Fehler - Fehlercode:  4", "Diagnose Fehler - Fehlerargument 2",
                       "Überprüfung der Diagnosedaten beendet"};
    QTest::newRow("other language, terminal-bus error: empty texts")
        << 12 << 2 << QStringList{"", "", " 4", " 2", ""};
    QTest::newRow("high bits alone are no error")
        << 9 << 0xFFFC
        << QStringList{"Check diagnostic data ...", "Check diagnostic data is OK", "Check diagnostic data finished"};
}

void tst_Diagnosis::lines()
{
    QFETCH(int, language);
    QFETCH(int, status);
    QFETCH(QStringList, expected);
    int32_t rc = 0;
    LocaleInfo().SetLocale(language, 1, rc);
    ScriptedChannel channel;
    QVector<int32_t> table(65, 0);
    table[0] = status;
    table[2] = 4;
    table[3] = 2;
    channel.setTable(0, 90, table);
    StationReadContext context;
    context.gRegResult = -1;
    QCOMPARE(fCheckDiagnosticData(&env->log(), &channel, context), 0);
    QCOMPARE(channel.callLog(), QStringList{"read 0 90 0 65"});
    QCOMPARE(context.gRegResult, 0);
    QCOMPARE(env->log().Text(), expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void tst_Diagnosis::failedReadLogsNothing()
{
    // A lost link is left to the log-in, which ends with one line for it.
    ScriptedChannel channel;
    channel.setTable(0, 90, QVector<int32_t>(65, 1));
    channel.failReads(0, 90, ChTimeout);
    StationReadContext context;
    fCheckDiagnosticData(&env->log(), &channel, context);
    QCOMPARE(env->log().Text(), QString());
    QCOMPARE(context.gRegResult, int32_t(ChTimeout));
    fCheckDiagnosticData(&env->log(), nullptr, context);
    QCOMPARE(env->log().Text(), QString());

    // A refusal is said here, with its code, in the diagnosis language.
    channel.clearFailures();
    channel.setTable(0, 90, QVector<int32_t>(10, 1)); // too short: the read fails with a range error
    fCheckDiagnosticData(&env->log(), &channel, context);
    QCOMPARE(env->log().Text(), QStringLiteral("Lesen der Diagnose (Tabelle 90) fehlgeschlagen: Code 4099 "
                                               "(Bereich über das Tabellenende).\r\n"));
}

QTEST_GUILESS_MAIN(tst_Diagnosis)
#include "tst_diagnosis.moc"
