// The station tree: node texts, keys, images and the records behind the nodes,
// built directly and through the rebuild.
#include "StationFixtures.h"
#include "common/TestEnv.h"
#include "platform/Twips.h"
#include "shell/ShellContext.h"
#include "shell/imgListTree.h"
#include "shell/modTreeView.h"
#include "shell/modViewDispatch.h"

#include <QTreeWidget>
#include <QtTest>

namespace {

// One line per node in display order: indentation by depth, text, key.
void dump(QTreeWidgetItem* item, int depth, QStringList& out)
{
    out << QString(depth * 2, QLatin1Char(' ')) + item->text(0) + QLatin1Char('|') + fTreeNodeKey(item);
    for (int i = 0; i < item->childCount(); ++i)
        dump(item->child(i), depth + 1, out);
}

QStringList dumpTree(QTreeWidget& tree)
{
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        dump(tree.topLevelItem(i), 0, out);
    return out;
}

QTreeWidgetItem* findNode(QTreeWidget& tree, const QString& key)
{
    QTreeWidgetItemIterator it(&tree);
    for (; *it; ++it)
        if (fTreeNodeKey(*it) == key)
            return *it;
    return nullptr;
}

QString oneDevice(const QString& attributes, const QString& children)
{
    return QStringLiteral("<Station><Devices><Device %1>%2</Device>"
                          "<Device Pos=\"2\" Icon=\"5\"><NameCompID1>Good</NameCompID1><NameCompID2>Other</NameCompID2>"
                          "<SelCompID>0</SelCompID><Desc1031>Gut</Desc1031><Desc1033>Good</Desc1033></Device>"
                          "</Devices></Station>")
        .arg(attributes, children);
}

} // namespace

