#include "platform/RegularFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(FileRead)

class tst_RegularFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void userFilesAreCapped_data();
    void userFilesAreCapped();
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

QTEST_GUILESS_MAIN(tst_RegularFile)
#include "tst_regularfile.moc"
