// Old INI scripts: the profile reader, the conversion dialog with its exact
// output, and the highlighting of the preview.
#include "common/CpuClock.h"
#include "common/Sanitized.h"
#include "common/TestEnv.h"
#include "platform/LocaleInfo.h"
#include "platform/XmlDocument.h"
#include "tools/IniProfile.h"
#include "tools/ScriptFile.h"
#include "tools/frmScript.h"
#include "tools/modHighlight.h"

#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString Stamp = QStringLiteral("01.02.2024 10:20:30");

const QByteArray Tsi = "; old terminal script\r\n"
                       "[Initialisierung]\r\n"
                       "Init1 = 12,0x00FF\r\n"
                       "init3=\"33,10\"\r\n"
                       ";Init2=5,5\r\n"
                       "Init4=noComma\r\n"
                       "Init5=7,a<b&c\r\n"
                       "Init1=99,99\r\n"
                       "[Other]\r\n"
                       "Init2=1,1\r\n";

const QByteArray Csi = "[Init]\nInit1=1,1\n"
                       "[Init0]\nInit1=0,0x0001\nInit4=6,\xE4\nInit6=9,9\n"
                       "[Init9]\nInit2='3,0xAB'\n"
                       "[]\nInit1=4,4\n"
                       "[Init12]\nInit5=5,5\n";

QString reg(int indent, const QString& offset, const QString& value)
{
    const QString o(indent, ' '), i(indent + 5, ' ');
    return o + "<Register>\r\n" + i + "<Offset>" + offset + "</Offset>\r\n" + i + "<Value>" + value + "</Value>\r\n" + i
           + "<!--  optional: description -->\r\n" + i + "<Desc></Desc>\r\n" + o + "</Register>\r\n";
}

QString table(const QString& number, const QString& registers)
{
    return "     <Table>\r\n          <Nummer>" + number + "</Nummer>\r\n" + registers + "     </Table>\r\n";
}

const QString TsiXml = "<!-- XML-syntax for terminal script init -->\r\n<!-- Build: " + Stamp
                       + " -->\r\n<!-- Terminal: KL3001  -->\r\n<Script>\r\n     <!--  Optional entry for description -->\r\n"
                         "     <Desc>Terminal-script-initialisation for KL3001</Desc>\r\n"
                       + reg(5, "12", "0x00FF") + reg(5, "33", "10") + reg(5, "7", "a&lt;b&amp;c") + "</Script>";

const QString CsiXml = "<!-- XML-syntax for Coupler script init -->\r\n<!-- Build: " + Stamp
                       + " -->\r\n<!-- Coupler: Koppler  -->\r\n<Script>\r\n<!--  Optional entry for description -->\r\n"
                         "     <Desc>Coupler-script-initialisation for Koppler</Desc>\r\n     <!--  Coupler-tables  -->\r\n"
                       + table("0", reg(10, "0", "0x0001") + reg(10, "6", QStringLiteral("\u00E4")))
                       + table("9", reg(10, "3", "0xAB")) + table("12", reg(10, "5", "5")) + "</Script>";

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The text of an old script's bytes, written again in UTF-16 after a byte-order mark.
QByteArray utf16(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(decodeIniText(bytes));
}

// Lines repeated up to 1 MiB, the most a script file may hold, after a head.
QByteArray filledToOneMiB(const QByteArray& head, const QByteArray& line)
{
    QByteArray bytes = head;
    while (bytes.size() + line.size() <= 1024 * 1024)
        bytes += line;
    return bytes;
}

// The bounds hold for the program as built; a sanitized build at -O0 runs many times slower
// and keeps shadow memory, and the old converter still took minutes there.
constexpr int kSlower = kSanitized ? 10 : 1;

qint64 peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Opens path through the Open button of its kind.
void openIni(TestEnv& env, frmScript& form, const QString& path)
{
    env.dialogs().openFileAnswer = path;
    path.endsWith(QLatin1String(".csi")) ? form.cmdCSIOeffnen_Click() : form.cmdTSIOeffnen_Click();
}

