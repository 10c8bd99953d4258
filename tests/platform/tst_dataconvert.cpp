#include "platform/ModDataConvert.h"

#include <QtTest>

// The empty result is written as "empty" in the tables below.
static QString show(const std::optional<int32_t>& v) { return v ? QString::number(*v) : QStringLiteral("empty"); }

class tst_DataConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checks_data();
    void checks();
    void hexStrToVal_data();
    void hexStrToVal();
    void binStrToVal_data();
    void binStrToVal();
    void hexStrToLong_data();
    void hexStrToLong();
    void valueTexts_data();
    void valueTexts();
    void registerWord_data();
    void registerWord();
};

void tst_DataConvert::checks_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const auto row = [](const char* check, const char* text, bool accepted) {
        QTest::addRow("%s('%s')", check, text) << QString::fromLatin1(check) << QString::fromUtf8(text) << accepted;
    };
    row("IsHexString", "0x1a2B", true);
    row("IsHexString", "  0X 12 ", true);
    row("IsHexString", "12 34", true);
    row("IsHexString", "", true);
    row("IsHexString", "0x", true);
    row("IsHexString", "&H12", false);
    row("IsHexString", "1x2", false);
    row("IsHexString", "-1", false);
    row("IsHexString", "0x1G", false);
    row("IsHexString", "\t12", false);
    row("IsHexString", "0x\xef\xac\x80", false); // a ligature that upper-cases to "FF" is no digit
    row("IsDecString", " 123 ", true);
    row("IsDecString", "1 2", false);
    row("IsDecString", "-5", false);
    row("IsDecString", "", true);
    row("IsDecString", "\t1", false);
    row("IsIntString", "-3", true);
    row("IsIntString", "-", true);
    row("IsIntString", " -3", true);
    row("IsIntString", "1-", false);
    row("IsIntString", "--1", false);
    row("IsIntString", "+5", false);
    row("IsBinString", "0101 1100", true);
    row("IsBinString", "012", false);
    row("IsBinString", "", true);
    row("IsHexLiteral", "0x", true);
    row("IsHexLiteral", "0X00ff", true);
    row("IsHexLiteral", " 0x10 ", true);
    row("IsHexLiteral", "00ff", false);
    row("IsHexLiteral", "0x 1", false);
    row("IsHexLiteral", "", false);
    row("IsHexLiteral", "   ", false);
}

void tst_DataConvert::checks()
{
    QFETCH(QString, check);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    bool result = false;
    if (check == QLatin1String("IsHexString")) result = IsHexString(text);
    else if (check == QLatin1String("IsDecString")) result = IsDecString(text);
    else if (check == QLatin1String("IsIntString")) result = IsIntString(text);
    else if (check == QLatin1String("IsBinString")) result = IsBinString(text);
    else if (check == QLatin1String("IsHexLiteral")) result = IsHexLiteral(text);
    else QFAIL("unknown check");
    QCOMPARE(result, accepted);
}

void tst_DataConvert::hexStrToVal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("prefixed word") << "0x00FF" << 255.0;
    QTest::newRow("lower-case digits") << "ffff" << 65535.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("prefix only") << "0x" << 0.0;
    QTest::newRow("inner blank ignored") << "12 34" << 4660.0;
    QTest::newRow("stops at first non-digit") << "12G4" << 18.0;
    QTest::newRow("eight digits are two's complement") << "FFFFFFFF" << -1.0;
    QTest::newRow("sign bit of eight digits") << "80000000" << -2147483648.0;
    QTest::newRow("more than eight digits keep the low 32 bits") << "1000000FF" << 255.0;
    QTest::newRow("no digit at all") << "&H12" << 0.0;
}

void tst_DataConvert::hexStrToVal()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(HexStrToVal(text), value);
}

void tst_DataConvert::binStrToVal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("sixteen ones") << "1111 1111 1111 1111" << 65535.0;
    QTest::newRow("a one and sixteen zeros") << "1 0000 0000 0000 0000" << 65536.0;
    QTest::newRow("zeros") << "0000" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("display form") << " 0000 0000 0000 0101" << 5.0;
    QTest::newRow("other character ends the walk") << "11x101" << 5.0;
}

void tst_DataConvert::binStrToVal()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(BinStrToVal(text), value);
}

void tst_DataConvert::hexStrToLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::newRow("prefixed") << "0x10" << "16";
    QTest::newRow("prefix only") << "0x" << "empty";
    QTest::newRow("inner blank") << "0x1 0" << "empty";
    QTest::newRow("nine digits") << "0x123456789" << "empty";
    QTest::newRow("four digits unsigned") << "FFFF" << "65535";
    QTest::newRow("8000") << "0x8000" << "32768";
    QTest::newRow("eight digits signed") << "0xFFFFFFFF" << "-1";
    QTest::newRow("lower-case prefix and digits, blanks around") << "  0xff  " << "255";
    QTest::newRow("empty") << "" << "empty";
    QTest::newRow("not hex") << "0x12G" << "empty";
}

void tst_DataConvert::hexStrToLong()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    QCOMPARE(show(HexStrToLong(text)), value);
}

