#include "ModDataConvert.h"

namespace {

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// ASCII letters only: a full Unicode upper-casing turns some single characters into "FF" or "SS".
QString upperAscii(QString text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return text;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isUpperHexDigit(QChar c) { return isDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')); }

int hexDigitValue(QChar c)
{
    return isDigit(c) ? c.unicode() - '0' : c.unicode() - 'A' + 10;
}

// Trim, upper-case and drop the first two characters when "0X" occurs anywhere.
QString prepareHex(const QString& text)
{
    QString t = upperAscii(trimBlanks(text));
    if (t.contains(QLatin1String("0X")))
        t = trimBlanks(t.mid(2));
    return t;
}

QString hexDigits(uint32_t value) { return QString::number(value, 16).toUpper(); }

constexpr int64_t kLargestWord = 65535;

// Digits of base (after the caller's preparation), blanks skipped. The value stops growing
// once past a word, so any number of digits costs no overflow.
RegisterWord digitsWord(const QString& text, int base, bool blanks)
{
    int64_t value = 0;
    bool digit = false;
    for (QChar c : text) {
        if (blanks && c == QLatin1Char(' '))
            continue;
        const int d = isUpperHexDigit(c) ? hexDigitValue(c) : base;
        if (d >= base)
            return {WordVerdict::NotANumber, 0};
        digit = true;
        if (value <= kLargestWord)
            value = value * base + d;
    }
    if (!digit)
        return {WordVerdict::NoEntry, 0};
    if (value > kLargestWord)
        return {WordVerdict::OutOfRange, 0};
    return {WordVerdict::Word, int32_t(value)};
}

// An optional sign, then decimal digits; the value must lie in low..high.
RegisterWord decimalWord(const QString& text, int64_t low, int64_t high)
{
    QString t = trimBlanks(text);
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative || t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    const RegisterWord magnitude = digitsWord(t, 10, false);
    if (magnitude.verdict != WordVerdict::Word)
        return magnitude;
    const int64_t value = negative ? -int64_t(magnitude.word) : magnitude.word;
    if (value < low || value > high)
        return {WordVerdict::OutOfRange, 0};
    return {WordVerdict::Word, int32_t(value & 0xFFFF)}; // a signed entry's 16-bit pattern: -1 is 65535
}

} // namespace

RegisterWord parseRegisterWord(WordFormat format, const QString& text)
{
    switch (format) {
    case WordFormat::Hex:
        return digitsWord(prepareHex(text), 16, true);
    case WordFormat::Unsigned:
        return decimalWord(text, 0, kLargestWord);
    case WordFormat::Signed:
        return decimalWord(text, -32768, 32767);
    case WordFormat::Binary:
        return digitsWord(trimBlanks(text), 2, true);
    }
    return {WordVerdict::NotANumber, 0};
}

bool IsHexString(const QString& text)
{
    const QString t = prepareHex(text);
    for (QChar c : t) {
        if (!isUpperHexDigit(c) && c != QLatin1Char(' '))
            return false;
    }
    return true;
}

bool IsDecString(const QString& text)
{
    const QString t = trimBlanks(text);
    for (QChar c : t) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

bool IsIntString(const QString& text)
{
    const QString t = trimBlanks(text);
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!isDigit(c) && !(i == 0 && c == QLatin1Char('-')))
            return false;
    }
    return true;
}

bool IsBinString(const QString& text)
{
    const QString t = trimBlanks(text);
    for (QChar c : t) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1') && c != QLatin1Char(' '))
            return false;
    }
    return true;
}

bool IsHexLiteral(const QString& text)
{
    const QString t = upperAscii(trimBlanks(text));
    if (!t.startsWith(QLatin1String("0X")))
        return false;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (!isUpperHexDigit(t.at(i)))
            return false;
    }
    return true;
}

double HexStrToVal(const QString& text)
{
    uint32_t value = 0;
    for (QChar c : prepareHex(text)) {
        if (c == QLatin1Char(' '))
            continue;
        if (!isUpperHexDigit(c))
            break;
        value = (value << 4) | uint32_t(hexDigitValue(c));
    }
    return double(int32_t(value));
}

double BinStrToVal(const QString& text)
{
    const QString t = trimBlanks(text);
    double result = 0;
    double weight = 1;
    for (qsizetype i = t.size() - 1; i >= 0; --i) {
        const QChar c = t.at(i);
        if (c == QLatin1Char(' '))
            continue;
        if (c == QLatin1Char('1'))
            result += weight;
        else if (c != QLatin1Char('0'))
            break;
        weight *= 2;
    }
    return result;
}

std::optional<int32_t> HexStrToLong(const QString& text)
{
    const QString t = prepareHex(text);
    if (t.isEmpty() || t.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (QChar c : t) {
        if (!isUpperHexDigit(c))
            return std::nullopt;
        value = (value << 4) | uint32_t(hexDigitValue(c));
    }
    return int32_t(value);
}

QString ValToHexStr(int32_t value)
{
    const QString low = hexDigits(uint32_t(value & 255)).rightJustified(2, QLatin1Char('0'));
    // value & -256 is a multiple of 256, so the division is exact also for negative values.
    const int32_t high = (value & -256) / 256;
    return QStringLiteral("0x") + hexDigits(uint32_t(high)).rightJustified(2, QLatin1Char('0')) + low;
}

QString ValToBinStr(int32_t value)
{
    QString text;
    for (int bit = 0; bit < 16; ++bit) {
        text.prepend((value & (1 << bit)) ? QLatin1Char('1') : QLatin1Char('0'));
        if (bit % 4 == 3)
            text.prepend(QLatin1Char(' '));
    }
    return text;
}

std::optional<int32_t> ToInt16(int32_t value)
{
    if (value < 0 || value > 65535)
        return std::nullopt;
    return value < 32768 ? value : value - 65536;
}

QString Hex4(int32_t value)
{
    const QString digits = hexDigits(uint32_t(value));
    return digits.size() >= 4 ? digits.right(4) : digits.rightJustified(4, QLatin1Char('0'));
}