// Both Save buttons enabled; false when either is disabled.
bool saveEnabled(const frmScript& form)
{
    return form.findChild<QPushButton*>("cmdTSISpeichern")->isEnabled()
           && form.findChild<QPushButton*>("cmdCSISpeichern")->isEnabled();
}

} // namespace

class tst_ScriptConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void profile_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // "-" when missing
        QTest::newRow("names without case") << "INITIALISIERUNG" << "INIT3" << "33,10";
        QTest::newRow("trimmed") << "Initialisierung" << "Init1" << "12,0x00FF";
        QTest::newRow("other section") << "other" << "Init2" << "1,1";
        QTest::newRow("not in that section") << "Other" << "Init1" << "-";
        QTest::newRow("comment is no key") << "Initialisierung" << "Init2" << "-";
        QTest::newRow("first of two sections") << "A" << "k" << "1";
    }
    void profile()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const IniProfile ini = IniProfile::fromText(decodeIniText(Tsi + "[a]\nk=1\n[A]\nk=2\n"));
        QCOMPARE(ini.value(section, key).value_or("-"), value);
        QCOMPARE(ini.sectionNames(), (QStringList{"Initialisierung", "Other", "a"}));
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("xml");
        QTest::newRow("terminal: gaps, quotes, a key without comma") << "KL3001.tsi" << Tsi << TsiXml;
        QTest::newRow("coupler: sections Init and \"\" skipped, not UTF-8: Windows-1252") << "Koppler.V3.csi" << Csi << CsiXml;
        QTest::newRow("terminal in UTF-16LE") << "KL3001.tsi" << utf16(Tsi, QStringConverter::Utf16LE) << TsiXml;
        QTest::newRow("coupler in UTF-16BE") << "Koppler.V3.csi" << utf16(Csi, QStringConverter::Utf16BE) << CsiXml;
    }
    void conversion()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, ini);
        QFETCH(QString, xml);
        TestEnv env;
        const QString path = env.tempPath() + "/" + file;
        QVERIFY(writeFile(path, ini));
        frmScript form;
        form.setBuildStamp([] { return Stamp; });
        QVERIFY(!saveEnabled(form));
        const bool terminal = file.endsWith(QLatin1String(".tsi"));
        openIni(env, form, path);
        QCOMPARE(form.xmlText(), xml);
        QVERIFY(saveEnabled(form));

        // What is saved is the conversion, not the preview's edits.
        form.preview()->appendPlainText("edited");
        env.dialogs().saveFileAnswer = env.tempPath() + "/out.xml";
        terminal ? form.cmdTSISpeichern_Click() : form.cmdCSISpeichern_Click();
        QCOMPARE(readFile(env.dialogs().saveFileAnswer), (xml + "\r\n").toUtf8());
        QVERIFY(env.dialogs().messages.isEmpty());

        // A cancelled open leaves a blank preview and keeps the conversion for saving.
        env.dialogs().openFileAnswer.clear();
        form.cmdCSIOeffnen_Click();
        QCOMPARE(form.preview()->toPlainText(), QStringLiteral(" "));
        QCOMPARE(form.xmlText(), xml);
    }

    // Nothing converted: the preview stays blank, Save stays disabled and the user is told why.
    void noConversion_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("ini"); // "pipe": a named pipe in its place; "-": no file
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("message"); // %1: the path
        const QString none = QStringLiteral("Keine Registerwerte gefunden in %1|48|Script");
        QTest::newRow("terminal keys without a comma")
            << "empty.tsi" << QByteArray("[Initialisierung]\r\nInit1=5\r\n[Other]\r\nInit1=1,1\r\n") << false << none;
        QTest::newRow("coupler sections without a key")
            << "empty.csi" << QByteArray("[Init0]\n[Init9]\nInit6=1,1\n") << false << none;
        QTest::newRow("in English") << "empty.tsi" << QByteArray("[Other]\n") << true
                                    << QStringLiteral("No register values found in %1|48|Script");
        QTest::newRow("vanished since it was picked") << "gone.csi" << QByteArray("-") << false << none;
        // A valid script behind a comment of 2 MiB: its size alone refuses it.
        QTest::newRow("over 1 MiB")
            << "big.tsi" << "[Initialisierung]\r\nInit1=1,1\r\n;" + QByteArray(2 * 1024 * 1024, 'x') << false
            << QStringLiteral("Die Datei ist größer als 1 MiB (1048576 Bytes) und wird nicht konvertiert:\r\n%1|16|Script");
        QTest::newRow("over 1 MiB, in English")
            << "big.csi" << "[Init0]\nInit1=1,1\n;" + QByteArray(1024 * 1024, 'x') << true
            << QStringLiteral("The file is larger than 1 MiB (1048576 bytes) and is not converted:\r\n%1|16|Script");
        QTest::newRow("a named pipe") << "fifo.tsi" << QByteArray("pipe") << false
                                      << QStringLiteral("Die Datei kann nicht gelesen werden:\r\n%1|16|Script");
    }
    void noConversion()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, ini);
        QFETCH(bool, english);
        QFETCH(QString, message);
        TestEnv env;
        int32_t status = 0;
        if (english)
            LocaleInfo().SetLocale(9, 1, status);
        const QString path = env.tempPath() + "/" + file;
        if (ini == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (ini != "-")
            QVERIFY(writeFile(path, ini));
        frmScript form;

        // Before any conversion a Save writes nothing over an existing file.
        const QString kept = env.tempPath() + "/kept.xml";
        QVERIFY(writeFile(kept, "<Script/>"));
        env.dialogs().saveFileAnswer = kept;
        form.cmdTSISpeichern_Click();
        form.cmdCSISpeichern_Click();
        QCOMPARE(readFile(kept), QByteArray("<Script/>"));

        openIni(env, form, path);
        QCOMPARE(env.dialogs().messages, QStringList{message.arg(path)});
        QCOMPARE(form.xmlText(), QString());
        QCOMPARE(form.preview()->toPlainText(), QStringLiteral(" "));
        QVERIFY(!saveEnabled(form));
    }

    // A file of 1 MiB converts or is refused within 2 s and 200 MB, whatever its sections.
    void largeFiles_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("tables"); // -1: refused
        const QByteArray first = "[Init0]\nInit1=1,0x0001\n";
        QTest::newRow("one section, its header repeated") << filledToOneMiB(first, "[Init0]\nInit2=2,2\n") << 1;
        QTest::newRow("repeated in other letter cases") << filledToOneMiB(first, "[INIT0]\n[init0]\n") << 1;
        QTest::newRow("a coupler's 256 tables and a long comment")
            << filledToOneMiB([] {
                   QByteArray all;
                   for (int t = 0; t < 256; ++t)
                       all += "[Init" + QByteArray::number(t) + "]\nInit1=1,1\nInit2=2,2\nInit3=3,3\nInit4=4,4\nInit5=5,5\n";
                   return all + ';';
               }(), "x")
            << 256;
        QByteArray distinct;
        for (int t = 0; distinct.size() < 1000 * 1024; ++t)
            distinct += "[T" + QByteArray::number(t) + "]\nInit1=1,1\n";
        QTest::newRow("countless sections with a key each") << distinct << -1;
    }
    void largeFiles()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, tables);
        TestEnv env;
        const QString path = env.tempPath() + "/big.csi";
        QVERIFY(writeFile(path, ini));
        frmScript form;
        const qint64 memoryBefore = peakMemoryKiB();
        CpuClock clock; // the work alone: a busy machine does not stretch it
        QElapsedTimer wall;
        wall.start();
        openIni(env, form, path);
        QVERIFY2(clock.elapsedMs() < 2000 * kSlower, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsedMs())));
        QVERIFY2(wall.elapsed() < 30000 * kSlower, qPrintable(QStringLiteral("%1 ms in all").arg(wall.elapsed())));
        QVERIFY2(peakMemoryKiB() - memoryBefore < 200 * 1024 * kSlower,
                 qPrintable(QStringLiteral("%1 KiB more").arg(peakMemoryKiB() - memoryBefore)));
        if (tables < 0) {
            QCOMPARE(env.dialogs().messages,
                     QStringList{"Die Datei ergäbe ein Script von mehr als 1 MiB und wird nicht konvertiert:\r\n" + path
                                 + "|16|Script"});
            QCOMPARE(form.preview()->toPlainText(), QStringLiteral(" "));
            QVERIFY(!saveEnabled(form));
            return;
        }
        QVERIFY(env.dialogs().messages.isEmpty());
        QCOMPARE(form.xmlText().count("<Table>"), tables);
        // The first header's keys only, as for a repeated key.
        if (tables == 1)
            QVERIFY(form.xmlText().contains(table("0", reg(10, "1", "0x0001"))));
    }

    void failedSave()
    {
        TestEnv env;
        frmScript form;
        QVERIFY(writeFile(env.tempPath() + "/KL3001.tsi", Tsi));
        openIni(env, form, env.tempPath() + "/KL3001.tsi");
        env.dialogs().saveFileAnswer = env.tempPath() + "/no/such/folder/out.xml";
        form.cmdCSISpeichern_Click();
        QCOMPARE(env.dialogs().messages.size(), 1);
        QVERIFY(env.dialogs().messages[0].startsWith("Die Datei konnte nicht gespeichert werden:\r\n" + env.dialogs().saveFileAnswer));
    }

    // The save dialog lists both letter cases and adds ".xml" to a name typed without it.
    void saveDialog()
    {
        TestEnv env;
        frmScript form;
        form.setBuildStamp([] { return Stamp; });
        QVERIFY(writeFile(env.tempPath() + "/KL3001.tsi", Tsi));
        openIni(env, form, env.tempPath() + "/KL3001.tsi");
        env.context().dialogs = std::make_unique<QtDialogs>();
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QWidget* owner = nullptr;
        QStringList filters;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            owner = dialog->parentWidget();
            filters = dialog->nameFilters();
            dialog->selectFile(env.tempPath() + "/typed");
            QMetaObject::invokeMethod(dialog, "accept"); // protected, a slot
        });
        form.cmdTSISpeichern_Click();
        QCOMPARE(owner, &form);
        QCOMPARE(filters, QStringList{"Terminal script XML(*.xml *.XML)"});
        QCOMPARE(readFile(env.tempPath() + "/typed.xml"), (TsiXml + "\r\n").toUtf8());
    }

    // The file's name stands in the header comment and in Desc; the saved script loads.
    void nameInScript_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("desc");
        QTest::newRow("comment end and markup") << "x-->y&<z.v3.tsi" << "x- ->y&<z" << "x-->y&<z";
        QTest::newRow("three dashes") << "a---b.tsi" << "a- - -b" << "a---b";
        QTest::newRow("dash before the comment end") << "end-.tsi" << "end-" << "end-";
        QTest::newRow("control character") << "a\x01" "b.tsi" << "ab" << "ab";
        QTest::newRow("U+FFFE and U+FFFF") << "KL\uFFFE30\uFFFF01.tsi" << "KL3001" << "KL3001";
    }
    void nameInScript()
    {
        QFETCH(QString, file);
        QFETCH(QString, comment);
        QFETCH(QString, desc);
        TestEnv env;
        frmScript form;
        const QString path = env.tempPath() + "/" + file;
        QVERIFY(writeFile(path, Tsi));
        openIni(env, form, path);
        QVERIFY2(form.xmlText().contains("\r\n<!-- Terminal: " + comment + "  -->\r\n"), qPrintable(form.xmlText()));
        QVERIFY(isXmlText(form.xmlText()));
        env.dialogs().saveFileAnswer = env.tempPath() + "/out.xml";
        form.cmdTSISpeichern_Click();

        ScriptDocument document;
        QVERIFY(document.load(env.dialogs().saveFileAnswer));
        QString loaded;
        QVERIFY(GetScriptDesc(document.script(), loaded));
        QCOMPARE(loaded, "Terminal-script-initialisation for " + desc);
        QCOMPARE(readTerminalScript(document.script()).registers.size(), size_t(3));
    }

    // A line of 200 000 characters converts and is coloured within a second; the cost grows
    // with the text, not with its square. (Qt's own layout of such a line in the preview is
    // not timed: colours or none, it is Qt's.)
    void longLine()
    {
        TestEnv env;
        frmScript form;
        const QString path = env.tempPath() + "/long.tsi";
        const QByteArray markup = QByteArray("<a>&").repeated(50000);
        QVERIFY(writeFile(path, "[Initialisierung]\r\nInit1=" + QByteArray(200000, '1') + ",2\r\nInit2=3," + markup + "\r\n"));
        CpuClock clock; // the work alone: a busy machine does not stretch it
        openIni(env, form, path);
        // The value as the old reader saw it: 254 characters, of them 50 after the comma.
        QVERIFY(form.xmlText().contains(reg(5, "3", QString("&lt;a&gt;&amp;").repeated(12) + "&lt;a")));
        QCOMPARE(form.xmlText().count("<Register>"), 1); // Init1's comma lay beyond the 254
        QVERIFY2(clock.elapsedMs() < 1000, qPrintable(QString::number(clock.elapsedMs())));

        const QString line = QStringLiteral("<Value>1</Value> ").repeated(12000);
        clock.restart();
        const QList<HighlightRun> runs = form.highlighter()->runs(line);
        QVERIFY2(clock.elapsedMs() < 1000, qPrintable(QString::number(clock.elapsedMs())));
        QCOMPARE(runs.size(), 7 * 12000);
        QCOMPARE(runs.last(), (HighlightRun{int(line.size()) - 2, 1, 1})); // the last ">"
    }

    void highlight_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<QList<int>>>("runs"); // start, length, colour
        QTest::newRow("register comment: blue brackets, grey text")
            << "<!--  optional: description -->" << QList<QList<int>>{{0, 1, 1}, {1, 29, 3}, {30, 1, 1}};
        QTest::newRow("element") << "<Desc>x</Desc>"
                                 << QList<QList<int>>{{0, 1, 1}, {1, 4, 2}, {5, 1, 1}, {7, 1, 1}, {8, 1, 1}, {9, 4, 2}, {13, 1, 1}};
        QTest::newRow("case matters, inside words too") << "Description desc" << QList<QList<int>>{{0, 4, 2}};
        QTest::newRow("report names") << "<FILES FILENAME=\"a\">"
                                      << QList<QList<int>>{{0, 1, 1}, {1, 5, 2}, {7, 8, 2}, {15, 1, 1}, {16, 1, 1}, {18, 1, 1}, {19, 1, 1}};
    }
    void highlight()
    {
        QFETCH(QString, line);
        QFETCH(QList<QList<int>>, runs);
        QPlainTextEdit box;
        modHighlight highlighter(box.document());
        QVERIFY(highlighter.runs(line).isEmpty()); // nothing before InitHighlight
        highlighter.InitHighlight();
        QList<QList<int>> got;
        for (const HighlightRun& r : highlighter.runs(line))
            got << QList<int>{r.start, r.length, r.colour};
        QCOMPARE(got, runs);

        box.setPlainText(line);
        const QList<QTextLayout::FormatRange> formats = box.document()->firstBlock().layout()->formats();
        for (const QList<int>& run : runs) {
            const auto range = std::find_if(formats.begin(), formats.end(), [&](const QTextLayout::FormatRange& f) {
                return f.start <= run[0] && run[0] + run[1] <= f.start + f.length;
            });
            QVERIFY(range != formats.end());
            QCOMPARE(range->format.foreground().color(), highlighter.colour(run[2]));
        }
    }
};

QTEST_MAIN(tst_ScriptConvert)
#include "tst_scriptconvert.moc"
