// The firmware file reader, and the firmware dialog against the virtual
// coupler: update, load in the boot-strap state, a refused file or block.
#include "channels/SerialDialogTestUtil.h"
#include "common/CpuClock.h"
#include "common/HexImage.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "common/HostileFile.h"
#include "platform/FirmwareProtocol.h"
#include "platform/FirmwareServer.h"
#include "platform/IntelHex.h"
#include "platform/LocaleInfo.h"
#include "platform/SerialChannel.h"
#include "tools/frmFirmwareUpdate.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray kEnd = hexEndRecord();

} // namespace

class TestFirmware : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    VirtualCoupler m_coupler;
    SerialChannel m_channel;
    QPointer<frmFirmwareUpdate> m_form;

    QString writeFile(const QString& name, const QByteArray& content)
    {
        const QString path = m_env->tempPath() + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    bool startCoupler(const QStringList& options = {}, int timeout = 500)
    {
        m_channel.PortClose();
        if (!m_coupler.start(QStringLiteral("vn4555.xml"), options))
            return false;
        auto* param = dynamic_cast<ISerialChannelParam*>(m_channel.GetDeviceParamObj());
        param->SetPort(m_coupler.comNumber());
        param->SetBaud(19200);
        param->SetTimeout(timeout);
        return m_channel.PortOpen() == 0;
    }
    // Opens the dialog as the menus do; the file selection answers with path.
    frmFirmwareUpdate* open(const QString& mode, const QString& path)
    {
        m_env->dialogs().openFileAnswer = path;
        m_form = new frmFirmwareUpdate;
        m_form->RefreshData({}, &m_channel, mode);
        return m_form;
    }
    QStringList firmwareRequests() const
    {
        QStringList out;
        for (const QString& r : m_coupler.requests())
            if (r.startsWith(QLatin1String("service firmware")))
                out << r;
        return out;
    }
    int32_t firmwareWord()
    {
        std::array<int32_t, 1> word{};
        const int32_t rc = m_channel.VbRegSyncReadReq(0, 0, 255, 1, word);
        return rc == 0 ? word[0] : -rc;
    }
    bool enabled(const char* button) { return child<QPushButton>(m_form, QLatin1String(button))->isEnabled(); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        gCommon();
    }
    void cleanup()
    {
        delete m_form.data();
        m_channel.PortClose();
        m_coupler.stop();
        m_env.reset();
    }

    void readsIntelHex_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("base");

        const QByteArray ab = hexRecord(0, 0x10, "\xAA\xBB");
        QTest::newRow("one record") << ab + kEnd << 0 << 0 << QByteArray("\xAA\xBB") << 0x10u;
        QTest::newRow("gap filled with 0xFF") << ab + hexRecord(0, 0x14, "\x01") + kEnd << 0 << 0
                                              << QByteArray("\xAA\xBB\xFF\xFF\x01") << 0x10u;
        QTest::newRow("extended linear address") << hexRecord(4, 0, QByteArray::fromHex("0001")) + ab + kEnd << 0 << 0
                                                 << QByteArray("\xAA\xBB") << 0x10010u;
        QTest::newRow("LF only, lower case, blank lines") << ab.toLower().replace("\r\n", "\n") + "\n" + kEnd << 0 << 0
                                                          << QByteArray("\xAA\xBB") << 0x10u;
        const QByteArray crOnly = QByteArray(ab + hexRecord(0, 0x12, "\xCC") + kEnd).replace("\r\n", "\r");
        QTest::newRow("CR only") << crOnly << 0 << 0 << QByteArray("\xAA\xBB\xCC") << 0x10u;
        QTest::newRow("CR only, bad record names its line") << crOnly.left(crOnly.indexOf('\r') + 1) + ":00\r" + kEnd
                                                            << int(fw::ResHexFormat) << 2 << QByteArray() << 0u;
        QTest::newRow("CR, LF and CR LF mixed") << QByteArray(ab).replace("\r\n", "\r") + "\n" + hexRecord(0, 0x12, "\xCC")
                + kEnd << 0 << 0 << QByteArray("\xAA\xBB\xCC") << 0x10u;
        QByteArray badSum = ab;
        badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
        QTest::newRow("bad checksum names its line") << hexRecord(0, 0, "\x01") + badSum + kEnd << int(fw::ResHexChecksum) << 2
                                                     << QByteArray() << 0u;
        QTest::newRow("no colon") << "0200100AABB89\r\n" + kEnd << int(fw::ResHexFormat) << 1 << QByteArray() << 0u;
        QTest::newRow("not hex") << ":02001000AXBB89\r\n" + kEnd << int(fw::ResHexFormat) << 1 << QByteArray() << 0u;
        QTest::newRow("count does not match") << ab.left(ab.size() - 4) + "\r\n" + kEnd << int(fw::ResHexFormat) << 1
                                              << QByteArray() << 0u;
        QTest::newRow("cut off before the end record") << ab << int(fw::ResHexFormat) << 1 << QByteArray() << 0u;
        QTest::newRow("data after the end record") << kEnd + ab << int(fw::ResHexFormat) << 2 << QByteArray() << 0u;
        QTest::newRow("unknown record type") << hexRecord(7, 0, "\x01") + kEnd << int(fw::ResHexFormat) << 1
                                             << QByteArray() << 0u;
        QTest::newRow("no data") << kEnd << int(fw::ResImageSize) << 1 << QByteArray() << 0u;
        QTest::newRow("empty file: no line to blame") << QByteArray() << int(fw::ResFileEmpty) << 0 << QByteArray() << 0u;
        QTest::newRow("blank lines only") << QByteArray("\r\n \t\n\r") << int(fw::ResFileEmpty) << 0 << QByteArray() << 0u;
        QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF" + ab + kEnd << 0 << 0 << QByteArray("\xAA\xBB") << 0x10u;
        const QByteArray ones(16, '\x11');
        QTest::newRow("same address again") << hexRecord(0, 0, ones) + hexRecord(0, 0, "\x22\x22\x22\x22") + kEnd
                                            << int(fw::ResHexFormat) << 2 << QByteArray() << 0u;
        QTest::newRow("overlap from below") << ab + hexRecord(0, 0x0F, "\x01\x02") + kEnd << int(fw::ResHexFormat) << 2
                                            << QByteArray() << 0u;
        QTest::newRow("overlap inside an earlier record") << hexRecord(0, 0, ones) + hexRecord(0, 8, "\x01") + kEnd
                                                          << int(fw::ResHexFormat) << 2 << QByteArray() << 0u;
        QTest::newRow("out of order, filling the gap between two")
            << ab + hexRecord(0, 0x15, "\x05") + hexRecord(0, 0x12, "\x02\x03\x04") + kEnd << 0 << 0
            << QByteArray("\xAA\xBB\x02\x03\x04\x05") << 0x10u;
        // 256 KiB of 16-bit addresses without extended address records: four passes over 64 KiB.
        QByteArray pass = hexImage(0x10000, 1);
        pass.chop(kEnd.size());
        QTest::newRow("second pass over the same 64 KiB") << pass + pass + pass + pass + kEnd << int(fw::ResHexFormat)
                                                          << 4097 << QByteArray() << 0u;
        QTest::newRow("above 64 KiB with extended address records")
            << hexImage(0x10000 + 3, 1) << 0 << 0 << imageBytes(0x10000 + 3, 1) << 0u;
        QTest::newRow("span beyond the largest image")
            << ab + hexRecord(4, 0, QByteArray::fromHex("0020")) + ab + kEnd << int(fw::ResImageSize) << 3 << QByteArray() << 0u;
    }
    void readsIntelHex()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        FirmwareImage image;
        image.base = 77;
        int line = 0;
        QCOMPARE(readIntelHex(text, image, &line), result);
        if (result != 0) {
            QTEST(line, "line");
            QCOMPARE(image.base, 77u); // untouched on failure
            return;
        }
        QTEST(image.bytes, "bytes");
        QTEST(image.base, "base");
    }

    // Whatever the user picks is read without waiting on it; only a regular file of a
    // size a firmware text can have is parsed.
    void readsOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("result");
        QTest::newRow("named pipe") << "pipe" << int(fw::ResFileUnreadable);
        QTest::newRow("link to /dev/zero") << "zero" << int(fw::ResFileUnreadable);
        QTest::newRow("missing") << "missing" << int(fw::ResFileUnreadable);
        QTest::newRow("text past 16 MiB") << "huge" << int(fw::ResFileTooLarge);
        QTest::newRow("600 KiB in records of one byte") << "short records" << 0;
    }
    void readsOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        const QString path = m_env->tempPath() + QStringLiteral("/fw.hex");
        constexpr int kShortImage = 600 * 1024;
        if (kind == QLatin1String("pipe"))
            QVERIFY(placeHostileFile(HostileFile::Pipe, path, {}));
        else if (kind == QLatin1String("zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == QLatin1String("huge"))
            writeFile(QStringLiteral("fw.hex"), QByteArray(16 * 1024 * 1024 + 1, '\n'));
        else if (kind == QLatin1String("short records"))
            writeFile(QStringLiteral("fw.hex"), hexImage(kShortImage, 7, 1));
        FirmwareImage image;
        // The work on the processor's clock, so a busy machine does not stretch it; a read that
        // waits on its file uses no processor time, and the wall clock catches it.
        CpuClock work;
        QElapsedTimer clock;
        clock.start();
        QTEST(FirmwareServer::readFirmwareFile(path, image), "result");
        QVERIFY2(work.elapsedMs() < 5000, qPrintable(QString::number(work.elapsedMs())));
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
        if (kind == QLatin1String("short records"))
            QCOMPARE(image.bytes, imageBytes(kShortImage, 7));
        else if (kind != QLatin1String("huge"))
            QVERIFY2(work.elapsedMs() < 500, qPrintable(QString::number(work.elapsedMs()))); // refused at once
    }

    void firmwareMode_data()
    {
        QTest::addColumn<QString>("param");
        QTest::addColumn<QString>("mode");
        QTest::newRow("load") << "FIRMWARE_LOAD" << "FIRMWARE_LOAD";
        QTest::newRow("load in lower case") << "firmware_Load" << "FIRMWARE_LOAD";
        QTest::newRow("empty") << "" << "FIRMWARE_UPDATE";
        QTest::newRow("trailing blank is not load") << "FIRMWARE_LOAD " << "FIRMWARE_UPDATE";
    }
    void firmwareMode()
    {
        QFETCH(QString, param);
        QTEST(frmFirmwareUpdate::fFirmwareMode(param), "mode");
    }

    void updateWritesTheNewFirmware()
    {
        QVERIFY2(startCoupler(), qPrintable(m_coupler.output()));
        QCOMPARE(firmwareWord(), 47616);
        const QString path = writeFile(QStringLiteral("new.HEX"), hexImage(1300, 45825));
        frmFirmwareUpdate* f = open(QStringLiteral("firmware_update"), path);
        QCOMPARE(f->mode(), QStringLiteral("FIRMWARE_UPDATE"));
        QVERIFY(enabled("cmdScriptStart"));

        QStringList progress;
        auto* percent = child<QLabel>(f, "lblDuration");
        auto* bar = child<QProgressBar>(f, "pgBar1");
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) { values << v; });
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!percent->text().isEmpty() && (progress.isEmpty() || progress.last() != percent->text()))
                progress << percent->text();
        });
        poll.start(0);
        child<QPushButton>(f, "cmdScriptStart")->click();
        poll.stop();

        QCOMPARE(f->log().Text(), QStringLiteral("\r\nStarting download...please wait...\r\n\r\nFinished download... OK "));
        // In bytes: the bar rises from 2 to the image size, below its maximum of size + 10.
        QCOMPARE(progress, QStringList({"39 %", "79 %", "100 %"}));
        QCOMPARE(values, QList<int>({2, 512, 1024, 1300}));
        QCOMPARE(bar->maximum(), 1310);
        QVERIFY(bar->isHidden());
        QCOMPARE(stored(QStringLiteral("MultiPoint")), QStringLiteral("0")); // written when missing
        QCOMPARE(firmwareRequests(),
                 QStringList({"service firmware begin 1 0 1300 = 0", "service firmware block 0 512 = 0",
                              "service firmware block 512 512 = 0", "service firmware block 1024 276 = 0",
                              "service firmware end 45825 = 0"}));
        QCOMPARE(firmwareWord(), 45825);
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"You have to reboot to activate new settings !\r\n\r\nPlease switch power supply off and "
                             "on again\r\nFinished ?|64|Firmware"});
        QVERIFY(enabled("cmdScriptStart") && enabled("cmdExit") && !enabled("cmdBrowse"));
    }

    // A run that did not install the firmware ends in an error box with its code, never in
    // the reboot information; the old firmware stays. Lost links are rows of the fault matrix.
    void failedRunEndsInTheErrorBox_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("logEnd");
        QTest::addColumn<QString>("box");
        const QString refused = QStringLiteral("\r\nFinished download... Error 4109");
        QTest::newRow("refused block") << "image" << true << refused
                                       << "The firmware download failed: code 4109 (the coupler refused a block or the "
                                          "image).|16|Firmware";
        QTest::newRow("refused block, German")
            << "image" << false << refused
            << "Die Firmware-Übertragung ist fehlgeschlagen: Code 4109 (der Koppler hat einen Block oder das Abbild "
               "abgewiesen).|16|Firmware";
        QTest::newRow("a file past 16 MiB is named so") << "huge" << true << "\r\nFinished download... Error 4357"
            << "The firmware download failed: code 4357 (the file is larger than 16 MiB, too large for a firmware "
               "file).|16|Firmware";
        QTest::newRow("an empty file is named so, German") << "empty" << false << "\r\nFinished download... Error 4358"
            << "Die Firmware-Übertragung ist fehlgeschlagen: Code 4358 (die Datei ist leer).|16|Firmware";
        QTest::newRow("a pipe named .hex") << "pipe" << true << "\r\nFinished download... Error 4353"
                                           << "The firmware download failed: code 4353 (the file cannot be read).|16|Firmware";
        const QString overlap = QStringLiteral("kein Intel-HEX-Datensatz, Daten über einem früheren Datensatz oder kein "
                                               "Endedatensatz");
        QTest::newRow("overlapping records") << "overlap" << false
                                             << "\r\nZeile 3 der Firmware-Datei: " + overlap
                + "\r\nFinished download... Error 4354"
                                             << "Die Firmware-Übertragung ist fehlgeschlagen: Code 4354 (" + overlap
                + ").\r\n\r\nZeile 3 der Firmware-Datei.|16|Firmware";
    }
    void failedRunEndsInTheErrorBox()
    {
        QFETCH(QString, file);
        QFETCH(bool, english);
        QVERIFY2(startCoupler({"--fail-firmware-block", "2"}), qPrintable(m_coupler.output()));
        int32_t status = 0;
        LocaleInfo().SetLocale(english ? 9 : 7, 1, status);
        QString path = m_env->tempPath() + QStringLiteral("/fw.hex");
        if (file == QLatin1String("pipe"))
            QVERIFY(placeHostileFile(HostileFile::Pipe, path, {}));
        else if (file == QLatin1String("empty"))
            path = writeFile(QStringLiteral("fw.hex"), {});
        else if (file == QLatin1String("huge"))
            path = writeFile(QStringLiteral("fw.hex"), QByteArray(16 * 1024 * 1024 + 1, '\n'));
        else if (file == QLatin1String("overlap"))
            path = writeFile(QStringLiteral("fw.hex"), hexRecord(0, 0, QByteArray(16, '\x11')) + hexRecord(0, 16, "\x33")
                                                           + hexRecord(0, 0, "\x22\x22\x22\x22") + kEnd);
        else
            path = writeFile(QStringLiteral("fw.hex"), hexImage(1300, 45825));
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_UPDATE"), path);
        child<QPushButton>(f, "cmdScriptStart")->click();
        QFETCH(QString, logEnd);
        QVERIFY2(f->log().Text().endsWith(logEnd), qPrintable(f->log().Text()));
        QTEST(m_env->dialogs().messages.join(QLatin1Char('\n')), "box");
        QCOMPARE(firmwareWord(), 47616);
        QVERIFY(enabled("cmdScriptStart") && enabled("cmdExit") && !f->isRunning());
    }

    // A stored address the channel refused at its set-up goes out as the channel's own (0 here),
    // not cut to 16 bits; the server itself sends nothing for an address outside one byte.
    void storedMultiPointIsNotCut_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("70000, once 4464") << "70000";
        QTest::newRow("-1, once 65535") << "-1";
    }
    void storedMultiPointIsNotCut()
    {
        QFETCH(QString, stored);
        QVERIFY2(startCoupler(), qPrintable(m_coupler.output()));
        app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, QStringLiteral("MultiPoint"), stored);
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_UPDATE"), writeFile(QStringLiteral("fw.hex"), hexImage(600, 45825)));
        child<QPushButton>(f, "cmdScriptStart")->click();
        QCOMPARE(firmwareRequests().value(0), QStringLiteral("service firmware begin 1 0 600 = 0"));
        QCOMPARE(firmwareWord(), 45825);

        const QString path = writeFile(QStringLiteral("next.hex"), hexImage(600, 47616));
        for (const int32_t address : {70000, -1, 256}) {
            const qsizetype sent = m_coupler.requests().size();
            QCOMPARE(FirmwareServer().UpdateFirmware(&m_channel, path, 0, 0, false, address), int32_t(ChBadArgument));
            QCOMPARE(m_coupler.requests().size(), sent);
        }
        QCOMPARE(firmwareWord(), 45825);
    }

    // The whole image went out but the end's answer did not come back: the coupler's firmware
    // word, read once it answers again, says whether the image is in. Never "failed" for that.
    void lostEndReply_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("logEnd");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("word"); // the coupler's firmware word afterwards
        QTest::addColumn<int>("image"); // the file's firmware word
        QTest::addColumn<int>("timeout");
        const QString reboot = QStringLiteral("You have to reboot to activate new settings !\r\n\r\nPlease switch power "
                                              "supply off and on again\r\nFinished ?|64|Firmware");
        const QString installed = QStringLiteral("Its firmware word B301 is the file's: the firmware is installed.");
        const QString unknown = QStringLiteral("\r\n\r\nThe coupler's state is not known: check its firmware version "
                                               "(table 0, register 255).");
        QTest::newRow("update, end reply lost")
            << QStringList{"--fault", "lost@service:0x22"} << "FIRMWARE_UPDATE" << true
            << "The coupler did not answer the end of the transfer: code 4097 (time-out). " + installed
                + "\r\nFinished download... OK "
            << reboot << 0xB301 << 0xB301 << 500;
        QTest::newRow("update, end reply garbled, German")
            << QStringList{"--fault", "garbled@service:0x22"} << "FIRMWARE_UPDATE" << false
            << QStringLiteral("Der Koppler hat das Ende der Übertragung nicht beantwortet: Code 4102 (fehlerhafte Antwort). "
                              "Sein Firmware-Wort B301 ist das der Datei: die Firmware ist installiert.\r\n"
                              "Finished download... OK ")
            << reboot << 0xB301 << 0xB301 << 500;
        // The loaded coupler starts the new firmware and is silent for most of the wait.
        QTest::newRow("load, end reply lost")
            << QStringList{"--bootstrap", "--reboot-ms", "1500", "--fault", "lost@service:0x22"} << "FIRMWARE_LOAD" << true
            << "The coupler did not answer the end of the transfer: code 4097 (time-out). " + installed
                + "\r\nFinished download... OK "
            << reboot << 0xB301 << 0xB301 << 500;
        const QString notTaken = QStringLiteral("The coupler did not answer the end of the transfer: code 4097 (time-out). "
                                                "Its firmware word is BA00, the file's B301.")
            + unknown;
        QTest::newRow("update, coupler restarted instead of ending")
            << QStringList{"--fault", "reboot@service:0x22"} << "FIRMWARE_UPDATE" << true
            << notTaken + "\r\nFinished download... Error 4097" << notTaken + "|48|Firmware" << 0xBA00 << 0xB301 << 500;
        const QString silent = QStringLiteral("The coupler did not answer the end of the transfer: code 4097 (time-out). "
                                              "Its firmware word could not be read: code 4097 (time-out).")
            + unknown;
        QTest::newRow("update, coupler silent after the end")
            << QStringList{"--fault", "silent@service:0x22"} << "FIRMWARE_UPDATE" << true
            << silent + "\r\nFinished download... Error 4097" << silent + "|48|Firmware" << 0xBA00 << 0xB301 << 500;
        // The coupler ran the file's word already: seeing it again proves nothing.
        const QString same = QStringLiteral("The coupler did not answer the end of the transfer: code 4097 (time-out). "
                                            "Its firmware word BA00 is the file's, but it showed that word before the "
                                            "transfer too.")
            + unknown;
        QTest::newRow("update of the same word, coupler restarted instead of ending")
            << QStringList{"--fault", "reboot@service:0x22"} << "FIRMWARE_UPDATE" << true
            << same + "\r\nFinished download... Error 4097" << same + "|48|Firmware" << 0xBA00 << 0xBA00 << 500;
        const QString sameDe = QStringLiteral("Der Koppler hat das Ende der Übertragung nicht beantwortet: Code 4097 "
                                              "(Zeitüberschreitung). Sein Firmware-Wort BA00 ist das der Datei, aber das "
                                              "zeigte er schon vor der Übertragung.\r\n\r\nDer Zustand des Kopplers ist "
                                              "nicht bekannt: bitte seine Firmware-Version prüfen (Tabelle 0, Register 255).");
        QTest::newRow("update of the same word, end reply lost, German")
            << QStringList{"--fault", "lost@service:0x22"} << "FIRMWARE_UPDATE" << false
            << sameDe + "\r\nFinished download... Error 4097" << sameDe + "|48|Firmware" << 0xBA00 << 0xBA00 << 500;
        // A read sent while the loaded coupler restarts is dropped: the last read starts once the
        // restart time is over, whatever the channel's time-out.
        const QString garbledLoad = QStringLiteral("The coupler did not answer the end of the transfer: code 4102 (bad "
                                                   "frame). ")
            + installed + "\r\nFinished download... OK ";
        const struct {
            const char* name;
            const char* restart;
            int timeout;
        } lateLoads[] = {{"load, garbled end, restart 1950 ms, time-out 500 ms", "1950", 500},
                         {"load, garbled end, restart 1999 ms, time-out 500 ms", "1999", 500},
                         {"load, garbled end, restart 1200 ms, time-out 1000 ms", "1200", 1000},
                         {"load, garbled end, restart 1500 ms, time-out 3000 ms", "1500", 3000}};
        for (const auto& l : lateLoads)
            QTest::newRow(l.name) << QStringList{"--bootstrap", "--reboot-ms", l.restart, "--fault", "garbled@service:0x22"}
                                  << "FIRMWARE_LOAD" << true << garbledLoad << reboot << 0xB301 << 0xB301 << l.timeout;
    }
    void lostEndReply()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, mode);
        QFETCH(bool, english);
        QFETCH(int, timeout);
        QFETCH(int, image);
        QVERIFY2(startCoupler(options, timeout), qPrintable(m_coupler.output()));
        int32_t status = 0;
        LocaleInfo().SetLocale(english ? 9 : 7, 1, status);
        frmFirmwareUpdate* f = open(mode, writeFile(QStringLiteral("fw.hex"), hexImage(1300, uint16_t(image))));
        m_env->dialogs().messages.clear();
        QElapsedTimer clock;
        clock.start();
        child<QPushButton>(f, "cmdScriptStart")->click();
        // The end's time-out, the restart the coupler may take, and one more time-out at most.
        QVERIFY2(clock.elapsed() < timeout + 2000 + timeout + 1000, qPrintable(QString::number(clock.elapsed())));
        QFETCH(QString, logEnd);
        QVERIFY2(f->log().Text().endsWith(QStringLiteral("\r\n") + logEnd), qPrintable(f->log().Text()));
        QFETCH(QString, box);
        QCOMPARE(m_env->dialogs().messages.last(), box);
        QVERIFY(m_coupler.clearFaults());
        QTEST(firmwareWord(), "word");
    }

    void badFileSendsNothing()
    {
        QVERIFY2(startCoupler(), qPrintable(m_coupler.output()));
        QByteArray bad = hexImage(600, 1);
        bad[12] = bad[12] == 'F' ? 'E' : 'F';
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_UPDATE"), writeFile(QStringLiteral("fw.hex"), bad));
        child<QPushButton>(f, "cmdScriptStart")->click();
        QVERIFY2(f->log().Text().endsWith(QStringLiteral("Finished download... Error 4355")), qPrintable(f->log().Text()));
        QCOMPARE(firmwareRequests(), QStringList());
        QCOMPARE(firmwareWord(), 47616);
    }

    void loadInTheBootStrapState()
    {
        QVERIFY2(startCoupler({"--bootstrap", "--reboot-ms", "100"}), qPrintable(m_coupler.output()));
        QCOMPARE(firmwareWord(), -int(ChTimeout)); // silent but for a firmware load
        frmFirmwareUpdate* f = open(QStringLiteral("Firmware_Load"), writeFile(QStringLiteral("fw.hex"), hexImage(40, 513)));
        QCOMPARE(f->mode(), QStringLiteral("FIRMWARE_LOAD"));
        child<QPushButton>(f, "cmdScriptStart")->click();
        QCOMPARE(m_env->dialogs().messages.first(),
                 QStringLiteral("Please switch coupler to boot-strap-mode !\r\n\r\nYes, I did it !|4|Firmware Load"));
        QVERIFY2(f->log().Text().endsWith(QStringLiteral("Finished download... OK ")), qPrintable(f->log().Text()));
        QTRY_COMPARE(firmwareWord(), 513); // the new firmware runs after its start-up
    }

    void loadCancelledSendsNothing()
    {
        QVERIFY2(startCoupler({"--bootstrap"}), qPrintable(m_coupler.output()));
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_LOAD"), writeFile(QStringLiteral("fw.hex"), hexImage(40, 1)));
        m_env->dialogs().answers = {vbNo};
        child<QPushButton>(f, "cmdScriptStart")->click();
        QCOMPARE(f->log().Text(), QStringLiteral("\r\nAction canceled by user\r\n"));
        QVERIFY(m_coupler.requests().isEmpty());
        QVERIFY(enabled("cmdScriptStart") && enabled("cmdExit") && enabled("cmdBrowse"));
        QVERIFY(!f->isRunning());
    }

    void fileChoiceRules()
    {
        const QString h31 = writeFile(QStringLiteral("fw.h31"), hexImage(40, 1));
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_UPDATE"), h31);
        QCOMPARE(m_env->dialogs().messages, QStringList{"File is not a firmware-file|16|Firmware"});
        QVERIFY(!enabled("cmdScriptStart"));
        QCOMPARE(gCommon().PathFolderResFirmware(), m_env->tempPath()); // the folder is kept for the next choice

        m_env->dialogs().openFileAnswer = writeFile(QStringLiteral("fw.hex"), hexImage(40, 1));
        f->cmdBrowse_Click();
        QVERIFY(enabled("cmdScriptStart"));
        // A network path is refused in German in every language, and Start goes off with the path.
        int32_t status = 0;
        LocaleInfo().SetLocale(9, 1, status);
        m_env->dialogs().openFileAnswer = QStringLiteral("//server/share/fw.hex");
        f->cmdBrowse_Click();
        QCOMPARE(f->log().Text(), QStringLiteral("\r\nZugriff auf Dateien im Netzwerk nicht möglich.\r\n"));
        QVERIFY(f->path().isEmpty());
        QVERIFY(!enabled("cmdScriptStart"));
    }

    // The file dialog that opens as the dialog appears belongs to it, not to the window
    // still active.
    void fileDialogOpensOverTheFirmwareDialog()
    {
        m_env->context().dialogs = std::make_unique<QtDialogs>();
        QWidget main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QWidget* owner = nullptr;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                owner = modal->parentWidget();
                modal->close();
            }
        });
        m_form = new frmFirmwareUpdate(&main);
        m_form->RefreshData({}, nullptr, QStringLiteral("FIRMWARE_UPDATE"));
        QCOMPARE(owner, m_form.data());
    }

    void aRunCannotBeInterrupted()
    {
        QVERIFY2(startCoupler({"--delay-ms", "30"}), qPrintable(m_coupler.output()));
        frmFirmwareUpdate* f = open(QStringLiteral("FIRMWARE_UPDATE"), writeFile(QStringLiteral("fw.hex"), hexImage(1300, 9)));
        QWidget tree;
        app().tvTreeView = &tree;
        bool closed = true, treeEnabled = true, keyArrived = false;
        QWidget other;
        other.show();
        QTimer::singleShot(40, this, [&] {
            treeEnabled = tree.isEnabled();
            closed = f->close();
            QTest::keyClick(&other, Qt::Key_F12);
        });
        other.installEventFilter(this);
        connect(this, &TestFirmware::keySeen, this, [&] { keyArrived = true; });
        child<QPushButton>(f, "cmdScriptStart")->click();
        app().tvTreeView = nullptr;
        QVERIFY(!closed);
        QVERIFY(!treeEnabled);
        QVERIFY(tree.isEnabled());
        QVERIFY(!m_form.isNull());
        QCoreApplication::processEvents();
        QVERIFY(!keyArrived); // dropped, not delivered after the run
        QVERIFY2(f->log().Text().endsWith(QStringLiteral(" OK ")), qPrintable(f->log().Text()));
    }

Q_SIGNALS:
    void keySeen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            Q_EMIT keySeen();
        return QObject::eventFilter(watched, event);
    }
};

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