void tst_DataConvert::valueTexts_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* function, int value, const char* text) {
        QTest::addRow("%s(%d)", function, value) << QString::fromLatin1(function) << value << QString::fromLatin1(text);
    };
    row("ValToHexStr", 0, "0x0000");
    row("ValToHexStr", 10, "0x000A");
    row("ValToHexStr", 4096, "0x1000");
    row("ValToHexStr", 255, "0x00FF");
    row("ValToHexStr", 4660, "0x1234");
    row("ValToHexStr", 65535, "0xFFFF");
    row("ValToHexStr", 65536, "0x10000");
    row("ValToBinStr", 0, " 0000 0000 0000 0000");
    row("ValToBinStr", 1, " 0000 0000 0000 0001");
    row("ValToBinStr", 4660, " 0001 0010 0011 0100");
    row("ValToBinStr", 32768, " 1000 0000 0000 0000");
    row("ValToBinStr", 65535, " 1111 1111 1111 1111");
    row("ValToBinStr", 65536 + 5, " 0000 0000 0000 0101");
    row("ToInt16", 100, "100");
    row("ToInt16", 32767, "32767");
    row("ToInt16", 32768, "-32768");
    row("ToInt16", 65535, "-1");
    row("ToInt16", 65536, "empty");
    row("ToInt16", -1, "empty");
    row("Hex4", 0, "0000");
    row("Hex4", 10, "000A");
    row("Hex4", 65535, "FFFF");
    row("Hex4", 65536, "0000");
    row("Hex4", -1, "FFFF");
    row("ValToVar", 4660, "4660");
}

void tst_DataConvert::valueTexts()
{
    QFETCH(QString, function);
    QFETCH(int, value);
    QFETCH(QString, text);
    QString result;
    if (function == QLatin1String("ValToHexStr")) result = ValToHexStr(value);
    else if (function == QLatin1String("ValToBinStr")) result = ValToBinStr(value);
    else if (function == QLatin1String("ToInt16")) result = show(ToInt16(value));
    else if (function == QLatin1String("Hex4")) result = Hex4(value);
    else if (function == QLatin1String("ValToVar")) result = QString::number(ValToVar(value));
    else QFAIL("unknown function");
    QCOMPARE(result, text);
}

// Every way of typing or scripting a word: a word, or why there is none. Never cut to 16 bits.
void tst_DataConvert::registerWord_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    const QString none = QStringLiteral("no entry"), nan = QStringLiteral("not a number"),
                  range = QStringLiteral("out of range");
    struct Case {
        const char* text;
        QString hex, unsignedWord, signedWord, binary;
    };
    const Case cases[] = {
        {"0x1a2B", "6699", nan, nan, nan},
        {"1A2B", "6699", nan, nan, nan},
        {"4660", "18016", "4660", "4660", nan},
        {"1010", "4112", "1010", "1010", "10"},
        {"FFFF", "65535", nan, nan, nan},
        {"65535", range, "65535", range, nan},
        {"32767", range, "32767", "32767", nan},
        {"-32768", nan, range, "32768", nan},
        {"65536", range, range, range, nan},
        {"0x10000", range, nan, nan, nan},
        {"70000", range, range, range, nan},
        {"-1", nan, range, "65535", nan},
        {"", none, none, none, none},
        {" ", none, none, none, none},
        {"-", nan, none, none, nan},
        {"0x", none, nan, nan, nan},
        {"0b", "11", nan, nan, nan},
        {"1 0000 0000 0000 0001", range, nan, nan, range},
        {"1111 1111 1111 1111", range, nan, nan, "65535"},
        {"1e3", "483", nan, nan, nan},
        {"000123", "291", "123", "123", nan},
        {"0x0000FFFF", "65535", nan, nan, nan},
        {"0 0000 0000 0000 0101", "257", nan, nan, "5"},
        {"-00001", nan, range, "65535", nan},
        {"99999999999999999999", range, range, range, nan},
        {" 0X 12 ", "18", nan, nan, nan},
        {"\t12", nan, nan, nan, nan},
        {"\xef\xbc\x91", nan, nan, nan, nan}, // a full-width one is no digit
    };
    const char* const names[] = {"hex", "unsigned", "signed", "binary"};
    for (const Case& c : cases) {
        const QString results[] = {c.hex, c.unsignedWord, c.signedWord, c.binary};
        for (int f = 0; f < 4; ++f)
            QTest::addRow("%s '%s'", names[f], c.text) << f << QString::fromUtf8(c.text) << results[f];
    }
}

void tst_DataConvert::registerWord()
{
    QFETCH(int, format);
    QFETCH(QString, text);
    QFETCH(QString, result);
    const RegisterWord entry = parseRegisterWord(WordFormat(format), text);
    QString shown;
    switch (entry.verdict) {
    case WordVerdict::Word: shown = QString::number(entry.word); break;
    case WordVerdict::NoEntry: shown = QStringLiteral("no entry"); break;
    case WordVerdict::NotANumber: shown = QStringLiteral("not a number"); break;
    case WordVerdict::OutOfRange: shown = QStringLiteral("out of range"); break;
    }
    QCOMPARE(shown, result);
    if (!entry.ok())
        QCOMPARE(entry.word, 0);
}

QTEST_GUILESS_MAIN(tst_DataConvert)
#include "tst_dataconvert.moc"
