// The fault matrix: every fault the virtual coupler injects, at every stage of a
// log-in, of a register table's length read and of a register write with its
// read-back, over the serial line and
// the network channel. Each row: the fault ends the step within two time-outs,
// the failure is named with its code, nothing unread is shown, nothing from the
// failed read is cached, and a healthy log-in afterwards shows the right station.
// Another view adds its rows the same way: a stage list and a test function.
#include "common/FaultMatrix.h"

#include "dataviews/RegisterTableModel.h"
#include "dataviews/frmTable.h"
#include "platform/StringTable.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct LoginStage {
    const char* name;
    const char* target;         // the request of this stage
    bool refusalEndsLogIn;      // no station can be named without it
    const char* refusedFile;    // the description a refusal keeps out of the cache
    bool inStationRead;         // a lost link here caches nothing at all
};

// The demo station: the register terminal TM6853-1234 at position 3.
const LoginStage kLoginStages[] = {
    {"coupler identity", "read:0/0/200", true, nullptr, true},
    {"terminal list", "read:0/9/0/255", true, nullptr, true},
    {"terminal identity", "read:3/0/29", false, "TM6853-0000.xml", true},
    {"table directory", "read:0/127", false, "VN6555-5555.xml", true},
    {"module tables", "read:3/0/11", false, "TM6853-1234.xml", true},
    {"diagnosis", "read:0/90", false, nullptr, false},
};

struct ViewStage {
    const char* name;
    const char* target;
};

// Register 5 of the terminal's table 1.
constexpr int kViewPos = 3;
constexpr int kViewTable = 1;
constexpr int kViewRegister = 5;
const ViewStage kViewStages[] = {
    {"write", "write:3/1/5"},
    {"read-back", "read:3/1/5/1"},
};

// Coupler table 100, whose description is given without the table: only table 127 knows its length.
constexpr int kUndescribedTable = 100;

const QRegularExpression kFailureLine(QStringLiteral("^(Log-in failed|Einloggen fehlgeschlagen)"));

} // namespace

class tst_FaultMatrix : public QObject {
    Q_OBJECT
    std::unique_ptr<MatrixProgram> m_program;
    QStringList m_referenceTree;
    QStringList m_referencePositions;
    QMap<QString, QByteArray> m_referenceCache;

    MatrixProgram& p() { return *m_program; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt"));
        m_program = std::make_unique<MatrixProgram>();
        QVERIFY2(p().start(QStringLiteral("vn6555-demo.xml")), qPrintable(p().coupler().output()));
        // What a healthy cold log-in shows and caches, over either channel.
        for (const QString& transport : matrixTransports()) {
            QVERIFY(p().reset());
            p().useTransport(transport);
            QVERIFY2(p().logIn(), qPrintable(p().log()));
            if (m_referenceTree.isEmpty()) {
                m_referenceTree = p().treeLines();
                m_referencePositions = p().devicePositions();
                m_referenceCache = p().cacheFiles();
            }
            QCOMPARE(p().treeLines(), m_referenceTree);
            QCOMPARE(p().cacheFiles(), m_referenceCache);
        }
        QCOMPARE(m_referencePositions.size(), 7);
        QVERIFY(m_referenceCache.contains(QStringLiteral("TM6853-1234.xml")));
    }

    void cleanupTestCase() { m_program.reset(); }
    void cleanup() { reportFailedRow(p()); }

    void logIn_data() { addMatrixRows(stageNames(kLoginStages)); }
    void logIn()
    {
        const MatrixRow row = fetchMatrixRow();
        const LoginStage& stage = kLoginStages[row.stage];
        QVERIFY(p().reset());
        p().useTransport(row.transport);

        bool online = false;
        const qint64 elapsed = p().runFaulted(row.fault->spec, QLatin1String(stage.target), [&] { online = p().logIn(); });
        MATRIX_VERIFY_ENDED(elapsed, 2, MatrixProgram::kTimeoutMs);

        const QStringList lines = p().logLines();
        const QStringList naming = lines.filter(QRegularExpression(QStringLiteral("\\b[Cc]ode %1\\b").arg(row.code())));
        QVERIFY2(naming.size() == 1, qPrintable(p().log()));
        if (!row.fault->answered || stage.refusalEndsLogIn) {
            // Offline, one line naming what failed, no station, nothing cached from the read.
            QVERIFY(!online);
            QCOMPARE(lines.filter(kFailureLine), naming);
            QCOMPARE(lines.last(), QStringLiteral("Offline"));
            QCOMPARE(p().treeLines(), QStringList());
            if (stage.inStationRead)
                QCOMPARE(p().cacheFiles().keys(), QStringList());
            QCOMPARE(cacheFilesNotFrom(p().cacheFiles(), m_referenceCache), QStringList());
        } else {
            // The device answered: the station stands, the refused part is named and not cached.
            QVERIFY(online);
            QVERIFY(lines.filter(kFailureLine).isEmpty());
            QCOMPARE(p().devicePositions(), m_referencePositions);
            QCOMPARE(cacheFilesNotFrom(p().cacheFiles(), m_referenceCache), QStringList());
            if (stage.refusedFile)
                QVERIFY(!p().cacheFiles().contains(QLatin1String(stage.refusedFile)));
        }

        QVERIFY(p().coupler().clearFaults());
        p().logOut();
        QVERIFY2(p().logIn(), qPrintable(p().log()));
        QCOMPARE(p().treeLines(), m_referenceTree);
        p().logOut();
    }

