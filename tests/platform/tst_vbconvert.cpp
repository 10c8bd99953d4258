#include "platform/VbConvert.h"

#include <QtTest>

class tst_VbConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void val_data();
    void val();
    void clng_data();
    void clng();
};

void tst_VbConvert::val_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digit and blank") << "1 " << 1.0;
    QTest::newRow("blanks inside are ignored") << " 1 2" << 12.0;
    QTest::newRow("leading number only") << "3abc" << 3.0;
    QTest::newRow("decimal point") << "-0.75x" << -0.75;
    QTest::newRow("exponent") << "2E3" << 2000.0;
    QTest::newRow("dangling exponent") << "2E" << 2.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
}

void tst_VbConvert::val()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(vbVal(text), value);
}

void tst_VbConvert::clng_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "19200" << true << 19200;
    QTest::newRow("surrounding blanks") << " 500 " << true << 500;
    QTest::newRow("half rounds to even, down") << "2.5" << true << 2;
    QTest::newRow("half rounds to even, up") << "3.5" << true << 4;
    QTest::newRow("negative") << "-7" << true << -7;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("trailing letters") << "100x" << false << 0;
    QTest::newRow("not a number") << "nan" << false << 0;
}

void tst_VbConvert::clng()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<int32_t> n = vbCLng(text);
    QCOMPARE(n.has_value(), ok);
    if (ok)
        QCOMPARE(*n, value);
}

QTEST_GUILESS_MAIN(tst_VbConvert)
#include "tst_vbconvert.moc"
