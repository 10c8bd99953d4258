#include "platform/RegularFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(FileRead)

class tst_RegularFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void userFilesAreCapped_data();
    void userFilesAreCapped();
    void staleTempFilesGo_data();
    void staleTempFilesGo();
};

void tst_RegularFile::userFilesAreCapped_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<FileRead>("expected");
    QTest::addColumn<int>("bytes");

    QTest::newRow("regular file under the cap") << "file" << qint64(10) << FileRead::Ok << 9;
    QTest::newRow("regular file at the cap") << "file" << qint64(9) << FileRead::Ok << 9;
    QTest::newRow("one byte over the cap") << "file" << qint64(8) << FileRead::TooLarge << 0;
    QTest::newRow("empty file") << "empty" << qint64(8) << FileRead::Ok << 0;
    QTest::newRow("link to a regular file") << "link" << qint64(10) << FileRead::Ok << 9;
    QTest::newRow("pipe without a writer") << "fifo" << qint64(10) << FileRead::NotRegular << 0;
    QTest::newRow("link to /dev/zero") << "zero" << qint64(1 << 20) << FileRead::NotRegular << 0;
    QTest::newRow("folder") << "dir" << qint64(10) << FileRead::NotRegular << 0;
    QTest::newRow("nothing there") << "missing" << qint64(10) << FileRead::Missing << 0;
}

void tst_RegularFile::userFilesAreCapped()
{
    QFETCH(QString, kind);
    QFETCH(qint64, cap);
    QFETCH(FileRead, expected);
    QFETCH(int, bytes);

    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.hex"));
    QFile out(real);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("123456789");
    out.close();

    QString path = dir.filePath(QStringLiteral("picked.hex"));
    if (kind == QLatin1String("file"))
        path = real;
    else if (kind == QLatin1String("empty"))
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(real, path));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("dir"))
        path = dir.path();

    QByteArray data("left over");
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(readRegularFile(path, data, cap), expected);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(data.size(), bytes);
}

void tst_RegularFile::staleTempFilesGo_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("goneAtStart");  // swept from the folder at start-up
    QTest::addColumn<bool>("goneAtWrite");  // removed when "hive.xml" is next written

    QTest::newRow("left by a killed writer of the target") << ".hive.xml.tmp-1x" << "file" << true << true;
    QTest::newRow("left by a killed writer of another file") << ".cache.xml.tmp-2y" << "file" << true << false;
    QTest::newRow("a running writer's") << ".hive.xml.tmp-3z" << "held" << false << false;
    QTest::newRow("link at a temporary name") << ".hive.xml.tmp-4a" << "link" << false << false;
    QTest::newRow("folder at a temporary name") << ".hive.xml.tmp-5b" << "dir" << false << false;
    QTest::newRow("not hidden") << "hive.xml.tmp-6c" << "file" << false << false;
    QTest::newRow("the lock beside the file") << ".hive.xml.lock" << "file" << false << false;
}

void tst_RegularFile::staleTempFilesGo()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, goneAtStart);
    QFETCH(bool, goneAtWrite);

    for (const bool atStart : {true, false}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        QFile other(elsewhere);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("kept") == 4);
        other.close();
        int held = -1;
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(elsewhere, path));
        else if (kind == QLatin1String("dir"))
            QVERIFY(QDir().mkdir(path));
        else
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        if (kind == QLatin1String("held")) {
            held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            QCOMPARE(::flock(held, LOCK_EX), 0);
        }

        if (atStart)
            removeStaleTempFiles({dir.path()});
        else
            QVERIFY(writeRegularFile(dir.filePath(QStringLiteral("hive.xml")), "<Hive/>"));
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &st) != 0, atStart ? goneAtStart : goneAtWrite);
        QFile kept(elsewhere);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        if (held >= 0)
            ::close(held);
    }
}

QTEST_GUILESS_MAIN(tst_RegularFile)
#include "tst_regularfile.moc"
