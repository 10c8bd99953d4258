// Closing the main window while work is under way over the channel: with a
// register cell editor open, during a log-in (also one ended by Escape),
// during a settings Apply's restart wait, and queued as a coupler script's
// Start is pressed; and a log-out asked for during that wait. The work runs
// to its end over the channel it began with; the close comes afterwards.
#include "common/FaultMatrix.h"
#include "common/WindowSystem.h"

#include "dataviews/SettingsViewBase.h"
#include "dataviews/frmTable.h"
#include "platform/FormRegistry.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modViewDispatch.h"
#include "tools/ScriptRunnerDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;
constexpr int kInsideWaitMs = 300; // the restart wait lasts 2000 ms
const char* const kScript = "<Script><Desc>Close</Desc><Table><Nummer>0</Nummer>"
                            "<Register><Offset>1</Offset><Value>3</Value></Register></Table></Script>";

} // namespace

class tst_CloseWhileBusy : public QObject, MatrixFixture {
    Q_OBJECT

    frmMain& w() { return p().window(); }
    // The view of the first tree node with this view key, opened as a double-click opens it.
    QWidget* openView(const QString& progId)
    {
        for (int i = 0; i < shell().gViews.Count(); ++i) {
            if (shell().gViews.At(i)->ViewProgID == progId) {
                w().tvTreeView()->setCurrentItem(shell().gViews.At(i)->TreeNode);
                w().stationTree().tvTreeView_DblClick();
                return w().stationTree().lastOpened();
            }
        }
        return nullptr;
    }
    // Changes the old terminal configuration in the common settings; the value the device should then hold.
    int32_t changeSetting(QWidget& view)
    {
        namedChild<QCheckBox>(view, QStringLiteral("chkOldTermConfig"))->toggle();
        return deviceWord(0, 0, 11) ^ 1;
    }
    void applyWithRestart(QWidget& view, const std::function<void()>& insideWait)
    {
        dialogs().answers = {vbYes};
        dialogs().realWaits = true;
        QTimer::singleShot(kInsideWaitMs, this, insideWait);
        namedChild<QPushButton>(view, QStringLiteral("cmdApply"))->click();
        dialogs().realWaits = false;
    }

private Q_SLOTS:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        QVERIFY2(startMatrix(QStringLiteral("vn6555-demo.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
    }
    void cleanup() { stopMatrix(); }

    // The view settles its editor while it closes; the channel must still be there then.
    void closeWithCellEditorOpen()
    {
        QVERIFY(p().logIn());
        auto* table = qobject_cast<frmTable*>(openView(QStringLiteral("TableView")));
        QVERIFY(table);
        QTableView* grid = table->grid();
        const QModelIndex cell = table->model()->index(1, RegisterTableModel::ColHex);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QApplication::setActiveWindow(&w());
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("1234"));
        sendCloseRequest(w());
        QVERIFY(!w().isVisible());
        QCOMPARE(app().gObjDevChannel, nullptr);
    }

    void closeDuringLogIn()
    {
        int asked = 0;
        QTimer::singleShot(0, &w(), [&] {
            sendCloseRequest(w());
            ++asked;
        });
        QVERIFY(p().logIn());
        QCOMPARE(asked, 1);
        QVERIFY(p().logLines().contains(QStringLiteral("Online")));
        QVERIFY(!p().treeLines().isEmpty());
        QVERIFY(w().isVisible());
        QTRY_VERIFY(!w().isVisible());
    }

    // Escape ends the log-in as a failed one; the close waits for that end.
    void closeAndEscapeDuringLogIn()
    {
        QTimer::singleShot(0, &w(), [&] {
            QApplication::setActiveWindow(&w());
            QTest::keyClick(&w(), Qt::Key_Escape);
            sendCloseRequest(w());
        });
        QVERIFY(!p().logIn());
        const QStringList lines = p().logLines();
        QVERIFY2(lines.endsWith(QStringLiteral("Offline")) && lines.size() >= 2
                     && (lines[lines.size() - 2] == QLatin1String("Log-in cancelled")
                         || lines[lines.size() - 2] == QLatin1String("Einloggen abgebrochen")),
                 qPrintable(lines.join('|')));
        QVERIFY(p().treeLines().isEmpty());
        QVERIFY(w().isVisible());
        QTRY_VERIFY(!w().isVisible());
        QCOMPARE(app().gObjDevChannel, nullptr);
    }

    void closeDuringApplyRestartWait()
    {
        QVERIFY(p().logIn());
        const QPointer<SettingsViewBase> view = qobject_cast<SettingsViewBase*>(openView(QStringLiteral("CommonSetting")));
        QVERIFY(view);
        const int32_t typed = changeSetting(*view);
        applyWithRestart(*view, [&] { sendCloseRequest(w()); });
        // The Apply read the device again over the channel it wrote through.
        QVERIFY(view && view->lastReadOk());
        QCOMPARE(view->statusText(), QString());
        QCOMPARE(deviceWord(0, 0, 11), typed);
        QVERIFY(w().isVisible());
        QTRY_VERIFY(!w().isVisible());
        QTRY_VERIFY(!view);
    }

    void closeQueuedAsScriptStarts()
    {
        QVERIFY(p().logIn());
        const QString path = p().env().tempPath() + QStringLiteral("/close.xml");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kScript) > 0);
        file.close();
        dialogs().openFileAnswer = path;
        w().mnuOnlineCouplerItem().item(2)->trigger();
        auto* runner = qobject_cast<ScriptRunnerDialog*>(w().commands().lastOpened());
        QVERIFY(runner && runner->currentScript());
        QVERIFY(deviceWord(0, 0, 1) != 3);
        dialogs().answers = {vbNo}; // no restart after the run
        postCloseRequest(w());
        namedChild<QPushButton>(*runner, QStringLiteral("cmdScriptStart"))->click();
        QCOMPARE(runner->lastResult(), int32_t(ChOk));
        QCOMPARE(deviceWord(0, 0, 1), 3);
        QVERIFY(w().isVisible());
        QTRY_VERIFY(!w().isVisible());
    }

    void logOutDuringApplyRestartWait_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("F12 is held back") << true;
        QTest::newRow("a log-out command closes the view after the Apply") << false;
    }
    void logOutDuringApplyRestartWait()
    {
        QFETCH(bool, byKey);
        QVERIFY(p().logIn());
        const QPointer<SettingsViewBase> view = qobject_cast<SettingsViewBase*>(openView(QStringLiteral("CommonSetting")));
        QVERIFY(view);
        changeSetting(*view);
        applyWithRestart(*view, [&] {
            if (byKey) {
                QApplication::setActiveWindow(&w());
                QTest::keyClick(&w(), Qt::Key_F12);
            } else {
                w().mnuOnlineItem().item(2)->trigger();
            }
        });
        QCOMPARE(p().online(), byKey);
        QCOMPARE(p().logLines().endsWith(QStringLiteral("Offline")), !byKey);
        // No settings view stays open after "Offline".
        if (byKey) {
            QTest::qWait(20);
            QVERIFY(view && view->lastReadOk());
        } else {
            QTRY_VERIFY(!view);
        }
    }
};

QTEST_MAIN(tst_CloseWhileBusy)
#include "tst_closewhilebusy.moc"
