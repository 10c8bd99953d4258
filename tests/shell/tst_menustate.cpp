// The menu-state rules over a model of the menus in their design state:
// access level x online state x company, and the order effects between calls.
#include "shell/modMenuState.h"

#include <QAction>
#include <QtTest>
#include <map>
#include <memory>

namespace {

using Indexes = QList<int>;

// The items the rules touch, with the design state of the main window.
class MenuModel {
public:
    MenuModel()
    {
        for (int i = 1; i <= 21; ++i)
            add("mnuProjectItem", i);
        for (int i : {5, 6, 8, 9})
            at("mnuProjectItem", i)->setEnabled(false);
        for (int i = 14; i <= 17; ++i)
            at("mnuProjectItem", i)->setVisible(false);
        for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
            add("mnuOnlineItem", i);
        for (int i = 0; i <= 5; ++i)
            add("mnuOptionItem", i);
        for (int i = 0; i <= 3; ++i)
            add("mnuDevChannelItem", i);
        for (int i = 1; i <= 24; ++i)
            add(ToolbarTarget, i);
    }

    void update(int32_t access, bool online, int32_t company)
    {
        fApplyMenuStateWrites(fMenuStateWrites({access, online, company}),
                              [this](const QString& target, int index) { return at(target, index); });
    }

    QAction* at(const QString& target, int index)
    {
        const auto it = m_items.find(key(target, index));
        return it == m_items.end() ? nullptr : it->second.get();
    }

    Indexes visible(const char* target)
    {
        Indexes out;
        for (const auto& [k, a] : m_items)
            if (k.startsWith(QLatin1String(target) + QLatin1Char(':')) && a->isVisible())
                out << k.section(QLatin1Char(':'), 1).toInt();
        std::sort(out.begin(), out.end());
        return out;
    }

    // Enabled among the visible items (a toolbar position counts whatever its visibility).
    Indexes enabled(const char* target)
    {
        Indexes out;
        for (const auto& [k, a] : m_items)
            if (k.startsWith(QLatin1String(target) + QLatin1Char(':')) && a->isEnabled()
                && (a->isVisible() || QLatin1String(target) == QLatin1String(ToolbarTarget)))
                out << k.section(QLatin1Char(':'), 1).toInt();
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    static QString key(const QString& target, int index) { return target + QLatin1Char(':') + QString::number(index); }
    void add(const char* target, int index)
    {
        m_items[key(QLatin1String(target), index)] = std::make_unique<QAction>();
    }

    std::map<QString, std::unique_ptr<QAction>> m_items;
};

// The keyed toolbar positions among the enabled ones.
Indexes keyedEnabled(MenuModel& m)
{
    Indexes out;
    for (int p : m.enabled(ToolbarTarget))
        if (Indexes{1, 2, 3, 4, 9, 10, 14, 18, 19, 23, 24}.contains(p))
            out << p;
    return out;
}

} // namespace

class tst_MenuState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matrix_data()
    {
        QTest::addColumn<int>("access");
        QTest::addColumn<bool>("online");
        QTest::addColumn<int>("company");
        QTest::addColumn<Indexes>("projectVisible");
        QTest::addColumn<Indexes>("projectEnabled");
        QTest::addColumn<Indexes>("onlineVisible");
        QTest::addColumn<Indexes>("onlineEnabled");
        QTest::addColumn<Indexes>("toolbarEnabled");
        QTest::addColumn<bool>("channelMenuEnabled");

