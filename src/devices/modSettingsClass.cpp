#include "modSettingsClass.h"

#include <array>
#include <initializer_list>

QString fUxSettingsClass(int32_t id)
{
    // Tested in this order: 6853 begins with "68", so no prefix rule takes it first.
    const QString digits = QString::number(id);
    if (id == 8953) return QStringLiteral("TD4VUx.clsUx8953");
    if (digits.startsWith(QLatin1String("39"))) return QStringLiteral("TD4VUx.clsUx39xx");
    if (digits.startsWith(QLatin1String("63"))) return QStringLiteral("TD4VUx.clsUx63xx");
    if (digits.startsWith(QLatin1String("66"))) return QStringLiteral("TD4VUx.clsUx66xx");
    static constexpr std::array<int32_t, 10> kExact = {6853, 6883, 1883, 1863, 9554, 9854, 9354, 2553, 2583, 2533};
    for (int32_t n : kExact) {
        if (id == n)
            return QStringLiteral("TD4VUx.clsUx") + QString::number(n);
    }
    return {};
}

namespace {

struct ClassRow {
    std::initializer_list<const char*> keys;
    const char* progId;
};

// First row holding the key wins; "VN9855" is found in row 11 before row 12.
const std::array<ClassRow, 21> kFieldbusClasses = {{
    {{"685", "687"}, "TD4VTerm.clsSpecificVN6585"},
    {{"985", "987"}, "TD4VTerm.clsSpecificVN9885"},
    {{"935", "937"}, "TD4VTerm.clsSpecificUF935"},
    {{"065", "067"}, "TD4VTerm.clsSpecificVN0655"},
    {{"755", "757", "785", "787"}, "TD4VTerm.clsSpecificVN7555"},
    {{"VN3555", "VN3585", "VN3955", "VR3555", "355", "357"}, "TD4VTerm.clsSpecificVN3555"},
    {{"VN6555", "VN6855"}, "TD4VTerm.clsSpecificVN6555"},
    {{"VN6585", "VN6885", "VN6835", "VN6955", "VJ6855", "VR6855"}, "TD4VTerm.clsSpecificVN6585"},
    {{"VN1555", "VN1585", "VN1955", "VR1555"}, "TD4VTerm.clsSpecificVN1555"},
    {{"VN9555"}, "TD4VTerm.clsSpecificVN9555"},
    {{"VN9855"}, "TD4VTerm.clsSpecificVN9855"},
    {{"VN9885", "VN9835", "VN9895", "VN9898", "VJ9855", "XD5555"}, "TD4VTerm.clsSpecificVN9855"},
    {{"VN9355", "VN9385", "VN9335", "VJ9355"}, "TD4VTerm.clsSpecificVN9355"},
    {{"VN0555"}, "TD4VTerm.clsSpecificVN0555"},
    {{"VN0655", "VR0655"}, "TD4VTerm.clsSpecificVN0655"},
    {{"VN0695", "VR0695"}, "TD4VTerm.clsSpecificVN0695"},
    {{"VN0955"}, "TD4VTerm.clsSpecificVN0955"},
    {{"VN7555", "VN7855", "VR7555", "VR7855", "VJ7655"}, "TD4VTerm.clsSpecificVN7555"},
    {{"VN4555", "VR4555", "VN4595", "VN4599", "VN4596", "VN4855", "VR4855", "VN4856", "VR4856", "VN4859",
      "VR4859", "455", "456", "459"}, "TD4VTerm.clsSpecificVN4555"},
    {{"VR4535", "VR4595", "VR4835", "VR4848"}, "TD4VTerm.clsSpecificVR4x35"},
    {{"VN4955"}, "TD4VTerm.clsSpecificVN4955"},
}};

} // namespace

QString fFieldbusSettingsClass(const QString& classKey)
{
    for (const ClassRow& row : kFieldbusClasses) {
        for (const char* key : row.keys) {
            if (classKey == QLatin1String(key))
                return QString::fromLatin1(row.progId);
        }
    }
    return {};
}
