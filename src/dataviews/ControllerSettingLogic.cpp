#include "ControllerSettingLogic.h"

#include <algorithm>

namespace controller {

namespace {

const char* const kEndTerminal = "TM4585-5555";

// Register and bit shift of terminal i's field.
std::pair<size_t, int> field(int terminal)
{
    return {size_t(kFirstAssignReg + (terminal - 1) / 8), 2 * ((terminal - 1) % 8)};
}

} // namespace

std::vector<TerminalRow> terminalRows(pugi::xml_node node)
{
    std::vector<pugi::xml_node> devices;
    for (pugi::xml_node d : node.parent().children("Device"))
        devices.push_back(d);
    // The coupler comes first. The end terminal closes most stations, but not every one
    // (box stations, full stations): only a real end terminal is left out.
    size_t end = devices.size();
    if (end > 1 && QString::fromUtf8(devices.back().attribute("Name").value()) == QLatin1String(kEndTerminal))
        --end;
    std::vector<TerminalRow> rows;
    for (size_t i = 1; i < end; ++i)
        rows.push_back({int(i), QString::fromUtf8(devices[i].attribute("Name").value()), i <= kAssignableTerminals});
    return rows;
}

int32_t assignmentCode(std::span<const int32_t> regs, int terminal)
{
    if (terminal < 1 || terminal > kAssignableTerminals)
        return 0;
    const auto [reg, shift] = field(terminal);
    return (regs[reg] >> shift) & 3;
}

void packAssignments(std::span<int32_t> regs, std::span<const int32_t> codes)
{
    // Only the fields of listed terminals are the user's: free fields and registers past the
    // last terminal keep what the device holds, so an unchanged Apply changes nothing.
    const int count = int(std::min<size_t>(codes.size(), kAssignableTerminals));
    for (int i = 1; i <= count; ++i) {
        const auto [reg, shift] = field(i);
        regs[reg] = (regs[reg] & ~(3 << shift)) | ((codes[size_t(i - 1)] & 3) << shift);
    }
}

OptionControls decodeOptions(int32_t reg14)
{
    OptionControls c;
    for (size_t i = 0; i < kCheckBits.size(); ++i)
        c.checked[i] = kCheckBits[i] >= 0 && (reg14 >> kCheckBits[i]) & 1;
    const auto option = std::find(kBusUpdateValues.begin(), kBusUpdateValues.end(), reg14 & kBusUpdateMask);
    if (option != kBusUpdateValues.end())
        c.busUpdate = int(option - kBusUpdateValues.begin());
    return c;
}

int32_t encodeOptions(int32_t reg14, const OptionControls& controls)
{
    for (size_t i = 0; i < kCheckBits.size(); ++i) {
        if (kCheckBits[i] < 0 || int(i) == kReadOnlyBox)
            continue;
        const int32_t bit = 1 << kCheckBits[i];
        reg14 = controls.checked[i] ? (reg14 | bit) : (reg14 & ~bit);
    }
    if (controls.busUpdate)
        reg14 = (reg14 & ~kBusUpdateMask) | kBusUpdateValues[size_t(*controls.busUpdate)];
    return reg14;
}

QString cycleTimeText(int32_t value)
{
    // value / 125 ms exactly: the remainder in 8 us steps is the thousandths. No locale is asked.
    const int32_t word = value & 0xFFFF;
    return QStringLiteral("%1.%2")
        .arg(word / 125, 2, 10, QLatin1Char('0'))
        .arg((word % 125) * 8, 3, 10, QLatin1Char('0'));
}

QString assignmentText(int32_t code)
{
    switch (code) {
    case 0: return QStringLiteral("Fieldbus terminal");
    case 2: return QStringLiteral("PLC terminal (compact)");
    case 3: return QStringLiteral("PLC terminal (complex) (Default)");
    default: return {};
    }
}

} // namespace controller