class tst_StationTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_shell = std::make_unique<ShellContext>();
        ShellContext::setCurrent(m_shell.get());
        m_tree = std::make_unique<QTreeWidget>();
        m_images = fCreateTreeImages();
    }
    void cleanup()
    {
        m_tree.reset();
        ShellContext::setCurrent(nullptr);
        m_shell.reset();
        m_env.reset();
    }

    void germanTreeTextsAndKeys()
    {
        gCommon().setLanguageType(0);
        auto doc = loadFixture();
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        const QStringList expected{
            QStringLiteral("Pos 0: VR4555-5555  (Buskoppler Ethernet)|Key1"),
            QStringLiteral("  Reports|Key2"),
            QStringLiteral("    Mapping|Key3"),
            QStringLiteral("    Entwickler: Tools|Key4"),
            QStringLiteral("  Einstellungen|Key5"),
            QStringLiteral("    Allgemein: Einstellungen|Key6"),
            QStringLiteral("    Allgemein: Lokales User-Mapping|Key7"),
            QStringLiteral("  Tabellen|Key8"),
            QStringLiteral("    Tabelle 2|Key9"),
            QStringLiteral("    Tabelle 9|Key10"),
            QStringLiteral("  Pos 1:   (Signal-Kanäle)|Key11"),
            QStringLiteral("    Kanal (in) 1|Key12"),
            QStringLiteral("      Register|Key13"),
            QStringLiteral("Pos 1: QN85x4-5555  (2 Kanal dig. Eingang)|Key14"),
            QStringLiteral("  Eingangskanal 1|Key15"),
            QStringLiteral("  Eingangskanal 2|Key16"),
            QStringLiteral("Pos 3: TM6555-5555  (2 Kanal Analog Eingang)|Key17"),
            QStringLiteral("  Kanal 1|Key18"),
            QStringLiteral("    Register|Key19"),
        };
        QCOMPARE(dumpTree(*m_tree), expected);
        QCOMPARE(m_shell->gViews.Count(), 19);
        QCOMPARE(m_shell->gNodeCounter, 19);
        for (int i = 0; i < m_shell->gViews.Count(); ++i) {
            const clsView* record = m_shell->gViews.At(i);
            QCOMPARE(record->Key, QStringLiteral("Key%1").arg(i + 1));
            QCOMPARE(record->TreeNode, findNode(*m_tree, record->Key));
            QCOMPARE(record->Caption, record->TreeNode->text(0));
            QCOMPARE(record->IExchange, nullptr);
            QCOMPARE(record->Icon, nullptr);
        }
    }

    // Every record points at the Device element that owns the node; a view's
    // ProgID and UserData come from its View element, a device's are empty.
    void recordsPointAtTheOwningDevice_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("deviceIcon"); // identifies the owning device
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("userData");
        QTest::newRow("coupler node") << "Key1" << "3" << "" << "";
        QTest::newRow("container view") << "Key2" << "3" << "" << "";
        QTest::newRow("nested hosted view") << "Key3" << "3" << "RepDevSvr.RepGlobDevMappingView" << "0";
        QTest::newRow("own form with empty user data") << "Key7" << "3" << "CommonLocalUserSetting" << "";
        QTest::newRow("table view") << "Key9" << "3" << "TableView" << "2";
        QTest::newRow("old table key kept in the record") << "Key10" << "3" << "TD4VCommon.Table" << "9";
        QTest::newRow("sub-device node") << "Key11" << "20" << "" << "";
        QTest::newRow("sub-device view two levels down") << "Key13" << "20" << "TableView" << "0";
        QTest::newRow("terminal view") << "Key16" << "5" << "IoModSvr.IoChView" << "1";
        QTest::newRow("nested terminal view") << "Key19" << "7" << "TableView" << "0";
    }
    void recordsPointAtTheOwningDevice()
    {
        QFETCH(QString, key);
        QFETCH(QString, deviceIcon);
        QFETCH(QString, progId);
        QFETCH(QString, userData);
        gCommon().setLanguageType(0);
        auto doc = loadFixture();
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        const clsView* record = m_shell->gViews.Item(key);
        QVERIFY(record);
        QCOMPARE(QString::fromUtf8(record->IXmlData.name()), QStringLiteral("Device"));
        QCOMPARE(QString::fromUtf8(record->IXmlData.attribute("Icon").value()), deviceIcon);
        QCOMPARE(record->ViewProgID, progId);
        QCOMPARE(record->UserData, userData);
    }

    // In English a view without an English caption is left out with all it holds.
    void englishTreeHidesViewsWithoutCaption()
    {
        gCommon().setLanguageType(1);
        auto doc = loadFixture();
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        const QStringList expected{
            QStringLiteral("Pos 0: VR4555-5555  (Bus coupler Ethernet)|Key1"),
            QStringLiteral("  Reports|Key2"),
            QStringLiteral("    Mapping|Key3"),
            QStringLiteral("  Settings|Key4"),
            QStringLiteral("    Common: Settings|Key5"),
            QStringLiteral("    Common: Local user-mapping|Key6"),
            QStringLiteral("  Tables|Key7"),
            QStringLiteral("    Table 2|Key8"),
            QStringLiteral("    Table 9|Key9"),
            QStringLiteral("  Pos 1:   (Signal channels)|Key10"),
            QStringLiteral("    Channel (in) 1|Key11"),
            QStringLiteral("      Register|Key12"),
            QStringLiteral("Pos 1: QN85x4-5555  (2 channel dig. input)|Key13"),
            QStringLiteral("  Input Channel 1|Key14"),
            QStringLiteral("  Input Channel 2|Key15"),
            QStringLiteral("Pos 3: TM6555-5555  (2 channel analog input)|Key16"),
            QStringLiteral("  Channel 1|Key17"),
            QStringLiteral("    Register|Key18"),
        };
        QCOMPARE(dumpTree(*m_tree), expected);
        QCOMPARE(m_shell->gViews.Count(), 18);
    }

    void nameFollowsSelCompId_data()
    {
        QTest::addColumn<QString>("selCompId");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 shows the first name") << "0" << "Pos 4: First  (Gerät)";
        QTest::newRow("1 shows the second name") << "1" << "Pos 4: Second  (Gerät)";
        QTest::newRow("2 shows the first name") << "2" << "Pos 4: First  (Gerät)";
        QTest::newRow("3 shows the first name, not the third") << "3" << "Pos 4: First  (Gerät)";
    }
    void nameFollowsSelCompId()
    {
        QFETCH(QString, selCompId);
        QFETCH(QString, text);
        gCommon().setLanguageType(0);
        const QString xml = oneDevice(QStringLiteral("Pos=\"4\" Icon=\"5\""),
                                      QStringLiteral("<NameCompID1>First</NameCompID1><NameCompID2>Second</NameCompID2>"
                                                     "<NameCompID3>Third</NameCompID3><SelCompID>%1</SelCompID>"
                                                     "<Desc1031>Gerät</Desc1031><Desc1033>Device</Desc1033>")
                                          .arg(selCompId));
        auto doc = loadFixture(xml.toUtf8().constData());
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        QCOMPARE(m_tree->topLevelItem(0)->text(0), text);
    }

    // A device that cannot be shown takes no key and no record; the build goes on.
    void brokenDeviceGetsNoNode_data()
    {
        QTest::addColumn<QString>("attributes");
        QTest::addColumn<QString>("children");
        const QString complete = QStringLiteral("<NameCompID1>N</NameCompID1><SelCompID>0</SelCompID>"
                                                "<Desc1031>D</Desc1031><Desc1033>E</Desc1033>");
        const QString views = QStringLiteral("<CfgTool><Views><View Desc1031=\"V\" Desc1033=\"V\" Icon=\"43\" "
                                             "ProgID=\"TableView\" UserData=\"0\" /></Views></CfgTool>");
        QTest::newRow("Pos missing") << "Icon=\"5\"" << complete + views;
        QTest::newRow("Pos empty") << "Pos=\"\" Icon=\"5\"" << complete + views;
        QTest::newRow("Icon not a number") << "Pos=\"1\" Icon=\"abc\"" << complete + views;
        QTest::newRow("SelCompID missing") << "Pos=\"1\" Icon=\"5\""
                                           << QStringLiteral("<NameCompID1>N</NameCompID1><Desc1031>D</Desc1031>") + views;
        QTest::newRow("name element missing") << "Pos=\"1\" Icon=\"5\""
                                              << QStringLiteral("<SelCompID>0</SelCompID><Desc1031>D</Desc1031>") + views;
        QTest::newRow("description element missing") << "Pos=\"1\" Icon=\"5\""
                                                     << QStringLiteral("<NameCompID1>N</NameCompID1><SelCompID>0</SelCompID>") + views;
    }
    void brokenDeviceGetsNoNode()
    {
        QFETCH(QString, attributes);
        QFETCH(QString, children);
        gCommon().setLanguageType(0);
        auto doc = loadFixture(oneDevice(attributes, children).toUtf8().constData());
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        QCOMPARE(dumpTree(*m_tree), QStringList{QStringLiteral("Pos 2: Good  (Gut)|Key1")});
        QCOMPARE(m_shell->gViews.Count(), 1);
    }

    void imagesFollowTheIconNumbers()
    {
        gCommon().setLanguageType(0);
        auto doc = loadFixture();
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        QCOMPARE(m_images.size(), TreeImageCount);
        const QImage coupler = findNode(*m_tree, QStringLiteral("Key1"))->icon(0).pixmap(16, 16).toImage();
        QCOMPARE(coupler, m_images[3].pixmap(16, 16).toImage());
        const QImage table = findNode(*m_tree, QStringLiteral("Key9"))->icon(0).pixmap(16, 16).toImage();
        QCOMPARE(table, m_images[43].pixmap(16, 16).toImage());
        QVERIFY(coupler != table);
        // The developer tools view has no icon number: it shows no picture but is there.
        QVERIFY(findNode(*m_tree, QStringLiteral("Key4"))->icon(0).isNull());
    }

    void emptyStationGivesEmptyTree()
    {
        auto doc = loadFixture("<Station Name=\"Station X\" Pos=\"0\"><Devices> </Devices></Station>");
        StationTreeTarget target{m_tree.get(), m_shell.get(), &m_images};
        fBuildStationTree(target, doc->child("Station"));
        QCOMPARE(m_tree->topLevelItemCount(), 0);
        QCOMPARE(m_shell->gViews.Count(), 0);
    }

    // Through the rebuild: keys go on across builds, only the last build's records
    // remain, and the first device is opened.
    void rebuildContinuesKeysAndOpensFirstDevice()
    {
        gCommon().setLanguageType(0);
        auto doc = loadFixture();
        m_shell->gStationDocument = doc;
        m_shell->gStationNode = doc->child("Station");
        StationTreeController controller(m_tree.get(), nullptr, nullptr, *m_shell, {[] { return true; }, {}, {}, {}, {}});
        controller.RebuildStationTree();
        QCOMPARE(m_shell->gCurrentStation, m_shell->gStationNode);
        const QStringList first = dumpTree(*m_tree);
        QCOMPARE(first.size(), 19);
        QVERIFY(m_tree->topLevelItem(0)->isExpanded());
        QVERIFY(!m_tree->topLevelItem(1)->isExpanded());

        controller.RebuildStationTree();
        const QStringList second = dumpTree(*m_tree);
        QCOMPARE(second.size(), 19);
        QCOMPARE(second.first(), QStringLiteral("Pos 0: VR4555-5555  (Buskoppler Ethernet)|Key20"));
        QCOMPARE(second.last(), QStringLiteral("    Register|Key38"));
        QCOMPARE(m_shell->gViews.Count(), 19);
        QVERIFY(m_shell->gViews.Item(QStringLiteral("Key19")) == nullptr);
        QVERIFY(m_shell->gViews.Item(QStringLiteral("Key20")) != nullptr);
    }

    void offlineRebuildLeavesTreeEmpty()
    {
        auto doc = loadFixture();
        m_shell->gStationDocument = doc;
        m_shell->gStationNode = doc->child("Station");
        bool online = true;
        StationTreeController controller(m_tree.get(), nullptr, nullptr, *m_shell, {[&] { return online; }, {}, {}, {}, {}});
        controller.RebuildStationTree();
        QVERIFY(m_tree->topLevelItemCount() > 0);
        online = false;
        controller.RebuildStationTree();
        QCOMPARE(m_tree->topLevelItemCount(), 0);
        QCOMPARE(m_shell->gViews.Count(), 0);
        QVERIFY(!m_shell->gCurrentStation);
    }

    // The pane is set to 4380 twips at every rebuild; tree and grip fill it.
    void rebuildLaysOutThePane()
    {
        QWidget window;
        auto* picMDI = new QWidget(&window);
        picMDI->setObjectName(QStringLiteral("picMDI"));
        picMDI->setGeometry(0, 0, 400, 500);
        m_tree->setParent(picMDI);
        auto* grip = new QWidget(picMDI);
        grip->setObjectName(QStringLiteral("imgSplitter"));
        grip->setGeometry(0, 0, 7, 10);
        auto* bar = new QWidget(picMDI);
        bar->setObjectName(QStringLiteral("picSplitter"));
        auto* status = new QWidget(&window);
        status->setObjectName(QStringLiteral("sbStatusBar"));
        status->resize(400, 20);
        int resized = 0;
        StationTreeController controller(m_tree.get(), nullptr, &window, *m_shell,
                                         {[] { return false; }, {}, {}, [&] { ++resized; }, {}});
        controller.RebuildStationTree();
        QCOMPARE(picMDI->width(), twipsToPx(4380));
        QCOMPARE(m_tree->geometry(), QRect(0, 0, twipsToPx(4280), 500)); // the whole pane
        QCOMPARE(grip->geometry(), QRect(twipsToPx(4280), 0, 7, 500));
        QVERIFY(bar->isHidden());
        QCOMPARE(m_tree->indentation(), twipsToPx(200));
        QCOMPARE(m_tree->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(resized, 1);
        m_tree->setParent(nullptr);
    }

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ShellContext> m_shell;
    std::unique_ptr<QTreeWidget> m_tree;
    QVector<QIcon> m_images;
};

QTEST_MAIN(tst_StationTree)
#include "tst_stationtree.moc"
