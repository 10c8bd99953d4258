#pragma once
// The coupler's common settings, coupler table 0 registers 0 to 11, as the
// settings view shows them: fRegsToControls unpacks the registers into what
// the controls show, fControlsToRegs folds the controls back into the
// registers, keeping every bit no control shows and every field whose
// control still shows what the registers gave it.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace commonsettings {

inline constexpr int32_t kRegisterCount = 12;
inline constexpr int32_t kImageCount = 4;
inline constexpr int32_t kFirstImageRegister = 3;

// The option index of radEvents (register 1 bits 1-2); index 2 does not exist.
inline constexpr int kEventsFieldbus = 0;
inline constexpr int kEventsDiagnosis = 1;
inline constexpr int kEventsCyclic = 3;
inline constexpr int kNoOption = -1;

// Reactions to a fieldbus error (bits 8-9) and to a terminal-bus error (bits 10-11).
enum Reaction : int { LeaveCycle = 0, ResetData = 1, KeepData = 2 };

struct ProcessImage {
    // Bits 0-7: chkActivateImage, chkAutoconfiguration, chkEvaluation, chkMotorola,
    // chkMotorolaDigitalTM, chkWordAlignment, chkInputSynch, chkOutputSynch.
    std::array<bool, 8> options{};
    // A Reaction, or kNoOption for a field no option names.
    int fieldbusError = LeaveCycle;    // radStopCycle, radOutputDefault, radOutputNoChange
    int terminalbusError = LeaveCycle; // radStopDataTransfer, radInputDefault, radInputNoChange
};

struct CommonSettings {
    bool spsInterface = false;     // register 1 bit 0
    int events = kNoOption;        // register 1 bits 1-2: kEvents* or kNoOption
    bool autoReset = false;        // register 2 bit 0
    bool diagnostics = false;      // register 2 bit 1
    bool diagnosticsDigTerm = false; // register 2 bit 2
    std::array<ProcessImage, kImageCount> images{}; // registers 3-6
    // Registers 7-10: fpMasterSlave, fpSlaveMaster, fpWaitValue(0), fpWaitValue(1).
    // Empty when the field holds no number: the register then stays as it is.
    std::array<std::optional<uint16_t>, 4> fields{};
    bool oldTermConfig = false;    // register 11 bit 0
};

using Registers = std::span<const int32_t, kRegisterCount>;
using MutableRegisters = std::span<int32_t, kRegisterCount>;

CommonSettings fRegsToControls(Registers regs);
void fControlsToRegs(const CommonSettings& settings, MutableRegisters regs);

} // namespace commonsettings
