#include "VbConvert.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace {
std::optional<double> wholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}
}

double vbVal(const QString& text)
{
    QString s;
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            s += c;
    // Longest leading [sign] digits [. digits] [E [sign] digits].
    int i = 0;
    const int n = int(s.size());
    auto digits = [&] {
        const int start = i;
        while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128)
            ++i;
        return i - start;
    };
    if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        ++i;
    int mantissa = digits();
    if (i < n && s.at(i) == QLatin1Char('.')) {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0;
    int end = i;
    if (i < n && (s.at(i) == QLatin1Char('E') || s.at(i) == QLatin1Char('e'))) {
        ++i;
        if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
            ++i;
        if (digits() > 0)
            end = i;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(s.left(end), &ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

int32_t vbRound(double value)
{
    const double r = std::nearbyint(value); // default rounding mode: half to even
    if (r >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(r);
}

std::optional<int32_t> vbCLng(const QString& text)
{
    const std::optional<double> v = wholeNumber(text);
    if (!v)
        return std::nullopt;
    const double r = std::nearbyint(*v);
    if (r < double(std::numeric_limits<int32_t>::min()) || r > double(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return int32_t(r);
}

std::optional<float> vbCSng(const QString& text)
{
    const std::optional<double> v = wholeNumber(text);
    if (!v || std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*v);
}
