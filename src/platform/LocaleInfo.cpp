#include "LocaleInfo.h"

#include <QLocale>
#include <atomic>

namespace {
// One UI language for the whole program, whichever instance set it.
std::atomic<int32_t> s_primary{7};
std::atomic<int32_t> s_sub{1};
}

int32_t LocaleInfo::GetLocale(int32_t& primary, int32_t& sub)
{
    primary = s_primary;
    sub = s_sub;
    return 0;
}

void LocaleInfo::SetLocale(int32_t primary, int32_t sub, int32_t& status)
{
    s_primary = primary;
    s_sub = sub;
    QLocale::setDefault(QLocale(primary == 9 ? QLocale::English : QLocale::German));
    status = 0;
}

void LocaleInfo::reset()
{
    s_primary = 7;
    s_sub = 1;
}

bool localeIsEnglish()
{
    int32_t primary = 0, sub = 0;
    LocaleInfo().GetLocale(primary, sub);
    return primary == 9;
}
