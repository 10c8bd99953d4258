// The frame codec: exact layout, and garbled, truncated or random input
// never giving a value.
#include "platform/ChannelProtocol.h"
#include "platform/DeviceChannel.h"
#include "platform/ProtocolDeviceService.h"
#include "common/ScriptedChannel.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray readReplyFrame(uint8_t seq, std::vector<uint16_t> values)
{
    proto::Frame f;
    f.kind = proto::KindRead | proto::KindReply;
    f.seq = seq;
    f.payload = proto::readReplyPayload(values);
    return proto::encodeFrame(f);
}

// The client's handling of one received byte run: decode the first frame and, when it is
// the expected reply, parse it into buffer. Non-zero unless a whole good reply was there.
int32_t clientRead(const QByteArray& bytes, uint8_t seq, int32_t count, std::span<int32_t> buffer)
{
    QByteArray rx = bytes;
    while (!rx.isEmpty()) {
        proto::Frame frame;
        const proto::DecodeResult r = proto::decodeFrame(rx, frame);
        if (r.consumed < 0 || r.consumed > rx.size())
            return -1; // the decoder must never claim bytes it was not given
        if (r.status == proto::Decode::NeedMore)
            break;
        rx.remove(0, r.consumed);
        if (r.status == proto::Decode::Frame && frame.kind == (proto::KindRead | proto::KindReply) && frame.seq == seq)
            return proto::parseReadReply(frame.payload, count, buffer);
    }
    return ChBadFrame;
}

} // namespace

