#include "CommonSettingsMap.h"

namespace commonsettings {

namespace {

constexpr int32_t kEventsMask = 0x6;
constexpr int32_t kFieldbusMask = 0x300;
constexpr int32_t kTerminalbusMask = 0xC00;

bool bit(int32_t value, int n) { return (value >> n) & 1; }

int32_t withBit(int32_t value, int n, bool on) { return on ? (value | (1 << n)) : (value & ~(1 << n)); }

// Both bits set (0x300, 0xC00) name no reaction: no option is shown for them.
int reactionOf(int32_t field, int32_t reset, int32_t keep)
{
    if (field == 0)
        return LeaveCycle;
    if (field == reset)
        return ResetData;
    if (field == keep)
        return KeepData;
    return kNoOption;
}

int32_t reactionBits(int reaction, int32_t reset, int32_t keep)
{
    switch (reaction) {
    case ResetData: return reset;
    case KeepData: return keep;
    default: return 0;
    }
}

} // namespace

CommonSettings fRegsToControls(Registers regs)
{
    CommonSettings s;
    const int32_t r1 = regs[1];
    s.spsInterface = bit(r1, 0);
    switch (r1 & kEventsMask) {
    case 0: s.events = kEventsFieldbus; break;
    case 2: s.events = kEventsDiagnosis; break;
    case 6: s.events = kEventsCyclic; break;
    default: s.events = kNoOption; break; // 4 names no option; none is shown
    }
    s.autoReset = bit(regs[2], 0);
    s.diagnostics = bit(regs[2], 1);
    s.diagnosticsDigTerm = bit(regs[2], 2);
    for (int i = 0; i < 4; ++i)
        s.fields[size_t(i)] = uint16_t(regs[size_t(7 + i)] & 0xFFFF);
    s.oldTermConfig = bit(regs[11], 0);

    for (int n = 0; n < kImageCount; ++n) {
        const int32_t v = regs[size_t(kFirstImageRegister + n)];
        ProcessImage& image = s.images[size_t(n)];
        for (int b = 0; b < 8; ++b)
            image.options[size_t(b)] = bit(v, b);
        image.fieldbusError = reactionOf(v & kFieldbusMask, 0x100, 0x200);
        image.terminalbusError = reactionOf(v & kTerminalbusMask, 0x400, 0x800);
    }
    return s;
}

void fControlsToRegs(const CommonSettings& s, MutableRegisters regs)
{
    // An option group left as the registers show it keeps their bits: the value 4 of register 1's
    // field and the reactions 0x300 and 0xC00 have no option of their own, and an Apply the user
    // changed nothing in must not rewrite them.
    const CommonSettings shown = fRegsToControls(regs);

    // Register 0 is no control's: it stays as read.
    int32_t r1 = withBit(regs[1], 0, s.spsInterface);
    if (s.events != shown.events) {
        r1 &= ~kEventsMask;
        if (s.events == kEventsDiagnosis)
            r1 |= 2;
        else if (s.events == kEventsCyclic)
            r1 |= 6;
    }
    regs[1] = r1;

    int32_t r2 = regs[2];
    r2 = withBit(r2, 0, s.autoReset);
    r2 = withBit(r2, 1, s.diagnostics);
    regs[2] = withBit(r2, 2, s.diagnosticsDigTerm);

    for (int n = 0; n < kImageCount; ++n) {
        const ProcessImage& image = s.images[size_t(n)];
        const ProcessImage& was = shown.images[size_t(n)];
        int32_t v = regs[size_t(kFirstImageRegister + n)];
        for (int b = 0; b < 8; ++b)
            v = withBit(v, b, image.options[size_t(b)]);
        if (image.fieldbusError != was.fieldbusError)
            v = (v & ~kFieldbusMask) | reactionBits(image.fieldbusError, 0x100, 0x200);
        if (image.terminalbusError != was.terminalbusError)
            v = (v & ~kTerminalbusMask) | reactionBits(image.terminalbusError, 0x400, 0x800);
        regs[size_t(kFirstImageRegister + n)] = v;
    }

    for (int i = 0; i < 4; ++i)
        if (const std::optional<uint16_t>& field = s.fields[size_t(i)])
            regs[size_t(7 + i)] = *field;
    regs[11] = withBit(regs[11], 0, s.oldTermConfig);
}

} // namespace commonsettings
