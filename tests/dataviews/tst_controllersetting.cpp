// The controller settings: assignment packing, option bits and cycle-time texts
// without a window; the form offline and against a scripted channel.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "dataviews/ControllerSettingLogic.h"
#include "dataviews/frmControllerSetting.h"
#include "platform/LocaleInfo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <clocale>

using namespace controller;

namespace {

QVector<int32_t> packed(const QVector<int32_t>& codes, int32_t fill)
{
    QVector<int32_t> regs(256, fill);
    packAssignments(regs, codes);
    return regs.mid(4, 12);
}

pugi::xml_node stationOf(pugi::xml_document& doc, const QStringList& names)
{
    pugi::xml_node devices = doc.append_child("Station").append_child("Devices");
    for (const QString& n : names)
        devices.append_child("Device").append_attribute("Name").set_value(n.toUtf8().constData());
    return devices.first_child();
}

// Device services answered by a recording double: the scripted channel serves none.
struct RecordedServices : IChannelFactory {
    std::unique_ptr<IDeviceChannel> createSerialChannel() override { return nullptr; }
    std::unique_ptr<IQNPChannel> createQnpChannel() override { return nullptr; }
    std::unique_ptr<IDeviceService> createDeviceService() override { return std::make_unique<RecordingDeviceService>(); }
};

// The controller station read from a scripted channel: terminals 1 and 2 with codes 1 and 3.
struct ControllerBench {
    ScriptedChannel channel;
    pugi::xml_document doc;
    pugi::xml_node node;
    ControllerBench()
    {
        QVector<int32_t> table1(16, 0);
        table1[4] = 0xFFF0 | 1 | (3 << 2);
        table1[5] = 65535;
        channel.setTable(0, 1, table1);
        channel.setTable(0, 98, {125, 250, 375, 500});
        node = stationOf(doc, {"VR4855-0000", "TM8401", "TM6853"});
    }
    const ScriptedChannel::Call* write() const
    {
        for (const ScriptedChannel::Call& c : channel.calls)
            if (c.kind == QLatin1String("write") && c.table == 1)
                return &c;
        return nullptr;
    }
};

} // namespace

class TestControllerSetting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void packing_data();
    void packing();
    void options_data();
    void options();
    void cycleTimeText_data();
    void cycleTimeText();
    void terminalRows_data();
    void terminalRows();

    void offlineLeavesOnlyCancel();
    void choiceStaysUntilApplyAndCodeOneSurvives();
    void unchangedApplyKeepsFreeFields();
    void applyByItsKeyTakesTheOpenList_data();
    void applyByItsKeyTakesTheOpenList();

private:
    std::unique_ptr<TestEnv> m_env;
};

void TestControllerSetting::packing_data()
{
    QTest::addColumn<QVector<int32_t>>("codes");
    QTest::addColumn<QVector<int32_t>>("regs"); // registers 4..15 after packing into 1234s

    const auto kept = [](int n) { return QVector<int32_t>(n, 1234); };
    QTest::newRow("8 terminals fill register 4, 5-11 kept") << QVector<int32_t>{0, 2, 3, 3, 0, 2, 3, 0}
                                                            << (QVector<int32_t>{14584} + kept(11));
    QTest::newRow("9th terminal: only its field of register 5")
        << QVector<int32_t>{3, 3, 3, 3, 3, 3, 3, 3, 1} << (QVector<int32_t>{65535, 1233} + kept(10));
    QTest::newRow("70 terminals: 64 packed, 12-15 untouched") << QVector<int32_t>(70, 0)
                                                              << (QVector<int32_t>(8, 0) + kept(4));
    QTest::newRow("one terminal: its field only, free fields kept") << QVector<int32_t>{0}
                                                                    << (QVector<int32_t>{1232} + kept(11));
    QTest::newRow("no terminal: 4-11 kept") << QVector<int32_t>{} << kept(12);
}

void TestControllerSetting::packing()
{
    QFETCH(QVector<int32_t>, codes);
    QFETCH(QVector<int32_t>, regs);
    QCOMPARE(packed(codes, 1234), regs);

    // Decoding gives back every packed code; terminals past 64 have no field.
    QVector<int32_t> image(256, 0);
    packAssignments(image, codes);
    for (int t = 1; t <= codes.size(); ++t)
        QCOMPARE(assignmentCode(image, t), t <= kAssignableTerminals ? codes[t - 1] : 0);
}

void TestControllerSetting::options_data()
{
    QTest::addColumn<int32_t>("reg14");
    QTest::addColumn<QString>("boxes"); // chkVRx(0..8), 1 ticked
    QTest::addColumn<int>("busUpdate"); // -1 none

    QTest::newRow("kept bits 1, 10, 12-15") << 0xF402 << "000000000" << 0;
    QTest::newRow("order 12 selects none") << 0x000C << "000000000" << -1;
    QTest::newRow("every box and CIO") << 0x0BF9 << "101111111" << 2;
    QTest::newRow("IOC with bit 11 only") << 0x0804 << "000000001" << 1;
}