class tst_ChannelProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frameLayout()
    {
        proto::Frame f;
        f.kind = proto::KindRead;
        f.seq = 7;
        f.address = 3;
        f.payload = proto::readRequest(0, 9, 0, 2);
        const QByteArray bytes = proto::encodeFrame(f);
        const QByteArray head = QByteArray::fromHex("a5010703" "0600" "00090000" "0200");
        QCOMPARE(bytes.left(12), head);
        const quint16 crc = qChecksum(QByteArrayView(head).sliced(1));
        QCOMPARE(uint8_t(bytes[12]), uint8_t(crc & 0xFF));
        QCOMPARE(uint8_t(bytes[13]), uint8_t(crc >> 8));
        QCOMPARE(bytes.size(), 14);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one register") << 1;
        QTest::newRow("two registers") << 2;
        QTest::newRow("255 registers") << 255;
        QTest::newRow("256 registers") << 256;
    }

    void roundTrip()
    {
        QFETCH(int, count);
        std::vector<uint16_t> values;
        for (int i = 0; i < count; ++i)
            values.push_back(uint16_t(i * 257 + 65000));
        std::vector<int32_t> buffer(size_t(count) + 1, -1);
        QCOMPARE(clientRead(readReplyFrame(9, values), 9, count, buffer), int32_t(ChOk));
        for (int i = 0; i < count; ++i)
            QCOMPARE(buffer[size_t(i)], int32_t(values[size_t(i)]));
        QCOMPARE(buffer[size_t(count)], -1); // nothing past count

        // A write request carries the low 16 bits of each value.
        std::vector<int32_t> out(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            out[size_t(i)] = int32_t(values[size_t(i)]) | 0x10000;
        proto::RegisterRequest parsed;
        QVERIFY(proto::parseRegisterRequest(proto::KindWrite, proto::writeRequest(5, 110, 3, count, out), parsed));
        QCOMPARE(parsed.pos, 5);
        QCOMPARE(parsed.table, 110);
        QCOMPARE(parsed.first, 3);
        QCOMPARE(parsed.count, count);
        QVERIFY(parsed.values == values);
    }

    void registerArguments_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("result");
        QTest::newRow("probe into three elements") << 0 << 9 << 0 << 2 << 3 << int(ChOk);
        QTest::newRow("256 into 256") << 0 << 0 << 0 << 256 << 256 << int(ChOk);
        QTest::newRow("count 0") << 0 << 0 << 0 << 0 << 3 << int(ChBadArgument);
        QTest::newRow("count 257") << 0 << 0 << 0 << 257 << 300 << int(ChBadArgument);
        QTest::newRow("count past the buffer") << 0 << 0 << 0 << 3 << 2 << int(ChBadArgument);
        QTest::newRow("position 256") << 256 << 0 << 0 << 1 << 1 << int(ChBadArgument);
        QTest::newRow("negative first") << 0 << 0 << -1 << 1 << 1 << int(ChBadArgument);
        QTest::newRow("table 256") << 0 << 256 << 0 << 1 << 1 << int(ChBadArgument);
    }

    void registerArguments()
    {
        QFETCH(int, pos);
        QFETCH(int, table);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(int, bufferSize);
        QFETCH(int, result);
        QCOMPARE(proto::checkRegisterArgs(pos, table, first, count, size_t(bufferSize)), int32_t(result));
    }

    void errorReplies_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("result");
        QTest::newRow("device code passes through") << proto::replyPayload(ChWriteProtected) << int(ChWriteProtected);
        QTest::newRow("any device code passes through") << proto::replyPayload(5) << 5;
        QTest::newRow("code with surplus data") << (proto::replyPayload(5) + "xy") << int(ChBadFrame);
        QTest::newRow("success one word short") << proto::readReplyPayload(std::vector<uint16_t>{1}) << int(ChBadFrame);
        QTest::newRow("success one word long")
            << proto::readReplyPayload(std::vector<uint16_t>{1, 2, 3}) << int(ChBadFrame);
        QTest::newRow("one byte") << QByteArray(1, '\0') << int(ChBadFrame);
        QTest::newRow("empty") << QByteArray() << int(ChBadFrame);
    }

    void errorReplies()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, result);
        std::array<int32_t, 3> buffer{-1, -1, -1};
        QCOMPARE(proto::parseReadReply(payload, 2, buffer), int32_t(result));
        QCOMPARE(buffer, (std::array<int32_t, 3>{-1, -1, -1}));
    }

    // Every single-bit flip and every truncation of a good reply is refused, leaving the buffer.
    void damagedRepliesGiveNoValue()
    {
        const QByteArray good = readReplyFrame(42, {6555, 33793, 65535, 0});
        for (qsizetype byte = 0; byte < good.size(); ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                QByteArray bad = good;
                bad[byte] = char(bad[byte] ^ (1 << bit));
                std::array<int32_t, 4> buffer{-1, -1, -1, -1};
                const int32_t rc = clientRead(bad, 42, 4, buffer);
                QVERIFY2(rc != ChOk, qPrintable(QStringLiteral("flip %1.%2 accepted").arg(byte).arg(bit)));
                QCOMPARE(buffer, (std::array<int32_t, 4>{-1, -1, -1, -1}));
            }
        }
        for (qsizetype size = 0; size < good.size(); ++size) {
            std::array<int32_t, 4> buffer{-1, -1, -1, -1};
            QVERIFY(clientRead(good.left(size), 42, 4, buffer) != ChOk);
            QCOMPARE(buffer, (std::array<int32_t, 4>{-1, -1, -1, -1}));
        }
    }

    void garbageBeforeAFrameIsSkipped()
    {
        const QByteArray good = readReplyFrame(1, {10, 20});
        const QByteArray noise = QByteArray::fromHex("00a5ff" "a50180") + QByteArray(3, '\xa5');
        std::array<int32_t, 2> buffer{};
        QCOMPARE(clientRead(noise + good, 1, 2, buffer), int32_t(ChOk));
        QCOMPARE(buffer, (std::array<int32_t, 2>{10, 20}));
    }

    void noiseClaimingALongPayload_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");   // proto::Decode of decodeFrameResync
        QTest::addColumn<int>("consumed");
        const QByteArray longHeader = QByteArray::fromHex("a50100000004"); // a read claiming 1024 bytes
        const QByteArray good = readReplyFrame(1, {10, 20});
        QTest::newRow("a whole frame behind it: skip to that frame") << longHeader + good << int(proto::Decode::Skipped) << 6;
        QTest::newRow("half a frame behind it: wait") << longHeader + good.left(8) << int(proto::Decode::NeedMore) << 0;
        QTest::newRow("a frame with a bad checksum behind it: wait")
            << longHeader + good.left(good.size() - 1) + "\x00" << int(proto::Decode::NeedMore) << 0;
        QTest::newRow("a whole frame first: taken") << good + longHeader << int(proto::Decode::Frame) << int(good.size());
        QTest::newRow("a reply claiming 1025 bytes: refused at once")
            << QByteArray::fromHex("a58101000104") + good << int(proto::Decode::Oversized) << 1;
    }

    void noiseClaimingALongPayload()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(int, consumed);
        proto::Frame frame;
        const proto::DecodeResult r = proto::decodeFrameResync(bytes, frame);
        QCOMPARE(int(r.status), status);
        QCOMPARE(int(r.consumed), consumed);
    }

    void fuzzRandomBytes()
    {
        QRandomGenerator rng(4700);
        int accepted = 0;
        for (int run = 0; run < 20000; ++run) {
            QByteArray bytes(qsizetype(rng.bounded(0, 600)), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(rng.bounded(256));
            if (run % 2)
                bytes.prepend(char(proto::kSync)); // start like a frame half of the time
            std::vector<int32_t> buffer(256, -7);
            const int count = int(rng.bounded(1, 257));
            const int32_t rc = clientRead(bytes, uint8_t(rng.bounded(256)), count, buffer);
            QVERIFY(rc != -1);
            if (rc == ChOk)
                ++accepted;
            else
                QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](int32_t v) { return v == -7; }));

            proto::RegisterRequest request;
            (void)proto::parseRegisterRequest(uint8_t(rng.bounded(1, 3)), bytes, request);
            QVERIFY(request.values.size() <= size_t(proto::kMaxRegisters));
            proto::Envelope envelope;
            const proto::DecodeResult r = proto::decodeEnvelope(bytes, envelope);
            QVERIFY(r.consumed >= 0 && r.consumed <= bytes.size());
        }
        QCOMPARE(accepted, 0);
    }

    void envelope()
    {
        proto::Envelope e;
        QVERIFY(proto::parseNetId(QStringLiteral("169.12.1.106.1.1"), e.netId));
        e.port = 28928;
        e.frame = readReplyFrame(3, {1});
        const QByteArray bytes = proto::encodeEnvelope(e);
        QCOMPARE(bytes.left(12), QByteArray::fromHex("5100" "a90c016a0101" "0071") + char(e.frame.size()) + '\0');
        proto::Envelope back;
        QCOMPARE(proto::decodeEnvelope(bytes.left(bytes.size() - 1), back).status, proto::Decode::NeedMore);
        const proto::DecodeResult r = proto::decodeEnvelope(bytes + "more", back);
        QCOMPARE(r.status, proto::Decode::Frame);
        QCOMPARE(r.consumed, bytes.size());
        QCOMPARE(proto::netIdText(back.netId), QStringLiteral("169.12.1.106.1.1"));
        QCOMPARE(back.port, uint16_t(28928));
        QCOMPARE(back.frame, e.frame);
        QCOMPARE(proto::decodeEnvelope(QByteArray("x") + bytes, back).status, proto::Decode::Skipped);
    }

    void netIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "169.12.1.106.1.1" << true;
        QTest::newRow("blanks around") << " 10.0.0.1.1.1 " << true;
        QTest::newRow("five parts") << "10.0.0.1.1" << false;
        QTest::newRow("seven parts") << "10.0.0.1.1.1.1" << false;
        QTest::newRow("octet 256") << "10.0.0.256.1.1" << false;
        QTest::newRow("letters") << "a.b.c.d.e.f" << false;
        QTest::newRow("empty part") << "10..0.1.1.1" << false;
    }

    void netIds()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        proto::NetId id{9, 9, 9, 9, 9, 9};
        QCOMPARE(proto::parseNetId(text, id), valid);
        if (!valid)
            QCOMPARE(id, (proto::NetId{9, 9, 9, 9, 9, 9}));
        else
            QCOMPARE(proto::netIdText(id), text.trimmed());
    }

    // A failing or missing channel leaves every out-value as it was.
    void deviceServiceFailures()
    {
        DeviceService service;
        ScriptedChannel channel; // answers every service request with ChUnsupported
        int32_t result = 0;
        service.RebootDevice(nullptr, result);
        QCOMPARE(result, int32_t(ChNotOpen));
        service.AbolishProtection(&channel, false, result);
        QCOMPARE(result, int32_t(ChUnsupported));
        int32_t id = 99;
        QCOMPARE(service.ReadStationId(&channel, id), int32_t(ChUnsupported));
        QCOMPARE(service.ReadStationIdEx(nullptr, id), int32_t(ChNotOpen));
        QCOMPARE(id, 99);
        bool active = true;
        service.GetCycleTimeMeasurement(&channel, active, result);
        QCOMPARE(result, int32_t(ChUnsupported));
        QVERIFY(active);
        QCOMPARE(channel.callLog(), (QStringList{"service", "service", "service"}));
        QCOMPARE(channel.calls[0].pos, int(proto::SvcProtection));
        QCOMPARE(channel.calls[1].pos, int(proto::SvcStationId));
        QCOMPARE(channel.calls[2].pos, int(proto::SvcGetCycleTime));
    }
};

QTEST_GUILESS_MAIN(tst_ChannelProtocol)
#include "tst_channelprotocol.moc"
