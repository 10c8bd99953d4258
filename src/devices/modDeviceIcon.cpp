#include "modDeviceIcon.h"

#include <array>
#include <initializer_list>

namespace {

struct IconList {
    std::initializer_list<const char*> prefixes;
    const char* icon;
};

// A lower-case "x" is a literal character: it matches the generic names the
// station reading gives to digital terminals, it is no wildcard.
const std::array<IconList, 30> kIconLists = {{
    {{"VN88", "VN35", "VN39", "VN65", "VN68", "VN69", "VN15", "VN19", "VN95", "VN98", "VN93",
      "VN05", "VN03", "VN06", "VN01", "VN09", "VN75", "VN78", "VN45", "VN48", "VN49", "XD55"}, "2"},
    {{"VR35", "VR68", "VR15", "VR98", "VR93", "VR06", "VR75", "VR78", "VR45", "VR48"}, "3"},
    {{"VJ68", "VJ98", "VJ93", "VJ76", "VJ71"}, "3"},
    {{"HQ85", "HQ88", "HQ89"}, "46"},
    {{"VZ68", "VZ98", "VZ93", "VZ75", "VZ45"}, "46"},
    {{"TM8x", "TM85", "TM88", "TM83", "TM86", "TM81", "TM89", "TM82", "TM80", "TM87", "TW8x",
      "TW85", "TW82", "QN35", "QN75", "XBN5"}, "5"},
    {{"TM84"}, "58"},
    {{"TM3x", "TM35", "TM38", "TM33", "TM36", "TM31", "TM39", "TM32", "TM30", "TM37", "TW35",
      "TW32", "TW30", "QU35", "QU75"}, "6"},
    {{"TM34"}, "59"},
    {{"TM6x", "TM65", "TM68", "TM63", "TM66", "TM61", "TM69", "TM62", "TM60", "TM64", "TW60",
      "YP35", "YP15", "YP31", "YP11", "YP3P", "YP3T"}, "7"},
    {{"TM1x", "TM15", "TM18", "TM13", "TM16", "TM11", "TM19", "TM12", "TM10", "TM17", "TM14",
      "TW12", "YT35", "YT15", "YT31", "YT11"}, "8"},
    {{"TM95", "TM98", "TM96", "XB55"}, "11"},
    {{"TM25", "TM23", "TM26", "TM21", "TM29", "TM20", "TM27", "TW29"}, "11"},
    {{"TM24"}, "60"},
    {{"TM75", "TM72", "TM45", "TM48", "TM43", "TM41", "TM49", "WD55", "WJ55", "QPE5", "QPK5"}, "9"},
    {{"UF85", "UF88", "UF83", "UF86", "UF81", "UF89", "UF82", "UF80", "UF87", "UF84"}, "21"},
    {{"UF35", "UF38", "UF33", "UF39", "UF32", "UF30", "UF37", "UF34"}, "22"},
    {{"UF36", "UF31", "UR36"}, "25"},
    {{"UF65", "UF68", "UF63", "UF66", "UF61", "UF69", "UF62", "UF60", "UF67", "UF64"}, "23"},
    {{"UF15", "UF18", "UF13", "UF16", "UF11", "UF19", "UF12", "UF10", "UF17", "UF14"}, "24"},
    {{"UF95", "UF98", "UF93", "UF96", "UF91", "UF99", "UF92", "UF90", "UF97", "UF94"}, "27"},
    {{"UF25", "UF28", "UF23", "UF26", "UF21", "UF29", "UF22", "UF20", "UF27", "UF24"}, "27"},
    {{"UG85", "UG88", "UG83", "UG86", "UG81", "UG89", "UG82", "UG80", "UG87", "UG84"}, "29"},
    {{"UG35", "UG38", "UG33", "UG39", "UG32", "UG30", "UG37", "UG34"}, "30"},
    {{"UG36", "UG31"}, "33"},
    {{"UG65", "UG68", "UG63", "UG66", "UG61", "UG69", "UG62", "UG60", "UG67", "UG64"}, "31"},
    {{"UG15", "UG18", "UG13", "UG16", "UG11", "UG19", "UG12", "UG10", "UG17", "UG14"}, "32"},
    {{"UG95", "UG98", "UG93", "UG96", "UG91", "UG99", "UG92", "UG90", "UG97", "UG94"}, "35"},
    {{"UG25", "UG28", "UG23", "UG26", "UG21", "UG29", "UG22", "UG20", "UG27", "UG24"}, "35"},
    {{"UR05", "UR08"}, "54"},
}};

} // namespace

QString fGetDeviceIcon(const QString& name)
{
    // A name shorter than four characters is compared whole, so it matches nothing.
    const QString prefix = name.left(4);
    for (const IconList& list : kIconLists) {
        for (const char* entry : list.prefixes) {
            if (prefix == QLatin1String(entry))
                return QString::fromLatin1(list.icon);
        }
    }
    return QStringLiteral("4");
}
