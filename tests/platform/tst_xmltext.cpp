// Text in and out of XML: which characters a document may hold, escaping, and
// references read as an XML reader reads them, bounded however a file nests them.
#include "common/CpuClock.h"
#include "platform/XmlDocument.h"

#include <QtTest>

class tst_XmlText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void allowedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("tab, line feed, carriage return") << QStringLiteral("a\tb\nc\rd") << true;
        QTest::newRow("umlauts and the euro") << QString::fromUtf8("Größe €") << true;
        QTest::newRow("a pair of surrogates") << QString::fromUtf8("\U0001F600") << true;
        QTest::newRow("U+FFFD") << QStringLiteral("\uFFFD") << true;
        QTest::newRow("C0 control") << QStringLiteral("a\x01") << false;
        QTest::newRow("NUL") << QString(QChar(0)) << false;
        QTest::newRow("U+FFFE") << QStringLiteral("Halle\uFFFE5") << false;
        QTest::newRow("U+FFFF") << QStringLiteral("\uFFFF") << false;
        QTest::newRow("high surrogate alone") << QString(QChar(0xD83D)) + QLatin1Char('x') << false;
        QTest::newRow("low surrogate alone") << QString(QChar(0xDE00)) << false;
    }
    void allowedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowed);
        QCOMPARE(isXmlText(text), allowed);
    }

    void references_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("read");
        QTest::newRow("predefined") << "&lt;a&gt; &amp; &quot;q&apos;" << "<a> & \"q'";
        QTest::newRow("character references") << "&#228;&#x20AC;&#x1F600;" << QString::fromUtf8("ä€\U0001F600");
        QTest::newRow("the file's own entity") << "&plant; Presse" << "Halle 3 Presse";
        QTest::newRow("nested entities") << "&hall;" << "Halle 3 & Co";
        QTest::newRow("unknown entity stays") << "&nowhere; x" << "&nowhere; x";
        QTest::newRow("entity holding markup stays") << "&markup;" << "&markup;";
        QTest::newRow("reference to a character XML forbids stays") << "&#0;&#xFFFE;&#xD800;" << "&#0;&#xFFFE;&#xD800;";
        QTest::newRow("entity naming itself ends") << "&self;" << "&self;";
        QTest::newRow("no semicolon") << "a & b" << "a & b";
    }
    void references()
    {
        QFETCH(QString, raw);
        QFETCH(QString, read);
        const QHash<QString, QString> entities{{"plant", "Halle 3"},
                                               {"hall", "&plant; &amp; Co"},
                                               {"markup", "<b>x</b>"},
                                               {"self", "&self;"}};
        qsizetype budget = kXmlEntityBudget;
        QCOMPARE(xmlDecodedText(raw, entities, budget), read);
        QCOMPARE(xmlDecodedText(xmlEscaped(read)), read); // what the program writes reads back as typed
    }

    // A file loaded to be rewritten must be one a conforming reader takes, also where
    // the parser itself does not look.
    void wellFormedAsWritten_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("taken");
        const QByteArray dtd = "<!DOCTYPE r [ <!ENTITY plant \"Halle 3\"> ]>";
        QTest::newRow("references and a declared entity") << dtd + "<r a='&#228;&amp;'>&plant;&#x20AC;&lt;</r>" << true;
        QTest::newRow("]]> in an attribute, > alone in text") << QByteArray("<r a=\"]]>\">a > b]]</r>") << true;
        QTest::newRow("entities of an external subset") << QByteArray("<!DOCTYPE r SYSTEM \"r.dtd\"><r>&ext;</r>") << true;
        QTest::newRow("reference to U+0001") << QByteArray("<r>a&#1;b</r>") << false;
        QTest::newRow("reference to U+FFFE") << QByteArray("<r>a&#xFFFE;b</r>") << false;
        QTest::newRow("reference to U+FFFF in an attribute") << QByteArray("<r a=\"&#65535;\"/>") << false;
        QTest::newRow("reference to a surrogate") << QByteArray("<r>&#xD800;</r>") << false;
        QTest::newRow("reference past U+10FFFF") << QByteArray("<r>&#x110000;</r>") << false;
        QTest::newRow("undeclared entity") << QByteArray("<r>a&nope;b</r>") << false;
        QTest::newRow("undeclared beside a declared one") << dtd + "<r>&plant;&nope;</r>" << false;
        QTest::newRow("entity value with a forbidden reference")
            << QByteArray("<!DOCTYPE r [ <!ENTITY x \"&#1;\"> ]><r>&x;</r>") << false;
        QTest::newRow("]]> in text") << QByteArray("<r>a]]>b</r>") << false;
        QTest::newRow("a byte that is no UTF-8") << QByteArray("<r>a\xFF</r>") << false;
        QTest::newRow("Latin-1 umlaut") << QByteArray("<r>M\xFCller</r>") << false;
        QTest::newRow("encoded surrogate") << QByteArray("<r>\xED\xA0\x80</r>") << false;
        QTest::newRow("stray ampersand") << QByteArray("<r>a & b</r>") << false;
    }
    void wellFormedAsWritten()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, taken);
        pugi::xml_document doc;
        QCOMPARE(loadXmlAsWritten(doc, text), taken);
    }

    // Entities of ten times the one before, nested deep, in many texts of one file:
    // bounded in length and, all together, in time.
    void entityExpansionIsBounded()
    {
        QHash<QString, QString> entities{{"lol0", "lol"}};
        for (int level = 1; level <= 12; ++level)
            entities.insert(QStringLiteral("lol%1").arg(level),
                            QStringLiteral("&lol%1;").arg(level - 1).repeated(10));
        qsizetype budget = kXmlEntityBudget;
        QCOMPARE(xmlDecodedText(QStringLiteral("&lol2;"), entities, budget), QStringLiteral("lol").repeated(100));
        CpuClock clock; // the work alone: a busy machine does not stretch it
        for (int text = 0; text < 10000; ++text)
            QVERIFY(xmlDecodedText(QStringLiteral("&lol12;"), entities, budget).size() <= 64 * 1024);
        QVERIFY2(clock.elapsedMs() < 3000, qPrintable(QString::number(clock.elapsedMs())));
        QCOMPARE(xmlDecodedText(QStringLiteral("&lol1;"), entities, budget), QStringLiteral("&lol1;")); // spent
    }
};

QTEST_GUILESS_MAIN(tst_XmlText)
#include "tst_xmltext.moc"