    void tableLength_data() { addMatrixRows({QStringLiteral("length read")}); }
    void tableLength()
    {
        const MatrixRow row = fetchMatrixRow();
        QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
        pugi::xml_document described;
        pugi::xml_node coupler = described.append_copy(p().device(0));
        pugi::xml_node tables = coupler.child("Tables");
        const QByteArray number = QByteArray::number(kUndescribedTable);
        QVERIFY(tables.remove_child(tables.find_child_by_attribute("Table", "Number", number.constData())));
        const QString params = QStringLiteral("<Params><UserData>%1</UserData></Params>").arg(kUndescribedTable);
        frmTable form;

        const QString target = QStringLiteral("read:0/127/%1/1").arg(kUndescribedTable);
        const qint64 elapsed = p().runFaulted(row.fault->spec, target, [&] {
            form.RefreshData(coupler, app().gObjDevChannel, params);
        });
        MATRIX_VERIFY_ENDED(elapsed, 2, MatrixProgram::kTimeoutMs);
        // No length to go by: no rows, and the lost read is named with its code.
        QCOMPARE(form.model()->rowCount(), 0);
        QVERIFY2(namesCode(form.statusText(), row.code()) && form.statusText().contains(QLatin1String("127")),
                 qPrintable(form.statusText()));

        // Healthy again: the next load reads the length and the table.
        QVERIFY(p().coupler().clearFaults());
        form.RefreshData(coupler, app().gObjDevChannel, params);
        QCOMPARE(form.model()->rowCount(), 256);
        QCOMPARE(form.statusText(), QString());
    }

    void registerWrite_data() { addMatrixRows(stageNames(kViewStages)); }
    void registerWrite()
    {
        const MatrixRow row = fetchMatrixRow();
        const ViewStage& stage = kViewStages[row.stage];
        QVERIFY2(p().onlineOver(row.transport), qPrintable(p().log()));
        IDeviceChannel* channel = app().gObjDevChannel;
        frmTable form;
        form.RefreshData(p().device(kViewPos), channel, QStringLiteral("<Params><UserData>%1</UserData></Params>").arg(kViewTable));
        RegisterTableModel& model = *form.model();
        const int32_t before = model.cell(kViewRegister, RegisterTableModel::ColUint).toInt();
        const int32_t typed = (before + 0x1111) & 0xFFFF;

        const qint64 elapsed = p().runFaulted(row.fault->spec, QLatin1String(stage.target), [&] {
            model.setData(model.index(kViewRegister, RegisterTableModel::ColUint), QString::number(typed));
        });
        MATRIX_VERIFY_ENDED(elapsed, 2, MatrixProgram::kTimeoutMs);

        QVERIFY(p().coupler().clearFaults());
        const bool atWrite = row.stage == 0;
        std::array<int32_t, 1> held{-1};
        QCOMPARE(channel->VbRegSyncReadReq(kViewPos, kViewTable, kViewRegister, 1, held), 0);
        QCOMPARE(held[0], !atWrite || row.fault->carriedOut ? typed : before);

        // The row shows what the read-back returned, or nothing when that failed too;
        // never the old or the typed value as if read. The failure is named with its code.
        const QString shown = model.cell(kViewRegister, RegisterTableModel::ColUint);
        QCOMPARE(shown.isEmpty(), !atWrite || row.fault->lasts);
        if (!shown.isEmpty())
            QCOMPARE(shown.toInt(), held[0]);
        QVERIFY2(namesCode(form.statusText(), row.code()), qPrintable(form.statusText()));
        QCOMPARE(model.data(model.index(kViewRegister, 0), Qt::ToolTipRole).toString(), form.statusText());

        // Healthy again: a refresh shows the device's value and no failure.
        form.findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->click();
        QCOMPARE(model.cell(kViewRegister, RegisterTableModel::ColUint).toInt(), held[0]);
        QCOMPARE(form.statusText(), QString());
    }
};

QTEST_MAIN(tst_FaultMatrix)
#include "tst_faultmatrix.moc"
