// Fault matrix rows of the channel dialogs' Test: the serial dialog over the
// serial line, the network dialog over the network channel. Every fault hits
// every read of the test (it tries four times); the user hears "No
// communication…" with the code within four time-outs, the dialog can be used
// again, and the next Test against a healthy coupler succeeds. A port that does
// not open is reported with the open's code alone.
#include "common/FaultMatrix.h"

#include "channels/frmParamVnDcCOM.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "platform/ChannelFactory.h"
#include "platform/DeviceChannel.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;

struct Stage {
    const char* name;
};
const Stage kStages[] = {{"Test"}};
const QString kEveryTestRead = QStringLiteral("read:0/9/0/2#1+");

const QString kSuccess = QStringLiteral("Communication with coupler successful|64|Test communication");
QString failed(int32_t code)
{
    return QStringLiteral("No communication with coupler!\r\n\r\nCode: %1|16|Test communication").arg(code);
}

// Opening the port worked but no read answered: the network dialog says that first.
QStringList noAnswer(const QString& transport, int32_t code)
{
    if (transport == QLatin1String("serial"))
        return {failed(code)};
    return {QStringLiteral("No communication!|16|"), failed(code)};
}

} // namespace

class tst_FaultMatrixChannels : public QObject, MatrixFixture {
    Q_OBJECT

    // The dialog of the transport on the program's channel of that kind, as the channel menu opens it.
    std::unique_ptr<QWidget> openDialog(const QString& transport)
    {
        AppContext& context = p().env().context();
        if (transport == QLatin1String("serial")) {
            if (!context.gObjDevCom)
                context.gObjDevCom = context.channelFactory->createSerialChannel();
            auto form = std::make_unique<frmParamVnDcCOM>();
            form->RefreshData({}, context.gObjDevCom.get(), gCommon().CompanyName());
            auto* port = namedChild<QComboBox>(*form, QStringLiteral("comboSelPort_0"));
            port->setCurrentIndex(port->findText(QStringLiteral("COM%1").arg(p().coupler().comNumber())));
            return form;
        }
        if (!context.m_objDevQnpObj)
            context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        auto form = std::make_unique<frmParamVnDcQNPCV3>();
        form->RefreshData({}, context.m_objDevQnpObj.get(), QString());
        return form;
    }
    // Clicks Test; the milliseconds it took.
    qint64 test(QWidget& form)
    {
        dialogs().messages.clear();
        QElapsedTimer clock;
        clock.start();
        namedChild<QPushButton>(form, QStringLiteral("cmdTest"))->click();
        return clock.elapsed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(startMatrix(QStringLiteral("vn4555.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
    }
    void cleanupTestCase() { stopMatrix(); }
    void cleanup() { reportFailedRow(); }

    void testButton_data() { addMatrixRows(stageNames(kStages)); }
    void testButton()
    {
        const MatrixRow row = fetchMatrixRow();
        QVERIFY(p().coupler().clearFaults());
        const std::unique_ptr<QWidget> form = openDialog(row.transport);
        dialogs().messages.clear();
        const qint64 elapsed = p().runFaulted(row, kEveryTestRead, [&] {
            namedChild<QPushButton>(*form, QStringLiteral("cmdTest"))->click();
        });
        MATRIX_VERIFY_ENDED(elapsed, 4, kTimeoutMs);
        QCOMPARE(dialogs().messages, noAnswer(row.transport, row.code()));
        QVERIFY(namedChild<QPushButton>(*form, QStringLiteral("cmdTest"))->isEnabled());

        QVERIFY(p().coupler().clearFaults());
        test(*form);
        QCOMPARE(dialogs().messages, QStringList{kSuccess});
    }

    // What is not a fault of the device: a port that does not open, a net id no device has.
    void noCoupler_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("serial port does not open") << "serial" << "port" << QStringList{failed(ChOpenFailed)};
        QTest::newRow("network router does not listen") << "qnp" << "port" << QStringList{failed(ChOpenFailed)};
        QTest::newRow("network router address with port 70000")
            << "qnp" << "router address" << QStringList{failed(ChOpenFailed)};
        QTest::newRow("network, no device at that net id") << "qnp" << "net id" << noAnswer("qnp", ChNoDevice);
    }
    void noCoupler()
    {
        QFETCH(QString, transport);
        QFETCH(QString, failure);
        QFETCH(QStringList, messages);
        QVERIFY(p().coupler().clearFaults());
        const std::unique_ptr<QWidget> form = openDialog(transport);
        const QString link = p().coupler().linkPath();
        QString device; // the terminal the serial link named before it was broken
        const QByteArray router = qgetenv("TD4700_QNP_ROUTER");
        auto* netId = form->findChild<QLineEdit*>(QStringLiteral("editIpAddr_0"));
        if (failure == QLatin1String("net id")) {
            netId->setText(QStringLiteral("10.9.9.9.1.1"));
        } else if (failure == QLatin1String("router address")) {
            qputenv("TD4700_QNP_ROUTER", "127.0.0.1:70000"); // not the default router the coupler answers at
        } else if (transport == QLatin1String("qnp")) {
            qputenv("TD4700_QNP_ROUTER", "127.0.0.1:1");
        } else {
            // The link names a device that is not there; the port the last Test left open is closed.
            p().env().context().gObjDevCom->PortClose();
            device = QFile::symLinkTarget(link);
            QFile::remove(link);
            QFile file(link);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("/nonexistent/td4700-tty\n") > 0);
        }
        const qint64 elapsed = test(*form);
        QCOMPARE(dialogs().messages, messages);
        QVERIFY2(withinTimeouts(elapsed, failure == QLatin1String("net id") ? 4 : 1, kTimeoutMs),
                 qPrintable(QString::number(elapsed)));

        qputenv("TD4700_QNP_ROUTER", router);
        if (netId)
            netId->setText(p().coupler().netId());
        if (!device.isEmpty()) {
            QFile::remove(link);
            QVERIFY(QFile::link(device, link));
        }
        test(*form);
        QCOMPARE(dialogs().messages, QStringList{kSuccess});
    }
};

QTEST_MAIN(tst_FaultMatrixChannels)
#include "tst_faultmatrix_channels.moc"