void TestControllerSetting::options()
{
    QFETCH(int32_t, reg14);
    QFETCH(QString, boxes);
    QFETCH(int, busUpdate);

    const OptionControls c = decodeOptions(reg14);
    QString ticked;
    for (bool b : c.checked)
        ticked += b ? u'1' : u'0';
    QCOMPARE(ticked, boxes);
    QCOMPARE(c.busUpdate.value_or(-1), busUpdate);
    QCOMPARE(encodeOptions(reg14, c), reg14); // an unchanged Apply keeps the register

    // Cleared boxes and ICO clear their bits only; box 8 never writes bit 11.
    OptionControls cleared;
    cleared.busUpdate = 0;
    cleared.checked[kReadOnlyBox] = !c.checked[kReadOnlyBox];
    QCOMPARE(encodeOptions(reg14, cleared), reg14 & ~0x03FD);
}

void TestControllerSetting::cycleTimeText_data()
{
    QTest::addColumn<int32_t>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("125") << 125 << "01.000";
    QTest::newRow("0") << 0 << "00.000";
    QTest::newRow("65535") << 65535 << "524.280";
    QTest::newRow("one step of 8 us") << 1 << "00.008";
}

void TestControllerSetting::cycleTimeText()
{
    QFETCH(int32_t, value);
    QFETCH(QString, text);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const QString shown = controller::cycleTimeText(value);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(saved);
    QCOMPARE(shown, text);
}

void TestControllerSetting::terminalRows_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("end terminal left out") << QStringList{"VR4855-0000", "TM8401", "TM6853", "TM4585-5555"}
                                           << QStringList{"TM8401", "TM6853"};
    QTest::newRow("last real terminal kept") << QStringList{"VR4855-0000", "TM8401", "TM6853"}
                                             << QStringList{"TM8401", "TM6853"};
    QTest::newRow("coupler and end terminal") << QStringList{"VR4855-0000", "TM4585-5555"} << QStringList{};
    QTest::newRow("coupler alone") << QStringList{"VR4855-0000"} << QStringList{};
}

void TestControllerSetting::terminalRows()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, rows);
    pugi::xml_document doc;
    QStringList names;
    for (const TerminalRow& r : controller::terminalRows(stationOf(doc, devices))) {
        QCOMPARE(r.pos, int(names.size()) + 1);
        names << r.name;
    }
    QCOMPARE(names, rows);

    QStringList many{"VR4855-0000"};
    for (int i = 0; i < 70; ++i)
        many << QStringLiteral("TM%1").arg(i);
    pugi::xml_document big;
    const std::vector<TerminalRow> all = controller::terminalRows(stationOf(big, many));
    QCOMPARE(all.size(), size_t(70));
    QVERIFY(all[63].assignable && !all[64].assignable);
}

void TestControllerSetting::offlineLeavesOnlyCancel()
{
    pugi::xml_document doc;
    frmControllerSetting form;
    form.RefreshData(stationOf(doc, {"VR4855-0000", "TM8401", "TM4585-5555"}), nullptr, {});
    QVERIFY(!form.findChild<QPushButton*>("cmdApply")->isEnabled());
    QVERIFY(form.findChild<QPushButton*>("cmdCancel")->isEnabled());
    QVERIFY(!form.findChild<QTabWidget*>("sstabDiag")->isEnabled());
    // Nothing unread is shown.
    QCOMPARE(form.findChild<QLineEdit*>("editTab1Reg_0")->text(), QString());
    QCOMPARE(form.gridModel()->cell(0, 2), QString());
}

