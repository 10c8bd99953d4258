// The station of 254 terminals with the link cut right after its terminal list:
// the log-in goes offline within two time-outs with one line, instead of one
// time-out per request for minutes, and shows none of the 256 devices.
#include "common/FaultMatrix.h"

#include "platform/DeviceChannel.h"

#include <QRegularExpression>
#include <QtTest>

class tst_CutLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offlineAtOnce_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("cut");
        for (const QString& transport : matrixTransports()) {
            QTest::addRow("%s, silent", qPrintable(transport)) << transport << QStringLiteral("silent");
            QTest::addRow("%s, killed", qPrintable(transport)) << transport << QStringLiteral("kill");
        }
    }

    void offlineAtOnce()
    {
        QFETCH(QString, transport);
        QFETCH(QString, cut);
        MatrixProgram p;
        QVERIFY2(p.start(QStringLiteral("full254.xml")), qPrintable(p.coupler().output()));
        p.useTransport(transport);
        // The request after the terminal list is the firmware word.
        const qint64 elapsed = p.runFaulted(cut, QStringLiteral("read:0/0/255/1"), [&] { p.logIn(); });
        QVERIFY2(elapsed >= 0, "the cut never came");
        QVERIFY2(withinTwoTimeouts(elapsed), qPrintable(QStringLiteral("%1 ms after the cut").arg(elapsed)));
        QVERIFY(!p.online());
        QCOMPARE(p.treeLines(), QStringList());
        QCOMPARE(p.cacheFiles().keys(), QStringList());
        const QStringList lines = p.logLines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.first(), QStringLiteral("Online"));
        // A silent line is a time-out, a killed one a lost link.
        const int32_t code = cut == QLatin1String("kill") ? ChLinkLost : ChTimeout;
        QVERIFY2(lines[1].contains(QRegularExpression(QStringLiteral("^(Log-in failed|Einloggen fehlgeschlagen).*"
                                                                     "\\b[Cc]ode %1\\b").arg(code))),
                 qPrintable(lines[1]));
        QCOMPARE(lines.last(), QStringLiteral("Offline"));
        // Not one request more over the cut link.
        const QStringList requests = p.coupler().requests();
        QCOMPARE(requests.filter(QRegularExpression(QStringLiteral("^read 0 0 255 1 = (silent|kill)$"))).size(), 1);
        QVERIFY2(requests.last().startsWith(QLatin1String("read 0 0 255 1")), qPrintable(requests.last()));
    }
};

QTEST_MAIN(tst_CutLink)
#include "tst_cutlink.moc"
