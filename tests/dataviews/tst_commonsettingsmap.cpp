// The coupler's common settings map: what each register bit shows, and what
// the controls fold back into the registers.
#include "dataviews/CommonSettingsMap.h"

#include <QtTest>
#include <functional>

using namespace commonsettings;
using Edit = std::function<void(CommonSettings&)>;
Q_DECLARE_METATYPE(Edit)

namespace {

using Words = QVector<int>;

Words regs(std::initializer_list<std::pair<int, int>> values)
{
    Words out(kRegisterCount, 0);
    for (const auto& [reg, value] : values)
        out[reg] = value;
    return out;
}

// What the controls show, leaving out what is off, unchosen or empty: "sps events=1 img2:0,5 img2:fb=2 hold1=7".
QString describe(const CommonSettings& s)
{
    QStringList out;
    const auto flag = [&](bool on, const char* name) { if (on) out << QLatin1String(name); };
    flag(s.spsInterface, "sps");
    if (s.events != kNoOption)
        out << QStringLiteral("events=%1").arg(s.events);
    flag(s.autoReset, "autoReset");
    flag(s.diagnostics, "diagnostics");
    flag(s.diagnosticsDigTerm, "digTerm");
    for (int n = 0; n < kImageCount; ++n) {
        const ProcessImage& image = s.images[size_t(n)];
        QStringList bits;
        for (int b = 0; b < 8; ++b)
            if (image.options[size_t(b)])
                bits << QString::number(b);
        if (!bits.isEmpty())
            out << QStringLiteral("img%1:%2").arg(n).arg(bits.join(QLatin1Char(',')));
        const auto reaction = [](int r) { return r == kNoOption ? QStringLiteral("none") : QString::number(r); };
        if (image.fieldbusError != LeaveCycle)
            out << QStringLiteral("img%1:fb=%2").arg(n).arg(reaction(image.fieldbusError));
        if (image.terminalbusError != LeaveCycle)
            out << QStringLiteral("img%1:hb=%2").arg(n).arg(reaction(image.terminalbusError));
    }
    static const char* const fields[4] = {"masterSlave", "slaveMaster", "hold0", "hold1"};
    for (int i = 0; i < 4; ++i)
        if (s.fields[size_t(i)].value_or(0) != 0)
            out << QStringLiteral("%1=%2").arg(QLatin1String(fields[i])).arg(*s.fields[size_t(i)]);
    flag(s.oldTermConfig, "oldTermConfig");
    return out.join(QLatin1Char(' '));
}

} // namespace

