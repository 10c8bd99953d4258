// td4700-vcoupler: a coupler on the other end of the line for tests, the
// benchmark and the demo. Prints where it listens, then "ready".
#include "ControlInput.h"
#include "Coupler.h"
#include "Transports.h"
#include "platform/FirmwareProtocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    (void)!::write(g_signalPipe[1], &b, 1);
}

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int fail(const QString& message)
{
    std::fputs(qPrintable(QStringLiteral("td4700-vcoupler: ") + message + QLatin1Char('\n')), stderr);
    return 2;
}

bool toInt(const QString& text, int min, int max, int& out) { return parseOptionInt(text, min, max, out); }

// "TABLE:CODE" (position 0) or "POS/TABLE:CODE".
bool parseFailTable(const QString& text, std::map<std::pair<int, int>, int>& failures)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    int pos = 0, table = 0, code = 0;
    const QStringList where = parts[0].split(QLatin1Char('/'));
    if (where.size() == 2) {
        if (!toInt(where[0], 0, 255, pos))
            return false;
    } else if (where.size() != 1) {
        return false;
    }
    if (!toInt(where.last(), 0, 255, table) || !toInt(parts[1], 1, 0xFFFF, code))
        return false;
    failures[{pos, table}] = code;
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // A test that dies must not leave its coupler behind holding a COM link.
    const pid_t starter = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != starter)
        return 0;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("td4700-vcoupler"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Virtual coupler for TD4700"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("station"), QStringLiteral("Station file (XML)."));
    const QCommandLineOption comOpt(QStringLiteral("com"), QStringLiteral("Link the serial line as COM<n>."), QStringLiteral("n"));
    const QCommandLineOption portsOpt(QStringLiteral("ports-dir"), QStringLiteral("Link folder (default TD4700_PORTS_DIR or <config>/td4700/ports)."), QStringLiteral("dir"));
    const QCommandLineOption listenOpt(QStringLiteral("qnp-listen"), QStringLiteral("TCP port on 127.0.0.1 for QNP; 0 picks a free one (default 24700)."), QStringLiteral("port"), QStringLiteral("24700"));
    const QCommandLineOption netIdOpt(QStringLiteral("net-id"), QStringLiteral("Own QNP net id (overrides the station file)."), QStringLiteral("a.b.c.d.e.f"));
    const QCommandLineOption qnpPortOpt(QStringLiteral("qnp-port"), QStringLiteral("Own QNP port (overrides the station file)."), QStringLiteral("port"));
    const QCommandLineOption rebootOpt(QStringLiteral("reboot-ms"), QStringLiteral("Silence after a reboot, below 2000 ms."), QStringLiteral("ms"));
    const QCommandLineOption traceOpt(QStringLiteral("trace"), QStringLiteral("Write one line per request to file."), QStringLiteral("file"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption failFirstOpt(QStringLiteral("fail-first-reads"), QStringLiteral("The first n reads get no answer, or code when given."), QStringLiteral("n[:code]"));
    const QCommandLineOption failTableOpt(QStringLiteral("fail-table"), QStringLiteral("Every read of the table answers code (repeatable)."), QStringLiteral("[pos/]table:code"));
    const QCommandLineOption failTableWriteOpt(QStringLiteral("fail-write"), QStringLiteral("Every write to the table answers code (repeatable)."), QStringLiteral("[pos/]table:code"));
    const QCommandLineOption garbleOpt(QStringLiteral("garble-reply"), QStringLiteral("Garble the k-th reply (repeatable)."), QStringLiteral("k"));
    const QCommandLineOption truncateOpt(QStringLiteral("truncate-reply"), QStringLiteral("Send only half of the k-th reply (repeatable)."), QStringLiteral("k"));
    const QCommandLineOption delayOpt(QStringLiteral("delay-ms"), QStringLiteral("Delay every reply."), QStringLiteral("ms"));
    const QCommandLineOption bootStrapOpt(QStringLiteral("bootstrap"), QStringLiteral("Start in the boot-strap state: answer only a firmware load."));
    const QCommandLineOption failBlockOpt(QStringLiteral("fail-firmware-block"), QStringLiteral("Refuse the k-th firmware block with code (default 0x100D)."), QStringLiteral("k[:code]"));
    const QCommandLineOption dropOpt(QStringLiteral("drop-after"), QStringLiteral("Drop the QNP link instead of answering request n+1."), QStringLiteral("n"));
    const QCommandLineOption baudOpt(QStringLiteral("baud"), QStringLiteral("Pace serial replies as on a line of this baud rate."), QStringLiteral("n"));
    parser.addOption(baudOpt);
    parser.addOptions({comOpt, portsOpt, listenOpt, netIdOpt, qnpPortOpt, rebootOpt, traceOpt, silentOpt, failFirstOpt,
                       failTableOpt, garbleOpt, truncateOpt, delayOpt, dropOpt, failTableWriteOpt, bootStrapOpt, failBlockOpt});
    const QCommandLineOption maskOpt(QStringLiteral("mask-register"), QStringLiteral("Writes change only the MASK bits of the register (repeatable)."), QStringLiteral("[pos/]table/reg:mask"));
    const QCommandLineOption failReadOpt(QStringLiteral("fail-register-read"), QStringLiteral("Every read of the register answers code (repeatable)."), QStringLiteral("[pos/]table/reg:code"));
    const QCommandLineOption failWriteOpt(QStringLiteral("fail-register-write"), QStringLiteral("Every write of the register answers code (repeatable)."), QStringLiteral("[pos/]table/reg:code"));
    parser.addOptions({maskOpt, failReadOpt, failWriteOpt});
    const QCommandLineOption faultOpt(QStringLiteral("fault"), QStringLiteral("Arm a fault against chosen requests (repeatable)."), QStringLiteral("kind[:code]@target"));
    const QCommandLineOption controlOpt(QStringLiteral("control"), QStringLiteral("Take \"fault SPEC\" and \"clear\" lines on standard input."));
    parser.addOptions({faultOpt, controlOpt});
    parser.process(app);

    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("give one station file"));
    Station station;
    QString error;
    if (!loadStation(parser.positionalArguments().first(), station, error))
        return fail(error);
    if (parser.isSet(netIdOpt) && !proto::parseNetId(parser.value(netIdOpt), station.netId))
        return fail(QStringLiteral("bad --net-id"));
    int value = 0;
    if (parser.isSet(qnpPortOpt)) {
        if (!toInt(parser.value(qnpPortOpt), 0, 0xFFFF, value))
            return fail(QStringLiteral("bad --qnp-port"));
        station.qnpPort = uint16_t(value);
    }
    if (parser.isSet(rebootOpt)) {
        if (!toInt(parser.value(rebootOpt), 0, 1999, station.rebootMs))
            return fail(QStringLiteral("--reboot-ms must be 0..1999"));
    }

    station.bootStrap = parser.isSet(bootStrapOpt);
    Faults faults;
    if (parser.isSet(failBlockOpt)) {
        const QStringList parts = parser.value(failBlockOpt).split(QLatin1Char(':'));
        faults.firmware.failBlockCode = fw::ResCheckFailed;
        if (parts.size() > 2 || !toInt(parts[0], 1, 1000000, faults.firmware.failBlock)
            || (parts.size() == 2 && !toInt(parts[1], 1, 0xFFFF, faults.firmware.failBlockCode)))
            return fail(QStringLiteral("bad --fail-firmware-block"));
    }
    faults.silent = parser.isSet(silentOpt);
    if (parser.isSet(failFirstOpt)) {
        const QStringList parts = parser.value(failFirstOpt).split(QLatin1Char(':'));
        if (parts.size() > 2 || !toInt(parts[0], 0, 1000000, faults.failFirstReads)
            || (parts.size() == 2 && !toInt(parts[1], 1, 0xFFFF, faults.failFirstCode)))
            return fail(QStringLiteral("bad --fail-first-reads"));
    }
    for (const QString& v : parser.values(failTableOpt)) {
        if (!parseFailTable(v, faults.failTable))
            return fail(QStringLiteral("bad --fail-table %1").arg(v));
    }
    for (const QString& v : parser.values(failTableWriteOpt)) {
        if (!parseFailTable(v, faults.failWrite))
            return fail(QStringLiteral("bad --fail-write %1").arg(v));
    }
    for (const QString& v : parser.values(garbleOpt)) {
        if (!toInt(v, 1, 1000000000, value))
            return fail(QStringLiteral("bad --garble-reply"));
        faults.garbleReplies.insert(value);
    }
    for (const QString& v : parser.values(truncateOpt)) {
        if (!toInt(v, 1, 1000000000, value))
            return fail(QStringLiteral("bad --truncate-reply"));
        faults.truncateReplies.insert(value);
    }
    for (const QString& v : parser.values(maskOpt))
        if (!parseRegisterMask(v, faults.registers.masks))
            return fail(QStringLiteral("bad --mask-register %1").arg(v));
    for (const QString& v : parser.values(failReadOpt))
        if (!parseRegisterFault(v, 0xFFFF, faults.registers.failReads))
            return fail(QStringLiteral("bad --fail-register-read %1").arg(v));
    for (const QString& v : parser.values(failWriteOpt))
        if (!parseRegisterFault(v, 0xFFFF, faults.registers.failWrites))
            return fail(QStringLiteral("bad --fail-register-write %1").arg(v));
    if (parser.isSet(delayOpt) && !toInt(parser.value(delayOpt), 0, 600000, faults.delayMs))
        return fail(QStringLiteral("bad --delay-ms"));
    if (parser.isSet(dropOpt) && !toInt(parser.value(dropOpt), 0, 1000000000, faults.dropAfter))
        return fail(QStringLiteral("bad --drop-after"));

    int com = 0;
    if (parser.isSet(comOpt) && !toInt(parser.value(comOpt), 1, 255, com))
        return fail(QStringLiteral("bad --com"));
    int listenPort = 0;
    if (!toInt(parser.value(listenOpt), 0, 0xFFFF, listenPort))
        return fail(QStringLiteral("bad --qnp-listen"));
    QString portsDir = parser.value(portsOpt);
    if (portsDir.isEmpty())
        portsDir = qEnvironmentVariable("TD4700_PORTS_DIR");
    if (portsDir.isEmpty())
        portsDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/td4700/ports");

    Coupler coupler(std::move(station), std::move(faults));
    if (parser.isSet(traceOpt) && !coupler.openTrace(parser.value(traceOpt)))
        return fail(QStringLiteral("cannot write %1").arg(parser.value(traceOpt)));
    for (const QString& spec : parser.values(faultOpt)) {
        if (!coupler.armFault(spec, error))
            return fail(error);
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return fail(QStringLiteral("socketpair failed"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);

    SerialLine serial(coupler);
    if (parser.isSet(baudOpt) && !toInt(parser.value(baudOpt), 1, 4000000, serial.pacing.baud))
        return fail(QStringLiteral("bad --baud"));
    if (!serial.open(com, portsDir, error))
        return fail(error);
    QnpRouter router(coupler);
    if (!router.listen(quint16(listenPort), error))
        return fail(error);
    ControlInput control(coupler);
    control.setTakeInPending([&serial, &router] {
        serial.takeInPending();
        router.takeInPending();
    });
    if (parser.isSet(controlOpt))
        control.start();

    say(QStringLiteral("serial %1 %2").arg(serial.devicePath(), serial.linkPath().isEmpty() ? QStringLiteral("-") : serial.linkPath()));
    say(QStringLiteral("qnp 127.0.0.1:%1 %2 %3").arg(router.port()).arg(proto::netIdText(coupler.station().netId)).arg(coupler.station().qnpPort));
    say(QStringLiteral("ready"));
    const int rc = QCoreApplication::exec();
    coupler.trace(QStringLiteral("stop"));
    return rc;
}
