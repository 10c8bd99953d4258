#include "platform/RegularFile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

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
    void linksAreWrittenThrough_data();
    void linksAreWrittenThrough();
    void noOtherFileWriterUnderSrc_data();
    void noOtherFileWriterUnderSrc();
    void anyNameThatFitsCanBeWritten();
    void rewrittenFileKeepsItsOwner();
};

Q_DECLARE_METATYPE(FileWriteStatus)

namespace {
QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}
}

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

void tst_RegularFile::linksAreWrittenThrough_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FileWriteStatus>("status");
    QTest::addColumn<QByteArray>("held"); // what the name reads as afterwards
    QTest::addColumn<QString>("link");    // where the name still points; empty when no link is left

    QTest::newRow("regular file") << "file" << FileWriteStatus::Written << QByteArray("new") << "";
    QTest::newRow("write-protected file") << "0444" << FileWriteStatus::WriteProtected << QByteArray("old") << "";
    QTest::newRow("owner may not write, others may") << "0066" << FileWriteStatus::WriteProtected << QByteArray("old") << "";
    QTest::newRow("link to a file") << "link" << FileWriteStatus::Written << QByteArray("new") << "real";
    QTest::newRow("relative links, two hops") << "chain" << FileWriteStatus::Written << QByteArray("new") << "hop";
    QTest::newRow("link to nothing yet") << "dangling" << FileWriteStatus::Written << QByteArray("new") << "made";
    QTest::newRow("link to a write-protected file") << "link0444" << FileWriteStatus::WriteProtected << QByteArray("old")
                                                    << "real";
    QTest::newRow("link to itself") << "loop" << FileWriteStatus::Failed << QByteArray("(none)") << "target.xml";
    QTest::newRow("folder") << "dir" << FileWriteStatus::NotAFile << QByteArray("(none)") << "";
    QTest::newRow("link to a pipe elsewhere") << "linkfifo" << FileWriteStatus::NotAFile << QByteArray("(pipe)") << "pipe";
    QTest::newRow("folder missing") << "nofolder" << FileWriteStatus::Failed << QByteArray("(none)") << "";
}

void tst_RegularFile::linksAreWrittenThrough()
{
    QFETCH(QString, kind);
    QFETCH(FileWriteStatus, status);
    QFETCH(QByteArray, held);
    QFETCH(QString, link);

    QTemporaryDir dir;
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("sub"))));
    const QString real = dir.filePath(QStringLiteral("sub/real"));
    QFile out(real);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write("old") == 3);
    out.close();
    QString path = dir.filePath(QStringLiteral("target.xml"));
    if (kind == QLatin1String("file") || kind == QLatin1String("0444") || kind == QLatin1String("0066"))
        QVERIFY(QFile::rename(real, path));
    if (kind == QLatin1String("0444") || kind == QLatin1String("link0444"))
        QVERIFY(QFile::setPermissions(kind == QLatin1String("0444") ? path : real,
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    if (kind == QLatin1String("0066"))
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0066), 0);
    if (kind == QLatin1String("link") || kind == QLatin1String("link0444"))
        QCOMPARE(::symlink("sub/real", QFile::encodeName(path).constData()), 0);
    if (kind == QLatin1String("chain")) {
        QCOMPARE(::symlink("real", QFile::encodeName(dir.filePath(QStringLiteral("sub/hop"))).constData()), 0);
        QCOMPARE(::symlink("sub/hop", QFile::encodeName(path).constData()), 0);
    }
    if (kind == QLatin1String("dangling"))
        QCOMPARE(::symlink("sub/made", QFile::encodeName(path).constData()), 0);
    if (kind == QLatin1String("loop"))
        QCOMPARE(::symlink("target.xml", QFile::encodeName(path).constData()), 0);
    if (kind == QLatin1String("dir"))
        QVERIFY(QDir().mkdir(path));
    if (kind == QLatin1String("linkfifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("sub/pipe"))).constData(), 0600), 0);
        QCOMPARE(::symlink("sub/pipe", QFile::encodeName(path).constData()), 0);
    }
    if (kind == QLatin1String("nofolder"))
        path = dir.filePath(QStringLiteral("missing/target.xml"));

    const FileWrite result = writeRegularFile(path, "new");
    QCOMPARE(result.status, status);
    QCOMPARE(bool(result), status == FileWriteStatus::Written);
    QVERIFY(status == FileWriteStatus::Written || !fileWriteFailureReason(result).isEmpty());
    struct stat st {};
    if (held == "(pipe)") // still the pipe, which a read would wait on
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    else
        QCOMPARE(contentOf(path), held);
    QCOMPARE(QFileInfo(path).isSymLink() ? QFileInfo(path).symLinkTarget().section(QLatin1Char('/'), -1) : QString(),
             link);
    for (const QString& folder : {dir.path(), dir.filePath(QStringLiteral("sub"))})
        QCOMPARE(QDir(folder).entryList({QStringLiteral(".*.tmp-*")}, QDir::Hidden | QDir::Files), QStringList());
}