class tst_CommonSettingsMap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registersShowOnControls_data()
    {
        QTest::addColumn<Words>("registers");
        QTest::addColumn<QString>("shown");

        QTest::newRow("R1 = 3: interface and diagnosis interface") << regs({{1, 0x0003}}) << "sps events=1";
        QTest::newRow("R1 bits 1-2 = 0: fieldbus channel") << regs({{1, 0xFFF8}}) << "events=0";
        QTest::newRow("R1 bits 1-2 = 6: cyclic") << regs({{1, 0x0006}}) << "events=3";
        QTest::newRow("R1 bits 1-2 = 4: no option") << regs({{1, 0x0004}}) << "";
        QTest::newRow("R2 bits 0-2") << regs({{2, 0x0007}}) << "events=0 autoReset diagnostics digTerm";
        QTest::newRow("R2 bit 2 alone") << regs({{2, 0xFFFC}}) << "events=0 digTerm";
        QTest::newRow("R3-R6 bits 0-7, each image its own")
            << regs({{3, 0x0011}, {4, 0x0022}, {5, 0x0044}, {6, 0x0088}}) << "events=0 img0:0,4 img1:1,5 img2:2,6 img3:3,7";
        QTest::newRow("0x100 / 0x400: reset") << regs({{4, 0x0500}}) << "events=0 img1:fb=1 img1:hb=1";
        QTest::newRow("0x200 / 0x800: as is") << regs({{5, 0x0A00}}) << "events=0 img2:fb=2 img2:hb=2";
        QTest::newRow("0x300 / 0xC00: no option") << regs({{6, 0x0F00}}) << "events=0 img3:fb=none img3:hb=none";
        QTest::newRow("0x300 beside 0x800") << regs({{4, 0x0B00}}) << "events=0 img1:fb=none img1:hb=2";
        QTest::newRow("bits 0, 2, 5, 7, 12-15") << regs({{3, 0xF0A5}}) << "events=0 img0:0,2,5,7";
        QTest::newRow("R7-R10 whole words") << regs({{7, 65535}, {8, 12}, {9, 300}, {10, 7}})
                                            << "events=0 masterSlave=65535 slaveMaster=12 hold0=300 hold1=7";
        QTest::newRow("R11 bit 0 only") << regs({{11, 0xFFFE}}) << "events=0";
        QTest::newRow("R11 bit 0") << regs({{11, 0x0001}}) << "events=0 oldTermConfig";
    }
    void registersShowOnControls()
    {
        QFETCH(Words, registers);
        QFETCH(QString, shown);
        std::array<int32_t, kRegisterCount> image{};
        std::copy(registers.begin(), registers.end(), image.begin());
        QCOMPARE(describe(fRegsToControls(image)), shown);
    }

    void controlsFoldIntoRegisters_data()
    {
        QTest::addColumn<Words>("registers");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<Words>("written");

        const Edit none = [](CommonSettings&) {};
        QTest::newRow("read values come back, 0x300 and 0xC00 too")
            << Words{0xBEEF, 0xFFF9, 0xFFFF, 0xF0FF, 0xF5FF, 0xFAFF, 0xFFFF, 1, 2, 3, 4, 0xFFFF} << none
            << Words{0xBEEF, 0xFFF9, 0xFFFF, 0xF0FF, 0xF5FF, 0xFAFF, 0xFFFF, 1, 2, 3, 4, 0xFFFF};
        QTest::newRow("R1 = 0x0003 round-trips") << regs({{1, 0x0003}}) << none << regs({{1, 0x0003}});
        QTest::newRow("R1 bits 1-2 = 4: no option shows it, so it is kept") << regs({{1, 0xFFFD}}) << none
                                                                             << regs({{1, 0xFFFD}});
        QTest::newRow("0x0300 and 0x0C00 kept while their options stay")
            << regs({{3, 0x0300}, {6, 0x0C00}}) << none << regs({{3, 0x0300}, {6, 0x0C00}});
        QTest::newRow("an option chosen over 4, 0x300 or 0xC00 is written")
            << regs({{1, 0x0005}, {3, 0x0300}, {6, 0x0F00}}) << Edit([](CommonSettings& s) {
                   s.events = kEventsFieldbus;
                   s.images[0].fieldbusError = ResetData;
                   s.images[3].terminalbusError = KeepData;
               })
            << regs({{1, 0x0001}, {3, 0x0100}, {6, 0x0B00}});
        QTest::newRow("bits 0, 2, 5, 7 and 12-15 kept") << regs({{4, 0xF0A5}}) << none << regs({{4, 0xF0A5}});
        QTest::newRow("choices fold in, other bits kept")
            << regs({{1, 0x0007}, {2, 0xFFF8}, {5, 0xF300}}) << Edit([](CommonSettings& s) {
                   s.events = kEventsDiagnosis;
                   s.diagnostics = true;
                   s.images[2] = {{true}, KeepData, ResetData};
               })
            << regs({{1, 0x0003}, {2, 0xFFFA}, {5, 0xF601}});
        QTest::newRow("old terminal configuration off keeps bits 1-15")
            << regs({{11, 0xFFFF}}) << Edit([](CommonSettings& s) { s.oldTermConfig = false; }) << regs({{11, 0xFFFE}});
        QTest::newRow("empty hold time keeps its register")
            << regs({{9, 1234}, {10, 5}}) << Edit([](CommonSettings& s) { s.fields[2].reset(); s.fields[3] = 7; })
            << regs({{9, 1234}, {10, 7}});
        QTest::newRow("register 0 is never written") << regs({{0, 0x1234}})
                                                     << Edit([](CommonSettings& s) { s = CommonSettings{}; })
                                                     << regs({{0, 0x1234}});
    }
    void controlsFoldIntoRegisters()
    {
        QFETCH(Words, registers);
        QFETCH(Edit, edit);
        QFETCH(Words, written);
        std::array<int32_t, kRegisterCount> image{};
        std::copy(registers.begin(), registers.end(), image.begin());
        CommonSettings settings = fRegsToControls(image);
        edit(settings);
        fControlsToRegs(settings, image);
        QCOMPARE(Words(image.begin(), image.end()), written);
    }
};

QTEST_APPLESS_MAIN(tst_CommonSettingsMap)
#include "tst_commonsettingsmap.moc"
