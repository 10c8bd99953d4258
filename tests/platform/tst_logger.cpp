#include "platform/LogBox.h"

#include <QtTest>

class tst_Logger : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void appends_data();
    void appends();
    void trimsAtFullSize_data();
    void trimsAtFullSize();
    void consecutiveCallsBuildLines();
    void noBoxDoesNothing();
};

void tst_Logger::appends_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString bs(QChar(8));
    QTest::newRow("plain line") << "Old\r\n" << "Online\r\n" << "Old\r\nOnline\r\n";
    QTest::newRow("backspace inside the text") << "x" << "ab" + bs + "c" << "xac";
    QTest::newRow("leading backspace replaces the box's last character") << "abc" << bs + "X" << "abX";
    QTest::newRow("several leading backspaces remove one character") << "abc" << bs + bs + bs + "X" << "abX";
    QTest::newRow("backspace reaching the start selects the box's last") << "xyz" << "a" + bs + bs + "c" << "xyc";
    QTest::newRow("lone backspace removes the last character") << "abc" << bs << "ab";
    QTest::newRow("leading backspace on an empty box") << "" << bs + "X" << "X";
    QTest::newRow("LF is dropped") << "" << "word\n" << "word";
    QTest::newRow("CR becomes CR LF") << "" << "a\rb" << "a\r\nb";
    QTest::newRow("CR LF stays CR LF") << "" << "a\r\nb" << "a\r\nb";
    QTest::newRow("LF CR becomes CR LF") << "" << "a\n\rb" << "a\r\nb";
    QTest::newRow("trailing CR") << "" << "7 Timeout\r" << "7 Timeout\r\n";
    QTest::newRow("backspaces before line ends") << "ab" << bs + "\r\n" << "a\r\n";
    QTest::newRow("empty text") << "keep" << "" << "keep";
}

void tst_Logger::appends()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    LogBuffer log;
    log.SetText(box);
    const QString original = text;
    AppendLogText(&log, text);
    QCOMPARE(log.Text(), expected);
    QCOMPARE(text, original);
}

void tst_Logger::trimsAtFullSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("keepsAll");
    QTest::addColumn<int>("dropped");
    QTest::newRow("8192 characters lose the oldest 4096") << 8192 << "!" << false << 4096;
    QTest::newRow("8191 characters keep them") << 8191 << "!" << false << 0;
    QTest::newRow("10000 characters lose 4096 once") << 10000 << "!" << false << 4096;
    QTest::newRow("an empty text still trims") << 8192 << "" << false << 4096;
    QTest::newRow("a box that keeps a whole job keeps its start") << 100000 << "!" << true << 0;
}

void tst_Logger::trimsAtFullSize()
{
    QFETCH(int, size);
    QFETCH(QString, text);
    QFETCH(bool, keepsAll);
    QFETCH(int, dropped);
    QString box;
    for (int i = 0; i < size; ++i)
        box += QChar(u'a' + i % 26);
    LogBuffer log;
    log.setKeepsAll(keepsAll);
    log.SetText(box);
    AppendLogText(&log, text);
    QCOMPARE(log.Text(), box.mid(dropped) + text);
}

void tst_Logger::consecutiveCallsBuildLines()
{
    LogBuffer log;
    AppendLogText(&log, QStringLiteral("0 Timeout\r\n"));
    AppendLogText(&log, QStringLiteral("1 Timeout\n"));
    AppendLogText(&log, QStringLiteral("\r"));
    AppendLogText(&log, QString(QChar(8)) + QStringLiteral("!\r\n"));
    QCOMPARE(log.Text(), QStringLiteral("0 Timeout\r\n1 Timeout\r!\r\n"));
}

void tst_Logger::noBoxDoesNothing()
{
    AppendLogText(nullptr, QStringLiteral("lost\r\n"));
}

QTEST_GUILESS_MAIN(tst_Logger)
#include "tst_logger.moc"