void TestControllerSetting::choiceStaysUntilApplyAndCodeOneSurvives()
{
    ControllerBench b;
    ScriptedChannel& channel = b.channel;
    channel.setRegister(0, 1, 14, 0x0004);
    const pugi::xml_node node = b.node;
    m_env->context().channelFactory = std::make_unique<RecordedServices>();
    frmControllerSetting form;
    form.RefreshData(node, &channel, {});
    QVERIFY(form.findChild<QRadioButton*>("optPlcTermbusUpdate_1")->isChecked());
    // An order of 12 read later selects none and is kept on Apply.
    channel.setRegister(0, 1, 14, 0x000C);
    form.RefreshData(node, &channel, {});
    for (QRadioButton* option : form.findChildren<QRadioButton*>())
        QVERIFY(!option->isChecked());

    TerminalAssignmentModel& grid = *form.gridModel();
    QCOMPARE(grid.cell(0, 2), QString());
    QVERIFY(!grid.setData(grid.index(1, 2), 1)); // code 1 is not in the list
    QVERIFY(grid.setData(grid.index(1, 2), 0));
    QCOMPARE(grid.cell(1, 2), QStringLiteral("Fieldbus terminal"));
    QLineEdit* background = form.findChild<QLineEdit*>("editTab1Reg_6");
    background->clear();
    QTest::keyClicks(background, "000123"); // judged by its value, not its length
    QCOMPARE(background->text(), QStringLiteral("000123"));
    const auto isWrite = [](const ScriptedChannel::Call& c) { return c.kind == "write"; };
    // What is no register word stays as typed, and Apply refuses it: the box, the old value, no write.
    QLineEdit* cycle = form.findChild<QLineEdit*>("editTab1Reg_5");
    const QString invalidEntry = QStringLiteral("Fehlerhafte Eingabe !\n\nDer ursprüngliche Eintrag wird wiederhergestellt !|64|");
    for (const char* typed : {"70000", "0x10", "-1"}) {
        cycle->clear();
        QTest::keyClicks(cycle, typed);
        QCOMPARE(cycle->text(), QString::fromLatin1(typed));
        m_env->dialogs().messages.clear();
        form.findChild<QPushButton*>("cmdApply")->click();
        QCOMPARE(m_env->dialogs().messages, QStringList{invalidEntry});
        QCOMPARE(cycle->text(), QStringLiteral("0"));
        QCOMPARE(background->text(), QStringLiteral("000123")); // the other change stays
    }
    QVERIFY(std::none_of(channel.calls.begin(), channel.calls.end(), isWrite));
    QTest::keyClicks(cycle, "7000");

    m_env->dialogs().messages.clear();
    m_env->dialogs().answers = {vbNo};
    form.findChild<QPushButton*>("cmdApply")->click();
    const auto write = std::find_if(channel.calls.begin(), channel.calls.end(), isWrite);
    QVERIFY(write != channel.calls.end() && write->table == 1);
    QCOMPARE(write->values.mid(4, 2), (QVector<int32_t>{0xFFF0 | 1, 65535}));
    QCOMPARE(write->values[12], 7000);
    QCOMPARE(write->values[13], 123);
    QCOMPARE(write->values[14], 0x000C);
    QCOMPARE(m_env->dialogs().messages, QStringList{"Reboot to take settings ?|36|"});
}

// Free fields of the assignment registers and registers past the last terminal are no row's:
// an Apply that changes nothing writes back what was read and asks for no restart.
void TestControllerSetting::unchangedApplyKeepsFreeFields()
{
    ControllerBench b;
    b.channel.setRegister(0, 1, 4, 1 | (3 << 2)); // the free fields of register 4 hold 0
    b.channel.setRegister(0, 1, 6, 0x1234);
    const QVector<int32_t> read = b.channel.table(0, 1);
    m_env->context().channelFactory = std::make_unique<RecordedServices>();
    frmControllerSetting form;
    form.RefreshData(b.node, &b.channel, {});
    form.findChild<QPushButton*>("cmdApply")->click();
    QVERIFY(b.write());
    QCOMPARE(b.write()->values, read);
    QCOMPARE(m_env->dialogs().messages, QStringList());
}

// Apply pressed by its mnemonic leaves the focus in the open list: its choice is written all the same.
void TestControllerSetting::applyByItsKeyTakesTheOpenList_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("key");
    QTest::newRow("German Alt+Ü") << 7 << int(Qt::Key_Udiaeresis);
    QTest::newRow("English Alt+O") << 9 << int(Qt::Key_O);
}

void TestControllerSetting::applyByItsKeyTakesTheOpenList()
{
    QFETCH(int, language);
    QFETCH(int, key);
    int32_t status = 0;
    LocaleInfo().SetLocale(language, 1, status);
    ControllerBench b;
    m_env->context().channelFactory = std::make_unique<RecordedServices>();
    frmControllerSetting form;
    form.RefreshData(b.node, &b.channel, {});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.findChild<QTabWidget*>("sstabDiag")->setCurrentIndex(1);
    auto* grid = form.findChild<QTableView*>("tdbgData");
    const QModelIndex second = form.gridModel()->index(1, 2);
    grid->setFocus();
    grid->setCurrentIndex(second);
    grid->edit(second);
    auto* list = grid->viewport()->findChild<QComboBox*>();
    QVERIFY(list);
    list->setFocus();
    list->setCurrentIndex(list->findData(2));
    m_env->dialogs().answers = {vbNo};
    QTest::keyClick(list, Qt::Key(key), Qt::AltModifier); // clicks after a moment, the focus left where it is

    QTRY_VERIFY(b.write());
    const ScriptedChannel::Call* write = b.write();
    QCOMPARE(write->values[4], 0xFFF0 | 1 | (2 << 2));
    QCOMPARE(m_env->dialogs().messages, QStringList{"Reboot to take settings ?|36|"});
    QCOMPARE(form.gridModel()->cell(1, 2), QStringLiteral("PLC terminal (compact)")); // as read back
}

QTEST_MAIN(TestControllerSetting)
#include "tst_controllersetting.moc"
