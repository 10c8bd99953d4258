// The address checks of the network dialogs: validators with their hints and
// normalisation, the key filters, and the filter on a real line edit.
#include "channels/AddressValidation.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

class tst_AddressValidation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void validators_data()
    {
        QTest::addColumn<bool>("netId");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("result"); // normalised text or hint

        QTest::newRow("ip valid") << false << "192.168.0.1" << true << "192.168.0.1";
        QTest::newRow("ip leading zeros go") << false << "010.001.002.003" << true << "10.1.2.3";
        QTest::newRow("ip octet 1 below 10") << false << "1.2.3.4" << false << "1.octet of IP address is not valid.";
        QTest::newRow("ip octet 4 zero") << false << "10.0.0.0" << false << "4.octet of IP address is not valid.";
        QTest::newRow("ip octet 2 too big") << false << "10.256.0.1" << false << "2.octet of IP address is not valid.";
        QTest::newRow("ip empty text") << false << "" << false << "IP address contains too many or not much octets!";
        QTest::newRow("ip five octets") << false << "10.0.0.1.1" << false
                                        << "IP address contains too many or not much octets!";
        QTest::newRow("ip 16 characters") << false << "100.100.100.1000" << false << "IP address is not valid!";
        QTest::newRow("netid 23 characters") << true << "255.255.255.255.255.255" << true << "255.255.255.255.255.255";
        QTest::newRow("netid zeros allowed up front") << true << "0.0.0.0.1.1" << true << "0.0.0.0.1.1";
        QTest::newRow("netid normalised") << true << "010.0.0.1.01.1" << true << "10.0.0.1.1.1";
        QTest::newRow("netid five octets") << true << "10.0.0.1.1" << false
                                           << "RtnNetID contains too many or not much octets!";
        QTest::newRow("netid octet 6 zero") << true << "10.0.0.1.1.0" << false << "6.octet of RtnNetID is not valid.";
        QTest::newRow("netid 24 characters") << true << "255.255.255.255.255.2550" << false << "RtnNetID is not valid!";
        QTest::newRow("netid empty") << true << "" << false << "RtnNetID contains too many or not much octets!";
    }
    void validators()
    {
        QFETCH(bool, netId);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, result);
        const AddressCheck check = netId ? ValidateRtnNetId(text) : ValidateIpAddress(text);
        QCOMPARE(check.valid, valid);
        QCOMPARE(valid ? check.text : check.hint, result);
    }

    void keyFilter_data()
    {
        QTest::addColumn<bool>("netId");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("passed");
        QTest::addColumn<int>("hint"); // KeyFilterResult::Hint
        QTest::addColumn<QString>("hintText");
        QTest::addColumn<bool>("white");

        const int keep = int(KeyFilterResult::Hint::Keep), hide = int(KeyFilterResult::Hint::Hide),
                  show = int(KeyFilterResult::Hint::Show);
        const QString letters = QStringLiteral("Letters and special characters are not allowed");
        QTest::newRow("digit") << false << int('7') << int('7') << hide << "" << true;
        QTest::newRow("backspace") << true << 8 << 8 << hide << "" << true;
        QTest::newRow("paste") << true << 22 << 22 << hide << "" << true;
        QTest::newRow("letter discarded") << false << int('a') << 0 << show << letters << false;
        QTest::newRow("blank discarded") << true << int(' ') << 0 << show << letters << false;
        QTest::newRow("point") << false << int('.') << int('.') << hide << "" << true;
        QTest::newRow("ip comma becomes point with notice")
            << false << int(',') << int('.') << show << "Inputerror: Comma is automatic changed to point!" << true;
        QTest::newRow("netid comma becomes point silently") << true << int(',') << int('.') << keep << "" << true;
        QTest::newRow("enter validates, not passed on") << true << 13 << 0 << hide << "" << true;
    }
    void keyFilter()
    {
        QFETCH(bool, netId);
        QFETCH(int, key);
        QFETCH(int, passed);
        QFETCH(int, hint);
        QFETCH(QString, hintText);
        QFETCH(bool, white);
        const KeyFilterResult r = netId ? CheckRtnNetIdKey(key) : CheckIpAddressKey(key);
        QCOMPARE(r.key, passed);
        QCOMPARE(int(r.hint), hint);
        QCOMPARE(r.hintText, hintText);
        QCOMPARE(r.whiteBackground, white);
        QCOMPARE(r.validate, key == 13);
        QCOMPARE(r.hintColour, key == ',' && !netId ? kHintNotice : kHintError);
    }

    void typingIntoAField()
    {
        QWidget window;
        auto* field = new QLineEdit(&window);
        auto* hint = new QLabel(&window);
        AddressFieldFilter filter(AddressKind::IpAddress, field, hint);
        window.show();
        field->setFocus();

        QTest::keyClicks(field, QStringLiteral("192,"));
        QCOMPARE(hint->text(), QStringLiteral("Inputerror: Comma is automatic changed to point!"));
        QCOMPARE(hint->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0xFF));
        QTest::keyClicks(field, QStringLiteral("168.0.1x"));
        QCOMPARE(field->text(), QStringLiteral("192.168.0.1"));
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Letters and special characters are not allowed"));
        QCOMPARE(hint->palette().color(QPalette::WindowText), QColor(255, 0, 0));

        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(!hint->isVisible());
        QCOMPARE(field->palette().color(QPalette::Base), QColor(0x66, 0xFF, 0x00));

        field->setText(QStringLiteral("1.2.3.4"));
        QVERIFY(!filter.pressEnter());
        QCOMPARE(field->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(field->selectedText(), QStringLiteral("1.2.3.4"));
        QCOMPARE(hint->text(), QStringLiteral("1.octet of IP address is not valid."));

        QTest::keyClick(field, Qt::Key_5);
        QCOMPARE(field->palette().color(QPalette::Base), QColor(255, 255, 255));
    }
};

QTEST_MAIN(tst_AddressValidation)
#include "tst_addressvalidation.moc"