        const Indexes exitOnly{21};
        QTest::newRow("company 0, offline, production: only Exit, Log in and the converter reachable")
            << 2 << false << 0 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 15, 16} << Indexes{1, 3, 9, 16}
            << Indexes{4, 9, 18, 19, 23, 24} << true;
        QTest::newRow("company 0, online, production: Log out, Terminal, Coupler, Loader; Print button off")
            << 2 << true << 0 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 15, 16}
            << Indexes{2, 3, 7, 8, 9, 15, 16} << Indexes{10, 14, 18, 19, 23, 24} << false;
        QTest::newRow("company 0, offline, developer: DevOnly shown but disabled, separator 11 hidden, 13 shown")
            << 1 << false << 0 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 12, 13, 14, 15, 16}
            << Indexes{1, 3, 9, 13, 14, 16} << Indexes{4, 9, 18, 19, 23, 24} << true;
        QTest::newRow("company 0, online, developer: Firmware Load enabled")
            << 1 << true << 0 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 12, 13, 14, 15, 16}
            << Indexes{2, 3, 7, 8, 9, 13, 14, 15, 16} << Indexes{10, 14, 18, 19, 23, 24} << false;
        QTest::newRow("level 0 (not recognised) counts as production")
            << 0 << false << 0 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 15, 16} << Indexes{1, 3, 9, 16}
            << Indexes{4, 9, 18, 19, 23, 24} << true;
        QTest::newRow("company 3, offline, production: converter hidden too")
            << 2 << false << 3 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 15} << Indexes{1, 3, 9}
            << Indexes{4, 9, 18, 19, 23, 24} << true;
        QTest::newRow("company 3, online, developer: DevOnly and separator 13 hidden, Firmware Load shown")
            << 1 << true << 3 << exitOnly << exitOnly << Indexes{1, 2, 3, 7, 8, 9, 14, 15}
            << Indexes{2, 3, 7, 8, 9, 14, 15} << Indexes{10, 14, 18, 19, 23, 24} << false;

        const Indexes projectDesign{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 18, 19, 20, 21};
        const Indexes projectReachable{4, 7, 10, 12, 13, 18, 20, 21};
        QTest::newRow("company 1, offline, production: design items, Print and Exit enabled, Export hidden")
            << 2 << false << 1 << projectDesign << projectReachable << Indexes{1, 2, 3, 4, 6, 7, 8, 9, 10, 15, 16}
            << Indexes{1, 3, 6, 9, 16} << Indexes{4, 9, 18, 19, 23, 24} << true;
        Indexes withExport = projectDesign;
        withExport.insert(8, 9);
        QTest::newRow("company 2, online, developer: Export shown but disabled")
            << 1 << true << 2 << withExport << projectReachable
            << Indexes{1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16} << Indexes{2, 3, 6, 7, 8, 9, 11, 13, 14, 15, 16}
            << Indexes{10, 14, 18, 19, 23, 24} << false;
        QTest::newRow("odd level 3 has bit 0: developer")
            << 3 << false << 1 << withExport << projectReachable
            << Indexes{1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16} << Indexes{1, 3, 6, 9, 11, 13, 14, 16}
            << Indexes{4, 9, 18, 19, 23, 24} << true;
    }

    void matrix()
    {
        QFETCH(int, access);
        QFETCH(bool, online);
        QFETCH(int, company);
        MenuModel m;
        m.update(access, online, company);
        QTEST(m.visible("mnuProjectItem"), "projectVisible");
        QTEST(m.enabled("mnuProjectItem"), "projectEnabled");
        QTEST(m.visible("mnuOnlineItem"), "onlineVisible");
        QTEST(m.enabled("mnuOnlineItem"), "onlineEnabled");
        QTEST(keyedEnabled(m), "toolbarEnabled");
        QTEST(m.at(QStringLiteral("mnuOptionItem"), 1)->isEnabled(), "channelMenuEnabled");
        QVERIFY2(!m.at(QStringLiteral("mnuDevChannelItem"), 2)->isEnabled(), "via HW4565 is never enabled");
    }

    void printButtonStaysOffAfterLogout_data()
    {
        QTest::addColumn<int>("company");
        QTest::newRow("company 0") << 0;
        QTest::newRow("company 1") << 1;
    }
    void printButtonStaysOffAfterLogout()
    {
        QFETCH(int, company);
        MenuModel m;
        m.update(2, false, company);
        QVERIFY(m.at(ToolbarTarget, 4)->isEnabled());
        m.update(2, true, company);
        m.update(2, false, company);
        QVERIFY(!m.at(ToolbarTarget, 4)->isEnabled());
        for (int p : {1, 2, 3})
            QVERIFY2(!m.at(ToolbarTarget, p)->isEnabled(), "New, Open and Save stay disabled");
        QVERIFY(m.at(ToolbarTarget, 9)->isEnabled());
        QVERIFY(!m.at(ToolbarTarget, 10)->isEnabled());
    }

    void unnamedFlagsKeepTheirValue()
    {
        MenuModel m;
        m.at(QStringLiteral("mnuOnlineItem"), 16)->setEnabled(false);
        m.at(QStringLiteral("mnuOptionItem"), 3)->setEnabled(false);
        m.update(1, true, 1);
        QVERIFY(!m.at(QStringLiteral("mnuOnlineItem"), 16)->isEnabled());
        QVERIFY(!m.at(QStringLiteral("mnuOptionItem"), 3)->isEnabled());
    }

    void missingItemsAreSkipped()
    {
        // Only the toolbar can be reached: the rest of the rules still apply to it.
        MenuModel m;
        fApplyMenuStateWrites(fMenuStateWrites({2, true, 0}), [&m](const QString& target, int index) -> QAction* {
            return target == QLatin1String(ToolbarTarget) ? m.at(target, index) : nullptr;
        });
        QCOMPARE(keyedEnabled(m), (Indexes{10, 14, 18, 19, 23, 24}));
    }
};

QTEST_MAIN(tst_MenuState)
#include "tst_menustate.moc"