// The temporary name beside the file must fit wherever the file's own name fits.
void tst_RegularFile::anyNameThatFitsCanBeWritten()
{
    QTemporaryDir dir;
    for (const int length : {1, 242, 243, 255}) {
        const QString path = dir.filePath(QString(length, QLatin1Char('n')));
        for (const QByteArray& text : {QByteArray("old"), QByteArray("new")})
            QVERIFY2(writeRegularFile(path, text) && contentOf(path) == text, qPrintable(QString::number(length)));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).size(), 4);
}

// A file another user owns, rewritten by root, stays theirs.
void tst_RegularFile::rewrittenFileKeepsItsOwner()
{
    if (::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("owned.xml"));
    QVERIFY(writeRegularFile(path, "old"));
    const QByteArray name = QFile::encodeName(path);
    QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    QVERIFY(writeRegularFile(path, "new"));
    struct stat st {};
    QCOMPARE(::stat(name.constData(), &st), 0);
    QCOMPARE(st.st_uid, uid_t(65534));
    QCOMPARE(st.st_gid, gid_t(65534));
    QCOMPARE(contentOf(path), QByteArray("new"));
}

void tst_RegularFile::noOtherFileWriterUnderSrc_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("caught"); // lines the pattern must find

    QTest::newRow("QSaveFile") << R"(\bQSaveFile\b)" << QStringList{"QSaveFile file(path);"};
    QTest::newRow("QFile opened to write")
        << R"(\b(QIODevice|QIODeviceBase|QFile|QFileDevice)::(OpenModeFlag::)?(WriteOnly|Append|ReadWrite|Truncate|NewOnly)\b)"
        << QStringList{"if (f.open(QIODevice::Append | QIODevice::Text))", "f.open(QIODeviceBase::OpenModeFlag::WriteOnly);"};
    QTest::newRow("C++ file streams") << R"(\b(std::)?(basic_)?o?fstream\b|\b(basic_)?filebuf\b|\bios(_base)?::(out|app|trunc)\b)"
                                      << QStringList{"std::ofstream out(name);", "std::basic_ofstream<char> out(name);",
                                                     "buffer.open(name, std::ios::out);"};
    QTest::newRow("fopen not only to read") << R"(\bf(re|d)?open\s*\((?![^)]*"rb?"\s*\)))"
                                            << QStringList{R"(FILE* f = fopen(name, "ab");)", "FILE* f = fopen(name, mode);"};
    QTest::newRow("system open to write") << R"(\bO_(WRONLY|RDWR|TRUNC|APPEND)\b)" << QStringList{"::open(name, O_WRONLY | O_CREAT)"};
    QTest::newRow("creat") << R"(\bcreat\s*\()" << QStringList{"int fd = creat(name, 0644);"};
    QTest::newRow("copies") << R"(\bQFile::copy\b|\.copy\s*\(\s*[A-Za-z_]+\s*\)|\bcopy_file\b|\bfilesystem::copy\b)"
                            << QStringList{"QFile::copy(from, to)", "std::filesystem::copy_file(from, to);"};
    QTest::newRow("pugixml's own save") << R"(\bsave_file\s*\()" << QStringList{R"(doc.save_file("x.xml"))"};
    QTest::newRow("Qt's other file writers")
        << R"(\b(QSettings|QImageWriter|QPdfWriter|QTextDocumentWriter)\b|\.save\s*\(\s*(QString|QLatin1String|QDir|"|\w*([Pp]ath|[Ff]ile|[Nn]ame)))"
        << QStringList{"QSettings settings(path, QSettings::IniFormat);", R"(QWidget::grab().save("x.png");)",
                       "image.save(path);"};
}

void tst_RegularFile::noOtherFileWriterUnderSrc()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, caught);
    const QRegularExpression writer(pattern);
    QVERIFY(writer.isValid());
    for (const QString& line : caught)
        QVERIFY2(writer.match(line).hasMatch(), qPrintable(line));

    // The one writer itself, and the serial port, which is a device and no file.
    const QStringList allowed{QStringLiteral("src/platform/RegularFile.cpp:"),
                              QStringLiteral("src/platform/SerialChannel.cpp:    if (!port->open(QIODevice::ReadWrite))")};
    const QString root = QStringLiteral(TD4700_SOURCE_DIR);
    QStringList found;
    QDirIterator it(root + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString name = QDir(root).relativeFilePath(file);
        QFile source(file);
        QVERIFY(source.open(QIODevice::ReadOnly | QIODevice::Text));
        int number = 0;
        while (!source.atEnd()) {
            QString line = QString::fromUtf8(source.readLine());
            if (line.endsWith(QLatin1Char('\n')))
                line.chop(1);
            ++number;
            const QString where = name + QLatin1Char(':') + line;
            if (writer.match(line).hasMatch()
                && std::none_of(allowed.cbegin(), allowed.cend(), [&](const QString& a) { return where.startsWith(a); }))
                found << QStringLiteral("%1:%2: %3").arg(name).arg(number).arg(line.trimmed());
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("files written past writeRegularFile:\n") + found.join('\n')));
}

QTEST_GUILESS_MAIN(tst_RegularFile)
#include "tst_regularfile.moc"
